// The real velmora on the test's Xvfb, driven with xdotool.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <tuple>

#include "support/image.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/x_window.h"
#include "support/xvfb.h"

namespace {

class ShellEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { EnsureXvfb(); }

    // Starts velmora and waits for a drawn frame in its window: the main loop
    // runs and the mouse rule is armed, so input sent now is not read early.
    void Start(ChildProcess& child, const std::vector<std::string>& args) {
        std::vector<std::string> argv = {VELMORA_EXE};
        argv.insert(argv.end(), args.begin(), args.end());
        ASSERT_TRUE(child.Start(argv, env));
        ASSERT_NE(DrawnScreenWindow(20000), 0u) << "no frame drawn; " << (child.Running() ? "" : child.Wait(100).err);
    }

    TempDir config;
    std::vector<std::string> env = {"XDG_CONFIG_HOME=" + config.Path()};
};

TEST_F(ShellEndToEnd, FullScreenCoversTheScreenAndOnlyRealInputEndsIt) {
    Xdotool("mousemove 200 200");
    ChildProcess saver;
    Start(saver, {"/s", "--fps"});
    auto windows = WindowsNamed("orvane");
    ASSERT_EQ(windows.size(), 1u);
    WindowGeometry geometry;
    ASSERT_TRUE(QueryGeometry(windows[0], &geometry));
    EXPECT_EQ(std::make_tuple(geometry.x, geometry.y, geometry.width, geometry.height), std::make_tuple(0, 0, 800, 600));
    EXPECT_TRUE(CursorIsInvisible());
    // --fps: white text in the lower left corner.
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    const RgbImage shot = Screenshot(windows[0]);
    int white = 0;
    for (int y = shot.height - 40; y < shot.height && y > 0; ++y)
        for (int x = 0; x < 240 && x < shot.width; ++x) white += shot.At(x, y)[0] > 230 && shot.At(x, y)[2] > 230;
    EXPECT_GT(white, 30);
    // The wheel, extra buttons, system keys and releases end nothing.
    for (const char* input : {"click 4", "click 5", "click 8", "click 9", "key alt", "key F10", "key alt+x",
                              "key Alt_R", "key alt+F4", "keyup a"}) {
        Xdotool(input);
        EXPECT_TRUE(StillRunningAfter(saver, 150)) << input;
    }
    // The first movement only sets the reference, however far it goes; the
    // rule reads the pointer when it handles the event, so each move is given
    // time to be handled before the next.
    for (const char* to : {"600 500", "605 495", "603 503"}) {
        Xdotool(std::string("mousemove ") + to);
        EXPECT_TRUE(StillRunningAfter(saver, 400)) << to;
    }
    Xdotool("mousemove 606 500");  // 6 from the reference, not from the last position
    ExpectEnd(saver);
}

TEST_F(ShellEndToEnd, ButtonsOneToThreeEndIt) {
    for (const char* button : {"1", "2", "3"}) {
        ChildProcess saver;
        Start(saver, {"/s"});
        Xdotool(std::string("click ") + button);
        ExpectEnd(saver);
    }
}

TEST_F(ShellEndToEnd, SecondFullScreenStartRestoresTheFirstAndEnds) {
    ChildProcess first;
    Start(first, {"/s"});
    unsigned long window = WindowsNamed("orvane").at(0);
    UnmapWindow(window);  // minimised: the second start restores it
    ProcessResult second = RunProcess({VELMORA_EXE, "/s"}, env, "", 10000);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.out + second.err, "");
    EXPECT_EQ(WindowsNamed("orvane"), std::vector<unsigned long>{window});
    WindowGeometry geometry;
    ASSERT_TRUE(QueryGeometry(window, &geometry));
    EXPECT_TRUE(geometry.viewable);
    Xdotool("key space");
    ExpectEnd(first);
    // With the first one gone, a new start is a first instance again.
    ChildProcess again;
    Start(again, {"/s"});
    Xdotool("key Return");
    ExpectEnd(again);
}

TEST_F(ShellEndToEnd, PreviewFillsItsParentIgnoresInputHoldsTheLockAndEndsWithIt) {
    TestWindow parent(320, 240);
    ChildProcess preview;
    Start(preview, {"/p", std::to_string(parent.Id())});
    auto children = ChildWindows(parent.Id());
    ASSERT_EQ(children.size(), 1u);
    WindowGeometry geometry;
    ASSERT_TRUE(QueryGeometry(children[0], &geometry));
    EXPECT_EQ(geometry.width, 320);
    EXPECT_EQ(geometry.height, 240);
    Xdotool("mousemove 50 50 key space click 1 mousemove 300 200 click 3");
    EXPECT_TRUE(StillRunningAfter(preview, 400));
    EXPECT_FALSE(CursorIsInvisible());
    // A full-screen start while a preview runs ends at once.
    EXPECT_EQ(RunProcess({VELMORA_EXE, "/s"}, env, "", 10000).exitCode, 0);
    EXPECT_EQ(WindowsNamed("orvane").size(), 1u);
    Xdotool("windowsize " + std::to_string(parent.Id()) + " 200 150");
    EXPECT_TRUE(WaitUntil([&] { return QueryGeometry(children[0], &geometry) && geometry.width == 200 &&
                                       geometry.height == 150; }));
    parent.Destroy();
    ExpectEnd(preview, 0, 3000);
}

