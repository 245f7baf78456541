#include "shell/entry.h"

#include <cstdio>
#include <cstring>

#include "shell/run.h"
#include "shell/snapshot.h"

int RunProgram(const CommandLine& line, int argc, char** argv) {
    switch (line.mode) {
        case RunMode::Snapshot: {
            int at = 1;  // options may stand before the switch
            while (at < argc && std::strcmp(argv[at], "--snapshot") != 0) ++at;
            return RunSnapshot(argc - at - 1, argv + at + 1);
        }
        case RunMode::Help:
            std::fputs(kHelpText, stdout);
            return 0;
        case RunMode::Version:
            std::printf("velmora %s\n", VELMORA_VERSION);
            return 0;
        case RunMode::Invalid:
            std::fputs(kUsageLine, stderr);
            return 2;
        default:
            return RunVelmora(line);
    }
}
