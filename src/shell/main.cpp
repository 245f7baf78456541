// velmora: the screensaver's entry.
#include <cstdio>
#include <cstdlib>

#include "shell/command_line.h"
#include "shell/run.h"
#include "shell/snapshot.h"

int main(int argc, char** argv) {
    CommandLine line = ParseCommandLine(argc, argv, std::getenv("XSCREENSAVER_WINDOW"));
    switch (line.mode) {
        case RunMode::Snapshot:
            return RunSnapshot(argc - 2, argv + 2);
        case RunMode::Invalid:
            std::fputs(kUsageLine, stderr);
            return 2;
        default:
            return RunVelmora(line);
    }
}
