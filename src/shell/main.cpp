// velmora: the screensaver's entry on Linux.
#include <cstdlib>

#include "shell/command_line.h"
#include "shell/entry.h"
#include "shell/xscreensaver_command.h"

int main(int argc, char** argv) {
    const CommandLine line = ParseCommandLine(argc, argv, std::getenv("XSCREENSAVER_WINDOW"));
    if (line.mode == RunMode::XScreenSaverAdd || line.mode == RunMode::XScreenSaverRemove)
        return RunXScreenSaverListCommand(line.mode == RunMode::XScreenSaverAdd);
    return RunProgram(line, argc, argv);
}
