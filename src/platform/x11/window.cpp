// The screen window on X11: an override-redirect full-screen window, a child
// of a preview window, or an XScreenSaver window, each with a GLX context.
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/dpms.h>
#include <X11/keysym.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/event_queue.h"
#include "platform/platform.h"
#include "platform/posix/frame_heap.h"
#include "platform/posix/termination.h"
#include "platform/x11/x11_display.h"

namespace platform {

namespace {
// Everything the X11 backend keeps about its one screen window, in one place.
struct X11State {
    Display* display = nullptr;
    Window screenWindow = 0;
    bool ownWindow = false;  // made here, not XScreenSaver's
    Colormap colormap = 0;
    Window watchedParent = 0;  // preview: the window whose size we follow
    WindowKind windowKind = WindowKind::FullScreen;
    GLXContext context = nullptr;
    Cursor invisibleCursor = 0;
    Cursor arrowCursor = 0;
    int lastWidth = -1;
    int lastHeight = -1;
    int randrEventBase = -1;  // -1: no RandR, so no notice of changed monitors
    // Set once, before the music thread that reads it is started.
    bool holdsInput = false;

    // Whether what is drawn can be seen: the display powered on (DPMS, asked
    // only when the server has it), the window viewable, not all of it covered.
    bool dpmsPresent = false;
    bool displayOn = true;
    bool viewable = true;
    bool fullyObscured = false;
    bool reportedVisible = true;
    std::uint32_t lastVisibilityPoll = 0;

    bool lossReported = false;

