// A Wayland desktop's idle daemon running the program: a headless sway with
// XWayland, where swayidle starts `velmora /s` after a second without input,
// grim looks at the output and wtype presses a key. Everything runs as
// nobody, since sway refuses to run as root.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "support/image.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

const int kWidth = 320, kHeight = 240;

struct ProcessInfo {
    int parent = 0;
    std::string name;
};

// Living processes (no zombies) by pid, from /proc.
std::map<int, ProcessInfo> LivingProcesses() {
    std::map<int, ProcessInfo> found;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename().string();
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

// This test's own processes named `name`: the daemons start theirs through a
// double fork, and the test, a child subreaper, adopts the orphans, so other
// tests' processes of the same user never count.
std::vector<int> OwnProcesses(const std::string& name = "") {
    const std::map<int, ProcessInfo> all = LivingProcesses();
    std::vector<int> own;
    for (const auto& [pid, info] : all) {
        if (!name.empty() && info.name != name) continue;
        for (int up = info.parent; up > 1; up = all.count(up) ? all.at(up).parent : 0)
            if (up == getpid()) {
                own.push_back(pid);
                break;
            }
    }
    return own;
}

bool Alive(int pid) { return LivingProcesses().count(pid) != 0; }

// A sway of its own, its folders owned by nobody; ended with everything it
// started, even when the test fails half-way. Should the test program die
// instead, a watcher in the session ends sway, and with it XWayland and the
// programs on it.
class HeadlessSway {
public:
    explicit HeadlessSway(const std::string& idleCommand) {
        prctl(PR_SET_CHILD_SUBREAPER, 1);
        const std::string app = session.Path() + "/app";
        fs::create_directories(app);
        fs::copy(VELMORA_EXE, app + "/velmora");
        fs::copy(VELMORA_BUILD_DIR "/data", app + "/data", fs::copy_options::recursive);
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all);
        session.Write("config", "xwayland enable\noutput HEADLESS-1 resolution " + std::to_string(kWidth) + "x" +
                                    std::to_string(kHeight) + "\nexec swayidle -w timeout 1 '" + app + "/" +
                                    idleCommand + "'\nexec sh -c 'while [ -d /proc/" + std::to_string(getpid()) +
                                    " ]; do sleep 1; done; swaymsg exit'\n");
        Shell("chown -R nobody:nogroup '" + session.Path() + "'");
        sway.Start(AsNobody({"env", "WLR_BACKENDS=headless", "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1",
                             "sway", "-c", session.Path() + "/config"}));
    }

    ~HeadlessSway() {
        keyboard.Kill(SIGKILL);
        keyboard.Wait(5000);
        // Sway ends XWayland, whose end ends the program; what still runs
        // after that is killed.
        sway.Kill(SIGTERM);
        sway.Wait(5000);
        for (int signal : {SIGTERM, SIGKILL}) {
            for (int pid : OwnProcesses()) kill(pid, signal);
            if (WaitUntil([] { return OwnProcesses().empty(); }, 1000)) break;
        }
        while (waitpid(-1, nullptr, WNOHANG) > 0) {
        }
        prctl(PR_SET_CHILD_SUBREAPER, 0);
    }

    // Sway's sockets are there (wayland-N, sway-ipc...).
    bool Listening() {
        std::string wayland, ipc;
        for (const fs::directory_entry& entry : fs::directory_iterator(runtime)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("wayland-", 0) == 0 && name.find('.') == std::string::npos) wayland = name;
            if (name.rfind("sway-ipc.", 0) == 0) ipc = entry.path().string();
        }
        if (wayland.empty() || ipc.empty()) return false;
        waylandDisplay = wayland;
        swaySocket = ipc;
        return true;
    }

    // A keyboard on the seat for the whole test, as a desk has: XWayland
    // takes keys only while the seat has one, so a keyboard that comes and
    // goes with one wtype run loses its key.
    bool PlugKeyboard() {
        keyboard.Start(AsNobody({"wtype", "-s", "120000"}));
        return WaitUntil([&] {
            return RunProcess(AsNobody({"swaymsg", "-t", "get_inputs"})).out.find("\"type\": \"keyboard\"") !=
                   std::string::npos;
        });
    }

    ProcessResult Run(const std::vector<std::string>& argv) { return RunProcess(AsNobody(argv)); }

    RgbImage Screenshot() {
        const std::string file = session.Path() + "/shot.png";
        fs::remove(file);
        Run({"grim", file});
        return ReadPng(file);
    }

private:
    std::vector<std::string> AsNobody(std::vector<std::string> argv) const {
        std::vector<std::string> command = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups",
                                            "env", "-i", "HOME=" + session.Path(), "PATH=/usr/bin:/bin",
                                            "XDG_RUNTIME_DIR=" + runtime};
        // Sway would take a SWAYSOCK even when empty for its own socket.
        if (!swaySocket.empty()) command.insert(command.end(), {"WAYLAND_DISPLAY=" + waylandDisplay, "SWAYSOCK=" + swaySocket});
        command.insert(command.end(), argv.begin(), argv.end());
        return command;
    }

    TempDir session;
    std::string runtime = session.Path() + "/run";
    std::string waylandDisplay, swaySocket;
    ChildProcess sway, keyboard;
};

// The whole output shows the scene, and it moves: no quarter is flat (a
// window smaller than the output leaves the plain background there), and two
// shots a few frames apart differ.
bool OutputShowsTheScene(HeadlessSway& sway) {
    const RgbImage first = sway.Screenshot();
    usleep(200000);
    const RgbImage second = sway.Screenshot();
    if (first.width != kWidth || first.height != kHeight || Rmse(first, second) < 0.005) return false;
    for (int y = 0; y < kHeight; y += kHeight / 2)
        for (int x = 0; x < kWidth; x += kWidth / 2)
            if (Colours(second, x, y, kWidth / 2, kHeight / 2) < 20) return false;
    return true;
}

TEST(Wayland, SwayidleStartsItOnEachIdlePeriodOverTheOutputAndAKeyEndsIt) {
    HeadlessSway sway("velmora /s --no-music");
    ASSERT_TRUE(WaitUntil([&] { return sway.Listening(); }, 10000)) << "sway did not start";
    ASSERT_TRUE(sway.PlugKeyboard()) << "no virtual keyboard on the seat";
    std::vector<int> saver;
    ASSERT_TRUE(WaitUntil([&] { return (saver = OwnProcesses("velmora")).size() == 1; }, 10000))
        << "swayidle did not start velmora";
    EXPECT_TRUE(WaitUntil([&] { return OutputShowsTheScene(sway); }, 20000));
    ASSERT_EQ(sway.Run({"wtype", "-k", "space"}).exitCode, 0);
    EXPECT_TRUE(WaitUntil([&] { return !Alive(saver[0]); }, 3000)) << "a key did not end it";
    // The key was input: a new idle period starts it again.
    std::vector<int> next;
    ASSERT_TRUE(WaitUntil([&] { return (next = OwnProcesses("velmora")).size() == 1 && next[0] != saver[0]; }, 10000))
        << "the next idle period did not start velmora";
    EXPECT_TRUE(WaitUntil([&] { return OutputShowsTheScene(sway); }, 20000));
}

}  // namespace
