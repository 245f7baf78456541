#include "shell/frame_clock.h"

namespace {
std::int32_t Elapsed(std::uint32_t now, std::uint32_t then) { return static_cast<std::int32_t>(now - then); }
}  // namespace

bool FramePacer::TakeFrame(std::uint32_t now) {
    if (Elapsed(now, lastFrame) <= kFrameMilliseconds) return false;
    lastFrame = now;
    return true;
}

void FramePacer::Resume(std::uint32_t now) {
    const std::int32_t elapsed = Elapsed(now, lastFrame);
    if (elapsed < 0 || elapsed > kFrameMilliseconds) lastFrame = now - kFrameMilliseconds - 1;
}

int FramePacer::MillisecondsUntilDue(std::uint32_t now) const {
    std::int32_t elapsed = Elapsed(now, lastFrame);
    if (elapsed > kFrameMilliseconds) return 0;
    // A clock behind the last frame only ever waits one frame's span at a
    // time before looking again.
    if (elapsed < 0) return kFrameMilliseconds + 1;
    return kFrameMilliseconds + 1 - elapsed;
}
