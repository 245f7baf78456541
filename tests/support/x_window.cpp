#include "support/x_window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>

#include <poll.h>
#include <pthread.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "support/image.h"
#include "support/process.h"
#include "support/xvfb.h"

namespace {
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

// Xvfb accepts connections once EnsureXvfb returns.
Display* Connection() {
    static Display* const shared = [] {
        XSetErrorHandler(IgnoreErrors);
        Display* opened = XOpenDisplay(EnsureXvfb().c_str());
        if (opened == nullptr) std::abort();
        return opened;
    }();
    return shared;
}
}  // namespace

TestWindow::TestWindow(int width, int height, int x, int y) {
    Display* dpy = Connection();
    window = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), x, y, static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), 0, 0, BlackPixel(dpy, DefaultScreen(dpy)));
    XStoreName(dpy, window, "velmora-test-parent");
    XMapWindow(dpy, window);
    XSync(dpy, False);
}

TestWindow::~TestWindow() { Destroy(); }

void TestWindow::Destroy() {
    if (window == 0) return;
    XDestroyWindow(Connection(), window);
    XSync(Connection(), False);
    window = 0;
}

// The window ids that begin the lines xdotool or xwininfo print.
static std::vector<unsigned long> Ids(const std::string& listing) {
    std::vector<unsigned long> found;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        const size_t at = line.find_first_not_of(' ');
        if (at != std::string::npos && std::isdigit(static_cast<unsigned char>(line[at])))
            found.push_back(std::stoul(line.substr(at), nullptr, 0));
    }
    return found;
}

std::vector<unsigned long> WindowsNamed(const std::string& name) {
    EnsureXvfb();
    return Ids(Shell("xdotool search --name '^" + name + "$' 2>/dev/null"));
}

std::vector<unsigned long> ChildWindows(unsigned long parent) {
    EnsureXvfb();
    return Ids(Shell("xwininfo -children -id " + std::to_string(parent) + " 2>/dev/null | grep '^     0x'"));
}

WindowGeometry Geometry(unsigned long window) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(Connection(), window, &a)) return {};
    return {a.x, a.y, a.width, a.height, a.map_state == IsViewable};
}

bool CursorIsInvisible() {
    Display* dpy = Connection();
    XFixesCursorImage* image = XFixesGetCursorImage(dpy);
    if (image == nullptr) return false;
    const bool invisible = std::none_of(image->pixels, image->pixels + image->width * image->height,
                                        [](unsigned long pixel) { return (pixel >> 24) != 0; });  // no alpha
    XFree(image);
    return invisible;
}

bool WindowShowsPicture(unsigned long window) {
    const WindowGeometry shown = Geometry(window);
    if (!shown.viewable) return false;
    XImage* image = XGetImage(Connection(), window, 0, 0, static_cast<unsigned>(shown.width),
                              static_cast<unsigned>(shown.height), AllPlanes, ZPixmap);
    if (image == nullptr) return false;
    bool lit = false;
    for (int y = 0; y < shown.height && !lit; y += 7)
        for (int x = 0; x < shown.width && !lit; x += 7)
            if ((XGetPixel(image, x, y) & 0xFFFFFF) != 0) lit = true;
    XDestroyImage(image);
    return lit;
}

unsigned long DrawnScreenWindow(int timeoutMs, int width) {
    unsigned long found = 0;
    WaitUntil(
        [&] {
            for (unsigned long window : WindowsNamed("orvane"))
                if ((width == 0 || Geometry(window).width == width) && WindowShowsPicture(window))
                    return found = window, true;
            return false;
        },
        timeoutMs);
    return found;
}

unsigned long ShownWindow(const std::string& name, int timeoutMs) {
    unsigned long shown = 0;
    WaitUntil(
        [&] {
            std::vector<unsigned long> viewable;
            for (unsigned long window : WindowsNamed(name))
                if (Geometry(window).viewable) viewable.push_back(window);
            shown = viewable.size() == 1 ? viewable[0] : 0;
            return shown != 0;
        },
        timeoutMs);
    return shown;
}

unsigned long RootWindowId() { return DefaultRootWindow(Connection()); }

HeldGrab::HeldGrab(bool keyboard, bool pointer) {
    Display* dpy = Connection();
    const Window root = DefaultRootWindow(dpy);
    held = (!keyboard || XGrabKeyboard(dpy, root, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess) &&
           (!pointer || XGrabPointer(dpy, root, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None, None,
                                     CurrentTime) == GrabSuccess);
    XSync(dpy, False);
}

HeldGrab::~HeldGrab() {
    Display* dpy = Connection();
    XUngrabKeyboard(dpy, CurrentTime);
    XUngrabPointer(dpy, CurrentTime);
    XSync(dpy, False);
}

bool KeyboardGrabbable() { return HeldGrab(true, false).Held(); }

WindowGoneWatch::WindowGoneWatch(unsigned long window, std::function<void()> atGone) {
    Connection();  // its error handler: a window gone already is no failure here
    Display* dpy = XOpenDisplay(EnsureXvfb().c_str());
    if (dpy == nullptr) return;
    display = dpy;
    XSelectInput(dpy, window, StructureNotifyMask);
    XSync(dpy, False);
    watcher = std::thread([this, dpy, window, atGone = std::move(atGone)] {
        const sched_param realTime{10};
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &realTime);  // stays normal when refused
        while (!stop) {
            pollfd connection{ConnectionNumber(dpy), POLLIN, 0};
            poll(&connection, 1, 50);
            while (XPending(dpy) > 0) {
                XEvent event;
                XNextEvent(dpy, &event);
                if ((event.type == UnmapNotify || event.type == DestroyNotify) && event.xany.window == window) {
                    atGone();
                    gone = true;
                    return;
                }
            }
        }
    });
}

WindowGoneWatch::~WindowGoneWatch() {
    stop = true;
    if (watcher.joinable()) watcher.join();
    if (display != nullptr) XCloseDisplay(static_cast<Display*>(display));
}

bool WindowGoneWatch::Gone(int timeoutMs) {
    return WaitUntil([this] { return gone.load(); }, timeoutMs);
}

void UnmapWindow(unsigned long window) { Shell("xdotool windowunmap --sync " + std::to_string(window)); }

void MapWindow(unsigned long window) {
    // Straight to the server, so the caller times the map itself and not a
    // helper program's start.
    Display* dpy = Connection();
    XMapWindow(dpy, window);
    XSync(dpy, False);
}

::testing::AssertionResult CoversBothXephyrMonitors(const std::string& display, int timeoutMs) {
    int width = 0, height = 0;
    WaitUntil(
        [&] {
            const std::string out = Shell("DISPLAY=" + display + " xdotool search --name '^orvane$' getwindowgeometry");
            return std::sscanf(out.c_str() + std::min(out.size(), out.find("Geometry: ") + 10), "%dx%d", &width,
                               &height) == 2;
        },
        timeoutMs);
    if (width != 1440 || height != 600) return ::testing::AssertionFailure() << "window of " << width << "x" << height;
    // One picture stretched over both differs by about 0.15.
    double difference = 1.0;
    if (WaitUntil(
            [&] {
                const RgbImage shot = Screenshot(0, display);
                difference = AreaDifference(shot, {0, 0, 640, 480}, {640, 0, 800, 600});
                return Colours(shot, 0, 0, 640, 480) > 200 && difference < 0.07;
            },
            timeoutMs))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "monitors differ by " << difference;
}
