#include "support/gl_context.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include "support/xvfb.h"

TestGLContext::TestGLContext(int width, int height) : width(width), height(height) {
    EnsureXvfb();
    // One connection for the program: closing it would unload Mesa's driver
    // and hide where its allocations came from.
    static Display* shared = XOpenDisplay(nullptr);
    Display* dpy = shared;
    if (dpy == nullptr) return;
    display = dpy;
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 1, GLX_GREEN_SIZE, 1,
                        GLX_BLUE_SIZE, 1, GLX_DEPTH_SIZE, 16, None};
    XVisualInfo* visual = glXChooseVisual(dpy, DefaultScreen(dpy), attributes);
    if (visual == nullptr) return;
    Window root = DefaultRootWindow(dpy);
    XSetWindowAttributes set{};
    set.colormap = XCreateColormap(dpy, root, visual->visual, AllocNone);
    set.border_pixel = 0;
    window = XCreateWindow(dpy, root, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                           visual->depth, InputOutput, visual->visual, CWColormap | CWBorderPixel, &set);
    XMapWindow(dpy, window);
    GLXContext made = glXCreateContext(dpy, visual, nullptr, True);
    XFree(visual);
    context = made;
    ok = made != nullptr && glXMakeCurrent(dpy, window, made);
    if (ok) glViewport(0, 0, width, height);
}

TestGLContext::~TestGLContext() {
    Display* dpy = static_cast<Display*>(display);
    if (dpy == nullptr) return;
    glXMakeCurrent(dpy, None, nullptr);
    if (context != nullptr) glXDestroyContext(dpy, static_cast<GLXContext>(context));
    if (window != 0) XDestroyWindow(dpy, window);
    XSync(dpy, False);
}

void TestGLContext::Swap() {
    if (ok) glXSwapBuffers(static_cast<Display*>(display), window);
}

std::vector<std::uint8_t> TestGLContext::ReadPixels() const {
    std::vector<std::uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}
