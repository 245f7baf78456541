// A real GLX context on the test program's Xvfb (Mesa llvmpipe).
#pragma once

#include <cstdint>
#include <vector>

// Every context of a test program shares one display connection that stays
// open: closing it would unload Mesa's driver, and a sanitizer could no longer
// tell the driver's allocations from the program's own leaks.
class TestGLContext {
public:
    // A double-buffered RGBA context with a 16-bit depth buffer on a mapped
    // window of that size, current on the calling thread.
    explicit TestGLContext(int width = 64, int height = 64);
    ~TestGLContext();
    TestGLContext(const TestGLContext&) = delete;
    TestGLContext& operator=(const TestGLContext&) = delete;

    bool Ok() const { return ok; }
    int Width() const { return width; }
    int Height() const { return height; }
    void Swap();
    // RGBA of the back buffer, bottom row first.
    std::vector<std::uint8_t> ReadPixels() const;

private:
    int width;
    int height;
    bool ok = false;
    void* display = nullptr;
    unsigned long window = 0;
    void* context = nullptr;
};
