// The real velmora on an Xvfb of its own, driven with xdotool.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "support/process.h"
#include "support/temp_dir.h"
#include "support/x_window.h"
#include "support/xvfb.h"

namespace {

class ShellEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureXvfb();
        env = {"XDG_CONFIG_HOME=" + config.Path()};
    }

    // Starts velmora and waits for its window, named as the screensaver's.
    void Start(ChildProcess& child, const std::vector<std::string>& args, size_t windows = 1) {
        std::vector<std::string> argv = {VELMORA_EXE};
        argv.insert(argv.end(), args.begin(), args.end());
        ASSERT_TRUE(child.Start(argv, env));
        ASSERT_TRUE(WaitUntil([&] { return WindowsNamed("orvane").size() >= windows; }, 10000))
            << "no window; stderr: " << child.Wait(100).err;
        // A drawn frame means the main loop runs and the mouse rule is armed;
        // input sent before would be read only once the loop starts.
        ASSERT_TRUE(WaitUntil([] {
            for (unsigned long window : WindowsNamed("orvane"))
                if (WindowShowsPicture(window)) return true;
            return false;
        }, 20000)) << "no frame drawn";
    }

    static void Xdotool(const std::string& arguments) { Shell("xdotool " + arguments + " 2>&1"); }

    // For windows velmora draws into without making them.
    static bool DrawsInto(unsigned long window) {
        return WaitUntil([&] { return WindowShowsPicture(window); }, 20000);
    }

    static bool StillRunningAfter(ChildProcess& child, int milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        return child.Running();
    }

    static void ExpectCleanEnd(ChildProcess& child, int withinMs = 5000) {
        ProcessResult result = child.Wait(withinMs);
        EXPECT_FALSE(result.timedOut) << "did not end";
        EXPECT_FALSE(result.signaled) << "signal " << result.signal << "\n" << result.err;
        EXPECT_EQ(result.exitCode, 0) << result.err;
    }

    TempDir config;
    std::vector<std::string> env;
};

TEST_F(ShellEndToEnd, FullScreenCoversTheScreenAndEndsOnAKey) {
    Xdotool("mousemove 10 10");
    ChildProcess saver;
    Start(saver, {"/s"});
    auto windows = WindowsNamed("orvane");
    ASSERT_EQ(windows.size(), 1u);
    WindowGeometry geometry;
    ASSERT_TRUE(QueryGeometry(windows[0], &geometry));
    int width, height;
    ScreenSize(&width, &height);
    EXPECT_EQ(geometry.x, 0);
    EXPECT_EQ(geometry.y, 0);
    EXPECT_EQ(geometry.width, width);
    EXPECT_EQ(geometry.height, height);
    EXPECT_TRUE(geometry.viewable);
    EXPECT_TRUE(CursorIsInvisible());
    Xdotool("key space");
    ExpectCleanEnd(saver);
}

TEST_F(ShellEndToEnd, ButtonsOneToThreeEndTheWheelAndExtraButtonsDoNot) {
    for (const char* button : {"1", "2", "3"}) {
        ChildProcess saver;
        Start(saver, {"/s"});
        for (const char* ignored : {"4", "5", "8", "9"}) Xdotool(std::string("click ") + ignored);
        EXPECT_TRUE(StillRunningAfter(saver, 300)) << "ended by the wheel or an extra button";
        Xdotool(std::string("click ") + button);
        ExpectCleanEnd(saver);
    }
}

TEST_F(ShellEndToEnd, SystemKeysAndReleasesDoNotEndTheRun) {
    ChildProcess saver;
    Start(saver, {"/s"});
    for (const char* keys : {"alt", "F10", "alt+x", "Alt_R", "alt+F4"}) {
        Xdotool(std::string("key ") + keys);
        EXPECT_TRUE(StillRunningAfter(saver, 200)) << keys;
    }
    Xdotool("keyup a");
    EXPECT_TRUE(StillRunningAfter(saver, 200));
    Xdotool("key Return");
    ExpectCleanEnd(saver);
}

TEST_F(ShellEndToEnd, MouseRule) {
    Xdotool("mousemove 200 200");
    ChildProcess saver;
    Start(saver, {"/s"});
    // The first movement only sets the reference, however far it goes.
    // The rule reads the pointer when it handles the event, so each move is
    // given time to be handled before the next.
    Xdotool("mousemove 600 500");
    EXPECT_TRUE(StillRunningAfter(saver, 500));
    Xdotool("mousemove 605 495");  // 5 pixels in both axes
    EXPECT_TRUE(StillRunningAfter(saver, 500));
    Xdotool("mousemove 603 503");
    EXPECT_TRUE(StillRunningAfter(saver, 500));
    Xdotool("mousemove 606 500");  // 6 from the reference, not from the last position
    ExpectCleanEnd(saver);
}

