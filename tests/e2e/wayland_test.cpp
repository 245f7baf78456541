// A Wayland desktop's idle daemon running the program: a headless sway with
// two outputs and XWayland, where swayidle starts `velmora /s` after a second
// without input, grim looks at the outputs and wtype presses a key. Everything
// runs as nobody, since sway refuses to run as root.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/image.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// Two outputs side by side, both 4:3 but of different sizes, so each gets a
// view of its own.
const Area kOutputs[] = {{0, 0, 320, 240}, {320, 0, 240, 180}};
const int kWidth = 560, kHeight = 240;  // the box around them, as grim shows it

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

// A sway of its own, its folders owned by nobody; ended with everything it
// started, even when the test fails half-way. Should the test program die
// instead, a watcher in the session ends sway, and with it XWayland and the
// programs on it.
class HeadlessSway {
public:
    explicit HeadlessSway(const std::string& idleCommand) {
        prctl(PR_SET_CHILD_SUBREAPER, 1);
        const std::string app = session.Path() + "/app";
        CopyProgramWithData(app);
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all);
        std::string config = "xwayland enable\n";
        for (int k = 0; k < 2; ++k)
            config += "output HEADLESS-" + std::to_string(k + 1) + " resolution " + std::to_string(kOutputs[k].width) +
                      "x" + std::to_string(kOutputs[k].height) + " position " + std::to_string(kOutputs[k].x) + " 0\n";
        config += "exec swayidle -w timeout 1 '" + app + "/" + idleCommand + "'\n";
        config += "exec sh -c 'while [ -d /proc/" + std::to_string(getpid()) + " ]; do sleep 1; done; swaymsg exit'\n";
        session.Write("config", config);
        Shell("chown -R nobody:nogroup '" + session.Path() + "'");
        sway.Start(AsNobody({"env", "WLR_BACKENDS=headless", "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1",
                             "WLR_HEADLESS_OUTPUTS=2", "sway", "-c", session.Path() + "/config"}));
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
    std::vector<std::string> AsNobody(const std::vector<std::string>& argv) const {
        std::vector<std::string> environment = {"HOME=" + session.Path(), "PATH=/usr/bin:/bin",
                                                "XDG_RUNTIME_DIR=" + runtime};
        // Unset until sway listens: sway takes even an empty SWAYSOCK as its
        // own socket's path.
        if (!swaySocket.empty())
            environment.insert(environment.end(), {"WAYLAND_DISPLAY=" + waylandDisplay, "SWAYSOCK=" + swaySocket});
        return ::AsNobody(argv, environment, true);
    }

    TempDir session;
    std::string runtime = session.Path() + "/run";
    std::string waylandDisplay, swaySocket;
    ChildProcess sway, keyboard;
};

// `area` of `shot` as a picture of 16 x 12 cells, each the mean colour of its
// pixels: without the pixel-sized detail (stars, far grid lines) that differs
// between sizes.
RgbImage Cells(const RgbImage& shot, Area area) {
    std::vector<double> sums(16 * 12 * 3);
    for (int y = 0; y < area.height; ++y)
        for (int x = 0; x < area.width; ++x)
            for (int c = 0; c < 3; ++c)
                sums[((y * 12 / area.height) * 16 + x * 16 / area.width) * 3 + c] += shot.At(area.x + x, area.y + y)[c];
    RgbImage cells{16, 12, {}};
    for (double sum : sums)
        cells.rgb.push_back(static_cast<std::uint8_t>(sum * 16 * 12 / (area.width * area.height) + 0.5));
    return cells;
}

// Each output shows the scene over its whole area, the same frame at its own
// size, and it moves: no quarter of an output is flat (a window smaller than
// the outputs leaves the plain background there), and two shots a few frames
// apart differ.
bool OutputsShowTheScene(HeadlessSway& sway) {
    const RgbImage first = sway.Screenshot();
    usleep(200000);
    const RgbImage second = sway.Screenshot();
    if (first.width != kWidth || first.height != kHeight || Rmse(first, second) < 0.005) return false;
    for (const Area& output : kOutputs)
        for (int y = 0; y < output.height; y += output.height / 2)
            for (int x = 0; x < output.width; x += output.width / 2)
                if (Colours(second, output.x + x, output.y + y, output.width / 2, output.height / 2) < 20) return false;
    return Rmse(Cells(second, kOutputs[0]), Cells(second, kOutputs[1])) < 0.04;
}

TEST(Wayland, SwayidleStartsItOnEachIdlePeriodOverEveryOutputAndAKeyEndsIt) {
    HeadlessSway sway("velmora /s --no-music");
    ASSERT_TRUE(WaitUntil([&] { return sway.Listening(); }, 10000)) << "sway did not start";
    ASSERT_TRUE(sway.PlugKeyboard()) << "no virtual keyboard on the seat";
    std::vector<int> saver;
    ASSERT_TRUE(WaitUntil([&] { return (saver = OwnProcesses("velmora")).size() == 1; }, 10000))
        << "swayidle did not start velmora";
    EXPECT_TRUE(WaitUntil([&] { return OutputsShowTheScene(sway); }, 20000)) << "the first run";
    ASSERT_EQ(sway.Run({"wtype", "-k", "space"}).exitCode, 0);
    EXPECT_TRUE(WaitUntil([&] { return LivingProcesses().count(saver[0]) == 0; }, 3000)) << "a key did not end it";
    // The key was input: a new idle period starts it again.
    std::vector<int> next;
    ASSERT_TRUE(WaitUntil([&] { return (next = OwnProcesses("velmora")).size() == 1 && next[0] != saver[0]; }, 10000))
        << "the next idle period did not start velmora";
    EXPECT_TRUE(WaitUntil([&] { return OutputsShowTheScene(sway); }, 20000)) << "the second run";
}

}  // namespace
