#include "support/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "support/temp_dir.h"

namespace {
std::string NewCapturePath(const char* what) {
    static int serial = 0;
    return (std::filesystem::temp_directory_path() /
            ("velmora-capture-" + std::to_string(getpid()) + "-" + std::to_string(serial++) + what))
        .string();
}
}  // namespace

ChildProcess::~ChildProcess() {
    if (pid > 0 && !reaped) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    if (!outPath.empty()) unlink(outPath.c_str());
    if (!errPath.empty()) unlink(errPath.c_str());
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                         const std::string& cwd, const std::string& stdinText) {
    outPath = NewCapturePath(".out");
    errPath = NewCapturePath(".err");
    int input[2];
    if (pipe(input) != 0) return false;
    pid_t parent = getpid();
    pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(1);
        setpgid(0, 0);
        close(input[1]);
        dup2(input[0], STDIN_FILENO);
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        for (const std::string& entry : extraEnv) putenv(const_cast<char*>(entry.c_str()));
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
        std::vector<char*> args;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(input[0]);
    if (!stdinText.empty()) {
        ssize_t ignored = write(input[1], stdinText.data(), stdinText.size());
        (void)ignored;
    }
    close(input[1]);
    return true;
}

bool ChildProcess::Running() {
    if (pid <= 0 || reaped) return false;
    if (waitpid(pid, &status, WNOHANG) == pid) reaped = true;
    return !reaped;
}

void ChildProcess::Kill(int signal) {
    if (pid > 0 && !reaped) kill(pid, signal);
}

std::string ChildProcess::OutputSoFar() const { return ReadFileBytes(outPath); }

ProcessResult ChildProcess::Wait(int timeoutMs) {
    ProcessResult result;
    if (pid <= 0) return result;
    if (!WaitUntil([this] { return !Running(); }, timeoutMs)) {
        result.timedOut = true;
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        reaped = true;
    }
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) {
        result.signaled = true;
        result.signal = WTERMSIG(status);
    }
    result.out = ReadFileBytes(outPath);
    result.err = ReadFileBytes(errPath);
    return result;
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                         const std::string& cwd, int timeoutMs, const std::string& stdinText) {
    ChildProcess child;
    if (!child.Start(argv, extraEnv, cwd, stdinText)) return {};
    return child.Wait(timeoutMs);
}

std::string Shell(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    char buffer[256];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
    return output;
}

void Xdotool(const std::string& arguments) { Shell("xdotool " + arguments + " 2>&1"); }

bool StillRunningAfter(ChildProcess& child, int milliseconds) {
    usleep(static_cast<useconds_t>(milliseconds) * 1000);
    return child.Running();
}

void ExpectEnd(ChildProcess& child, int exitCode, int withinMs) {
    ProcessResult result = child.Wait(withinMs);
    EXPECT_FALSE(result.timedOut) << "did not end";
    EXPECT_FALSE(result.signaled) << "signal " << result.signal << "\n" << result.err;
    EXPECT_EQ(result.exitCode, exitCode) << result.err;
}
