#include "shell/entry.h"

#include <cstdio>

#include "shell/run.h"
#include "shell/snapshot.h"

int RunProgram(const CommandLine& line, int argc, char** argv) {
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
