// The shell's pure rules: the command line, frame pacing, the mouse rule, the
// monitors' views and the program folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/settings_file.h"
#include "shell/command_line.h"
#include "settings/data_paths.h"
#include "shell/frame_clock.h"
#include "shell/screen_window.h"
#include "support/temp_dir.h"

namespace {

TEST(CommandLine, ArgumentStringsAndSwitches) {
    const struct {
        std::vector<const char*> args;
        const char* xscreensaverWindow;
        RunMode mode;
        std::uint64_t window;
    } cases[] = {
        {{"/s"}, nullptr, RunMode::FullScreen, 0},   {{"-S"}, nullptr, RunMode::FullScreen, 0},
        {{"s"}, "0x10", RunMode::FullScreen, 0},     {{"/s", ""}, nullptr, RunMode::Invalid, 0},
        {{"/s", "1"}, nullptr, RunMode::Invalid, 0}, {{}, nullptr, RunMode::Configure, 0},
        {{"x"}, nullptr, RunMode::Configure, 0},     {{"-p", "1234"}, nullptr, RunMode::Configure, 0},
        {{"ss"}, nullptr, RunMode::Configure, 0},    {{"/P", "1234"}, nullptr, RunMode::Preview, 1234},
        {{"/p1234"}, nullptr, RunMode::Preview, 0},  {{"/p:1234"}, nullptr, RunMode::Preview, 1234},
        {{"/c:5678"}, nullptr, RunMode::ConfigureOwned, 5678},  {{"/p", "12ab"}, nullptr, RunMode::Preview, 12},
        {{"/p", "+5"}, nullptr, RunMode::Preview, 5}, {{"/p"}, nullptr, RunMode::Preview, 0},
        {{"/pxyz", "99"}, nullptr, RunMode::Preview, 99}, {{"/C", "5678"}, nullptr, RunMode::ConfigureOwned, 5678},
        {{"/c"}, nullptr, RunMode::ConfigureOwned, 0}, {{"/a"}, nullptr, RunMode::Invalid, 0},
        {{"/"}, nullptr, RunMode::Invalid, 0},       {{"/x", "12"}, nullptr, RunMode::Invalid, 0},
        {{"-root"}, nullptr, RunMode::XScreenSaverRoot, 0},
        {{"--root"}, "0x1c00007", RunMode::XScreenSaverRoot, 0x1c00007},
        {{"-root"}, "junk", RunMode::XScreenSaverRoot, 0},
        {{"-root", "extra"}, nullptr, RunMode::Invalid, 0},
        {{"-window-id", "0x2a"}, nullptr, RunMode::XScreenSaverWindow, 42},
        {{"--window-id", "1234"}, nullptr, RunMode::XScreenSaverWindow, 1234},
        {{"-window-id"}, nullptr, RunMode::Invalid, 0},
        {{"-window-id", "12x"}, nullptr, RunMode::Invalid, 0},
        {{"--snapshot", "a.png"}, nullptr, RunMode::Snapshot, 0},
    };
    for (const auto& c : cases) {
        std::vector<const char*> argv = {"velmora"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        std::string line = JoinArguments(static_cast<int>(argv.size()), const_cast<char**>(argv.data()));
        SCOPED_TRACE('"' + line + '"');
        CommandLine parsed =
            ParseCommandLine(static_cast<int>(argv.size()), const_cast<char**>(argv.data()), c.xscreensaverWindow);
        EXPECT_EQ(parsed.mode, c.mode);
        EXPECT_EQ(parsed.window, c.window);
    }
    EXPECT_EQ(ParseArgumentString("/p   77").window, 77u);
    // Options stand anywhere and leave the switches to the rules above.
    const struct {
        std::vector<const char*> args;
        RunMode mode;
        int music;
        bool fps;
    } options[] = {
        {{"-root", "--music", "--fps"}, RunMode::XScreenSaverRoot, 1, true},
        {{"--no-music", "/s"}, RunMode::FullScreen, 0, false},
        {{"/p", "-fps", "12"}, RunMode::Preview, -1, true},
        {{"/s", "--help"}, RunMode::Help, -1, false},
        {{"--version", "/a"}, RunMode::Version, -1, false},
        {{"--fps", "--snapshot", "a.png"}, RunMode::Snapshot, -1, true},
        {{"--musik"}, RunMode::Configure, -1, false},
    };
    for (const auto& c : options) {
        std::vector<const char*> argv = {"velmora"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        CommandLine line = ParseCommandLine(int(argv.size()), const_cast<char**>(argv.data()), nullptr);
        EXPECT_EQ(std::tuple(line.mode, line.music, line.showFps), std::tuple(c.mode, c.music, c.fps)) << c.args[0];
    }
    EXPECT_EQ(ParseCommandLine(4, const_cast<char**>(std::vector<const char*>{"v", "/p", "-fps", "12"}.data()),
                               nullptr).window, 12u);
    EXPECT_EQ(ParseArgumentString("/s ").mode, RunMode::Invalid);
}

TEST(CommandLine, AtoiRule) {
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {{"", 0},    {"abc", 0}, {" \t42", 42}, {"-7", -7}, {"+8x", 8}, {"- 3", 0},
                 {"2147483647", 2147483647}, {"2147483648", INT32_MIN}, {"007", 7}};
    for (const auto& c : cases) EXPECT_EQ(AtoiRule(c.text), c.value) << '"' << c.text << '"';
}

TEST(FramePacer, FramesOnlyAfterMoreThan40MillisecondsWithoutCatchingUp) {
    const struct {
        const char* what;
        std::uint32_t start;
        std::vector<std::uint32_t> looks, frames;
    } cases[] = {
        {"not at 40", 1000, {1000, 1020, 1040, 1041, 1042}, {1041}},
        {"each from the last", 0, {41, 81, 82, 123, 164}, {41, 82, 123, 164}},
        {"no catch-up after a slow frame", 0, {41, 241, 242, 260, 282, 283}, {41, 241, 282}},
        {"wraps at 2^32", 0xFFFFFFF0u, {0xFFFFFFFFu, 24u, 25u, 66u}, {25u, 66u}},
        {"a clock behind the last frame waits", 5000, {4000, 4500, 5040, 5041}, {5041}},
    };
    for (const auto& c : cases) {
        FramePacer pacer;
        pacer.Start(c.start);
        std::vector<std::uint32_t> frames;
        for (std::uint32_t now : c.looks)
            if (pacer.TakeFrame(now)) frames.push_back(now);
        EXPECT_EQ(frames, c.frames) << c.what;
    }
    FramePacer pacer;
    pacer.Start(100);
    for (auto [now, wait] : {std::pair{100u, 41}, {120u, 21}, {140u, 1}, {141u, 0}, {500u, 0}, {90u, 41}})
        EXPECT_EQ(pacer.MillisecondsUntilDue(now), wait) << now;
    // Drawing resumes after a pause: at once, unless the last frame was 40 ms
    // ago or less; a pause past the clock's signed range is no clock set back.
    for (auto [now, due] : {std::pair{120u, false}, {141u, true}, {60100u, true}, {100u + 0x80000005u, true}}) {
        FramePacer resumed;
        resumed.Start(100);
        resumed.Resume(now);
        EXPECT_EQ(resumed.TakeFrame(now), due) << now;
    }
}

TEST(ScreenWindowProc, MouseRuleMeasuresFromTheFirstMove) {
    const struct {
        int dx, dy;
        bool ends;
    } cases[] = {{5, 5, false}, {-5, -5, false}, {5, -5, false}, {0, 0, false}, {6, 0, true},
                 {-6, 0, true}, {0, 6, true},    {0, -6, true},  {3, -40, true}};
    for (const auto& c : cases) {
        MouseRule rule;
        EXPECT_FALSE(rule.Moved(100, 100));  // the first move only sets the reference
        EXPECT_EQ(rule.Moved(100 + c.dx, 100 + c.dy), c.ends) << c.dx << "," << c.dy;
    }
    MouseRule rule;
    rule.Moved(100, 100);
    for (int x = 101; x <= 105; ++x) EXPECT_FALSE(rule.Moved(x, 100));
    EXPECT_TRUE(rule.Moved(106, 100)) << "a slow drift ends the run";
}

TEST(LayOutViews, OneViewAMonitorCutToTheWindowClonesOnceInGLCoordinates) {
    using R = platform::MonitorRect;
    const std::vector<std::vector<R>> cases[] = {  // monitors (y down) in 1440 x 600, views (y up)
        {{}, {{0, 0, 1440, 600}}},
        {{{0, 0, 640, 480}, {640, 0, 800, 600}}, {{0, 120, 640, 480}, {640, 0, 800, 600}}},
        {{{-100, 0, 740, 700}, {640, 100, 900, 500}}, {{0, 0, 640, 600}, {640, 0, 800, 500}}},
        {{{0, 0, 1440, 600}, {0, 0, 640, 480}, {0, 0, 1440, 600}}, {{0, 0, 1440, 600}}},
        {{{1440, 0, 800, 600}}, {{0, 0, 1440, 600}}},
    };
    for (const auto& c : cases) {
        platform::MonitorList list;
        for (const R& m : c[0]) list.monitors[list.count++] = m;
        ScreenViews views;
        LayOutViews(list, 1440, 600, &views);
        std::vector<std::tuple<int, int, int, int>> got, expected;
        for (int k = 0; k < views.count; ++k) {
            const R& v = views.viewports[k];
            got.emplace_back(v.x, v.y, v.width, v.height);
        }
        for (const R& v : c[1]) expected.emplace_back(v.x, v.y, v.width, v.height);
        EXPECT_EQ(got, expected) << c[0].size() << " monitors";
    }
}

TEST(DataPaths, InstallRecordOrTheExecutablesFolder) {
    TempDir config;
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    const std::string exe = platform::ExecutableFolder();
    const std::string longest(254, 'a');
    const struct {
        bool stored;
        std::string install, folder;
    } cases[] = {
        {false, "", exe},
        {true, "/opt/velmora/", "/opt/velmora/"},
        {true, std::string("/opt/velmora/\0", 14), "/opt/velmora/"},  // stored with its zero
        {true, "/opt/velmora", "/opt/velmora"},                       // used unchanged
        {true, longest + '\0', longest},
        {true, longest + 'b', exe},  // 255 bytes leave no room for the zero
        {true, std::string(300, 'c'), exe},
    };
    for (const auto& c : cases) {
        if (c.stored) config.Write("velmora/settings", EncodeSettings({{"install", c.install}}));
        EXPECT_EQ(ReadInstallFolder(), c.folder) << c.install.size();
    }
    // Data paths are formed, or refused, never cut short.
    char path[kDataPathSize];
    programFolder = "/srv/saver";  // no trailing separator: appended as is
    ASSERT_TRUE(FormDataPath("p", path));
    EXPECT_STREQ(path, "/srv/saverdata/p");
    programFolder = std::string(313, 'x');  // + "data/6" = 319 characters and the zero
    ASSERT_TRUE(FormDataPath("6", path));
    EXPECT_EQ(std::string(path), programFolder + "data/6");
    programFolder += 'x';
    EXPECT_FALSE(FormDataPath("6", path));
    EXPECT_STREQ(path, "");
}

}  // namespace
