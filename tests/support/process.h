// The real executable (or any program) started as a child process.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

struct ProcessResult {
    int exitCode = -1;
    bool signaled = false;
    int signal = 0;
    bool timedOut = false;
    std::string out;
    std::string err;
};

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();  // kills a child still running
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // argv[0] is the program. extraEnv entries are "NAME=value" and override
    // the inherited environment; cwd empty keeps the current folder. Standard
    // input is /dev/null, never a terminal.
    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {},
               const std::string& cwd = "");
    bool Running();
    int Pid() const { return pid; }
    // Standard output as written so far, while the child runs.
    std::string OutputSoFar() const;
    void Kill(int signal);
    // Waits up to timeoutMs; on time-out the child is killed (timedOut set).
    ProcessResult Wait(int timeoutMs = 30000);

private:
    int pid = -1;
    bool reaped = false;
    int status = 0;
    TempDir captures;  // standard output and error
};

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {},
                         const std::string& cwd = "", int timeoutMs = 30000);

// Runs a shell command line and returns its standard output (xdotool etc.).
std::string Shell(const std::string& command);

// xdotool with `arguments` on the test's display.
void Xdotool(const std::string& arguments);

// The share of one core that process `pid` used (user and system time, from
// /proc) over the next `milliseconds`: 1.0 is a core kept busy.
double CpuShareOver(int pid, int milliseconds);
// The same for several processes over one span; -1 for one that is gone.
std::vector<double> CpuSharesOver(const std::vector<int>& pids, int milliseconds);

// The most memory (resident, in KiB) process `pid` has held so far; -1 when
// it can't be read.
long PeakMemoryKiB(int pid);

// True when the child still runs after `milliseconds`.
bool StillRunningAfter(ChildProcess& child, int milliseconds);

// Expects the child to end by itself within `withinMs` with `exitCode`.
void ExpectEnd(ChildProcess& child, int exitCode = 0, int withinMs = 10000);
// The same once xdotool has sent `input`.
void ExpectEndOn(const std::string& input, ChildProcess& child, int exitCode = 0);

// How many of the processes `pids` have open a file whose path ends in `ending`.
int ProcessesHoldingFile(const std::vector<int>& pids, const std::string& ending);
// How many of the processes `pids` run a thread named `name` (threads it
// starts inherit the name).
int ProcessesRunningThread(const std::vector<int>& pids, const std::string& name);

// `command` run as nobody (group nogroup, no other groups), with the
// "NAME=value" entries of `environment` added to the inherited environment,
// or, when `onlyThese`, in place of it.
std::vector<std::string> AsNobody(const std::vector<std::string>& command,
                                  const std::vector<std::string>& environment = {}, bool onlyThese = false);

struct ProcessInfo {
    int parent = 0;
    std::string name;
};
// Living processes (no zombies) by pid, from /proc.
std::map<int, ProcessInfo> LivingProcesses();
// Living processes whose executable is `path` (links in it followed).
std::vector<int> ProcessesOfProgram(const std::string& path);
// The words of a process's command line.
std::vector<std::string> ProcessArguments(int pid);

// A copy of the program and its data set in `folder` (made if missing), as an
// installed program finds them; returns the copy's path.
std::string CopyProgramWithData(const std::string& folder);

// Polls `condition` every 20 ms for up to timeoutMs.
template <typename Condition>
bool WaitUntil(Condition condition, int timeoutMs = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// `run(i)` for each i below `count`, up to `atOnce` at a time on threads of
// their own; what each returned, in order. Runs that mostly wait (on a child
// process, on audio played in real time) overlap; the caller checks the
// results on its own thread.
template <typename Run>
auto RunOverlapped(int count, int atOnce, Run run) -> std::vector<decltype(run(0))> {
    std::vector<decltype(run(0))> results(static_cast<std::size_t>(count));
    std::atomic<int> next{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < std::min(atOnce, count); ++w)
        workers.emplace_back([&] {
            for (int i; (i = next++) < count;) results[static_cast<std::size_t>(i)] = run(i);
        });
    for (std::thread& worker : workers) worker.join();
    return results;
}
