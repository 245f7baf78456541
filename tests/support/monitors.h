// What the Linux and Windows builds' tests look at in a full-screen run on
// several monitors.
#pragma once

#include <string>

#include "support/image.h"

struct Area {
    int x, y, width, height;
};

// The whole screen of X display `display`.
RgbImage RootScreenshot(const std::string& display);

// The picture in `b` scaled to the size of `a`, against the one in `a`: the
// root mean square difference as a fraction of 255. Two monitors of one
// aspect ratio that each show the same frame at their own size come out
// nearly alike; one picture stretched over both, or a view out of place, does
// not.
double AreaDifference(const RgbImage& shot, Area a, Area b);

// The size of the window named `name` on `display`; false when there is none.
bool WindowSizeOn(const std::string& display, const std::string& name, int* width, int* height);
