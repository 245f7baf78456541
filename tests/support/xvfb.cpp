#include "support/xvfb.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
pid_t serverPids[2];
int serverCount = 0;

void StopServers() {
    while (serverCount > 0) {
        const pid_t pid = serverPids[--serverCount];
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
}

// Starts the X server `argv` with -displayfd on a free display; its display.
// The server ends with the test program unless `keep` is false: then the
// caller ends it, and *started is its process.
std::string StartXServer(std::vector<const char*> argv, bool keep = true, pid_t* started = nullptr) {
    int fds[2];
    if (pipe(fds) != 0) std::abort();
    const std::string fd = std::to_string(fds[1]);
    argv.insert(argv.begin() + 1, {"-displayfd", fd.c_str()});
    argv.push_back(nullptr);
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(1);
        close(fds[0]);
        int devnull = open("/dev/null", 0);
        dup2(devnull, STDERR_FILENO);
        dup2(devnull, STDOUT_FILENO);
        execvp(argv[0], const_cast<char**>(argv.data()));
        _exit(127);
    }
    close(fds[1]);
    if (started != nullptr) *started = pid;
    if (keep) {
        if (serverCount == 0) std::atexit(StopServers);
        serverPids[serverCount++] = pid;
    }
    // The server writes its display number once it accepts connections.
    std::FILE* number = fdopen(fds[0], "r");
    int display = -1;
    if (std::fscanf(number, "%d", &display) != 1) {
        std::fprintf(stderr, "test support: %s did not start\n", argv[0]);
        std::abort();
    }
    std::fclose(number);
    return ":" + std::to_string(display);
}
}  // namespace

const std::string& EnsureXvfb() {
    static std::string display;
    if (display.empty()) {
        // -noreset: a server resetting after its last client refuses the next one for a moment.
        display = StartXServer(
            {"Xvfb", "-screen", "0", "800x600x24", "-nolisten", "tcp", "-noreset", "-ac", "-br", "+extension", "GLX"});
        setenv("DISPLAY", display.c_str(), 1);
    }
    return display;
}

ScratchXvfb::ScratchXvfb() {
    display_ = StartXServer(
        {"Xvfb", "-screen", "0", "800x600x24", "-nolisten", "tcp", "-ac", "-br", "+extension", "GLX"}, false, &pid_);
}

ScratchXvfb::~ScratchXvfb() { Kill(); }

void ScratchXvfb::Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

const std::string& EnsureTwoMonitorXephyr() {
    static std::string display;
    if (display.empty()) {
        EnsureXvfb();
        // Xvfb's own +xinerama would put both heads at (0, 0).
        display = StartXServer({"Xephyr", "-screen", "640x480", "-screen", "800x600", "+xinerama", "-nolisten", "tcp",
                                "-noreset", "-ac", "-br", "+extension", "GLX"});
    }
    return display;
}