    // Events made by the backend itself (the first size, visibility).
    EventQueue pending;
};
X11State x11;

// The display while its connection lasts: nothing is sent on a lost one.
Display* Live() { return DisplayLost() ? nullptr : x11.display; }

void Queue(const Event& event) { x11.pending.Push(event); }

void QueueSized(EventType type, int width, int height) {
    Event event;
    event.type = type;
    event.width = width;
    event.height = height;
    Queue(event);
}

void ReportVisibility() {
    const bool visible = x11.displayOn && x11.viewable && !x11.fullyObscured;
    if (visible == x11.reportedVisible) return;
    x11.reportedVisible = visible;
    Event event;
    event.type = EventType::Visibility;
    event.visible = visible;
    Queue(event);
}

bool ScreenWindowViewable() {
    XWindowAttributes attributes;
    XErrorTrap trap(x11.display);
    return XGetWindowAttributes(x11.display, x11.screenWindow, &attributes) && trap.Check().empty() &&
           attributes.map_state == IsViewable;
}

// No event tells of DPMS powering the display down, nor of an ancestor above
// the watched parent being unmapped (a settings dialog minimised around a
// preview): both are asked, at most once a poll interval.
void PollVisibility() {
    x11.lastVisibilityPoll = MonotonicMilliseconds();
    if (x11.dpmsPresent) {
        CARD16 level = DPMSModeOn;
        BOOL enabled = False;
        x11.displayOn = !DPMSInfo(x11.display, &level, &enabled) || !enabled || level == DPMSModeOn;
    }
    x11.viewable = ScreenWindowViewable();
    ReportVisibility();
}

void QueueResize(int width, int height) {
    if (width == x11.lastWidth && height == x11.lastHeight) return;
    x11.lastWidth = width;
    x11.lastHeight = height;
    QueueSized(EventType::Resize, width, height);
}

// A monitor came, went or moved (a RandR notice or the root window's
// ConfigureNotify): the full-screen window takes the screen's new size, and
// the shell lays its views out again even when the size stayed.
void FollowScreenChange(XEvent& native) {
    XRRUpdateConfiguration(&native);
    if (x11.windowKind != WindowKind::FullScreen || x11.screenWindow == 0) return;
    const int width = DisplayWidth(x11.display, DefaultScreen(x11.display));
    const int height = DisplayHeight(x11.display, DefaultScreen(x11.display));
    XMoveResizeWindow(x11.display, x11.screenWindow, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
    x11.lastWidth = width;
    x11.lastHeight = height;
    QueueSized(EventType::DisplayChange, width, height);
}

bool WindowSize(Window window, int* width, int* height) {
    XWindowAttributes attributes;
    XErrorTrap trap(x11.display);
    if (!XGetWindowAttributes(x11.display, window, &attributes) || !trap.Check().empty()) return false;
    *width = attributes.width;
    *height = attributes.height;
    return true;
}

XVisualInfo* ChooseVisual(Window existing) {
    if (existing != 0) {
        // A window we did not make: the context must fit its visual.
        XWindowAttributes attributes;
        XErrorTrap trap(x11.display);
        if (!XGetWindowAttributes(x11.display, existing, &attributes) || !trap.Check().empty()) return nullptr;
        XVisualInfo wanted{};
        wanted.visualid = XVisualIDFromVisual(attributes.visual);
        int count = 0;
        return XGetVisualInfo(x11.display, VisualIDMask, &wanted, &count);
    }
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 1,   GLX_GREEN_SIZE, 1, GLX_BLUE_SIZE,
                        1,        GLX_DEPTH_SIZE,   16,           None};
    return glXChooseVisual(x11.display, DefaultScreen(x11.display), attributes);
}

Cursor MakeInvisibleCursor(Window window) {
    char bits[1] = {0};
    Pixmap blank = XCreateBitmapFromData(x11.display, window, bits, 1, 1);
    XColor black{};
    Cursor cursor = XCreatePixmapCursor(x11.display, blank, blank, &black, &black, 0, 0);
    XFreePixmap(x11.display, blank);
    return cursor;
}

const char* GrabRefusal(int status) {
    switch (status) {
        case AlreadyGrabbed:
            return "another program holds it";
        case GrabFrozen:
            return "another program froze it";
        case GrabNotViewable:
            return "the window is not shown";
        default:
            return "the server refused";
    }
}

// Takes the keyboard and the pointer. A device another program holds stays
// with it: the window covers the screen all the same, and a run that can't
// hear a key is still ended by a click, a move or a signal. What was refused
// is said in one line.
void GrabInput(bool report) {
    // The window has just been mapped; a grab can fail until it is viewable.
    int keyboard = GrabSuccess;
    int pointer = GrabSuccess;
    for (int attempt = 0; attempt < 50 && Live() != nullptr; ++attempt) {
        if (attempt > 0) SleepMilliseconds(10);
        if (keyboard != GrabSuccess || attempt == 0)
            keyboard = XGrabKeyboard(x11.display, x11.screenWindow, True, GrabModeAsync, GrabModeAsync, CurrentTime);
        if (pointer != GrabSuccess || attempt == 0)
            pointer = XGrabPointer(x11.display, x11.screenWindow, True,
                                   ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                                   GrabModeAsync, None, None, CurrentTime);
        if (keyboard == GrabSuccess && pointer == GrabSuccess) return;
    }
    if (!report || Live() == nullptr) return;
    std::string line = "velmora: can't grab";
    if (keyboard != GrabSuccess) line += std::string(" the keyboard (") + GrabRefusal(keyboard) + ")";
    if (keyboard != GrabSuccess && pointer != GrabSuccess) line += " nor";
    if (pointer != GrabSuccess) line += std::string(" the pointer (") + GrabRefusal(pointer) + ")";
    const bool both = keyboard != GrabSuccess && pointer != GrabSuccess;
    std::fprintf(stderr, "%s; running without %s\n", line.c_str(), both ? "them" : "it");
}

// Our own windows carry this property, holding the process id, so that a
// window id read back from the instance lock is raised only while it is
// still one of ours: once a client is gone, X hands its ids to the next
// client that connects, whatever program that is.
constexpr char kOwnerProperty[] = "_VELMORA_SCREEN_WINDOW";

void MarkAsOurs(Window window) {
    const long pid = getpid();
    const Atom cardinal = XA_CARDINAL;
    XChangeProperty(x11.display, window, XInternAtom(x11.display, kOwnerProperty, False), cardinal, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    XChangeProperty(x11.display, window, XInternAtom(x11.display, "_NET_WM_PID", False), cardinal, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
}

bool SameExecutable(long pid) {
    struct stat own {};
    struct stat other {};
    const std::string path = "/proc/" + std::to_string(pid) + "/exe";
    return stat("/proc/self/exe", &own) == 0 && stat(path.c_str(), &other) == 0 && own.st_dev == other.st_dev &&
           own.st_ino == other.st_ino;
}

// A window of a living process that runs this same program and marked it.
bool IsOurWindow(Window window) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    XErrorTrap trap(x11.display);
    const int status = XGetWindowProperty(x11.display, window, XInternAtom(x11.display, kOwnerProperty, False), 0, 1,
                                          False, XA_CARDINAL, &type, &format, &count, &after, &data);
    long pid = 0;
    if (status == Success && type == XA_CARDINAL && format == 32 && count == 1 && data != nullptr)
        pid = *reinterpret_cast<long*>(data);
    if (data != nullptr) XFree(data);
    return trap.Check().empty() && pid > 0 && SameExecutable(pid);
}

// Undoes whatever CreateScreenWindow had done when a later step failed:
// the grabs, the selection on the root window, the window, its colormap and
// cursors, the context. An XScreenSaver window is not ours to destroy.
void ForgetScreenWindow() {
    if (Live() != nullptr) {
        XErrorTrap trap(x11.display);
        if (x11.context != nullptr) {
            glXMakeCurrent(x11.display, None, nullptr);
            glXDestroyContext(x11.display, x11.context);
        }
        if (x11.holdsInput) {
            XUngrabKeyboard(x11.display, CurrentTime);
            XUngrabPointer(x11.display, CurrentTime);
            XSelectInput(x11.display, DefaultRootWindow(x11.display), NoEventMask);
            if (x11.randrEventBase >= 0) XRRSelectInput(x11.display, DefaultRootWindow(x11.display), 0);
        }
        if (x11.watchedParent != 0 && x11.watchedParent != x11.screenWindow)
            XSelectInput(x11.display, x11.watchedParent, NoEventMask);
        if (x11.ownWindow && x11.screenWindow != 0) XDestroyWindow(x11.display, x11.screenWindow);
        if (!x11.ownWindow && x11.screenWindow != 0) XSelectInput(x11.display, x11.screenWindow, NoEventMask);
        if (x11.colormap != 0) XFreeColormap(x11.display, x11.colormap);
        if (x11.arrowCursor != 0) XFreeCursor(x11.display, x11.arrowCursor);
        if (x11.invisibleCursor != 0) XFreeCursor(x11.display, x11.invisibleCursor);
        trap.Check();
    }
    Display* display = x11.display;
    x11 = X11State{};
    x11.display = display;
}

bool IsSystemKey(XKeyEvent* key) {
    KeySym sym = XLookupKeysym(key, 0);
    if (sym == XK_Alt_L || sym == XK_Alt_R || sym == XK_Meta_L || sym == XK_Meta_R || sym == XK_F10) return true;
    return (key->state & Mod1Mask) != 0;
}

bool Translate(XEvent& native, Event* event) {
    if (x11.randrEventBase >= 0 && native.type == x11.randrEventBase + RRScreenChangeNotify) {
        FollowScreenChange(native);
        return false;
    }
    switch (native.type) {
        case KeyPress:
            event->type = IsSystemKey(&native.xkey) ? EventType::SystemKeyDown : EventType::KeyDown;
            return true;
        case KeyRelease:
            event->type = EventType::KeyUp;
            return true;
        case ButtonPress:
        case ButtonRelease:
            event->type = native.type == ButtonPress ? EventType::ButtonDown : EventType::ButtonUp;
            event->button = static_cast<int>(native.xbutton.button);
            return true;
        case MotionNotify:
            event->type = EventType::MouseMove;
            return true;
        case FocusIn:
        case FocusOut:
            event->type = EventType::FocusChange;
            return true;
        case ConfigureNotify:
            // RandR tells of a monitor set or removed (xrandr --setmonitor)
            // only through the root window's ConfigureNotify.
            if (x11.windowKind == WindowKind::FullScreen &&
                native.xconfigure.window == DefaultRootWindow(x11.display)) {
                FollowScreenChange(native);
                return false;
            }
            if (native.xconfigure.window == x11.watchedParent && x11.watchedParent != x11.screenWindow) {
                XResizeWindow(x11.display, x11.screenWindow, native.xconfigure.width, native.xconfigure.height);
                return false;
            }
            if (native.xconfigure.window != x11.screenWindow) return false;
            QueueResize(native.xconfigure.width, native.xconfigure.height);
            return false;
        case MapNotify:
            // Unmapping dropped the grabs; a restored full-screen window takes
            // the input again.
            if (native.xmap.window == x11.screenWindow && x11.windowKind == WindowKind::FullScreen) GrabInput(false);
            if (native.xmap.window == x11.screenWindow || native.xmap.window == x11.watchedParent) {
                x11.viewable = ScreenWindowViewable();  // the parent's own parent may still be unmapped
                ReportVisibility();
            }
            return false;
        case UnmapNotify:
            if (native.xunmap.window == x11.screenWindow || native.xunmap.window == x11.watchedParent) {
                x11.viewable = false;
                ReportVisibility();
            }
            return false;
        case VisibilityNotify:
            // Only a viewable window hears of its visibility, and its own
            // subwindows never obscure it.
            if (native.xvisibility.window != x11.screenWindow) return false;
            x11.viewable = true;
            x11.fullyObscured = native.xvisibility.state == VisibilityFullyObscured;
            ReportVisibility();
            return false;
        case DestroyNotify:
            if (native.xdestroywindow.window != x11.screenWindow && native.xdestroywindow.window != x11.watchedParent)
                return false;
            event->type = EventType::Destroy;
            x11.screenWindow = 0;
            return true;
        default:
            return false;
    }
}
}  // namespace

namespace {
bool Fail(std::string* error, const std::string& what) {
    ForgetScreenWindow();
    *error = "velmora: " + what;
    if (DisplayLost()) *error += " (the connection to the X display is lost)";
    return false;
}

std::string Because(const std::string& reason) { return reason.empty() ? "" : ": " + reason; }
}  // namespace

bool CreateScreenWindow(const WindowRequest& request, WindowId* created, std::string* error) {
    *created = 0;
    x11.display = SharedDisplay();
    if (x11.display == nullptr) {
        *error = "velmora: can't open the X display";
        return false;
    }
    x11.windowKind = request.kind;
    Window root = DefaultRootWindow(x11.display);
    Window parent = static_cast<Window>(request.parent);
    if (request.kind == WindowKind::Existing && parent == 0) parent = root;
    int width = 0;
    int height = 0;
    if (request.kind == WindowKind::FullScreen) {
        width = DisplayWidth(x11.display, DefaultScreen(x11.display));
        height = DisplayHeight(x11.display, DefaultScreen(x11.display));
    } else if (parent == 0 || !WindowSize(parent, &width, &height)) {
        return Fail(error, "window " + std::to_string(request.parent) + " is not a window");
    }

    XVisualInfo* visual = ChooseVisual(request.kind == WindowKind::Existing ? parent : 0);
    if (visual == nullptr) return Fail(error, "no OpenGL visual for the window");

    if (request.kind == WindowKind::Existing) {
        x11.screenWindow = parent;
        x11.watchedParent = parent;
        XSelectInput(x11.display, x11.screenWindow, StructureNotifyMask | VisibilityChangeMask);
    } else {
        Window under = request.kind == WindowKind::FullScreen ? root : parent;
        XSetWindowAttributes attributes{};
        XErrorTrap trap(x11.display);
        x11.colormap = XCreateColormap(x11.display, root, visual->visual, AllocNone);
        attributes.colormap = x11.colormap;
        attributes.background_pixel = BlackPixel(x11.display, DefaultScreen(x11.display));
        attributes.border_pixel = 0;
        attributes.override_redirect = request.kind == WindowKind::FullScreen;
        // Preview takes no input: events go on to the window it lives in.
        attributes.event_mask = StructureNotifyMask | VisibilityChangeMask;
        if (request.kind == WindowKind::FullScreen)
            attributes.event_mask |= KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                                     PointerMotionMask | FocusChangeMask;
        x11.screenWindow =
            XCreateWindow(x11.display, under, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                          visual->depth, InputOutput, visual->visual,
                          CWColormap | CWBackPixel | CWBorderPixel | CWOverrideRedirect | CWEventMask, &attributes);
        x11.ownWindow = true;
        const std::string failure = trap.Check();
        if (x11.screenWindow == 0 || !failure.empty()) {
            XFree(visual);
            return Fail(error, "can't create the window" + Because(failure));
        }
        XStoreName(x11.display, x11.screenWindow, "orvane");
        MarkAsOurs(x11.screenWindow);
        if (request.kind == WindowKind::Preview) {
            x11.watchedParent = parent;
            XSelectInput(x11.display, parent, StructureNotifyMask);
        }
        x11.arrowCursor = XCreateFontCursor(x11.display, XC_left_ptr);
        x11.invisibleCursor = MakeInvisibleCursor(x11.screenWindow);
        XDefineCursor(x11.display, x11.screenWindow, request.hideCursor ? x11.invisibleCursor : x11.arrowCursor);
        XMapRaised(x11.display, x11.screenWindow);
        XSync(x11.display, False);
        if (request.kind == WindowKind::FullScreen) {
            // Even when the grab fails the window covers the screen, so the
            // console is out of reach all the same.
            x11.holdsInput = true;
            GrabInput(true);
            // Monitors that come, go or move: RandR's notice, and the root
            // window's new size.
            XSelectInput(x11.display, root, StructureNotifyMask);
            int errorBase = 0;
            if (XRRQueryExtension(x11.display, &x11.randrEventBase, &errorBase))
                XRRSelectInput(x11.display, root, RRScreenChangeNotifyMask);
            else
                x11.randrEventBase = -1;
        }
    }

    KeepFrameHeap();
    XErrorTrap trap(x11.display);
    x11.context = glXCreateContext(x11.display, visual, nullptr, True);
    XFree(visual);
    if (x11.context == nullptr || !glXMakeCurrent(x11.display, x11.screenWindow, x11.context)) {
        const std::string failure = trap.Check();
        return Fail(error, "can't make an OpenGL context for the window" + Because(failure));
    }
    if (Live() == nullptr) return Fail(error, "can't make the window");
    QueueResize(width, height);
    int dpmsEventBase = 0;
    int dpmsErrorBase = 0;
    x11.dpmsPresent = DPMSQueryExtension(x11.display, &dpmsEventBase, &dpmsErrorBase) && DPMSCapable(x11.display);
    PollVisibility();  // a preview may start in a parent that is not shown
    *created = x11.screenWindow;
    return true;
}

bool ScreenWindowHoldsInput() { return x11.holdsInput; }

bool PollEvent(Event* event) {
    if (x11.display != nullptr && DisplayLost()) {
        // Said once: the run ends on it, and nothing more comes.
        if (x11.lossReported) return false;
        x11.lossReported = true;
        *event = Event{};
        event->type = EventType::DisplayLost;
        return true;
    }
    if (x11.display != nullptr && x11.screenWindow != 0 &&
        static_cast<std::int32_t>(MonotonicMilliseconds() - x11.lastVisibilityPoll) >= kVisibilityPollMilliseconds)
        PollVisibility();
    if (x11.pending.Pop(event)) return true;
    // XNextEvent only takes what XPending has queued: on a lost connection it
    // would have nothing to return.
    while (Live() != nullptr && XPending(x11.display) > 0) {
        XEvent native;
        XNextEvent(x11.display, &native);
        *event = Event{};
        if (Translate(native, event)) return true;
        if (!x11.pending.Empty()) return PollEvent(event);
    }
    return DisplayLost() ? PollEvent(event) : false;
}

void WaitForEvents(int timeoutMs) {
    if (timeoutMs <= 0 || Live() == nullptr) return;
    if (!x11.pending.Empty() || XPending(x11.display) > 0 || DisplayLost()) return;
    pollfd watched[2] = {{ConnectionNumber(x11.display), POLLIN, 0}, {TerminationWakeFd(), POLLIN, 0}};
    poll(watched, watched[1].fd >= 0 ? 2 : 1, timeoutMs);
    if (watched[1].revents & POLLIN) {
        char drained[16];
        while (read(watched[1].fd, drained, sizeof drained) > 0) {
        }
    }
}

void SwapScreenBuffers() {
    if (Live() != nullptr && x11.screenWindow != 0 && x11.context != nullptr)
        glXSwapBuffers(x11.display, x11.screenWindow);
}

void ReleaseGLContext() {
    if (Live() == nullptr || x11.context == nullptr) return;
    glXMakeCurrent(x11.display, None, nullptr);
    glXDestroyContext(x11.display, x11.context);
    x11.context = nullptr;
}

void SetCursorHidden(bool hidden) {
    if (Live() == nullptr || x11.screenWindow == 0 || x11.windowKind == WindowKind::Existing) return;
    XDefineCursor(x11.display, x11.screenWindow, hidden ? x11.invisibleCursor : x11.arrowCursor);
    XFlush(x11.display);
}

bool QueryPointerPosition(int* x, int* y) {
    Display* display = SharedDisplay();
    if (display == nullptr) return false;
    Window rootReturn, childReturn;
    int windowX, windowY;
    unsigned mask;
    return XQueryPointer(display, DefaultRootWindow(display), &rootReturn, &childReturn, x, y, &windowX, &windowY,
                         &mask) == True;
}

void QueryWindowMonitors(MonitorList* monitors) {
    monitors->count = 0;
    if (Live() == nullptr || x11.screenWindow == 0 || x11.windowKind != WindowKind::FullScreen) return;
    if (!XineramaIsActive(x11.display)) return;
    int heads = 0;
    XineramaScreenInfo* info = XineramaQueryScreens(x11.display, &heads);
    if (info == nullptr) return;
    // The window sits at the root's origin: root coordinates are its own.
    for (int k = 0; k < heads && monitors->count < kMaxMonitors; ++k) {
        MonitorRect& monitor = monitors->monitors[monitors->count++];
        monitor.x = info[k].x_org;
        monitor.y = info[k].y_org;
        monitor.width = info[k].width;
        monitor.height = info[k].height;
    }
    XFree(info);
}

bool RaiseWindow(WindowId window) {
    x11.display = SharedDisplay();
    if (x11.display == nullptr || window == 0 || !IsOurWindow(static_cast<Window>(window))) return false;
    // An unmapped (minimised) window is restored by mapping it again.
    XErrorTrap trap(x11.display);
    XMapRaised(x11.display, static_cast<Window>(window));
    return trap.Check().empty();
}

bool AnyRunBlocksFullScreen() { return false; }

void HideScreenWindow() {
    if (Live() == nullptr || !x11.ownWindow || x11.windowKind != WindowKind::FullScreen || x11.screenWindow == 0)
        return;
    XErrorTrap trap(x11.display);
    if (x11.holdsInput) {
        XUngrabKeyboard(x11.display, CurrentTime);
        XUngrabPointer(x11.display, CurrentTime);
        x11.holdsInput = false;
    }
    XUnmapWindow(x11.display, x11.screenWindow);
    XFlush(x11.display);
    trap.Check();
}

void NotifyScreensaverRunning(bool) {
    // X has no such notice: the screensaver daemon, or our own full-screen
    // grab, already keeps other programs from reacting to input.
}

}  // namespace platform
