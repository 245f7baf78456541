// Frame pacing: a frame once more than 40 ms have passed since the last one.
//
// Times are milliseconds of a clock that wraps at 2^32; their difference,
// read as a signed 32-bit number, stays right across the wrap. Frames that
// fell due during a slow frame are not made up.
#pragma once

#include <cstdint>

class FramePacer {
public:
    static constexpr std::int32_t kFrameMilliseconds = 40;

    // The loop starts: the first frame comes more than 40 ms from now.
    void Start(std::uint32_t now) { lastFrame = now; }

    // True (and `now` becomes the last frame time) when a frame is due.
    bool TakeFrame(std::uint32_t now);

    // Milliseconds to wait from `now` until the next frame is due (0: due).
    int MillisecondsUntilDue(std::uint32_t now) const;

    // Drawing resumes after a pause of any length: the next frame is due once
    // more than 40 ms have passed since the last one, which is at once after
    // a pause longer than that, however long (even past the clock's wrap).
    void Resume(std::uint32_t now);

private:
    std::uint32_t lastFrame = 0;
};
