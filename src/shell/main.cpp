// velmora: the screensaver's entry on Linux.
#include <cstdlib>

#include "shell/command_line.h"
#include "shell/entry.h"

int main(int argc, char** argv) {
    return RunProgram(ParseCommandLine(argc, argv, std::getenv("XSCREENSAVER_WINDOW")), argc, argv);
}
