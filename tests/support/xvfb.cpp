#include "support/xvfb.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {
pid_t xvfbPid = 0;

void StopXvfb() {
    if (xvfbPid > 0) {
        kill(xvfbPid, SIGTERM);
        waitpid(xvfbPid, nullptr, 0);
        xvfbPid = 0;
    }
}
}  // namespace

const std::string& EnsureXvfb() {
    static std::string display;
    if (!display.empty()) return display;
    int fds[2];
    if (pipe(fds) != 0) std::abort();
    pid_t parent = getpid();
    xvfbPid = fork();
    if (xvfbPid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(1);
        close(fds[0]);
        std::string fd = std::to_string(fds[1]);
        int devnull = open("/dev/null", 0);
        dup2(devnull, STDERR_FILENO);
        dup2(devnull, STDOUT_FILENO);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24", "-nolisten", "tcp",
               "-ac", "-br", "+extension", "GLX", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char buffer[32] = {0};
    ssize_t got = 0;
    while (got < static_cast<ssize_t>(sizeof buffer) - 1) {
        ssize_t n = read(fds[0], buffer + got, sizeof buffer - 1 - got);
        if (n <= 0) break;
        got += n;
        if (buffer[got - 1] == '\n') break;
    }
    close(fds[0]);
    if (got <= 0) {
        std::fprintf(stderr, "test support: Xvfb did not start\n");
        std::abort();
    }
    display = ":" + std::string(buffer, buffer + got - (buffer[got - 1] == '\n' ? 1 : 0));
    setenv("DISPLAY", display.c_str(), 1);
    std::atexit(StopXvfb);
    return display;
}
