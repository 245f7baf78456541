// The X connection shared by the window and the font lists, and the errors
// it reports.
#pragma once

#include <X11/Xlib.h>

#include <string>

namespace platform {

// Opens the display on first use; null when there is none, and from the
// moment the connection to the server is lost.
Display* SharedDisplay();

// True once the connection to the X server broke (the server ended, or its
// socket closed). Xlib then returns from the call that found it instead of
// ending the process, so the run can end as it ends on a key; the display is
// never used again.
bool DisplayLost();

// Catches the errors of the requests made on `display` while it lives, from
// its construction on: they go to no other handler. Traps nest; the handler
// that was there before comes back when the trap ends. Outside any trap an
// error of the program's own requests is ignored (a drawable that a parent's
// destruction took before the program heard of it).
class XErrorTrap {
public:
    explicit XErrorTrap(Display* display);
    ~XErrorTrap();
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    // Waits for the answers to every request made so far: "" when none of
    // the trap's requests failed, else the first error's text as Xlib gives
    // it (XGetErrorText), e.g. "BadWindow (invalid Window parameter)".
    std::string Check();

private:
    friend int TrapXError(Display*, XErrorEvent*);
    Display* display_;
    unsigned long firstSerial_;
    XErrorHandler previousHandler_;
    XErrorTrap* outer_;
    int errorCode_ = 0;
};

}  // namespace platform
