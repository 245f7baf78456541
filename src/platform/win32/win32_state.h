// The Windows backend's state, one struct that its files share: the module,
// the show command of the entry, the screen window with its device and GL
// contexts, and what the window procedure keeps between messages.
#pragma once

#include <windows.h>

#include "platform/event_queue.h"

namespace platform {

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

extern Win32State screen;

// Registers the window class "MyClass" of the screen window; false on failure.
bool RegisterScreenWindowClass(HINSTANCE instance);

// A double-buffered RGBA window format with a 16-bit depth buffer: the screen
// window asks for 16 colour bits, the off-screen window for 32 with alpha.
PIXELFORMATDESCRIPTOR WindowPixelFormat(BYTE colourBits, BYTE alphaBits);
// The screen window's pixel format on `dc`.
void SetScreenPixelFormat(HDC dc);

// Signalled when a termination request arrives; WaitForEvents waits on it.
HANDLE TerminationEvent();

}  // namespace platform
