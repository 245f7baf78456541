// The X connection shared by the window and the font lists.
#pragma once

#include <X11/Xlib.h>

namespace platform {
// Opens the display on first use; null when there is none.
Display* SharedDisplay();
}  // namespace platform
