// A run of the screensaver: start-up in its fixed order, the paced main loop
// and the end sequence, for every run mode the command line picked.
#pragma once

#include "shell/command_line.h"

// The name of the single-instance lock every run (but XScreenSaver's) holds.
extern const char kInstanceLockName[];

// Returns the process exit code.
int RunVelmora(const CommandLine& line);
