// Plain X windows made by a test, and a look at other programs' windows.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class TestWindow {
public:
    TestWindow(int width, int height, int x = 10, int y = 10);  // mapped, on the test's Xvfb
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    unsigned long Id() const { return window; }
    void Destroy();

private:
    unsigned long window = 0;
};

struct WindowGeometry {
    int x = 0, y = 0, width = 0, height = 0;
    bool viewable = false;  // it and its ancestors mapped
};

// Windows whose name is exactly `name`, anywhere on the display.
std::vector<unsigned long> WindowsNamed(const std::string& name);
// Children of `parent`.
std::vector<unsigned long> ChildWindows(unsigned long parent);
// All zero for a window that does not exist.
WindowGeometry Geometry(unsigned long window);

// True when the pointer's current cursor image has no visible pixel.
bool CursorIsInvisible();

// True once the window shows anything but black: its program draws frames.
bool WindowShowsPicture(unsigned long window);

// The screensaver's window ("orvane") once it shows a frame, so its main loop
// runs; 0 when none does within `timeoutMs`. With `width`, only a viewable
// window that wide counts (a preview's window bears the same name).
unsigned long DrawnScreenWindow(int timeoutMs, int width = 0);

// The one window named `name` on screen (viewable), once there is exactly one;
// 0 when there is none within `timeoutMs`.
unsigned long ShownWindow(const std::string& name, int timeoutMs);

unsigned long RootWindowId();

// True when another client can take the keyboard now, so no program holds it
// grabbed (a held grab answers AlreadyGrabbed); the grab is let go at once.
bool KeyboardGrabbable();

// The keyboard and/or the pointer held by another client of the test's Xvfb
// for as long as this lives, as a program with a menu open would hold them.
class HeldGrab {
public:
    HeldGrab(bool keyboard, bool pointer);
    ~HeldGrab();
    HeldGrab(const HeldGrab&) = delete;
    HeldGrab& operator=(const HeldGrab&) = delete;
    bool Held() const { return held; }

private:
    bool held = false;
};

// Another client's watch on a window from its construction on: the moment the
// window is unmapped or destroyed, `atGone` runs on the watch's own thread,
// at real-time priority where that is allowed, so what it looks at is that
// moment even on a loaded machine.
class WindowGoneWatch {
public:
    WindowGoneWatch(unsigned long window, std::function<void()> atGone);
    ~WindowGoneWatch();
    WindowGoneWatch(const WindowGoneWatch&) = delete;
    WindowGoneWatch& operator=(const WindowGoneWatch&) = delete;
    // True once `atGone` has run, waiting up to `timeoutMs` for it.
    bool Gone(int timeoutMs);

private:
    void* display = nullptr;
    std::atomic<bool> gone{false}, stop{false};
    std::thread watcher;
};

// Unmaps another program's window, as a window manager minimising it would.
void UnmapWindow(unsigned long window);
// Maps it again.
void MapWindow(unsigned long window);

// Waits until the window "orvane" covers both monitors of
// EnsureTwoMonitorXephyr's `display` (1440 x 600) and they show one frame
// alike, each at its own size (both are 4:3); not the first frame, whose
// second view starts from the state the first one left.
::testing::AssertionResult CoversBothXephyrMonitors(const std::string& display, int timeoutMs);
