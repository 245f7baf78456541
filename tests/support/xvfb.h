// One Xvfb for the whole test program.
#pragma once

#include <string>

// Starts Xvfb (800 x 600 x 24) on a free display the first time, sets
// DISPLAY to it and returns it. The server ends with the test program, even
// when that crashes.
const std::string& EnsureXvfb();
