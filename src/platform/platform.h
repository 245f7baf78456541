// The one seam between Velmora! and its operating system.
//
// Everything here is implemented once per backend (src/platform/x11 + posix on
// Linux, src/platform/win32 on Windows). Outside src/platform no file includes
// an operating system's header (X11, GLX, EGL, GTK, POSIX, windows.h) except
// these: shell/win_main.cpp, through platform/win32/windows_backend.h, for
// WinMain's HINSTANCE; launcher/launcher.cpp, the System32 stand-in, which is
// all Win32. The libraries the program is built on are included where they
// are used: GL and GLU by scene/ and model/ (the shell includes none), DevIL
// by model/, OpenAL's and libvorbisfile's headers by music/openal_table.h and
// music/vorbis_binding.h for their types (both libraries are loaded at run
// time), libpng by shell/snapshot.cpp. Events travel upward as plain values
// to ScreenWindowProc.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

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
    ButtonDown,  // button: 1 left, 2 middle, 3 right, 4-7 wheel, 8-9 extra
    ButtonUp,
    MouseMove,
    Resize,   // width, height: the window's new client size
    Destroy,  // the window (or, in preview, its parent) is gone
    FocusChange,
    DisplayChange,  // monitors came, went or moved; width, height: the window's
                    // size, which the backend has already made cover them all
    Visibility,     // visible: whether anything drawn in the window can be seen
    DisplayLost,    // the connection to the display broke (the X server ended):
                    // raised once, and nothing of the window may be used after it
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

// True once a full-screen screen window has taken the keyboard and pointer
// (an X grab; on Windows the topmost window with the focus): a key meant for
// the console can't arrive then, so nothing may wait for one.
bool ScreenWindowHoldsInput();

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
// minimised. False when `window` is not a window of a living process running
// this same executable (on Windows a `MyClass` window, on X one that carries
// our mark), which then stays untouched.
bool RaiseWindow(WindowId window);

// Whether any running instance, a preview or a configuration dialog too, keeps
// a full-screen start from running (it then brings the shared window to the
// front and ends): so on Windows, whose screensaver machinery expects it. On
// X only another full-screen run does, since a preview or a dialog left open
// must not keep an idle timer's full-screen start from covering the screen.
bool AnyRunBlocksFullScreen();

// Takes a full-screen window off the screen at once and lets go of the
// keyboard and pointer, while the run still ends (the music ramping down):
// the screen is the user's again the moment a key ends the run. Nothing for a
// preview or XScreenSaver window, which their owners take away.
void HideScreenWindow();

// Tells the system that a screensaver runs (or no longer runs).
void NotifyScreensaverRunning(bool running);

// Off-screen context of the given size with no display at all, current on the
// calling thread; frames are drawn into its back buffer (ReadFramePixels in
// scene.h reads them).
bool CreateOffscreenContext(int width, int height, std::string* error);
void DestroyOffscreenContext();

// Fills `count` display lists from `listBase` with the bitmaps of the
// characters from `firstChar`, in a bold Courier-like font of about 20 pixels.
bool UseFontBitmaps(unsigned listBase, int firstChar, int count);

// ---- Single instance -----------------------------------------------------

// Takes part in the named instance lock of this user (on Linux, of this user
// on this display), which exists while any process holds it and disappears
// with the last one, crashes included. `alreadyExisted` is set when another
// process held it first. Never waits long; false, with `alreadyExisted`
// clear, when the lock can't be kept where only this user reaches it: a lock
// another account made or spoiled counts as no other instance.
bool JoinInstanceLock(const char* name, bool* alreadyExisted);

// The window id shared by every running instance (0 when none was stored).
WindowId ReadSharedWindow();
void WriteSharedWindow(WindowId window);

// Tries, without waiting, to hold the named lock of this user (and display)
// alone; the holder keeps it until it ends, crashes included. True when this
// process holds it now, or when it can't be kept where only this user reaches
// it (then nobody else holds it either); false while another process does.
// Call it until it gives true, then no more.
bool TryHoldLock(const char* name);

// ---- Settings key ------------------------------------------------------------

