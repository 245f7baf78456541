// Console, clock, executable location and termination signals on POSIX.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/platform.h"
#include "platform/posix/termination.h"

namespace platform {

namespace {
std::atomic<bool> terminationRequested{false};
int wakePipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    terminationRequested.store(true);
    if (wakePipe[1] >= 0) {
        char byte = 1;
        ssize_t ignored = write(wakePipe[1], &byte, 1);
        (void)ignored;
    }
}
}  // namespace

void DebugOutput(const char* text) {
    std::fputs(text, stderr);
    std::fflush(stderr);
}

// A process started in the background would be stopped by SIGTTIN on its
// first read from the terminal.
bool StdinIsTerminal() { return isatty(STDIN_FILENO) == 1 && tcgetpgrp(STDIN_FILENO) == getpgrp(); }

namespace {
termios consoleSaved{};
std::atomic<bool> consoleChanged{false};

// The process may end while a read waits without echo; the terminal gets its
// echo back either way.
void RestoreConsole() {
    if (consoleChanged.exchange(false)) tcsetattr(STDIN_FILENO, TCSANOW, &consoleSaved);
}
}  // namespace

void EndProcessNow(int exitCode) {
    std::fflush(nullptr);
    RestoreConsole();
    _exit(exitCode);
}

void ReadConsoleKey() {
    termios saved{};
    bool raw = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (raw) {
        static bool restoreRegistered = (std::atexit(RestoreConsole), true);
        (void)restoreRegistered;
        consoleSaved = saved;
        consoleChanged = true;
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        quiet.c_cc[VMIN] = 1;
        quiet.c_cc[VTIME] = 0;
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    unsigned char c = 0;
    // Whatever the read gives, a key or the end of input, the wait is over.
    const ssize_t got = read(STDIN_FILENO, &c, 1);
    (void)got;
    if (raw) RestoreConsole();
}

std::uint32_t MonotonicMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

void SleepMilliseconds(int milliseconds) {
    timespec span{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (nanosleep(&span, &span) != 0) {
    }
}

void NameCurrentThread(const char* name) { pthread_setname_np(pthread_self(), name); }

std::string ExecutableFolder() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return "./";
    std::string folder = self.parent_path().string();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

char PathSeparator() { return '/'; }

void InstallTerminationHandler() {
    if (wakePipe[0] < 0 && pipe(wakePipe) == 0) {
        for (int fd : wakePipe) {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
            fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

bool TerminationRequested() { return terminationRequested.load(); }

int TerminationWakeFd() { return wakePipe[0]; }

}  // namespace platform
