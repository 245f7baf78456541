// What the Linux and Windows builds' tests look at in a full-screen run on
// several monitors.
#pragma once

#include <gtest/gtest.h>

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

// Waits until the window "orvane" on EnsureTwoMonitorXephyr's `display`
// covers both monitors (1440 x 600) and each shows the same frame at its own
// size (both are 4:3, so the horizon lies at the same share of each one's
// height). The first frame never does: its second view starts from the state
// the first one left.
::testing::AssertionResult CoversBothXephyrMonitors(const std::string& display, int timeoutMs);
