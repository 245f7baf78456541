// Debian's XScreenSaver daemon running the program, as a user of its own (it
// starts nothing as root), and its settings page.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "support/process.h"
#include "support/temp_dir.h"
#include "support/x_window.h"
#include "support/xvfb.h"

namespace {

namespace fs = std::filesystem;

bool Running(const char* command) { return Shell("pgrep -x -u nobody " + std::string(command)) != ""; }

TEST(XScreenSaver, ActivateStartsTheProgramInItsWindowAndDeactivateEndsIt) {
    EnsureXvfb();
    TempDir home;
    home.Write(".xscreensaver", "timeout: 0:30:00\nmode: one\nselected: 0\nprograms: velmora -root --fps\n");
    fs::permissions(home.Path(), fs::perms::all);
    fs::permissions(home.Path() + "/.xscreensaver", fs::perms::all);
    const std::vector<std::string> nobody = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "env",
                                             "HOME=" + home.Path(), "PATH=" VELMORA_BUILD_DIR ":/usr/bin:/bin"};
    std::vector<std::string> daemon = nobody;
    daemon.insert(daemon.end(), {"xscreensaver", "-no-splash"});
    ChildProcess xscreensaver;
    ASSERT_TRUE(xscreensaver.Start(daemon));
    std::vector<std::string> command = nobody;
    command.insert(command.end(), {"xscreensaver-command", "-activate"});
    ASSERT_TRUE(WaitUntil([&] { return RunProcess(command).exitCode == 0; }, 10000));
    ASSERT_TRUE(WaitUntil([] { return Running("velmora"); }, 10000)) << "velmora was not started";
    // The daemon's window covers the screen; the program draws into it.
    EXPECT_TRUE(WaitUntil([] {
        for (unsigned long window : ChildWindows(RootWindowId())) {
            WindowGeometry geometry;  // the Xvfb is 800 x 600
            if (QueryGeometry(window, &geometry) && geometry.viewable && geometry.width == 800 && WindowShowsPicture(window))
                return true;
        }
        return false;
    }, 20000));
    command.back() = "-deactivate";
    RunProcess(command);
    EXPECT_TRUE(WaitUntil([] { return !Running("velmora"); }, 1500)) << "velmora still runs after -deactivate";
    xscreensaver.Kill(SIGTERM);
    xscreensaver.Wait(5000);
}

// The page is well formed and passes only options the program knows.
TEST(XScreenSaver, SettingsPagePassesOnlyTheProgramsOwnOptions) {
    const std::string help = RunProcess({VELMORA_EXE, "--help"}).out;
    std::istringstream values(RunProcess({"xmllint", "--xpath", "//@arg|//@arg-set|//@arg-unset",
                                          VELMORA_SOURCE_DIR "/packaging/velmora.xml"}).out);
    int options = 0;
    for (std::string name, option; std::getline(values, name, '"') && std::getline(values, option, '"'); ++options)
        EXPECT_NE(help.find(" " + option), std::string::npos) << option;
    EXPECT_EQ(options, 4) << "-root, --music, --no-music, --fps";
}

}  // namespace
