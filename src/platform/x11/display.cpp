// The X connection: opened once, its protocol errors trapped where a caller
// asks, its loss turned into the end of the run.
#include <cstdio>

#include "platform/x11/x11_display.h"

namespace platform {

namespace {
Display* display = nullptr;
bool lost = false;
XErrorTrap* innermostTrap = nullptr;

int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// Xlib calls this from inside the call that found the connection gone; the
// exit handler below returns, so that call returns too and the main loop
// hears of it on its next poll.
int NoteDisplayLost(Display*) {
    if (!lost) std::fprintf(stderr, "velmora: lost the connection to the X display\n");
    lost = true;
    return 0;
}

// In place of Xlib's exit(): the run ends through its normal end sequence,
// which stops the music before the process ends.
void ReturnFromDisplayLoss(Display*, void*) {}
}  // namespace

int TrapXError(Display* from, XErrorEvent* event) {
    // The innermost trap that had begun when the failed request was made;
    // answers to requests from before every trap go where they went before.
    XErrorTrap* outermost = nullptr;
    for (XErrorTrap* trap = innermostTrap; trap != nullptr; trap = trap->outer_) {
        outermost = trap;
        if (from != trap->display_ || event->serial < trap->firstSerial_) continue;
        if (trap->errorCode_ == 0) trap->errorCode_ = event->error_code;
        return 0;
    }
    return outermost != nullptr ? outermost->previousHandler_(from, event) : 0;
}

Display* SharedDisplay() {
    if (display == nullptr && !lost) {
        display = XOpenDisplay(nullptr);
        if (display != nullptr) {
            XSetErrorHandler(IgnoreXError);
            XSetIOErrorHandler(NoteDisplayLost);
            XSetIOErrorExitHandler(display, ReturnFromDisplayLoss, nullptr);
        }
    }
    return lost ? nullptr : display;
}

bool DisplayLost() { return lost; }

XErrorTrap::XErrorTrap(Display* display)
    : display_(display), firstSerial_(NextRequest(display)), outer_(innermostTrap) {
    previousHandler_ = XSetErrorHandler(TrapXError);
    innermostTrap = this;
}

XErrorTrap::~XErrorTrap() {
    if (!lost) XSync(display_, False);  // errors of this trap's requests are still its own
    innermostTrap = outer_;
    XSetErrorHandler(previousHandler_);
}

std::string XErrorTrap::Check() {
    if (lost) return "the connection to the X display is lost";
    XSync(display_, False);
    if (errorCode_ == 0) return "";
    char text[160] = "";
    XGetErrorText(display_, errorCode_, text, sizeof text);
    return text;
}

}  // namespace platform
