// Off-screen rendering on Windows: a hidden window of the requested size with
// its own WGL context, whose back buffer the frames are drawn into and read from.
#include "platform/platform.h"
#include "platform/win32/win32_state.h"

namespace platform {

namespace {
const char kOffscreenClass[] = "VelmoraOffscreen";

struct Offscreen {
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
};

Offscreen offscreen;

bool Fail(std::string* error, const char* what) {
    *error = std::string(what) + " (Windows error " + std::to_string(GetLastError()) + ")";
    DestroyOffscreenContext();
    return false;
}
}  // namespace

bool CreateOffscreenContext(int width, int height, std::string* error) {
    if (offscreen.window != nullptr) {
        *error = "an off-screen context exists already";
        return false;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kOffscreenClass;
    RegisterClassA(&windowClass);  // fails harmlessly when registered already
    // A popup has no frame, so its client area is the whole requested size.
    offscreen.window = CreateWindowExA(WS_EX_TOOLWINDOW, kOffscreenClass, "velmora snapshot", WS_POPUP, 0, 0, width,
                                       height, nullptr, nullptr, instance, nullptr);
    if (offscreen.window == nullptr) return Fail(error, "can't create the hidden window");
    offscreen.dc = GetDC(offscreen.window);
    // The snapshot's format: RGBA with a 16-bit depth buffer, as on Linux.
    PIXELFORMATDESCRIPTOR format = WindowPixelFormat(32, 8);
    int chosen = ChoosePixelFormat(offscreen.dc, &format);
    if (chosen == 0 || !SetPixelFormat(offscreen.dc, chosen, &format))
        return Fail(error, "no pixel format for the hidden window");
    offscreen.context = wglCreateContext(offscreen.dc);
    if (offscreen.context == nullptr) return Fail(error, "can't create the OpenGL context");
    if (!wglMakeCurrent(offscreen.dc, offscreen.context)) return Fail(error, "can't make the OpenGL context current");
    return true;
}

void DestroyOffscreenContext() {
    if (offscreen.context != nullptr) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(offscreen.context);
    }
    if (offscreen.dc != nullptr) ReleaseDC(offscreen.window, offscreen.dc);
    if (offscreen.window != nullptr) DestroyWindow(offscreen.window);
    offscreen = Offscreen();
}

}  // namespace platform
