// Dialog units to pixels for the GTK dialog.
#include <gtest/gtest.h>

#include "platform/gtk/dialog_units.h"

namespace {

TEST(ConfigDialogUnits, ScaleWithTheDesktop) {
    struct Case {
        double scale;
        int baseX, baseY;
    };
    const Case cases[] = {
        {1.0, 6, 13}, {1.25, 8, 16}, {1.5, 9, 20}, {2.0, 12, 26},
        {0.5, 6, 13},  // never smaller than the template was made for
        {-1.0, 6, 13}, {0.0, 6, 13}, {100.0, 24, 52},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scale);
        platform::DialogUnits units = platform::DialogUnitsForScale(c.scale);
        EXPECT_EQ(units.baseX, c.baseX);
        EXPECT_EQ(units.baseY, c.baseY);
    }
}

TEST(ConfigDialogUnits, TemplatePlacesAt96Dpi) {
    const platform::DialogUnits units = platform::DialogUnitsForScale(1.0);
    struct Case {
        int x, y, px, py;
    };
    const Case cases[] = {
        {387, 210, 581, 341},  // the dialog
        {319, 182, 479, 296},  // OK
        {50, 16, 75, 26},
        {203, 11, 305, 18},  // the picture
        {173, 160, 260, 260},  // 256 pixels of bitmap and its sunken edge
        {0, 0, 0, 0},
        {-4, -8, -6, -13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        EXPECT_EQ(platform::DialogUnitsToPixelsX(units, c.x), c.px);
        EXPECT_EQ(platform::DialogUnitsToPixelsY(units, c.y), c.py);
    }
}

}  // namespace
