// Font display lists from an X core font.
#include <GL/glx.h>
#include <X11/Xlib.h>

#include "platform/platform.h"
#include "platform/x11/x11_display.h"

namespace platform {

bool UseFontBitmaps(unsigned listBase, int firstChar, int count) {
    Display* display = SharedDisplay();
    if (display == nullptr || glXGetCurrentContext() == nullptr) return false;
    // Bold Courier of about 20 pixels; any fixed font the server has will do.
    const char* const candidates[] = {
        "-*-courier-bold-r-normal--20-*-*-*-*-*-iso8859-1",
        "-*-courier-bold-r-*-*-20-*-*-*-*-*-*-*",
        "-*-*-bold-r-normal--20-*-*-*-m-*-iso8859-1",
        "-*-fixed-bold-r-*-*-20-*-*-*-*-*-*-*",
        "fixed",
    };
    for (const char* name : candidates) {
        XFontStruct* font = XLoadQueryFont(display, name);
        if (font == nullptr) continue;
        glXUseXFont(font->fid, firstChar, count, static_cast<int>(listBase));
        XFreeFont(display, font);
        // Mesa's DRI path reports GL_OUT_OF_MEMORY for some server fonts
        // (Xvfb's built-in "fixed"); the error is ours to take, so that the
        // frame's own error checks start clean.
        bool failed = false;
        while (glGetError() != GL_NO_ERROR) failed = true;
        return !failed;
    }
    return false;
}

}  // namespace platform
