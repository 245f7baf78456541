// What the Windows backend's files share among themselves, and nothing else:
// the screen window's state is window.cpp's own.
#pragma once

#include <windows.h>

namespace platform {

// A double-buffered RGBA window format with a 16-bit depth buffer: the screen
// window asks for 16 colour bits, the off-screen window for 32 with alpha.
PIXELFORMATDESCRIPTOR WindowPixelFormat(BYTE colourBits, BYTE alphaBits);
// The screen window's pixel format on `dc`.
void SetScreenPixelFormat(HDC dc);

// Signalled when a termination request arrives; WaitForEvents waits on it.
HANDLE TerminationEvent();

}  // namespace platform