TEST_F(ShellEndToEnd, SecondFullScreenStartRaisesTheFirstAndEnds) {
    ChildProcess first;
    Start(first, {"/s"});
    unsigned long window = WindowsNamed("orvane").at(0);
    UnmapWindow(window);  // minimised: the second start restores it
    WindowGeometry geometry;
    ASSERT_TRUE(QueryGeometry(window, &geometry));
    ASSERT_FALSE(geometry.viewable);
    ProcessResult second = RunProcess({VELMORA_EXE, "/s"}, env, "", 10000);
    EXPECT_FALSE(second.timedOut);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.out + second.err, "");
    EXPECT_EQ(WindowsNamed("orvane"), std::vector<unsigned long>{window});
    ASSERT_TRUE(QueryGeometry(window, &geometry));
    EXPECT_TRUE(geometry.viewable);
    EXPECT_TRUE(first.Running());
    Xdotool("key space");
    ExpectCleanEnd(first);
    // With the first one gone, a new start is a first instance again.
    ChildProcess again;
    Start(again, {"/s"});
    Xdotool("key space");
    ExpectCleanEnd(again);
}

TEST_F(ShellEndToEnd, PreviewFillsItsParentIgnoresInputAndEndsWithIt) {
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
    EXPECT_FALSE(CursorIsInvisible());  // the arrow over a preview

    parent.Resize(200, 150);
    EXPECT_TRUE(WaitUntil([&] {
        WindowGeometry now;
        return QueryGeometry(children[0], &now) && now.width == 200 && now.height == 150;
    }));

    parent.Destroy();
    ExpectCleanEnd(preview, 3000);
}

TEST_F(ShellEndToEnd, PreviewHoldsTheLockAgainstAFullScreenStart) {
    TestWindow parent(160, 120);
    ChildProcess preview;
    Start(preview, {"/p", std::to_string(parent.Id())});
    ProcessResult fullScreen = RunProcess({VELMORA_EXE, "/s"}, env, "", 10000);
    EXPECT_EQ(fullScreen.exitCode, 0);
    EXPECT_EQ(WindowsNamed("orvane").size(), 1u);
    parent.Destroy();
    ExpectCleanEnd(preview, 3000);
}

TEST_F(ShellEndToEnd, XScreenSaverWindowIgnoresInputAndEndsOnSigterm) {
    TestWindow target(240, 180);
    for (int signal : {SIGTERM, SIGINT}) {
        ChildProcess saver;
        char hex[32];
        std::snprintf(hex, sizeof hex, "0x%lx", target.Id());
        ASSERT_TRUE(saver.Start({VELMORA_EXE, "-window-id", hex}, env));
        EXPECT_TRUE(DrawsInto(target.Id()));
        Xdotool("mousemove 20 20 key space click 1 mousemove 600 600");
        EXPECT_TRUE(StillRunningAfter(saver, 300));
        saver.Kill(signal);
        ExpectCleanEnd(saver, 5000);  // the time it takes is measured by bench/idle_cpu
    }
}

TEST_F(ShellEndToEnd, XScreenSaverRootRendersIntoTheNamedWindowOrTheRoot) {
    TestWindow target(200, 150);
    char hex[32];
    std::snprintf(hex, sizeof hex, "0x%lx", target.Id());
    for (bool named : {true, false}) {
        ChildProcess saver;
        std::vector<std::string> extra = env;
        if (named) extra.push_back(std::string("XSCREENSAVER_WINDOW=") + hex);
        ASSERT_TRUE(saver.Start({VELMORA_EXE, "-root"}, extra));
        EXPECT_TRUE(DrawsInto(named ? target.Id() : RootWindowId()));
        Xdotool("key space click 1");
        EXPECT_TRUE(StillRunningAfter(saver, 300));
        saver.Kill(SIGTERM);
        ExpectCleanEnd(saver, 5000);
    }
}

TEST_F(ShellEndToEnd, XScreenSaverWindowEndsWhenItsWindowIsDestroyed) {
    TestWindow target(200, 150);
    ChildProcess saver;
    ASSERT_TRUE(saver.Start({VELMORA_EXE, "--window-id", std::to_string(target.Id())}, env));
    EXPECT_TRUE(DrawsInto(target.Id()));
    target.Destroy();
    ExpectCleanEnd(saver, 3000);
}

TEST_F(ShellEndToEnd, BadSwitchesAndWindowsEndWithAMessage) {
    const struct {
        std::vector<std::string> args;
        int code;
    } cases[] = {
        {{"/a"}, 2}, {{"/s", "1"}, 2}, {{"/x", "12"}, 2}, {{"/"}, 2}, {{"-window-id"}, 2},
        {{"-window-id", "nothing"}, 2}, {{"/p", "12345"}, 1}, {{"/p"}, 1}, {{"-window-id", "0x7"}, 1},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv = {VELMORA_EXE};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        ProcessResult result = RunProcess(argv, env, "", 10000);
        EXPECT_FALSE(result.timedOut) << c.args[0];
        EXPECT_EQ(result.exitCode, c.code) << c.args[0];
        // Exactly one line on standard error, nothing on standard output.
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(result.err.back(), '\n');
        EXPECT_TRUE(WindowsNamed("orvane").empty());
    }
}

}  // namespace
