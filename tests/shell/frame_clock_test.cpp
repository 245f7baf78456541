#include "shell/frame_clock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Replays a clock: the times at which the loop looks, and which of them
// produce a frame.
std::vector<std::uint32_t> FramesAt(std::uint32_t start, const std::vector<std::uint32_t>& looks) {
    FramePacer pacer;
    pacer.Start(start);
    std::vector<std::uint32_t> frames;
    for (std::uint32_t now : looks)
        if (pacer.TakeFrame(now)) frames.push_back(now);
    return frames;
}

TEST(FramePacer, FirstFrameOnlyAfterMoreThan40Milliseconds) {
    EXPECT_EQ(FramesAt(1000, {1000, 1020, 1040}), std::vector<std::uint32_t>{});
    EXPECT_EQ(FramesAt(1000, {1040, 1041, 1042}), std::vector<std::uint32_t>{1041});
}

TEST(FramePacer, EveryFrameCountsFromTheLastOne) {
    EXPECT_EQ(FramesAt(0, {41, 81, 82, 123, 164}), (std::vector<std::uint32_t>{41, 82, 123, 164}));
}

TEST(FramePacer, NoCatchUpAfterASlowFrame) {
    // A frame that took 200 ms is followed at once by one frame, not five.
    EXPECT_EQ(FramesAt(0, {41, 241, 242, 260, 282, 283}), (std::vector<std::uint32_t>{41, 241, 282}));
}

TEST(FramePacer, WrapsAt2To32) {
    std::uint32_t start = 0xFFFFFFF0u;
    EXPECT_EQ(FramesAt(start, {0xFFFFFFFFu, 24u, 25u, 66u}), (std::vector<std::uint32_t>{25u, 66u}));
}

TEST(FramePacer, ClockBehindTheLastFrameWaits) {
    EXPECT_EQ(FramesAt(5000, {4000, 4500, 5040, 5041}), std::vector<std::uint32_t>{5041});
}

TEST(FramePacer, WaitUntilDue) {
    FramePacer pacer;
    pacer.Start(100);
    const struct {
        std::uint32_t now;
        int wait;
    } cases[] = {{100, 41}, {120, 21}, {140, 1}, {141, 0}, {500, 0}, {90, 41}};
    for (const auto& c : cases) EXPECT_EQ(pacer.MillisecondsUntilDue(c.now), c.wait) << c.now;
}

}  // namespace
