// The test program's X servers: one Xvfb, and a two-monitor Xephyr inside it.
#pragma once

#include <sys/types.h>

#include <string>

// Starts Xvfb (800 x 600 x 24) on a free display the first time, sets
// DISPLAY to it and returns it. The server ends with the test program, even
// when that crashes.
const std::string& EnsureXvfb();

// Two monitors side by side, 640 x 480 at (0, 0) and 800 x 600 at (640, 0):
// Xephyr with Xinerama inside the test's Xvfb, started the first time and
// ended with the test program like the Xvfb. Returns its display; DISPLAY
// stays the Xvfb's.
const std::string& EnsureTwoMonitorXephyr();

// An Xvfb of a test's own, which the test may end under a running program
// (Kill, or the end of its scope); DISPLAY is left alone.
class ScratchXvfb {
public:
    ScratchXvfb();
    ~ScratchXvfb();
    ScratchXvfb(const ScratchXvfb&) = delete;
    ScratchXvfb& operator=(const ScratchXvfb&) = delete;

    const std::string& Display() const { return display_; }
    // Ends the server at once, as a crash would.
    void Kill();

private:
    std::string display_;
    pid_t pid_ = -1;
};
