// The X11 backend in this process: errors trapped with their text, and a
// window whose creation fails leaves nothing on the server.
// GoogleTest before Xlib, whose macros (None, Bool) would spoil its names.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "support/x_window.h"
#include "support/xvfb.h"

#include "platform/platform.h"
#include "platform/x11/x11_display.h"

#include <X11/cursorfont.h>
#include <X11/extensions/XRes.h>

namespace {

// What the client that made `own` holds on the server, by resource type.
std::map<std::string, int> OwnResources(Display* display, Window own) {
    std::map<std::string, int> counts;
    int kinds = 0;
    XResType* types = nullptr;
    if (!XResQueryClientResources(display, own, &kinds, &types)) return {{"query failed", 1}};
    for (int k = 0; k < kinds; ++k) {
        char* name = XGetAtomName(display, types[k].resource_type);
        counts[name] = static_cast<int>(types[k].count);
        XFree(name);
    }
    XFree(types);
    return counts;
}

TEST(XErrorTrap, GivesTheTextOfItsOwnRequestsErrorsOnly) {
    EnsureXvfb();
    Display* display = platform::SharedDisplay();
    ASSERT_NE(display, nullptr);
    const Window missing = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 8, 8, 0, 0, 0);
    XDestroyWindow(display, missing);  // its id now names no window
    platform::XErrorTrap outer(display);
    XMapWindow(display, missing);  // the outer trap's: the inner one must not take it
    {
        platform::XErrorTrap inner(display);
        XSync(display, False);
        EXPECT_EQ(inner.Check(), "");
        XUnmapWindow(display, missing);
        EXPECT_EQ(inner.Check(), "BadWindow (invalid Window parameter)");
        TestWindow real(20, 20);
        XMapWindow(display, real.Id());
        EXPECT_EQ(inner.Check(), "BadWindow (invalid Window parameter)") << "the first error is kept";
    }
    EXPECT_EQ(outer.Check(), "BadWindow (invalid Window parameter)");
    platform::XErrorTrap later(display);
    EXPECT_EQ(later.Check(), "");
}

// A context that can't be made (Mesa finds no driver) fails the window after
// it was mapped and grabbed: what was made by then must be gone again.
TEST(ScreenWindow, AFailedCreationLeavesNothingBehind) {
    EnsureXvfb();
    setenv("LIBGL_DRIVERS_PATH", "/nonexistent", 1);  // read at the first GLX call
    Display* display = platform::SharedDisplay();
    ASSERT_NE(display, nullptr);
    TestWindow parent(200, 150);
    // One window of this connection's own, so the count is seen to work.
    const Window own = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 8, 8, 0, 0, 0);
    // Xlib keeps the cursor font open for the display's life once it made a
    // cursor of it: that font is Xlib's, not the window's.
    XFreeCursor(display, XCreateFontCursor(display, XC_left_ptr));
    const std::map<std::string, int> before = OwnResources(display, own);
    ASSERT_EQ(before.count("WINDOW"), 1u) << "the X-Resource extension counts no windows";
    for (platform::WindowKind kind : {platform::WindowKind::FullScreen, platform::WindowKind::Preview}) {
        SCOPED_TRACE(kind == platform::WindowKind::FullScreen ? "full-screen" : "preview");
        platform::WindowRequest request;
        request.kind = kind;
        request.parent = kind == platform::WindowKind::Preview ? parent.Id() : 0;
        request.hideCursor = true;
        platform::WindowId created = 7;
        std::string error;
        EXPECT_FALSE(platform::CreateScreenWindow(request, &created, &error));
        EXPECT_EQ(created, 0u);
        EXPECT_EQ(error.rfind("velmora: can't make an OpenGL context for the window", 0), 0u) << error;
        EXPECT_EQ(OwnResources(display, own), before);
        EXPECT_TRUE(WindowsNamed("orvane").empty());
        EXPECT_TRUE(KeyboardGrabbable());
        EXPECT_FALSE(platform::ScreenWindowHoldsInput());
    }
}

}  // namespace
