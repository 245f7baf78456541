// Dialog units to pixels, the way Windows places a template's controls.
#pragma once

namespace platform {

// A dialog unit is a quarter of the dialog font's average character width
// and an eighth of its height. For the 8-point template font at 96 dpi those
// are 6 and 13 pixels; `scale` follows the desktop's text scale (dpi / 96).
struct DialogUnits {
    int baseX = 6;
    int baseY = 13;
};

DialogUnits DialogUnitsForScale(double scale);

// Rounded to the nearest pixel, as MulDiv does.
int DialogUnitsToPixelsX(const DialogUnits& units, int x);
int DialogUnitsToPixelsY(const DialogUnits& units, int y);

}  // namespace platform
