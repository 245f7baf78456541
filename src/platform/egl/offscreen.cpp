// Off-screen rendering with no display at all: Mesa's surfaceless EGL
// platform, a pbuffer surface and a desktop-GL compatibility context, so the
// fixed-function scene draws exactly as in a window.
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include "platform/platform.h"
#include "platform/posix/frame_heap.h"

namespace platform {

namespace {

struct Offscreen {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext context = EGL_NO_CONTEXT;
};

Offscreen offscreen;

bool Fail(std::string* error, const char* what) {
    *error = std::string(what) + " (EGL error 0x";
    static const char digits[] = "0123456789abcdef";
    EGLint code = eglGetError();
    for (int shift = 12; shift >= 0; shift -= 4) *error += digits[(code >> shift) & 0xf];
    *error += ")";
    DestroyOffscreenContext();
    return false;
}

}  // namespace

bool CreateOffscreenContext(int width, int height, std::string* error) {
    if (offscreen.display != EGL_NO_DISPLAY) {
        *error = "an off-screen context exists already";
        return false;
    }
    KeepFrameHeap();
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay == nullptr) return Fail(error, "EGL has no eglGetPlatformDisplayEXT");
    offscreen.display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (offscreen.display == EGL_NO_DISPLAY) return Fail(error, "no surfaceless EGL display");
    EGLint major = 0;
    EGLint minor = 0;
    if (!eglInitialize(offscreen.display, &major, &minor)) {
        offscreen.display = EGL_NO_DISPLAY;
        return Fail(error, "can't initialise the surfaceless EGL display");
    }
    if (!eglBindAPI(EGL_OPENGL_API)) return Fail(error, "EGL can't bind desktop OpenGL");

    // The screen window's format: RGBA with a 16-bit depth buffer.
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
                                       EGL_PBUFFER_BIT,
                                       EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_BIT,
                                       EGL_RED_SIZE,
                                       8,
                                       EGL_GREEN_SIZE,
                                       8,
                                       EGL_BLUE_SIZE,
                                       8,
                                       EGL_ALPHA_SIZE,
                                       8,
                                       EGL_DEPTH_SIZE,
                                       16,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configCount = 0;
    if (!eglChooseConfig(offscreen.display, configAttributes, &config, 1, &configCount) || configCount < 1)
        return Fail(error, "no EGL configuration for an RGBA pbuffer with depth");

    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    offscreen.surface = eglCreatePbufferSurface(offscreen.display, config, surfaceAttributes);
    if (offscreen.surface == EGL_NO_SURFACE) return Fail(error, "can't create the pbuffer surface");

    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                        EGL_NONE};
    offscreen.context = eglCreateContext(offscreen.display, config, EGL_NO_CONTEXT, contextAttributes);
    if (offscreen.context == EGL_NO_CONTEXT) return Fail(error, "can't create a compatibility OpenGL context");
    if (!eglMakeCurrent(offscreen.display, offscreen.surface, offscreen.surface, offscreen.context))
        return Fail(error, "can't make the off-screen context current");
    return true;
}

void DestroyOffscreenContext() {
    if (offscreen.display == EGL_NO_DISPLAY) return;
    eglMakeCurrent(offscreen.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (offscreen.context != EGL_NO_CONTEXT) eglDestroyContext(offscreen.display, offscreen.context);
    if (offscreen.surface != EGL_NO_SURFACE) eglDestroySurface(offscreen.display, offscreen.surface);
    // The display stays initialised for the rest of the process: terminating
    // it unloads Mesa's driver, whose own allocations then look like leaks of
    // the program to a leak checker. Initialising it again later is harmless.
    offscreen = Offscreen();
}

}  // namespace platform
