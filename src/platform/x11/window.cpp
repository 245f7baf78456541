// The screen window on X11: an override-redirect full-screen window, a child
// of a preview window, or an XScreenSaver window, each with a GLX context.
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>

#include "platform/platform.h"
#include "platform/posix/termination.h"
#include "platform/x11/x11_display.h"

namespace platform {

namespace {
Display* display = nullptr;
Window screenWindow = 0;
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

// Whether what is drawn can be seen: the display powered on (DPMS, asked only
// when the server has it), the window viewable, not all of it covered.
bool dpmsPresent = false;
bool displayOn = true;
bool viewable = true;
bool fullyObscured = false;
bool reportedVisible = true;
std::uint32_t lastVisibilityPoll = 0;

// Events made by the backend itself (the first size); a tiny ring.
Event pending[8];
int pendingHead = 0;
int pendingCount = 0;

int lastXError = 0;
int RecordXError(Display*, XErrorEvent* event) {
    lastXError = event->error_code;
    return 0;
}

void Queue(const Event& event) {
    if (pendingCount == 8) return;
    pending[(pendingHead + pendingCount) % 8] = event;
    ++pendingCount;
}

void QueueSized(EventType type, int width, int height) {
    Event event;
    event.type = type;
    event.width = width;
    event.height = height;
    Queue(event);
}

void ReportVisibility() {
    const bool visible = displayOn && viewable && !fullyObscured;
    if (visible == reportedVisible) return;
    reportedVisible = visible;
    Event event;
    event.type = EventType::Visibility;
    event.visible = visible;
    Queue(event);
}

bool ScreenWindowViewable() {
    XWindowAttributes attributes;
    lastXError = 0;
    return XGetWindowAttributes(display, screenWindow, &attributes) && lastXError == 0 &&
           attributes.map_state == IsViewable;
}

// No event tells of DPMS powering the display down, nor of an ancestor above
// the watched parent being unmapped (a settings dialog minimised around a
// preview): both are asked, at most once a poll interval.
void PollVisibility() {
    lastVisibilityPoll = MonotonicMilliseconds();
    if (dpmsPresent) {
        CARD16 level = DPMSModeOn;
        BOOL enabled = False;
        displayOn = !DPMSInfo(display, &level, &enabled) || !enabled || level == DPMSModeOn;
    }
    viewable = ScreenWindowViewable();
    ReportVisibility();
}

void QueueResize(int width, int height) {
    if (width == lastWidth && height == lastHeight) return;
    lastWidth = width;
    lastHeight = height;
    QueueSized(EventType::Resize, width, height);
}

// A monitor came, went or moved (a RandR notice or the root window's
// ConfigureNotify): the full-screen window takes the screen's new size, and
// the shell lays its views out again even when the size stayed.
void FollowScreenChange(XEvent& native) {
    XRRUpdateConfiguration(&native);
    if (windowKind != WindowKind::FullScreen || screenWindow == 0) return;
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int height = DisplayHeight(display, DefaultScreen(display));
    XMoveResizeWindow(display, screenWindow, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
    lastWidth = width;
    lastHeight = height;
    QueueSized(EventType::DisplayChange, width, height);
}

bool WindowSize(Window window, int* width, int* height) {
    XWindowAttributes attributes;
    lastXError = 0;
    if (!XGetWindowAttributes(display, window, &attributes) || lastXError != 0) return false;
    *width = attributes.width;
    *height = attributes.height;
    return true;
}

XVisualInfo* ChooseVisual(Window existing) {
    if (existing != 0) {
        // A window we did not make: the context must fit its visual.
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, existing, &attributes)) return nullptr;
        XVisualInfo wanted{};
        wanted.visualid = XVisualIDFromVisual(attributes.visual);
        int count = 0;
        return XGetVisualInfo(display, VisualIDMask, &wanted, &count);
    }
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 1, GLX_GREEN_SIZE, 1,
                        GLX_BLUE_SIZE, 1, GLX_DEPTH_SIZE, 16, None};
    return glXChooseVisual(display, DefaultScreen(display), attributes);
}

Cursor MakeInvisibleCursor(Window window) {
    char bits[1] = {0};
    Pixmap blank = XCreateBitmapFromData(display, window, bits, 1, 1);
    XColor black{};
    Cursor cursor = XCreatePixmapCursor(display, blank, blank, &black, &black, 0, 0);
    XFreePixmap(display, blank);
    return cursor;
}

