// Full-screen runs on two monitors: side by side from Xephyr, and set during
// a run with RandR on the test's Xvfb.
#include <gtest/gtest.h>

#include "support/image.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/x_window.h"
#include "support/xvfb.h"

namespace {

TEST(Monitors, EachOfTwoShowsTheWholeFrameAtItsOwnSize) {
    const std::string display = EnsureTwoMonitorXephyr();
    TempDir config;
    ChildProcess saver;
    ASSERT_TRUE(saver.Start({VELMORA_EXE, "/s"}, {"DISPLAY=" + display, "XDG_CONFIG_HOME=" + config.Path()}));
    EXPECT_TRUE(CoversBothXephyrMonitors(display, 30000));
    // Xephyr keeps the pointer on its first head: a key, which reaches the
    // window on either monitor.
    Shell("DISPLAY=" + display + " xdotool key space");
    ExpectEnd(saver);
}

TEST(Monitors, MonitorsSetDuringARunGetTheirOwnViewsAndInputOnTheSecondEndsIt) {
    const std::string display = EnsureXvfb();
    TempDir config;
    ChildProcess saver;
    ASSERT_TRUE(saver.Start({VELMORA_EXE, "/s"}, {"XDG_CONFIG_HOME=" + config.Path()}));
    const Area left{0, 0, 400, 600}, right{400, 0, 400, 600};
    ASSERT_TRUE(WaitUntil([&] { return Colours(Screenshot(0, display), 0, 0, 800, 600) > 200; }, 20000));
    EXPECT_GT(AreaDifference(Screenshot(0, display), left, right), 0.1) << "one picture on the one monitor";
    // Two monitors of one size: the second gets a copy of the first's picture.
    Shell(
        "xrandr --setmonitor left 400/100x600/100+0+0 screen && xrandr --setmonitor right 400/100x600/100+400+0 none");
    EXPECT_TRUE(WaitUntil([&] { return AreaDifference(Screenshot(0, display), left, right) == 0.0; }, 5000));
    Shell("xdotool mousemove 600 300 sleep 0.4 click 1");
    ExpectEnd(saver);
    Shell("xrandr --delmonitor right; xrandr --delmonitor left");
}

}  // namespace
