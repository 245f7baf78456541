// Full-screen runs on two monitors: side by side from Xephyr, and set and
// removed during a run with RandR on the test's Xvfb.
#include <gtest/gtest.h>

#include <string>

#include "support/image.h"
#include "support/monitors.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

namespace {

void ExpectCleanEnd(ChildProcess& saver) {
    ProcessResult result = saver.Wait(10000);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

TEST(Monitors, EachOfTwoShowsTheWholeFrameAtItsOwnSize) {
    const std::string display = EnsureTwoMonitorXephyr();
    TempDir config;
    ChildProcess saver;
    ASSERT_TRUE(saver.Start({VELMORA_EXE, "/s"}, {"DISPLAY=" + display, "XDG_CONFIG_HOME=" + config.Path()}));
    EXPECT_TRUE(CoversBothXephyrMonitors(display, 30000)) << (saver.Running() ? "" : saver.Wait(100).err);
    // Xephyr keeps the pointer on the first head (XTest stops it at its edge):
    // a key press, which reaches the window on whichever monitor.
    Shell("DISPLAY=" + display + " xdotool key space");
    ExpectCleanEnd(saver);
}

TEST(Monitors, MonitorsSetDuringARunGetTheirOwnViewsAndInputOnTheSecondEndsIt) {
    EnsureXvfb();
    TempDir config;
    ChildProcess saver;
    ASSERT_TRUE(saver.Start({VELMORA_EXE, "/s"}, {"XDG_CONFIG_HOME=" + config.Path()}));
    const Area left{0, 0, 400, 600}, right{400, 0, 400, 600};
    RgbImage shot;
    ASSERT_TRUE(WaitUntil([&] { return Colours(shot = RootScreenshot(EnsureXvfb()), 0, 0, 800, 600) > 200; }, 20000));
    EXPECT_GT(AreaDifference(shot, left, right), 0.1) << "one picture over the one monitor";
    // Two monitors of one size: the second shows the first one's picture.
    Shell("xrandr --setmonitor left 400/100x600/100+0+0 screen && xrandr --setmonitor right 400/100x600/100+400+0 none");
    EXPECT_TRUE(WaitUntil([&] { return AreaDifference(shot = RootScreenshot(EnsureXvfb()), left, right) == 0.0; }, 5000))
        << AreaDifference(shot, left, right);
    Shell("xdotool mousemove 600 300 sleep 0.4 click 1");
    ExpectCleanEnd(saver);
    Shell("xrandr --delmonitor right; xrandr --delmonitor left");
}

}  // namespace