TEST_F(ShellEndToEnd, XScreenSaverRunsIgnoreInputAndEndOnASignalOrWithTheirWindow) {
    const struct {
        const char* option;  // followed by the window's id, but for -root
        bool namedWindow;    // XSCREENSAVER_WINDOW set
        int signal;          // 0: the window is destroyed
    } cases[] = {
        {"-window-id", false, SIGTERM}, {"-window-id", false, SIGINT}, {"-root", true, SIGTERM},
        {"-root", false, SIGTERM},      {"--window-id", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option + std::string(c.namedWindow ? " named" : "") + " signal " + std::to_string(c.signal));
        // A window for each run: the picture of the run before would show at once.
        TestWindow target(240, 180);
        char hex[32];
        std::snprintf(hex, sizeof hex, "0x%lx", target.Id());
        const bool root = std::string(c.option) == "-root";
        std::vector<std::string> argv = {VELMORA_EXE, c.option}, extra = env;
        if (!root) argv.push_back(c.signal != 0 ? hex : std::to_string(target.Id()));
        if (c.namedWindow) extra.push_back(std::string("XSCREENSAVER_WINDOW=") + hex);
        ChildProcess saver;
        ASSERT_TRUE(saver.Start(argv, extra));
        EXPECT_TRUE(WaitUntil([&] { return WindowShowsPicture(root && !c.namedWindow ? RootWindowId() : target.Id()); },
                              20000));
        Xdotool("mousemove 20 20 key space click 1 mousemove 600 500");
        EXPECT_TRUE(StillRunningAfter(saver, 300));
        if (c.signal != 0)
            saver.Kill(c.signal);
        else
            target.Destroy();
        ExpectEnd(saver);  // how quickly is measured by bench/idle_cpu
    }
}

// How soon a window shown again has a frame; the sanitizers make a frame
// several times slower.
#ifdef __SANITIZE_ADDRESS__
constexpr double kShownAgainMs = 400.0;
#else
constexpr double kShownAgainMs = 100.0;
#endif

// A window nobody can see draws nothing and its loop waits instead of
// spinning; shown again, it draws at once. The XScreenSaver window stands for
// the daemon's, which it unmaps.
TEST_F(ShellEndToEnd, WindowsNobodySeesDrawNothingAndShownAgainDrawAtOnce) {
    const struct {
        const char* what;
        const char* option;  // followed by the parent's id
        bool cover;          // covered by another window, else the parent unmapped
    } cases[] = {
        {"preview covered", "/p", true},
        {"preview in an unmapped parent", "/p", false},
        {"XScreenSaver window unmapped", "-window-id", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestWindow parent(320, 240);
        ChildProcess saver;
        ASSERT_TRUE(saver.Start({VELMORA_EXE, c.option, std::to_string(parent.Id())}, env));
        ASSERT_TRUE(WaitUntil([&] { return WindowShowsPicture(parent.Id()); }, 20000));
        const unsigned long drawn = c.option[0] == '/' ? ChildWindows(parent.Id()).at(0) : parent.Id();
        auto cover = c.cover ? std::make_unique<TestWindow>(400, 300) : nullptr;  // over the parent at (10, 10)
        if (!c.cover) UnmapWindow(parent.Id());
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // a frame under way ends
        EXPECT_LT(CpuShareOver(saver.Pid(), 5000), 0.02);
        // Shown again, the window is black until a frame is drawn; then the
        // frames go on.
        const auto shown = std::chrono::steady_clock::now();
        if (c.cover)
            cover->Destroy();
        else
            MapWindow(parent.Id());
        EXPECT_TRUE(WaitUntil([&] { return WindowShowsPicture(drawn); }, 5000));
        const double took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - shown).count();
        EXPECT_LT(took, kShownAgainMs);
        const RgbImage frame = Screenshot(drawn);
        EXPECT_TRUE(WaitUntil([&] { return Rmse(Screenshot(drawn), frame) > 0.0; }, 2000));
        saver.Kill(SIGTERM);
        ExpectEnd(saver);
    }
}

// Errors are one line on standard error; help and version answer on standard output.
TEST_F(ShellEndToEnd, SwitchesThatOpenNoWindow) {
    const struct {
        std::vector<std::string> args;
        int code;
        std::string out{};  // its beginning
    } cases[] = {
        {{"/a"}, 2}, {{"/s", "1"}, 2}, {{"/x", "12"}, 2}, {{"/"}, 2}, {{"-window-id"}, 2},
        {{"-window-id", "nothing"}, 2}, {{"/p", "12345"}, 1}, {{"/p"}, 1}, {{"-window-id", "0x7"}, 1},
        {{"/s", "--version"}, 0, "velmora " VELMORA_VERSION "\n"}, {{"--help"}, 0, "usage: velmora"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv = {VELMORA_EXE};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        ProcessResult result = RunProcess(argv, env, "", 10000);
        EXPECT_EQ(result.exitCode, c.code) << c.args[0];
        EXPECT_EQ(c.code == 0 && c.out.back() != '\n' ? result.out.substr(0, c.out.size()) : result.out, c.out);
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), c.code != 0 ? 1 : 0) << result.err;
        EXPECT_TRUE(result.err.empty() || result.err.back() == '\n') << result.err;
        EXPECT_TRUE(WindowsNamed("orvane").empty());
    }
}

}  // namespace
