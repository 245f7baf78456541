// The program's entry once its system's entry function has read the command
// line (main on Linux, WinMain on Windows).
#pragma once

#include "shell/command_line.h"

// Runs what `line` asks for; `argv` are the words of the command line, argv[0]
// the program. Returns the process exit code.
int RunProgram(const CommandLine& line, int argc, char** argv);