// The program's one settings key, its values byte-exact: the settings file on
// Linux, a registry key on Windows.
struct SettingsKey;
// Opens the key, creating it only when it does not exist; null (and `error`
// naming the key and the reason) when that fails. A settings file that exists
// but can't be read or understood opens as a key without values; it is named
// in one line on stderr, once per process. A settings file that is a symbolic
// link is read and written through the link only when it leads to a regular
// file of the owner of the link's folder; any other link is never written.
// A value stored in a key whose file could not be used (the user asked for
// it) first moves that file aside whole; only when that fails is nothing
// stored.
SettingsKey* OpenSettingsKey(std::string* error);
// Where the process's last SetSettingsValue moved a settings file that could
// not be used; empty when it moved none (always on Windows).
std::string SettingsFileSetAside();
void CloseSettingsKey(SettingsKey* key);
// How a value is kept where the store has types (the registry): bytes
// (REG_BINARY), text (REG_SZ: UTF-8 here, wide characters in the registry)
// or a 32-bit number (REG_DWORD: its four bytes here, little-endian). The
// settings file keeps every value as its bytes.
enum class SettingsType { Binary, Text, Number };
// The whole stored value; false when the key is null or has no such value.
bool QuerySettingsValue(SettingsKey* key, const std::string& name, std::string* data,
                        SettingsType type = SettingsType::Binary);
// The value as an installer recorded it for every user of the machine
// (HKEY_LOCAL_MACHINE on Windows), which a user's own value can't override;
// false where there is no such record (always on Linux).
bool QueryMachineSettingsValue(SettingsKey* key, const std::string& name, std::string* data);
// False when the value could not be stored: what the key reads and what is
// stored are then unchanged, and `error` names the file or key and the reason.
bool SetSettingsValue(SettingsKey* key, const std::string& name, const std::string& data, std::string* error,
                      SettingsType type = SettingsType::Binary);

// ---- Data files ------------------------------------------------------------

// Opens `path` like std::fopen with a reading mode ("r" or "rb") when it is a
// regular file. The open never waits: a FIFO, a device, a directory, a pipe
// or a device name such as CON on Windows gives null, as a missing file does.
// On Linux what the path names is looked at before anything is opened, so a
// FIFO or device is never opened at all (opening /dev/ptmx makes a terminal).
std::FILE* OpenRegularFile(const char* path, const char* mode);

// ---- Music a user chose -------------------------------------------------------

// Paths of the user's choosing are UTF-8, as the file system spells them on
// Linux; on Windows they become wide characters, so that a name outside the
// system's code page opens.
enum class ChosenPathKind { Missing, File, Folder, Other };  // Other: a FIFO, a device, a socket
// What `path` names, links followed.
ChosenPathKind ExamineChosenPath(const std::string& path);
// Opens a regular file for binary reading; the open never waits. Null, with
// `why` a few words ("no such file", "not a regular file", the system's
// reason), when it does not open.
std::FILE* OpenChosenFile(const std::string& path, std::string* why);
// The names in `folder` ("." and ".." left out), in the order the system
// gives them, at most `limit`; `more` tells whether there were more. False
// when the folder can't be read.
bool ListChosenFolder(const std::string& folder, std::size_t limit, std::vector<std::string>* names, bool* more);

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
// Waits for one key at the console, read without echo.
void ReadConsoleKey();

// Ends the process at once with `exitCode`, after flushing standard output,
// without running exit handlers or static destructors.
[[noreturn]] void EndProcessNow(int exitCode);

// Milliseconds of a monotonic clock, wrapping at 2^32.
std::uint32_t MonotonicMilliseconds();
void SleepMilliseconds(int milliseconds);

// Names the calling thread for the system's tools (ps, /proc, debuggers); at
// most 15 characters show on Linux.
void NameCurrentThread(const char* name);

// The folder holding the running executable, with its trailing separator.
std::string ExecutableFolder();

// The program folder when no install record names one, with its trailing
// separator. A copied folder finds its data beside the executable: the
// executable's folder when it holds "data". Else on Linux the installed
// layout's share/velmora/ (the program in <prefix>/libexec/xscreensaver/, by
// its real path, whatever link started it) when that holds "data", else the
// executable's folder; on Windows the standard installation folder, the
// drive of SYSTEMROOT (none when unset) and "\Program Files\Velmora! Screensaver\".
std::string DefaultProgramFolder();

// The separator of path components ("/" on Linux, "\\" on Windows).
char PathSeparator();

// SIGTERM / SIGINT (console close on Windows) end the run: the handler only
// records the request and wakes WaitForEvents.
void InstallTerminationHandler();
bool TerminationRequested();

}  // namespace platform
