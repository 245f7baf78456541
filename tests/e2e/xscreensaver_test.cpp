// Debian's XScreenSaver daemon running the program, as a user of its own (it
// starts nothing as root), and its settings page.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "audio_fit.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/x_window.h"
#include "support/xvfb.h"

namespace {

namespace fs = std::filesystem;

bool Running(const char* command) { return Shell("pgrep -x -u nobody " + std::string(command)) != ""; }

// nobody's running velmora processes on `display` (any of its screens).
std::vector<int> SaversOn(const std::string& display) {
    std::vector<int> pids;
    std::istringstream list(Shell("pgrep -x -u nobody -r R,S,D velmora"));
    for (int pid; list >> pid;) {
        std::istringstream variables(ReadFileBytes("/proc/" + std::to_string(pid) + "/environ"));
        for (std::string variable; std::getline(variables, variable, '\0');)
            if (variable == "DISPLAY=" + display || variable.rfind("DISPLAY=" + display + ".", 0) == 0) pids.push_back(pid);
    }
    return pids;
}


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

// The daemon runs one process per monitor; with the music on, only one of
// them plays it (music_test checks that another takes it over).
TEST(XScreenSaver, OnTwoMonitorsOneProcessPlaysTheMusic) {
    const std::string display = EnsureTwoMonitorXephyr();
    TempDir home;
    home.Write(".xscreensaver", "timeout: 0:30:00\nmode: one\nselected: 0\nprograms: velmora -root --music\n");
    std::ofstream(home.Path() + "/alsoft.conf") << "[general]\ndrivers=wave\nfrequency=44100\nchannels=stereo\n"
        "sample-type=float32\noutput-limiter=false\ndither=false\nhrtf=false\n[wave]\nfile=" << home.Path() << "/out.wav\n";
    fs::permissions(home.Path(), fs::perms::all);
    for (const char* file : {"/.xscreensaver", "/alsoft.conf"}) fs::permissions(home.Path() + file, fs::perms::all);
    const std::vector<std::string> nobody = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "env",
        "DISPLAY=" + display, "HOME=" + home.Path(), "TMPDIR=" + home.Path(), "ALSOFT_CONF=" + home.Path() + "/alsoft.conf",
        "ALSOFT_LOGLEVEL=0", "ASAN_OPTIONS=detect_leaks=0", "PATH=" VELMORA_BUILD_DIR ":/usr/bin:/bin"};
    std::vector<std::string> daemon = nobody;
    daemon.insert(daemon.end(), {"xscreensaver", "-no-splash"});
    ChildProcess xscreensaver;
    ASSERT_TRUE(xscreensaver.Start(daemon));
    std::vector<std::string> command = nobody;
    command.insert(command.end(), {"xscreensaver-command", "-activate"});
    ASSERT_TRUE(WaitUntil([&] { return RunProcess(command).exitCode == 0; }, 10000));
    ASSERT_TRUE(WaitUntil([&] { return SaversOn(display).size() == 2; }, 30000)) << "one process per monitor";
    // Once the music plays: exactly one process reads it, with one music
    // thread, into one stream of the wave capture; checked for a while, as the
    // others keep asking.
    EXPECT_TRUE(WaitUntil([&] { return ProcessesHoldingFile(SaversOn(display), "/xt") > 0; }, 30000));
    for (int check = 0; check < 12; ++check) {
        const std::vector<int> savers = SaversOn(display);
        EXPECT_EQ(savers.size(), 2u);
        EXPECT_EQ(ProcessesHoldingFile(savers, "/xt"), 1) << "processes reading the music";
        EXPECT_EQ(ProcessesRunningThread(savers, "velmora-music"), 1) << "processes with a music thread";
        EXPECT_EQ(ProcessesHoldingFile(savers, "/out.wav"), 1) << "OpenAL devices writing the capture";
        WaitUntil([] { return false; }, 250);
    }
    command.back() = "-deactivate";
    RunProcess(command);
    // How quickly is the first test's concern: the daemon runs its programs at
    // nice 10, which a busy machine starves.
    EXPECT_TRUE(WaitUntil([&] { return SaversOn(display).empty(); }, 30000));
    xscreensaver.Kill(SIGTERM);
    xscreensaver.Wait(5000);
    // One stream, heard as the file decodes, not two out of step.
    Pcm capture = ReadCapture(home.Path() + "/out.wav");
    CaptureFit fit = FitCapture(capture, Decode(std::string(VELMORA_BUILD_DIR) + "/data/xt"), 22050);
    EXPECT_LT(fit.residual, 1e-3);
    EXPECT_GT(LoudFrame(capture, true) - fit.lag, 44100) << "a second heard at least";
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
