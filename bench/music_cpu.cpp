// CPU time of the music thread while it streams the generated music on
// OpenAL Soft's null backend, as a share of one core.
//   music_cpu [seconds]        (default 30)
// Only the music thread is counted: OpenAL Soft's own mixer thread, which a
// sound card's driver would replace, is left out.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "music/music_thread.h"
#include "settings/data_paths.h"

namespace {

// /proc reports thread times in USER_HZ, which Linux fixes at 100.
constexpr double kTicksPerSecond = 100.0;

struct Task {
    std::string name;
    long ticks = 0;  // utime + stime
};

// Every thread of this process, by id.
std::map<std::string, Task> Tasks() {
    std::map<std::string, Task> tasks;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream stat(entry.path() / "stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        std::size_t open = text.find('('), close = text.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        Task task;
        task.name = text.substr(open + 1, close - open - 1);
        std::istringstream fields(text.substr(close + 2));
        std::string field;
        for (int i = 3; i <= 15 && fields >> field; ++i)
            if (i == 14 || i == 15) task.ticks += std::atol(field.c_str());
        tasks[entry.path().filename().string()] = task;
    }
    return tasks;
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    const std::string config = (std::filesystem::temp_directory_path() / "velmora-music-cpu.conf").string();
    std::ofstream(config) << "[general]\ndrivers=null\n";
    setenv("ALSOFT_CONF", config.c_str(), 1);
    programFolder = std::string(VELMORA_BUILD_DIR) + "/";  // plays data/xt

    std::set<std::string> before;
    for (const auto& [id, task] : Tasks()) before.insert(id);
    StartMusicThread();
    // Right after the start the music thread is the only new one: OpenAL
    // Soft makes its own threads only once the music thread has loaded it.
    std::set<std::string> fresh;
    for (const auto& [id, task] : Tasks())
        if (before.count(id) == 0) fresh.insert(id);
    if (fresh.size() != 1) {
        std::fprintf(stderr, "music_cpu: cannot tell the music thread apart (%zu new threads)\n", fresh.size());
        return 1;
    }
    const std::string musicId = *fresh.begin();
    // The set-up (device list, 256 sources per device) is not streaming.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    long start = Tasks()[musicId].ticks;
    auto begin = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    auto tasks = Tasks();
    if (tasks.count(musicId) == 0) {
        std::fprintf(stderr, "music_cpu: the music ended early; ask for fewer seconds\n");
        return 1;
    }
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    double cpu = static_cast<double>(tasks[musicId].ticks - start) / kTicksPerSecond;
    std::printf("music thread: %.3f s CPU in %.1f s of streaming = %.2f %% of one core\n", cpu, wall,
                100.0 * cpu / wall);
    musicStopRequested = true;
    WaitForMusicThreadEnd(1000);
    return 0;
}
