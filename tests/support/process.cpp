#include "support/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

ChildProcess::~ChildProcess() {
    if (pid > 0 && !reaped) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                         const std::string& cwd) {
    pid_t parent = getpid();
    pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(1);
        setpgid(0, 0);
        dup2(open("/dev/null", O_RDONLY), STDIN_FILENO);
        dup2(open((captures.Path() + "/out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
        dup2(open((captures.Path() + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
        for (const std::string& entry : extraEnv) putenv(const_cast<char*>(entry.c_str()));
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
        std::vector<char*> args;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
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

std::string ChildProcess::OutputSoFar() const { return ReadFileBytes(captures.Path() + "/out"); }

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
    result.signaled = WIFSIGNALED(status);
    result.signal = result.signaled ? WTERMSIG(status) : 0;
    result.out = ReadFileBytes(captures.Path() + "/out");
    result.err = ReadFileBytes(captures.Path() + "/err");
    return result;
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                         const std::string& cwd, int timeoutMs) {
    ChildProcess child;
    if (!child.Start(argv, extraEnv, cwd)) return {};
    return child.Wait(timeoutMs);
}

std::string Shell(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    char buffer[256];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    pclose(pipe);
    return output;
}

void Xdotool(const std::string& arguments) { Shell("xdotool " + arguments + " 2>&1"); }

namespace {
// utime + stime of a process, in clock ticks; -1 when it is gone.
long CpuTicks(int pid) {
    const std::string text = ReadFileBytes("/proc/" + std::to_string(pid) + "/stat");
    const size_t name = text.rfind(')');
    if (name == std::string::npos) return -1;
    std::istringstream fields(text.substr(name + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i == 14 || i == 15) ticks += std::atol(field.c_str());
    return ticks;
}
}  // namespace

double CpuShareOver(int pid, int milliseconds) { return CpuSharesOver({pid}, milliseconds)[0]; }

std::vector<double> CpuSharesOver(const std::vector<int>& pids, int milliseconds) {
    std::vector<long> before;
    for (int pid : pids) before.push_back(CpuTicks(pid));
    const auto start = std::chrono::steady_clock::now();
    usleep(static_cast<useconds_t>(milliseconds) * 1000);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK)) * wall;  // a core's in the span
    std::vector<double> shares;
    for (std::size_t i = 0; i < pids.size(); ++i) {
        const long after = CpuTicks(pids[i]);
        shares.push_back(before[i] < 0 || after < 0 ? -1.0 : static_cast<double>(after - before[i]) / ticks);
    }
    return shares;
}

long PeakMemoryKiB(int pid) {
    const std::string status = ReadFileBytes("/proc/" + std::to_string(pid) + "/status");
    const size_t at = status.find("\nVmHWM:");  // "VmHWM:   12345 kB"
    return at == std::string::npos ? -1 : std::atol(status.c_str() + at + 7);
}

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

void ExpectEndOn(const std::string& input, ChildProcess& child, int exitCode) {
    Xdotool(input);
    ExpectEnd(child, exitCode);
}

// How many of `pids` list an entry in their /proc folder `listing` that `matches`.
template <typename Matches>
static int ProcessesListing(const std::vector<int>& pids, const std::string& listing, Matches matches) {
    std::error_code error;
    return static_cast<int>(std::count_if(pids.begin(), pids.end(), [&](int pid) {
        const std::filesystem::directory_iterator entries("/proc/" + std::to_string(pid) + "/" + listing, error);
        return std::any_of(begin(entries), end(entries), [&](const auto& entry) { return matches(entry.path()); });
    }));
}

int ProcessesHoldingFile(const std::vector<int>& pids, const std::string& ending) {
    return ProcessesListing(pids, "fd", [&](const std::filesystem::path& fd) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(fd, error).string();
        return target.size() >= ending.size() &&
               target.compare(target.size() - ending.size(), ending.size(), ending) == 0;
    });
}

int ProcessesRunningThread(const std::vector<int>& pids, const std::string& name) {
    return ProcessesListing(pids, "task", [&](const std::filesystem::path& task) {
        return ReadFileBytes(task.string() + "/comm") == name + "\n";
    });
}

std::vector<std::string> AsNobody(const std::vector<std::string>& command, const std::vector<std::string>& environment,
                                  bool onlyThese) {
    std::vector<std::string> argv = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
    if (onlyThese || !environment.empty()) argv.push_back("env");
    if (onlyThese) argv.push_back("-i");
    argv.insert(argv.end(), environment.begin(), environment.end());
    argv.insert(argv.end(), command.begin(), command.end());
    return argv;
}

std::vector<int> ProcessesOfProgram(const std::string& path) {
    std::vector<int> pids;
    std::error_code error;
    const std::filesystem::path program = std::filesystem::weakly_canonical(path, error);
    for (const auto& [pid, info] : LivingProcesses())
        if (std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error) == program)
            pids.push_back(pid);
    return pids;
}

std::string CopyProgramWithData(const std::string& folder) {
    std::filesystem::create_directories(folder);
    std::filesystem::copy(VELMORA_EXE, folder + "/velmora");
    std::filesystem::copy(VELMORA_BUILD_DIR "/data", folder + "/data", std::filesystem::copy_options::recursive);
    return folder + "/velmora";
}

std::map<int, ProcessInfo> LivingProcesses() {
    std::map<int, ProcessInfo> found;
    std::error_code error;  // processes come and go while the folder is read
    for (std::filesystem::directory_iterator entry("/proc", error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string pid = entry->path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        // "pid (name) state ppid ...": the name may hold spaces and parentheses.
        const std::string stat = ReadFileBytes("/proc/" + pid + "/stat");
        const size_t open = stat.find('('), close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close + 4 >= stat.size()) continue;
        if (stat[close + 2] == 'Z') continue;
        found[std::stoi(pid)] = {std::stoi(stat.substr(close + 4)), stat.substr(open + 1, close - open - 1)};
    }
    return found;
}

std::vector<std::string> ProcessArguments(int pid) {
    std::vector<std::string> words;
    std::istringstream in(ReadFileBytes("/proc/" + std::to_string(pid) + "/cmdline"));
    for (std::string word; std::getline(in, word, '\0');) words.push_back(word);
    return words;
}
