// Debian's XScreenSaver daemon running the program, as a user of its own (it
// starts nothing as root), and the settings page in the daemon's format.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <set>
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
            WindowGeometry geometry;
            int width, height;
            ScreenSize(&width, &height);
            if (QueryGeometry(window, &geometry) && geometry.viewable && geometry.width == width &&
                WindowShowsPicture(window))
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

// Every element and attribute of the page is one that Debian's own pages use.
TEST(XScreenSaver, SettingsPageIsWellFormedInTheDaemonsVocabulary) {
    const std::string page = VELMORA_SOURCE_DIR "/packaging/velmora.xml";
    EXPECT_EQ(RunProcess({"xmllint", "--noout", page}).exitCode, 0);
    // Names after '<' (elements) and before '="' (attributes).
    auto vocabulary = [](const std::string& text) {
        std::set<std::string> words;
        auto name = [](char c) { return (c >= 'a' && c <= 'z') || c == '_' || c == '-'; };
        for (size_t at = 0; at < text.size(); ++at) {
            if (text[at] == '<' && at + 1 < text.size() && name(text[at + 1])) {
                size_t end = at + 1;
                while (end < text.size() && name(text[end])) ++end;
                words.insert(text.substr(at + 1, end - at - 1));
            } else if (text.compare(at, 2, "=\"") == 0) {
                size_t begin = at;
                while (begin > 0 && name(text[begin - 1])) --begin;
                if (begin < at) words.insert(text.substr(begin, at - begin));
            }
        }
        return words;
    };
    std::set<std::string> known;
    for (const auto& entry : fs::directory_iterator("/usr/share/xscreensaver/config"))
        for (const std::string& word : vocabulary(ReadFileBytes(entry.path().string()))) known.insert(word);
    for (const std::string& word : vocabulary(ReadFileBytes(page))) EXPECT_EQ(known.count(word), 1u) << word;
    EXPECT_NE(ReadFileBytes(page).find("<command arg=\"-root\"/>"), std::string::npos);
}

}  // namespace
