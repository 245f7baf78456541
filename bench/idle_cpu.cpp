// CPU time of a preview run in a 320 x 240 window, as a share of the wall
// time: once with black frames (the loop's own cost; a loop that spins
// between frames would show 100 %), once with the whole scene. Then the time
// from SIGTERM to the end of XScreenSaver runs, with and without music.
//   idle_cpu [seconds, default 10]
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include <thread>

#include "support/process.h"
#include "support/temp_dir.h"
#include "support/x_window.h"
#include "support/xvfb.h"

namespace {
// utime + stime of a process, in clock ticks.
long CpuTicks(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::atol(field.c_str());
        if (i == 15) stime = std::atol(field.c_str());
    }
    return utime + stime;
}
}  // namespace

void Measure(const char* what, const char* executable, int seconds) {
    TempDir config;
    TestWindow parent(320, 240);
    ChildProcess preview;
    preview.Start({executable, "/p", std::to_string(parent.Id())}, {"XDG_CONFIG_HOME=" + config.Path()});
    std::this_thread::sleep_for(std::chrono::seconds(1));  // start-up is not idle time
    long before = CpuTicks(preview.Pid());
    auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    long after = CpuTicks(preview.Pid());
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double cpu = static_cast<double>(after - before) / static_cast<double>(sysconf(_SC_CLK_TCK));
    parent.Destroy();
    ProcessResult result = preview.Wait(5000);
    std::printf("%-12s preview 320x240, %d s: cpu %.2f s of wall %.2f s = %.1f %% of one core (exit %d)\n",
                what, seconds, cpu, wall, 100.0 * cpu / wall, result.exitCode);
}

void MeasureTermination(const char* what, const std::vector<std::string>& argv, bool music) {
    TempDir config;
    if (music) config.Write("velmora/settings", std::string("velmora-settings 1\nini 1\n1\n"));
    ChildProcess saver;
    saver.Start(argv, {"XDG_CONFIG_HOME=" + config.Path()});
    std::this_thread::sleep_for(std::chrono::seconds(3));
    auto sent = std::chrono::steady_clock::now();
    saver.Kill(SIGTERM);
    ProcessResult result = saver.Wait(10000);
    double took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - sent).count();
    std::printf("%-24s SIGTERM to exit: %.0f ms (exit %d%s)\n", what, took, result.exitCode,
                result.signaled ? ", killed by a signal" : "");
}

int main(int argc, char** argv) {
    int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    EnsureXvfb();
    Measure("black frames", VELMORA_BLACK_EXE, seconds);
    Measure("whole scene", VELMORA_EXE, seconds);
    TestWindow target(320, 240);
    MeasureTermination("-window-id", {VELMORA_EXE, "-window-id", std::to_string(target.Id())}, false);
    MeasureTermination("-root, music on", {VELMORA_EXE, "-root"}, true);
    return 0;
}