void GrabInput() {
    // The window has just been mapped; a grab can fail until it is viewable.
    for (int attempt = 0; attempt < 50; ++attempt) {
        int keyboard = XGrabKeyboard(display, screenWindow, True, GrabModeAsync, GrabModeAsync, CurrentTime);
        int pointer = XGrabPointer(display, screenWindow, True,
                                   ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                                   GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
        if (keyboard == GrabSuccess && pointer == GrabSuccess) return;
        SleepMilliseconds(10);
    }
}

bool IsSystemKey(XKeyEvent* key) {
    KeySym sym = XLookupKeysym(key, 0);
    if (sym == XK_Alt_L || sym == XK_Alt_R || sym == XK_Meta_L || sym == XK_Meta_R || sym == XK_F10)
        return true;
    return (key->state & Mod1Mask) != 0;
}

bool Translate(XEvent& native, Event* event) {
    if (randrEventBase >= 0 && native.type == randrEventBase + RRScreenChangeNotify) {
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
            if (windowKind == WindowKind::FullScreen && native.xconfigure.window == DefaultRootWindow(display)) {
                FollowScreenChange(native);
                return false;
            }
            if (native.xconfigure.window == watchedParent && watchedParent != screenWindow) {
                XResizeWindow(display, screenWindow, native.xconfigure.width, native.xconfigure.height);
                return false;
            }
            if (native.xconfigure.window != screenWindow) return false;
            QueueResize(native.xconfigure.width, native.xconfigure.height);
            return false;
        case MapNotify:
            // Unmapping dropped the grabs; a restored full-screen window takes
            // the input again.
            if (native.xmap.window == screenWindow && windowKind == WindowKind::FullScreen) GrabInput();
            if (native.xmap.window == screenWindow || native.xmap.window == watchedParent) {
                viewable = ScreenWindowViewable();  // the parent's own parent may still be unmapped
                ReportVisibility();
            }
            return false;
        case UnmapNotify:
            if (native.xunmap.window == screenWindow || native.xunmap.window == watchedParent) {
                viewable = false;
                ReportVisibility();
            }
            return false;
        case VisibilityNotify:
            // Only a viewable window hears of its visibility, and its own
            // subwindows never obscure it.
            if (native.xvisibility.window != screenWindow) return false;
            viewable = true;
            fullyObscured = native.xvisibility.state == VisibilityFullyObscured;
            ReportVisibility();
            return false;
        case DestroyNotify:
            if (native.xdestroywindow.window != screenWindow &&
                native.xdestroywindow.window != watchedParent)
                return false;
            event->type = EventType::Destroy;
            screenWindow = 0;
            return true;
        default:
            return false;
    }
}
}  // namespace

Display* SharedDisplay() {
    if (display == nullptr) {
        display = XOpenDisplay(nullptr);
        if (display != nullptr) XSetErrorHandler(RecordXError);
    }
    return display;
}

bool CreateScreenWindow(const WindowRequest& request, WindowId* created, std::string* error) {
    *created = 0;
    if (SharedDisplay() == nullptr) {
        *error = "velmora: can't open the X display";
        return false;
    }
    windowKind = request.kind;
    Window root = DefaultRootWindow(display);
    Window parent = static_cast<Window>(request.parent);
    if (request.kind == WindowKind::Existing && parent == 0) parent = root;
    int width = 0;
    int height = 0;
    if (request.kind == WindowKind::FullScreen) {
        width = DisplayWidth(display, DefaultScreen(display));
        height = DisplayHeight(display, DefaultScreen(display));
    } else if (parent == 0 || !WindowSize(parent, &width, &height)) {
        *error = "velmora: window " + std::to_string(request.parent) + " is not a window";
        return false;
    }

    XVisualInfo* visual = ChooseVisual(request.kind == WindowKind::Existing ? parent : 0);
    if (visual == nullptr) {
        *error = "velmora: no OpenGL visual for the window";
        return false;
    }

    if (request.kind == WindowKind::Existing) {
        screenWindow = parent;
        watchedParent = parent;
        XSelectInput(display, screenWindow, StructureNotifyMask | VisibilityChangeMask);
    } else {
        Window under = request.kind == WindowKind::FullScreen ? root : parent;
        XSetWindowAttributes attributes{};
        attributes.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
        attributes.background_pixel = BlackPixel(display, DefaultScreen(display));
        attributes.border_pixel = 0;
        attributes.override_redirect = request.kind == WindowKind::FullScreen;
        // Preview takes no input: events go on to the window it lives in.
        attributes.event_mask = StructureNotifyMask | VisibilityChangeMask;
        if (request.kind == WindowKind::FullScreen)
            attributes.event_mask |= KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                                     PointerMotionMask | FocusChangeMask;
        lastXError = 0;
        screenWindow = XCreateWindow(display, under, 0, 0, static_cast<unsigned>(width),
                                     static_cast<unsigned>(height), 0, visual->depth, InputOutput,
                                     visual->visual,
                                     CWColormap | CWBackPixel | CWBorderPixel | CWOverrideRedirect | CWEventMask,
                                     &attributes);
        XSync(display, False);
        if (screenWindow == 0 || lastXError != 0) {
            XFree(visual);
            screenWindow = 0;
            *error = "velmora: can't create the window";
            return false;
        }
        XStoreName(display, screenWindow, "orvane");
        if (request.kind == WindowKind::Preview) {
            watchedParent = parent;
            XSelectInput(display, parent, StructureNotifyMask);
        }
        arrowCursor = XCreateFontCursor(display, XC_left_ptr);
        invisibleCursor = MakeInvisibleCursor(screenWindow);
        XDefineCursor(display, screenWindow, request.hideCursor ? invisibleCursor : arrowCursor);
        XMapRaised(display, screenWindow);
        XSync(display, False);
        if (request.kind == WindowKind::FullScreen) {
            // Even when the grab fails the window covers the screen, so the
            // console is out of reach all the same.
            holdsInput = true;
            GrabInput();
            // Monitors that come, go or move: RandR's notice, and the root
            // window's new size.
            XSelectInput(display, root, StructureNotifyMask);
            int errorBase = 0;
            if (XRRQueryExtension(display, &randrEventBase, &errorBase))
                XRRSelectInput(display, root, RRScreenChangeNotifyMask);
            else
                randrEventBase = -1;
        }
    }

    context = glXCreateContext(display, visual, nullptr, True);
    XFree(visual);
    if (context == nullptr || !glXMakeCurrent(display, screenWindow, context)) {
        *error = "velmora: can't make an OpenGL context for the window";
        return false;
    }
    QueueResize(width, height);
    int dpmsEventBase = 0;
    int dpmsErrorBase = 0;
    dpmsPresent = DPMSQueryExtension(display, &dpmsEventBase, &dpmsErrorBase) && DPMSCapable(display);
    PollVisibility();  // a preview may start in a parent that is not shown
    *created = screenWindow;
    return true;
}

