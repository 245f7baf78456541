// The one seam between Velmora! and its operating system.
//
// Everything here is implemented once per backend (src/platform/x11 + posix on
// Linux, src/platform/win32 on Windows); nothing outside src/platform includes
// a system header. Events travel upward as plain values to ScreenWindowProc.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// ---- Screen window and its OpenGL context --------------------------------

// A native window id (an X window id, an HWND on Windows); 0 is "none".
using WindowId = std::uint64_t;

enum class WindowKind {
    FullScreen,  // a window covering the screen that takes all input
    Preview,     // a child filling `parent`, following its size, no input
    Existing,    // render into `parent` itself (an XScreenSaver window)
};

struct WindowRequest {
    WindowKind kind = WindowKind::FullScreen;
    WindowId parent = 0;
    bool hideCursor = false;  // full-screen: the invisible cursor from the start
};

enum class EventType {
    KeyDown,        // an ordinary key press
    SystemKeyDown,  // Alt, F10, or any key while Alt is held
    KeyUp,
    ButtonDown,     // button: 1 left, 2 middle, 3 right, 4-7 wheel, 8-9 extra
    ButtonUp,
    MouseMove,
    Resize,         // width, height: the window's new client size
    Destroy,        // the window (or, in preview, its parent) is gone
    FocusChange,
    DisplayChange,  // monitors came, went or moved; width, height: the window's
                    // size, which the backend has already made cover them all
    Visibility,     // visible: whether anything drawn in the window can be seen
};

struct Event {
    EventType type = EventType::MouseMove;
    int button = 0;
    int width = 0;
    int height = 0;
    // Visibility: false while the display is powered down, the window (or an
    // ancestor) is unmapped or minimised, or other windows cover all of it.
    // Raised only when this changes; a window starts visible.
    bool visible = true;
};

// What no event reports (the display's power state where the system must be
// asked, an ancestor's map state) is looked at by PollEvent at most this
// often; a loop that draws nothing waits this long between passes.
constexpr int kVisibilityPollMilliseconds = 1000;

// Creates the window, gives it a double-buffered RGBA context with a 16-bit
// depth buffer and makes it current on the calling thread. The first Resize
// event is queued. On failure `error` holds one line and nothing is left open.
bool CreateScreenWindow(const WindowRequest& request, WindowId* created, std::string* error);

// Takes the next waiting event without blocking; false when none waits.
bool PollEvent(Event* event);

// Blocks until an event may be waiting, a termination signal arrived, or
// `timeoutMs` passed (0 returns at once).
void WaitForEvents(int timeoutMs);

void SwapScreenBuffers();

// Makes no context current and deletes the screen window's context.
void ReleaseGLContext();

// Invisible cursor while `hidden`, the standard arrow otherwise.
void SetCursorHidden(bool hidden);

// The pointer's position in screen (root window) coordinates.
bool QueryPointerPosition(int* x, int* y);

// Size of the screen in pixels.
bool QueryScreenSize(int* width, int* height);

// One monitor: a rectangle in the screen window's coordinates (origin at its
// top left corner, y down).
struct MonitorRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

constexpr int kMaxMonitors = 16;

// The monitors a window shows on, a fixed list: more than kMaxMonitors are
// not listed.
struct MonitorList {
    int count = 0;
    MonitorRect monitors[kMaxMonitors];
};

// The monitors the full-screen window covers (Xinerama's heads on X, every
// monitor of the virtual screen on Windows), as the system reports them:
// possibly overlapping, repeated for cloned outputs, or reaching past the
// window. None for a preview or XScreenSaver window, or when the system has
// no monitor list; the caller then treats the whole window as one monitor.
void QueryWindowMonitors(MonitorList* monitors);

// Brings another instance's window to the front and restores it if it was
// minimised. False when `window` is not a window.
bool RaiseWindow(WindowId window);

// Tells the system that a screensaver runs (or no longer runs).
void NotifyScreensaverRunning(bool running);

// Off-screen context of the given size with no display at all, current on the
// calling thread; ReadOffscreenPixels reads the RGBA pixels, bottom row first.
bool CreateOffscreenContext(int width, int height, std::string* error);
bool ReadOffscreenPixels(int width, int height, std::uint8_t* rgba);
void DestroyOffscreenContext();

// Fills `count` display lists from `listBase` with the bitmaps of the
// characters from `firstChar`, in a bold Courier-like font of about 20 pixels.
bool UseFontBitmaps(unsigned listBase, int firstChar, int count);

// ---- Single instance -----------------------------------------------------

// Takes part in the named instance lock, which exists while any process holds
// it and disappears with the last one, crashes included. `alreadyExisted` is
// set when another process held it first.
bool JoinInstanceLock(const char* name, bool* alreadyExisted);

// The window id shared by every running instance (0 when none was stored).
WindowId ReadSharedWindow();
void WriteSharedWindow(WindowId window);

// ---- Settings key ------------------------------------------------------------

