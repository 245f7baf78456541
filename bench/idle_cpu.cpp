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
#include <string>
#include <thread>
#include <vector>

#include "support/process.h"
#include "support/temp_dir.h"
#include "support/x_window.h"
#include "support/xvfb.h"

void Measure(const char* what, const char* executable, int seconds) {
    TempDir config;
    TestWindow parent(320, 240);
    ChildProcess preview;
    preview.Start({executable, "/p", std::to_string(parent.Id())}, {"XDG_CONFIG_HOME=" + config.Path()});
    std::this_thread::sleep_for(std::chrono::seconds(1));  // start-up is not idle time
    const double share = CpuShareOver(preview.Pid(), seconds * 1000);
    parent.Destroy();
    ProcessResult result = preview.Wait(5000);
    std::printf("%-12s preview 320x240, %d s: %.1f %% of one core (exit %d)\n", what, seconds, 100.0 * share,
                result.exitCode);
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
