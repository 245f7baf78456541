// What the Linux and Windows builds' tests look at on several monitors.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/image.h"

struct Area {
    int x, y, width, height;
};

// The whole screen of X display `display`.
RgbImage RootScreenshot(const std::string& display);

// Root mean square difference (a fraction of 255) of area `a` of `shot`
// against area `b` scaled to a's size; 1 when an area lies outside the shot.
double AreaDifference(const RgbImage& shot, Area a, Area b);

// Waits until the window "orvane" covers both monitors of
// EnsureTwoMonitorXephyr's `display` (1440 x 600) and they show one frame
// alike, each at its own size (both are 4:3); not the first frame, whose
// second view starts from the state the first one left.
::testing::AssertionResult CoversBothXephyrMonitors(const std::string& display, int timeoutMs);