bool ScreenWindowHoldsInput() { return holdsInput; }

bool PollEvent(Event* event) {
    if (display != nullptr && screenWindow != 0 &&
        static_cast<std::int32_t>(MonotonicMilliseconds() - lastVisibilityPoll) >= kVisibilityPollMilliseconds)
        PollVisibility();
    if (pendingCount > 0) {
        *event = pending[pendingHead];
        pendingHead = (pendingHead + 1) % 8;
        --pendingCount;
        return true;
    }
    while (display != nullptr && XPending(display) > 0) {
        XEvent native;
        XNextEvent(display, &native);
        *event = Event{};
        if (Translate(native, event)) return true;
        if (pendingCount > 0) return PollEvent(event);
    }
    return false;
}

void WaitForEvents(int timeoutMs) {
    if (timeoutMs <= 0 || display == nullptr) return;
    if (pendingCount > 0 || XPending(display) > 0) return;
    pollfd watched[2] = {{ConnectionNumber(display), POLLIN, 0}, {TerminationWakeFd(), POLLIN, 0}};
    poll(watched, watched[1].fd >= 0 ? 2 : 1, timeoutMs);
    if (watched[1].revents & POLLIN) {
        char drained[16];
        while (read(watched[1].fd, drained, sizeof drained) > 0) {
        }
    }
}

void SwapScreenBuffers() {
    if (display != nullptr && screenWindow != 0 && context != nullptr) glXSwapBuffers(display, screenWindow);
}

void ReleaseGLContext() {
    if (display == nullptr || context == nullptr) return;
    glXMakeCurrent(display, None, nullptr);
    glXDestroyContext(display, context);
    context = nullptr;
}

void SetCursorHidden(bool hidden) {
    if (display == nullptr || screenWindow == 0 || windowKind == WindowKind::Existing) return;
    XDefineCursor(display, screenWindow, hidden ? invisibleCursor : arrowCursor);
    XFlush(display);
}

bool QueryPointerPosition(int* x, int* y) {
    if (SharedDisplay() == nullptr) return false;
    Window rootReturn, childReturn;
    int windowX, windowY;
    unsigned mask;
    return XQueryPointer(display, DefaultRootWindow(display), &rootReturn, &childReturn, x, y, &windowX,
                         &windowY, &mask) == True;
}

bool QueryScreenSize(int* width, int* height) {
    if (SharedDisplay() == nullptr) return false;
    *width = DisplayWidth(display, DefaultScreen(display));
    *height = DisplayHeight(display, DefaultScreen(display));
    return true;
}

void QueryWindowMonitors(MonitorList* monitors) {
    monitors->count = 0;
    if (display == nullptr || screenWindow == 0 || windowKind != WindowKind::FullScreen) return;
    if (!XineramaIsActive(display)) return;
    int heads = 0;
    XineramaScreenInfo* info = XineramaQueryScreens(display, &heads);
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
    if (SharedDisplay() == nullptr || window == 0) return false;
    XWindowAttributes attributes;
    lastXError = 0;
    if (!XGetWindowAttributes(display, static_cast<Window>(window), &attributes) || lastXError != 0)
        return false;
    // An unmapped (minimised) window is restored by mapping it again.
    XMapRaised(display, static_cast<Window>(window));
    XSync(display, False);
    return lastXError == 0;
}

void NotifyScreensaverRunning(bool) {
    // X has no such notice: the screensaver daemon, or our own full-screen
    // grab, already keeps other programs from reacting to input.
}

}  // namespace platform
