#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct StringCase {
    const char* arguments;
    RunMode mode;
    std::uint64_t window;
};

TEST(ArgumentString, ModesAndHandles) {
    const StringCase cases[] = {
        {"/s", RunMode::FullScreen, 0},
        {"/S", RunMode::FullScreen, 0},
        {"-s", RunMode::FullScreen, 0},
        {"-S", RunMode::FullScreen, 0},
        {"s", RunMode::FullScreen, 0},
        {"S", RunMode::FullScreen, 0},
        {"/s ", RunMode::Invalid, 0},  // more text after the switch
        {"/s 1", RunMode::Invalid, 0},
        {"", RunMode::Configure, 0},
        {"x", RunMode::Configure, 0},
        {"-p 1234", RunMode::Configure, 0},
        {"-c", RunMode::Configure, 0},
        {"ss", RunMode::Configure, 0},
        {"/p 1234", RunMode::Preview, 1234},
        {"/P 1234", RunMode::Preview, 1234},
        {"/p1234", RunMode::Preview, 0},
        {"/p:1234", RunMode::Preview, 1234},
        {"/c:5678", RunMode::ConfigureOwned, 5678},
        {"/p 12ab", RunMode::Preview, 12},
        {"/p   77", RunMode::Preview, 77},
        {"/p +5", RunMode::Preview, 5},
        {"/p", RunMode::Preview, 0},
        {"/pxyz 99", RunMode::Preview, 99},
        {"/c 5678", RunMode::ConfigureOwned, 5678},
        {"/C 5678", RunMode::ConfigureOwned, 5678},
        {"/c 0", RunMode::ConfigureOwned, 0},
        {"/c", RunMode::ConfigureOwned, 0},
        {"/a", RunMode::Invalid, 0},
        {"/", RunMode::Invalid, 0},
        {"/x 12", RunMode::Invalid, 0},
    };
    for (const StringCase& c : cases) {
        CommandLine line = ParseArgumentString(c.arguments);
        EXPECT_EQ(line.mode, c.mode) << '"' << c.arguments << '"';
        EXPECT_EQ(line.window, c.window) << '"' << c.arguments << '"';
    }
}

TEST(ArgumentString, AtoiRule) {
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {
        {"", 0},        {"abc", 0},           {" \t42", 42},   {"-7", -7},         {"+8x", 8},
        {"- 3", 0},     {"2147483647", 2147483647}, {"2147483648", INT32_MIN}, {"007", 7},
    };
    for (const auto& c : cases) EXPECT_EQ(AtoiRule(c.text), c.value) << '"' << c.text << '"';
}

TEST(CommandLine, JoinsArgumentsWithSingleBlanks) {
    const char* argv[] = {"velmora", "/p", "1234"};
    EXPECT_EQ(JoinArguments(3, const_cast<char**>(argv)), "/p 1234");
    const char* none[] = {"velmora"};
    EXPECT_EQ(JoinArguments(1, const_cast<char**>(none)), "");
}

struct ArgvCase {
    std::vector<const char*> argv;
    const char* xscreensaverWindow;
    RunMode mode;
    std::uint64_t window;
};

TEST(CommandLine, XScreenSaverAndSnapshotSwitches) {
    const ArgvCase cases[] = {
        {{"velmora", "-root"}, nullptr, RunMode::XScreenSaverRoot, 0},
        {{"velmora", "--root"}, "0x1c00007", RunMode::XScreenSaverRoot, 0x1c00007},
        {{"velmora", "-root"}, "junk", RunMode::XScreenSaverRoot, 0},
        {{"velmora", "-root", "extra"}, nullptr, RunMode::Invalid, 0},
        {{"velmora", "-window-id", "0x2a"}, nullptr, RunMode::XScreenSaverWindow, 42},
        {{"velmora", "--window-id", "1234"}, nullptr, RunMode::XScreenSaverWindow, 1234},
        {{"velmora", "-window-id"}, nullptr, RunMode::Invalid, 0},
        {{"velmora", "-window-id", "12x"}, nullptr, RunMode::Invalid, 0},
        {{"velmora", "--snapshot", "a.png"}, nullptr, RunMode::Snapshot, 0},
        {{"velmora", "/p", "99"}, nullptr, RunMode::Preview, 99},
        {{"velmora", "/s"}, "0x10", RunMode::FullScreen, 0},
        {{"velmora", "/s", "1"}, nullptr, RunMode::Invalid, 0},
        {{"velmora"}, nullptr, RunMode::Configure, 0},
    };
    for (const ArgvCase& c : cases) {
        CommandLine line = ParseCommandLine(static_cast<int>(c.argv.size()), const_cast<char**>(c.argv.data()),
                                            c.xscreensaverWindow);
        EXPECT_EQ(line.mode, c.mode) << c.argv.back();
        EXPECT_EQ(line.window, c.window) << c.argv.back();
    }
}

}  // namespace
