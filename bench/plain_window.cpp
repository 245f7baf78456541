// plain_window WIDTHxHEIGHT: a mapped, childless X window of that size at the
// screen's corner, for programs that draw into a given window. Prints its id
// in decimal and keeps it until killed.
#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
    unsigned width = 0, height = 0;
    if (argc != 2 || std::sscanf(argv[1], "%ux%u", &width, &height) != 2 || width == 0 || height == 0) {
        std::fprintf(stderr, "usage: plain_window WIDTHxHEIGHT\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "plain_window: can't open the display\n");
        return 1;
    }
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, width, height, 0, 0,
                                              BlackPixel(display, DefaultScreen(display)));
    XMapWindow(display, window);
    XSync(display, False);
    std::printf("%lu\n", window);
    std::fflush(stdout);
    for (;;) pause();
}
