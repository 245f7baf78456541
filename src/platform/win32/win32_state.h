// What the Windows backend's files share: the module, the show command of the
// entry, and the screen window with its device and GL contexts.
#pragma once

#include <windows.h>

namespace platform {

struct ScreenWindowHandles {
    HINSTANCE instance = nullptr;
    int showCommand = SW_SHOWDEFAULT;
    HWND window = nullptr;
    HDC windowDC = nullptr;
    HGLRC renderContext = nullptr;
};

extern ScreenWindowHandles screen;

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
