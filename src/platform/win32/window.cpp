// The screen window on Windows: a topmost full-screen popup or a child of the
// preview window, with a WGL context made when the window is created. Its
// window procedure only turns messages into platform events; the input rules
// live in the shell's ScreenWindowProc.
#include <string>

#include "platform/event_queue.h"
#include "platform/platform.h"
#include "platform/win32/win32_state.h"
#include "platform/win32/windows_backend.h"

namespace platform {

namespace {
// Everything the backend keeps about its one screen window, in one place:
// the module and the show command of the entry, the window with its device
// and GL contexts, and what the window procedure keeps between messages.
struct Win32State {
    HINSTANCE instance = nullptr;
    int showCommand = SW_SHOWDEFAULT;
    HWND window = nullptr;
    HDC windowDC = nullptr;
    HGLRC renderContext = nullptr;

    HWND previewParent = nullptr;
    bool fullScreen = false;
    bool cursorHidden = false;
    int parentWidth = -1;
    int parentHeight = -1;
    // The console display's power state (off, on, dimmed) as the system
    // reports it once asked, and whether what is drawn can be seen, as last
    // reported.
    HPOWERNOTIFY displayNotice = nullptr;
    bool displayOn = true;
    bool reportedVisible = true;
    // Events made while messages are dispatched, handed out by PollEvent.
    EventQueue pending;
};
Win32State screen;

const char kClassName[] = "MyClass";
const char kWindowTitle[] = "orvane";

// The console display's power state, the notice the system sends of it.
const GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

void Queue(EventType type, int button = 0, int width = 0, int height = 0, bool visible = true) {
    Event event;
    event.type = type;
    event.visible = visible;
    event.button = button;
    event.width = width;
    event.height = height;
    screen.pending.Push(event);
}

RECT VirtualScreen() {
    RECT area;
    area.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    area.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    area.right = area.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    area.bottom = area.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    return area;
}

// What EnumDisplayMonitors fills: the list, and the virtual screen's corner
// that the window's coordinates count from.
struct MonitorQuery {
    MonitorList* list;
    POINT origin;
};

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT bounds, LPARAM data) {
    MonitorQuery* query = reinterpret_cast<MonitorQuery*>(data);
    if (query->list->count == kMaxMonitors) return FALSE;
    MonitorRect& monitor = query->list->monitors[query->list->count++];
    monitor.x = bounds->left - query->origin.x;
    monitor.y = bounds->top - query->origin.y;
    monitor.width = bounds->right - bounds->left;
    monitor.height = bounds->bottom - bounds->top;
    return TRUE;
}

// A dimmed display still shows the picture; only "off" (0) hides it.
void NoteDisplayPower(const POWERBROADCAST_SETTING* setting) {
    if (!IsEqualGUID(setting->PowerSetting, kConsoleDisplayState) || setting->DataLength < sizeof(DWORD)) return;
    DWORD state = 0;
    CopyMemory(&state, setting->Data, sizeof state);
    screen.displayOn = state != 0;
}

void MakeContext(HWND window) {
    screen.windowDC = GetDC(window);
    SetScreenPixelFormat(screen.windowDC);
    screen.renderContext = wglCreateContext(screen.windowDC);
    if (screen.renderContext != nullptr) wglMakeCurrent(screen.windowDC, screen.renderContext);
}

LRESULT CALLBACK ScreenWindowMessages(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            MakeContext(window);
            return 0;
        case WM_DESTROY:
            if (screen.displayNotice != nullptr) UnregisterPowerSettingNotification(screen.displayNotice);
            screen.displayNotice = nullptr;
            screen.window = nullptr;
            Queue(EventType::Destroy);
            return 0;
        case WM_SIZE:
            Queue(EventType::Resize, 0, LOWORD(lParam), HIWORD(lParam));
            return 0;
        case WM_DISPLAYCHANGE:
            if (screen.fullScreen) {
                const RECT area = VirtualScreen();
                const int width = area.right - area.left;
                const int height = area.bottom - area.top;
                SetWindowPos(window, HWND_TOPMOST, area.left, area.top, width, height, SWP_NOACTIVATE);
                Queue(EventType::DisplayChange, 0, width, height);
            }
            break;
        case WM_SETCURSOR:
            SetCursor(screen.cursorHidden ? nullptr : LoadCursorA(nullptr, IDC_ARROW));
            return 0;
        case WM_KEYDOWN:
            Queue(EventType::KeyDown);
            return 0;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            Queue(EventType::KeyUp);
            break;
        case WM_SYSKEYDOWN:
            // The default handling turns Alt+F4 and F10 into system commands,
            // which WM_SYSCOMMAND then swallows.
            Queue(EventType::SystemKeyDown);
            break;
        case WM_SYSCOMMAND:
            // Starting a screensaver, closing (Alt+F4, the system menu) and
            // the menu keys (Alt, F10) are swallowed. The rest goes on to the
            // default handling, the display's power requests among them: a
            // screensaver that kept them would keep the monitor on all night.
            switch (wParam & 0xFFF0) {
                case SC_SCREENSAVE:
                case SC_CLOSE:
                case SC_KEYMENU:
                    return 0;
                default:
                    break;
            }
            break;
        case WM_POWERBROADCAST:
            if (wParam != PBT_POWERSETTINGCHANGE) break;
            NoteDisplayPower(reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam));
            return TRUE;
        case WM_CHAR:
            return 0;
        case WM_LBUTTONDOWN:
            Queue(EventType::ButtonDown, 1);
            return 0;
        case WM_MBUTTONDOWN:
            Queue(EventType::ButtonDown, 2);
            return 0;
        case WM_RBUTTONDOWN:
            Queue(EventType::ButtonDown, 3);
            return 0;
        case WM_XBUTTONDOWN:
            Queue(EventType::ButtonDown, HIWORD(wParam) == XBUTTON1 ? 8 : 9);
            return TRUE;
        case WM_MOUSEWHEEL:
            Queue(EventType::ButtonDown, GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? 4 : 5);
            return 0;
        case WM_MOUSEHWHEEL:
            Queue(EventType::ButtonDown, GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? 7 : 6);
            return 0;
        case WM_LBUTTONUP:
        case WM_MBUTTONUP:
        case WM_RBUTTONUP:
        case WM_XBUTTONUP:
            Queue(EventType::ButtonUp);
            break;
        case WM_MOUSEMOVE:
            Queue(EventType::MouseMove);
            return 0;
        case WM_ACTIVATE:
        case WM_ACTIVATEAPP:
            Queue(EventType::FocusChange);
            break;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The preview follows its parent's size; the parent belongs to another
// process, so its size is looked at on every pass instead of hooked.
void FollowParent() {
    if (screen.previewParent == nullptr || screen.window == nullptr) return;
    RECT client;
    if (!IsWindow(screen.previewParent) || !GetClientRect(screen.previewParent, &client)) {
        screen.previewParent = nullptr;
        DestroyWindow(screen.window);
        return;
    }
    int width = client.right - client.left;
    int height = client.bottom - client.top;
    if (width == screen.parentWidth && height == screen.parentHeight) return;
    screen.parentWidth = width;
    screen.parentHeight = height;
    SetWindowPos(screen.window, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

// Nothing drawn shows while the display is off, while the window or an
// ancestor is hidden or the top-level window around it minimised (a preview's
// settings window), or while its visible region is empty. That region leaves
// out windows above it only where the system clips windows by each other (not
// under the desktop compositor, nor under Wine). A few calls that ask no more
// than the window manager's state, once a pass.
bool CanBeSeen() {
    if (!screen.displayOn || screen.window == nullptr || !IsWindowVisible(screen.window)) return false;
    if (IsIconic(GetAncestor(screen.window, GA_ROOT))) return false;
    RECT box;
    return screen.windowDC == nullptr || GetClipBox(screen.windowDC, &box) != NULLREGION;
}

void ReportVisibility() {
    const bool visible = CanBeSeen();
    if (visible == screen.reportedVisible || screen.window == nullptr) return;
    screen.reportedVisible = visible;
    Queue(EventType::Visibility, 0, 0, 0, visible);
}
}  // namespace

bool StartWindowsBackend(HINSTANCE instance, int showCommand) {
    screen.instance = instance;
    screen.showCommand = showCommand;
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = ScreenWindowMessages;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kClassName;
    return RegisterClassA(&windowClass) != 0;
}

bool CreateScreenWindow(const WindowRequest& request, WindowId* created, std::string* error) {
    *created = 0;
    if (screen.instance == nullptr) screen.instance = GetModuleHandleA(nullptr);
    screen.cursorHidden = request.hideCursor;
    HWND parent = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(request.parent));
    HWND window = nullptr;
    screen.fullScreen = request.kind == WindowKind::FullScreen;
    if (screen.fullScreen) {
        // Every monitor: the virtual screen, which the primary monitor alone
        // is when there is one.
        const RECT area = VirtualScreen();
        window =
            CreateWindowExA(WS_EX_TOPMOST, kClassName, kWindowTitle, WS_POPUP, area.left, area.top,
                            area.right - area.left, area.bottom - area.top, nullptr, nullptr, screen.instance, nullptr);
    } else if (request.kind == WindowKind::Preview) {
        RECT client;
        if (parent == nullptr || !IsWindow(parent) || !GetClientRect(parent, &client)) {
            *error = "velmora: window " + std::to_string(request.parent) + " is not a window";
            return false;
        }
        screen.parentWidth = client.right - client.left;
        screen.parentHeight = client.bottom - client.top;
        window = CreateWindowExA(0, kClassName, kWindowTitle, WS_CHILD | WS_VISIBLE, 0, 0, screen.parentWidth,
                                 screen.parentHeight, parent, nullptr, screen.instance, nullptr);
        screen.previewParent = parent;
    } else {
        *error = "velmora: Windows has no XScreenSaver windows to draw in";
        return false;
    }
    if (window == nullptr) {
        *error = "velmora: can't create the window";
        return false;
    }
    screen.window = window;
    ShowWindow(window, screen.showCommand);
    // The system answers at once with the display's present state.
    screen.displayNotice = RegisterPowerSettingNotification(window, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (screen.renderContext == nullptr) {
        *error = "velmora: can't make an OpenGL context for the window";
        DestroyWindow(window);
        screen.window = nullptr;
        screen.pending.Clear();
        return false;
    }
    *created = static_cast<WindowId>(reinterpret_cast<std::uintptr_t>(window));
    return true;
}

// The topmost full-screen window has the focus, and its thread pumps no
// messages while it waits: the console is out of reach.
bool ScreenWindowHoldsInput() { return screen.fullScreen && screen.window != nullptr; }

bool PollEvent(Event* event) {
    FollowParent();
    MSG message;
    while (screen.pending.Empty() && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        // The run ends through the shell's quit, never through WM_QUIT; one
        // arriving from outside ends it like the window's destruction.
        if (message.message == WM_QUIT) {
            Queue(EventType::Destroy);
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    ReportVisibility();
    return screen.pending.Pop(event);
}

void WaitForEvents(int timeoutMs) {
    if (timeoutMs <= 0 || !screen.pending.Empty()) return;
    HANDLE termination = TerminationEvent();
    MsgWaitForMultipleObjects(termination != nullptr ? 1 : 0, &termination, FALSE, static_cast<DWORD>(timeoutMs),
                              QS_ALLINPUT);
}

void SwapScreenBuffers() {
    if (screen.windowDC != nullptr && screen.renderContext != nullptr) SwapBuffers(screen.windowDC);
}

void ReleaseGLContext() {
    if (screen.renderContext == nullptr) return;
    wglMakeCurrent(screen.windowDC, nullptr);
    wglDeleteContext(screen.renderContext);
    screen.renderContext = nullptr;
    if (screen.window != nullptr) ReleaseDC(screen.window, screen.windowDC);
    screen.windowDC = nullptr;
}

void SetCursorHidden(bool hidden) {
    screen.cursorHidden = hidden;
    SetCursor(hidden ? nullptr : LoadCursorA(nullptr, IDC_ARROW));
}

bool QueryPointerPosition(int* x, int* y) {
    POINT point;
    if (!GetCursorPos(&point)) return false;
    *x = point.x;
    *y = point.y;
    return true;
}

void QueryWindowMonitors(MonitorList* monitors) {
    monitors->count = 0;
    if (!screen.fullScreen || screen.window == nullptr) return;
    // Monitors come in virtual-screen coordinates, where the primary one
    // starts at (0, 0) and others may lie to its left or above.
    const RECT area = VirtualScreen();
    MonitorQuery query = {monitors, {area.left, area.top}};
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&query));
}

namespace {
// The image a process runs, as the system names it; empty when it can't say.
std::string ProcessImage(HANDLE process) {
    char path[1024];
    DWORD size = sizeof path;
    return QueryFullProcessImageNameA(process, 0, path, &size) ? std::string(path, size) : std::string();
}

// The shared section is shared with every process that maps this image,
// whoever runs it: a handle found there is raised only when it is a screen
// window of a process running this same executable.
bool IsOwnProgramsWindow(HWND window) {
    char className[16];
    if (GetClassNameA(window, className, sizeof className) == 0 || lstrcmpA(className, "MyClass") != 0) return false;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == 0) return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr) return false;
    const std::string image = ProcessImage(process);
    CloseHandle(process);
    return !image.empty() && lstrcmpiA(image.c_str(), ProcessImage(GetCurrentProcess()).c_str()) == 0;
}
}  // namespace

bool RaiseWindow(WindowId id) {
    // A message that started this second instance is not ours to handle.
    MSG dropped;
    PeekMessageA(&dropped, nullptr, 0, 0, PM_REMOVE);
    HWND window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(id));
    if (window == nullptr || !IsWindow(window) || !IsOwnProgramsWindow(window)) return false;
    SetForegroundWindow(window);
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    return true;
}

bool AnyRunBlocksFullScreen() { return true; }

void HideScreenWindow() {
    if (screen.fullScreen && screen.window != nullptr) ShowWindow(screen.window, SW_HIDE);
}

void NotifyScreensaverRunning(bool running) {
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running ? TRUE : FALSE, nullptr, 0);
}

}  // namespace platform
