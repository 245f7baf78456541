// The screen window's pixel format and fonts for its WGL context.
#include <GL/gl.h>

#include "platform/platform.h"
#include "platform/win32/win32_state.h"

namespace platform {

PIXELFORMATDESCRIPTOR WindowPixelFormat(BYTE colourBits, BYTE alphaBits) {
    PIXELFORMATDESCRIPTOR format{};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = colourBits;
    format.cAlphaBits = alphaBits;
    format.cDepthBits = 16;
    format.iLayerType = PFD_MAIN_PLANE;
    return format;
}

void SetScreenPixelFormat(HDC dc) {
    PIXELFORMATDESCRIPTOR format = WindowPixelFormat(16, 0);
    // Neither result is looked at: without a format the context fails, and
    // the run goes on with a black window.
    SetPixelFormat(dc, ChoosePixelFormat(dc, &format), &format);
}

bool UseFontBitmaps(unsigned listBase, int firstChar, int count) {
    HDC dc = wglGetCurrentDC();
    if (dc == nullptr) return false;
    HFONT font = CreateFontA(-20, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, 0, "Courier");
    if (font == nullptr) return false;
    HGDIOBJ previous = SelectObject(dc, font);
    BOOL made = wglUseFontBitmapsA(dc, static_cast<DWORD>(firstChar), static_cast<DWORD>(count), listBase);
    SelectObject(dc, previous);
    DeleteObject(font);
    return made != FALSE;
}

}  // namespace platform