// The program's one settings key, its values byte-exact: the settings file on
// Linux, a registry key on Windows.
struct SettingsKey;
// Opens the key, creating it when it does not exist; null when that fails.
SettingsKey* OpenSettingsKey();
void CloseSettingsKey(SettingsKey* key);
// The whole stored value; false when the key is null or has no such value.
bool QuerySettingsValue(SettingsKey* key, const std::string& name, std::string* data);
// False when the value could not be stored; what the key reads is then unchanged.
bool SetSettingsValue(SettingsKey* key, const std::string& name, const std::string& data);

// ---- Libraries, console, time, process ---------------------------------------

using LibraryHandle = void*;
// The name of a library loaded at run time: the value of the environment
// variable `overrideVariable` when it is set and not empty, else the name this
// system uses (`posixName` on Linux, `windowsName` on Windows).
const char* RuntimeLibraryName(const char* overrideVariable, const char* posixName, const char* windowsName);
LibraryHandle OpenLibrary(const char* name);
void* LibrarySymbol(LibraryHandle library, const char* name);
void CloseLibrary(LibraryHandle library);

// The debugger output (OutputDebugStringA); standard error on Linux.
void DebugOutput(const char* text);

// True when standard input is a terminal this process may read from (it is
// in the terminal's foreground process group; on Windows, a console is
// attached and standard input is that console).
bool StdinIsTerminal();
// Reads one character from the console without echo.
int ReadConsoleKey();

// Ends the process at once with `exitCode`, after flushing standard output,
// without running exit handlers or static destructors.
[[noreturn]] void EndProcessNow(int exitCode);

// Milliseconds of a monotonic clock, wrapping at 2^32.
std::uint32_t MonotonicMilliseconds();
void SleepMilliseconds(int milliseconds);

// The folder holding the running executable, with its trailing separator.
std::string ExecutableFolder();

// The separator of path components ("/" on Linux, "\\" on Windows).
char PathSeparator();

// SIGTERM / SIGINT (console close on Windows) end the run: the handler only
// records the request and wakes WaitForEvents.
void InstallTerminationHandler();
bool TerminationRequested();

}  // namespace platform

// ==== Modal dialogs ===========================================================
// (the configuration dialog's seam: GTK 3 in src/platform/gtk on Linux, a
// dialog resource on Windows)

#include <vector>

namespace platform {

enum class DialogControlKind {
    DefaultPushButton,  // the button that Return presses
    AutoCheckBox,       // a two-state check box that toggles itself
    GroupBox,           // a labelled frame drawn behind other controls
    Picture,            // a bitmap in a sunken frame, sized to the bitmap
};

// One control of a dialog template; places are in dialog units.
struct DialogControl {
    DialogControlKind kind;
    int id;            // -1 for controls that send no commands
    const char* text;  // nullptr for a picture
    int x, y, width, height;
    bool tabStop;
    int bitmapId;  // picture: the bitmap resource it shows, 0 otherwise
};

// A dialog template: Windows builds it from the resource of the same id, the
// other backends from this description. Controls are in tab order.
struct DialogTemplate {
    int resourceId;
    const char* caption;
    int width, height;  // dialog units
    const char* fontName;
    int fontPoints;
    const DialogControl* controls;
    int controlCount;
};

// Where a picture's bitmap comes from where there are no bitmap resources.
struct DialogPicture {
    int bitmapId = 0;
    std::vector<std::string> files;  // PNG files, the first one that loads wins
    // When none loads: run this program with `renderArgs` (where the word
    // "{output}" stands for a fresh file beside `renderFile`) in the
    // background, then move the result to `renderFile` and show it.
    std::string renderFile;
    std::vector<std::string> renderArgs;
};

enum class DialogMessage {
    Init,     // once, before the dialog shows; id is 0
    Command,  // a control was used; id is the control's id (2 for Escape / close)
};

// What a dialog procedure may do to its open dialog.
class DialogControls {
public:
    virtual ~DialogControls() = default;
    virtual void CheckButton(int id, bool checked) = 0;
    virtual bool IsButtonChecked(int id) const = 0;
    // The modal loop returns `result` once the procedure has returned.
    virtual void EndDialog(int result) = 0;
};

// For Init, true lets the dialog put the focus on its first tab stop; the
// result of a Command is not used. Nothing but the procedure ends a dialog:
// Escape and the window manager's close arrive as Command kDialogCancelId.
using DialogProc = bool (*)(DialogControls& dialog, DialogMessage message, int id);

// The modal dialog's command id of Escape and the window manager's close.
constexpr int kDialogCancelId = 2;

// Shows the dialog, modal and transient over `owner` when that is a window
// (0: no owner), and runs it until the procedure ends it. Returns the result
// given to EndDialog, or -1 (after a line on stderr) when no dialog could be
// shown, for instance without a display.
int RunModalDialog(const DialogTemplate& dialogTemplate, WindowId owner, DialogProc procedure,
                   const std::vector<DialogPicture>& pictures);

}  // namespace platform
