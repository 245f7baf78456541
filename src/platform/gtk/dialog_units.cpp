#include "platform/gtk/dialog_units.h"

#include <cmath>

namespace platform {

namespace {
int MulDivRounded(int value, int numerator, int denominator) {
    long long product = static_cast<long long>(value) * numerator;
    long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : -((-product + half) / denominator));
}
}  // namespace

DialogUnits DialogUnitsForScale(double scale) {
    DialogUnits units;
    // Scales below 1 would make the texts overflow the fixed places; absurd
    // values (a broken Xft.dpi) are clamped to a size that fits a screen.
    if (!(scale >= 1.0)) scale = 1.0;
    if (scale > 4.0) scale = 4.0;
    units.baseX = static_cast<int>(std::lround(6 * scale));
    units.baseY = static_cast<int>(std::lround(13 * scale));
    return units;
}

int DialogUnitsToPixelsX(const DialogUnits& units, int x) { return MulDivRounded(x, units.baseX, 4); }
int DialogUnitsToPixelsY(const DialogUnits& units, int y) { return MulDivRounded(y, units.baseY, 8); }

}  // namespace platform
