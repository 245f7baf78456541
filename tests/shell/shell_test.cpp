// The shell's pure rules: the command line, frame pacing, the mouse rule, the
// monitors' views and the program folder; the XScreenSaver list commands and
// the data files' opening on the real file system.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <tuple>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/settings_file.h"
#include "platform/posix/termination.h"
#include "settings/data_paths.h"
#include "shell/command_line.h"
#include "shell/frame_clock.h"
#include "shell/screen_window.h"
#include "shell/xscreensaver_list.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

TEST(CommandLine, ArgumentStringsAndSwitches) {
    using M = RunMode;
    const struct {
        std::vector<const char*> args;
        const char* xscreensaverWindow;
        M mode;
        std::uint64_t window = 0;
        int music = -1;
        bool fps = false;
        const char* file = nullptr;  // --music-file's value; null: not given
        int volume = -1;
    } cases[] = {
        {{"/s"}, nullptr, M::FullScreen, 0},
        {{"-S"}, nullptr, M::FullScreen, 0},
        {{"s"}, "0x10", M::FullScreen, 0},
        {{"/s", ""}, nullptr, M::Invalid, 0},
        {{"/s", "1"}, nullptr, M::Invalid, 0},
        {{}, nullptr, M::Configure, 0},
        {{"-p", "1234"}, nullptr, M::Configure, 0},
        {{"ss"}, nullptr, M::Configure, 0},
        {{"/P", "1234"}, nullptr, M::Preview, 1234},
        {{"/p1234"}, nullptr, M::Preview, 0},
        {{"/p:1234"}, nullptr, M::Preview, 1234},
        {{"/c:5678"}, nullptr, M::ConfigureOwned, 5678},
        {{"/p", "12ab"}, nullptr, M::Preview, 12},
        {{"/pxyz", "99"}, nullptr, M::Preview, 99},
        {{"/C", "5678"}, nullptr, M::ConfigureOwned, 5678},
        {{"/c"}, nullptr, M::ConfigureOwned, 0},
        {{"/a"}, nullptr, M::Invalid, 0},
        {{"/"}, nullptr, M::Invalid, 0},
        {{"-root"}, nullptr, M::XScreenSaverRoot, 0},
        {{"-root"}, "junk", M::XScreenSaverRoot, 0},
        {{"-root", "extra"}, nullptr, M::Invalid, 0},
        {{"-window-id"}, nullptr, M::Invalid, 0},
        {{"-window-id", "12x"}, nullptr, M::Invalid, 0},
        {{"--snapshot", "a.png"}, nullptr, M::Snapshot, 0},
        // XScreenSaver's options as its daemon and settings pass them: any
        // order, one dash or two, -window-id winning over -root.
        {{"-root", "-install", "-visual", "default", "--mono"}, "77", M::XScreenSaverRoot, 77},
        {{"-root", "-window"}, nullptr, M::FullScreen, 0},
        {{"--window", "-root"}, nullptr, M::XScreenSaverRoot, 0},
        {{"-window", "-window-id", "010"}, nullptr, M::XScreenSaverWindow, 10},
        {{"-window-id", "0x1FFFFFFF"}, nullptr, M::XScreenSaverWindow, 0x1FFFFFFF},
        {{"-window-id", "0x20000000"}, nullptr, M::Invalid, 0},  // X ids have 29 bits
        {{"-window-id", "99999999999999999999999"}, nullptr, M::Invalid, 0},
        {{"-window-id", "-5"}, nullptr, M::Invalid, 0},
        {{"-window-id", " 12"}, nullptr, M::Invalid, 0},
        {{"-window-id", "0x"}, nullptr, M::Invalid, 0},
        {{"-window-id", "0"}, nullptr, M::Invalid, 0},
        {{"-root"}, "0x20000000", M::XScreenSaverRoot, 0},
        {{"-root", "-visual"}, nullptr, M::Invalid, 0},
        {{"-root", "-s"}, nullptr, M::Invalid, 0},
        {{"-root", "---install"}, nullptr, M::Invalid, 0},
        {{"---root"}, nullptr, M::Configure, 0},
        {{"-install"}, nullptr, M::Configure, 0},
        {{"/p", "12", "-mono"}, nullptr, M::Preview, 12},
        {{"--xscreensaver-add"}, nullptr, M::XScreenSaverAdd, 0},
        {{"--xscreensaver-remove"}, nullptr, M::XScreenSaverRemove, 0},
        {{"--xscreensaver-add", "x"}, nullptr, M::Invalid, 0},
        // Options stand anywhere and leave the switches to the rules above.
        {{"-root", "--music", "--fps"}, nullptr, M::XScreenSaverRoot, 0, 1, true},
        {{"--no-music", "/s"}, nullptr, M::FullScreen, 0, 0},
        {{"/p", "-fps", "12"}, nullptr, M::Preview, 12, -1, true},
        {{"/s", "--help"}, nullptr, M::Help},
        {{"--version", "/a"}, nullptr, M::Version},
        {{"--fps", "--snapshot", "a.png"}, nullptr, M::Snapshot, 0, -1, true},
        {{"--musik"}, nullptr, M::Configure},
        {{"-root", "--music", "--fps", "--window-id", "0x400F58"}, nullptr, M::XScreenSaverWindow, 0x400F58, 1, true},
        {{"-fps", "-root", "--no-music"}, nullptr, M::XScreenSaverRoot, 0, 0, true},
        // A run's own music and volume: the value follows its option, anywhere
        // on the line; a missing value or a volume beyond 0-100 is invalid.
        {{"/s", "--music-file", "/m/a b.opus"}, nullptr, M::FullScreen, 0, -1, false, "/m/a b.opus"},
        {{"--volume", "40", "-root", "--music-file", ""}, nullptr, M::XScreenSaverRoot, 0, -1, false, "", 40},
        {{"-root", "--volume", "0"}, nullptr, M::XScreenSaverRoot, 0, -1, false, nullptr, 0},
        {{"-root", "--volume", "100", "--music-file", "-p"}, nullptr, M::XScreenSaverRoot, 0, -1, false, "-p", 100},
        {{"/s", "--volume", "101"}, nullptr, M::Invalid},
        {{"/s", "--volume", "-1"}, nullptr, M::Invalid},
        {{"/s", "--volume", "5%"}, nullptr, M::Invalid},
        {{"/s", "--volume", ""}, nullptr, M::Invalid},
        {{"/s", "--volume"}, nullptr, M::Invalid},
        {{"-root", "--music-file"}, nullptr, M::Invalid},
        {{"--help", "--volume", "900"}, nullptr, M::Help},
    };
    for (const auto& c : cases) {
        std::vector<const char*> argv = {"velmora"};  // the line as joined for messages
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        char** words = const_cast<char**>(argv.data());
        const std::string line = JoinArguments(static_cast<int>(argv.size()), words);
        const CommandLine parsed = ParseCommandLine(static_cast<int>(argv.size()), words, c.xscreensaverWindow);
        EXPECT_EQ(std::tuple(parsed.mode, parsed.window, parsed.music, parsed.showFps),
                  std::tuple(c.mode, c.window, c.music, c.fps))
            << '"' << line << '"';
        EXPECT_EQ(std::tuple(parsed.musicFileGiven, parsed.musicFile),
                  std::tuple(c.file != nullptr, c.file ? c.file : ""))
            << line;
        EXPECT_EQ(c.mode == M::Invalid ? c.volume : parsed.volume, c.volume) << line;
    }
    EXPECT_EQ(ParseArgumentString("/p   77").window, 77u);
    EXPECT_EQ(ParseArgumentString("/s ").mode, M::Invalid);
}

TEST(CommandLine, AtoiRule) {
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {{"", 0},
                 {"abc", 0},
                 {" \t42", 42},
                 {"-7", -7},
                 {"+8x", 8},
                 {"- 3", 0},
                 {"2147483647", 2147483647},
                 {"2147483648", INT32_MIN},
                 {"007", 7}};
    for (const auto& c : cases) EXPECT_EQ(AtoiRule(c.text), c.value) << '"' << c.text << '"';
}

// The entry as it stands in the file, XScreenSaver's settings' columns included.
const std::string kEntry = "  GL: \t\t    \"Velmora!\" \tvelmora --root\t\t\t\t    \\n";
const std::string kDefaults =
    "*timeout:\t0:10:00\n*programs:\t\t\\\n\t\t\t\tmaze --root\t\\n\\\n-\t\t\t\tpyro "
    "--root\t\\n\n\n\n*hacks.pyro.name: Pyro\n";
const std::string kSystemList = "programs:\t\t\\\n\t\t\t\tmaze --root\t\\n\\\n-\t\t\t\tpyro --root\t\\n\\\n";

TEST(XScreenSaverList, AddAppendsTheEntryAndKeepsEveryOtherLine) {
    const struct {
        const char* what;
        const char* file;  // null: there is none
        const std::string* defaults;
        ListChange change;
        std::string text;
    } cases[] = {
        {"XScreenSaver's layout",
         "timeout:\t0:10:00\nprograms:\t\t\\\n  maze --root \\n\\\n- GL: \t\tgears --root \\n\\\n\nselected:\t1\n",
         &kDefaults, ListChange::Added,
         "timeout:\t0:10:00\nprograms:\t\t\\\n  maze --root \\n\\\n- GL: \t\tgears --root \\n\\\n" + kEntry +
             "\\\n\nselected:\t1\n"},
        {"there once", "programs: \\\n  maze --root \\n\\\n  GL: \"Velmora!\" velmora -root --fps \\n\\\n\n",
         &kDefaults, ListChange::AlreadyThere, ""},
        {"there, turned off, by its path",
         "programs: \\\n- GL: /usr/libexec/xscreensaver/velmora --root \\n\\\n  qix \\n\\\n\n", &kDefaults,
         ListChange::AlreadyOff, ""},
        {"the last resource, no line break at the end",
         "mode: one\nprograms: \\\n  maze --root \\n\\\n  xflame --root \\n", nullptr, ListChange::Added,
         "mode: one\nprograms: \\\n  maze --root \\n\\\n  xflame --root \\n\\\n" + kEntry},
        {"on one line", "programs: maze -root\nlock: False\n", nullptr, ListChange::Added,
         "programs: maze -root \\n\\\n" + kEntry + "\nlock: False\n"},
        {"empty", "programs:\nlock: False\n", nullptr, ListChange::Added, "programs:\\\n" + kEntry + "\nlock: False\n"},
        {"CRLF", "timeout: 1\r\nprograms: \\\r\n  maze --root \\n\\\r\n\r\nmode: one\r\n", nullptr, ListChange::Added,
         "timeout: 1\r\nprograms: \\\r\n  maze --root \\n\\\r\n" + kEntry + "\\\r\n\r\nmode: one\r\n"},
        {"odd spacing and case", "  Programs:maze -root\\n  \\\n\t qix -root  \n", nullptr, ListChange::Added,
         "  Programs:maze -root\\n  \\\n\t qix -root   \\n\\\n" + kEntry + "\n"},
        {"comments and an earlier list", "! programs: velmora\nprograms: velmora -root\nprograms: \\\n  maze \\n\\\n\n",
         nullptr, ListChange::Added,
         "! programs: velmora\nprograms: velmora -root\nprograms: \\\n  maze \\n\\\n" + kEntry + "\\\n\n"},
        {"no separator before the blank line", "programs: \\\n  maze --root \\\n\n", nullptr, ListChange::Added,
         "programs: \\\n  maze --root \\\n\\n" + kEntry + "\\\n\n"},
        {"no list: the system's", "timeout: 0:05:00\n", &kDefaults, ListChange::Created,
         "timeout: 0:05:00\n\n" + kSystemList + kEntry + "\n"},
        {"no list, CRLF", "timeout: 0:05:00\r\n", &kDefaults, ListChange::Created,
         "timeout: 0:05:00\r\n\r\nprograms:\t\t\\\r\n\t\t\t\tmaze --root\t\\n\\\r\n-\t\t\t\tpyro --root\t\\n\\\r\n" +
             kEntry + "\r\n"},
        {"no list and no system list", "timeout: 0:05:00\n", nullptr, ListChange::NoSystemList, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = c.file != nullptr ? c.file : "";
        ListEdit edit = AddToXScreenSaverList(c.file != nullptr ? &file : nullptr, c.defaults);
        EXPECT_EQ(edit.change, c.change);
        EXPECT_EQ(edit.text, c.text.empty() ? file : c.text);
        // Once there, a second run changes nothing; what was not added stays as it was.
        const bool added = c.change == ListChange::Added || c.change == ListChange::Created;
        EXPECT_EQ(AddToXScreenSaverList(&edit.text, c.defaults).change, added ? ListChange::AlreadyThere : c.change);
    }
    // Without a file: a new one with the system's list, unless that has it.
    ListEdit made = AddToXScreenSaverList(nullptr, &kDefaults);
    EXPECT_EQ(made.change, ListChange::Created);
    EXPECT_EQ(made.text.substr(made.text.find("\nprograms:") + 1), kSystemList + kEntry + "\n");
    EXPECT_EQ(made.text[0], '#');
    const std::string listed = "*programs: maze \\n\\\n velmora --root\n";
    EXPECT_EQ(AddToXScreenSaverList(nullptr, &listed).change, ListChange::AlreadyThere);
    EXPECT_EQ(AddToXScreenSaverList(nullptr, nullptr).change, ListChange::NoSystemList);
    const std::string noList = "*timeout: 0:10:00\n";
    EXPECT_EQ(AddToXScreenSaverList(nullptr, &noList).change, ListChange::NoSystemList);
}

TEST(XScreenSaverList, RemoveTakesOutEveryEntryOfTheProgramAndKeepsTheSelection) {
    const struct {
        const char* what;
        std::string file;
        int entries;  // removed
        std::string text;
    } cases[] = {
        {"a middle line, selected after it",
         "selected: 2\nprograms: \\\n  maze \\n\\\n  GL: \"Velmora!\" velmora -root --fps \\n\\\n  qix \\n\\\n\n", 1,
         "selected: 1\nprograms: \\\n  maze \\n\\\n  qix \\n\\\n\n"},
        {"selected before it", "programs: \\\n  maze \\n\\\n  velmora -root \\n\\\n  qix \\n\\\n\nselected:\t0\n", 1,
         "programs: \\\n  maze \\n\\\n  qix \\n\\\n\nselected:\t0\n"},
        {"twice, once turned off",
         "selected: 3\nprograms: \\\n- velmora --root \\n\\\n  maze \\n\\\n  GL: velmora -root \\n\\\n  qix \\n\\\n\n",
         2, "selected: 1\nprograms: \\\n  maze \\n\\\n  qix \\n\\\n\n"},
        {"the last line", "programs: \\\n  maze \\n\\\n  velmora -root\nmode: one\n", 1,
         "programs: \\\n  maze \\n\nmode: one\n"},
        {"the last line with its separator", "programs: \\\n  maze \\n\\\n  velmora -root \\n\nmode: one\n", 1,
         "programs: \\\n  maze \\n\nmode: one\n"},
        {"alone on the resource's line", "programs: velmora -root --fps\nlock: False\n", 1,
         "programs: \nlock: False\n"},
        {"between others on one line", "programs: maze \\n velmora -root \\n qix\n", 1, "programs: maze \\n qix\n"},
        {"wrapped over two lines",
         "programs: \\\n  GL: \"Velmora!\" velmora -root --music   \\\n\t\t  --fps \\n\\\n  maze \\n\\\n\n", 1,
         "programs: \\\n  maze \\n\\\n\n"},
        {"CRLF", "programs: \\\r\n  maze \\n\\\r\n  GL: velmora --root \\n\\\r\n\r\n", 1,
         "programs: \\\r\n  maze \\n\\\r\n\r\n"},
        {"other programs", "programs: \\\n  velmorax -root \\n\\\n  /opt/velmora/maze \\n\\\n\n", 0, ""},
        {"no list", "timeout: 0:05:00\n", 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ListEdit edit = RemoveFromXScreenSaverList(c.file);
        EXPECT_EQ(std::make_tuple(edit.change, edit.entries, edit.text),
                  std::make_tuple(c.entries > 0 ? ListChange::Removed : ListChange::NotThere, c.entries,
                                  c.entries > 0 ? c.text : c.file));
    }
    // Adding and removing gives the file back, byte for byte, in XScreenSaver's layout.
    for (const std::string file :
         {"a: 1\nprograms:\t\\\n  maze \\n\\\n\nb: 2\n", "programs: \\\r\n  maze \\n\\\r\n\r\n"}) {
        ListEdit added = AddToXScreenSaverList(&file, nullptr);
        EXPECT_EQ(RemoveFromXScreenSaverList(added.text).text, file);
    }
}

// Root (as these tests run) with a user's HOME: the user's files stay the
// user's, and a link of the user's never leads the edit to another's file.
// Adding and removing through the real program, with XScreenSaver's real
// defaults, gives back every byte.
TEST(XScreenSaverCommand, RunByRootInAUsersHomeWritesOnlyAsTheUserAndRemovesByteForByte) {
    const uid_t uid = getpwnam("nobody")->pw_uid;
    const gid_t gid = getpwnam("nobody")->pw_gid, users = 100;
    static const std::string list = "programs: \\\n  maze --root \\n\\\n\n";
    const struct {
        const char* what;
        const char* link;  // what ~/.xscreensaver links to, relative to `elsewhere` ("" no link)
        bool exists;       // the file (or the link's target) exists, holding `bytes`
        uid_t owner;       // its owner, group `users`, mode 0640
        int exitCode;
        const char* message;  // in the one line on stderr
        std::string bytes = list;
    } cases[] = {
        {"the user's file", "", true, uid, 0, ""},
        {"a list without a final separator", "", true, uid, 0, "",
         "mode: one\nprograms: \\\n  maze --root \\n\\\n  xflame --root\n"},
        {"a list on one line", "", true, uid, 0, "", "programs: maze -root\nlock: False\n"},
        {"a list ending the file", "", true, uid, 0, "", "programs:\\\n  maze --root \\n\\\n"},
        {"no list", "", true, uid, 0, "", "timeout: 0:05:00\n"},
        {"no list, CRLF", "", true, uid, 0, "", "# nothing\r\n"},
        {"no file", "", false, uid, 0, ""},
        {"a link to the user's file elsewhere", "mine", true, uid, 0, ""},
        {"a link to root's file", "roots", true, 0, 1, "which belongs to root, not to nobody"},
        {"a link to a device", "/dev/null", false, 0, 1, "which is not a regular file"},
        {"a link to nothing", "gone", false, uid, 1, "which does not exist"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir home, elsewhere;
        ASSERT_EQ(chown(home.Path().c_str(), uid, gid), 0);
        ASSERT_EQ(chmod(home.Path().c_str(), 0755), 0);
        ASSERT_EQ(chmod(elsewhere.Path().c_str(), 0755), 0);
        const std::string file = home.Path() + "/.xscreensaver", backup = file + ".velmora-backup";
        const bool linked = c.link[0] != '\0';
        const std::string target = !linked ? file : c.link[0] == '/' ? c.link : elsewhere.Path() + "/" + c.link;
        ASSERT_TRUE(!linked || symlink(target.c_str(), file.c_str()) == 0);
        if (c.exists) {
            home.Write(".xscreensaver", c.bytes);  // through the link, if any
            ASSERT_EQ(chown(target.c_str(), c.owner, users), 0);
            ASSERT_EQ(chmod(target.c_str(), 0640), 0);
        }
        const auto targetBefore = FileState(target);
        const auto linkBefore = FileState(file);
        const std::vector<std::string> env = {"HOME=" + home.Path()};
        const ProcessResult add = RunProcess({VELMORA_EXE, "--xscreensaver-add"}, env);
        EXPECT_EQ(add.exitCode, c.exitCode) << add.err;
        if (c.exitCode != 0) {
            EXPECT_NE(add.err.find(file + " is a link to "), std::string::npos) << add.err;
            EXPECT_NE(add.err.find(c.message), std::string::npos) << add.err;
            EXPECT_EQ(std::count(add.err.begin(), add.err.end(), '\n'), 1) << add.err;
            EXPECT_EQ(std::make_tuple(FileState(target), FileState(file), FileState(backup)),
                      std::make_tuple(targetBefore, linkBefore, FileState("")));
        } else {
            // Written as the user's: a replaced file keeps owner, group and mode,
            // a new one takes its folder's, and a link stays a link.
            const auto [owner, group, mode, text] = FileState(target);
            EXPECT_NE(text.find("velmora --root"), std::string::npos);
            EXPECT_EQ(std::make_tuple(owner, group, mode & 07777),
                      c.exists ? std::make_tuple(uid, users, 0640u) : std::make_tuple(uid, gid, 0600u));
            EXPECT_EQ(FileState(file), linked ? linkBefore : FileState(target));
            EXPECT_EQ(FileState(backup),
                      c.exists ? std::make_tuple(uid, gid, S_IFREG | 0600u, c.bytes) : FileState(""));
        }
        // Removing gives back exactly what was there, the bytes or no file; a
        // refused link is refused again.
        const ProcessResult remove = RunProcess({VELMORA_EXE, "--xscreensaver-remove"}, env);
        EXPECT_EQ(remove.exitCode, c.exitCode) << remove.err;
        EXPECT_EQ(std::make_pair(FileState(target), FileState(file)), std::make_pair(targetBefore, linkBefore));
    }
}

// What a data file's path names is looked at before anything is opened: a
// FIFO can't block, and a device is never opened, named or linked to (opening
// /dev/ptmx hands out a new terminal). A node of /dev/zero's numbers stands
// for every device: its opens can be counted, the multiplexer's can't.
TEST(DataFiles, OnlyRegularFilesAreEverOpened) {
    TempDir dir;
    const std::string file = dir.Write("file", "bytes"), fifo = dir.Path() + "/fifo", zero = dir.Path() + "/zero",
                      folder = dir.Path() + "/folder";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(mknod(zero.c_str(), S_IFCHR | 0666, makedev(1, 5)), 0) << "making a device node needs root";
    std::filesystem::create_directory(folder);
    const struct {
        const char* name;
        std::string node;  // what the name is, or links to
        bool link;
        bool opens;
    } cases[] = {
        {"a file", file, false, true},
        {"a link to a file", file, true, true},
        {"a FIFO", fifo, false, false},
        {"a link to a FIFO", fifo, true, false},
        {"a zero device", zero, false, false},
        {"a link to it", zero, true, false},
        {"a folder", folder, false, false},
        {"a link to a folder", folder, true, false},
        {"a dangling link", dir.Path() + "/nothing", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = c.node;
        if (c.link) {
            path = dir.Path() + "/link";
            std::filesystem::remove(path);
            std::filesystem::create_symlink(c.node, path);
        }
        OpenWatch watch(c.node);
        std::FILE* stream = platform::OpenRegularFile(path.c_str(), "rb");
        EXPECT_EQ(stream != nullptr, c.opens);
        if (stream != nullptr) {
            char bytes[8] = {};
            EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, stream), 5u);
            std::fclose(stream);
        }
        ASSERT_EQ(watch.Watching(), std::filesystem::exists(c.node));
        EXPECT_EQ(watch.Opens(), c.opens ? 1 : 0);
    }
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
    const std::vector<std::vector<R>> cases[] = {
        // monitors (y down) in 1440 x 600, views (y up)
        {{}, {{0, 0, 1440, 600}}},
        {{{-100, 0, 740, 700}, {640, 100, 900, 500}}, {{0, 0, 640, 600}, {640, 0, 800, 500}}},
        {{{0, 0, 1440, 600}, {0, 0, 640, 480}, {0, 0, 1440, 600}}, {{0, 0, 1440, 600}}},
        {{{1440, 0, 800, 600}}, {{0, 0, 1440, 600}}},
        {{{0, 0, 800, 600}, {640, 0, 800, 600}}, {{0, 0, 800, 600}, {640, 0, 800, 600}}},
    };
    // Whether the views leave no pixel of the window undrawn: a gap beside a
    // smaller monitor must still be cleared, and overlapping views don't add
    // up to the window.
    const bool cover[] = {true, false, true, true, false};
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
        EXPECT_EQ(views.coverWindow, cover[&c - cases]) << c[0].size() << " monitors";
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

// A lock another process holds whole (a run of an older version) is not
// joined; the last run to leave removes the file, so no stale window id stays.
TEST(InstanceLock, NotJoinedWhileHeldWholeAndRemovedByTheLastToLeave) {
    TempDir runtime;  // mode 0700, as a runtime folder must be
    setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    unsetenv("DISPLAY");
    const std::string file = runtime.Path() + "/velmora/test-lock";
    ASSERT_EQ(mkdir((runtime.Path() + "/velmora").c_str(), 0700), 0);
    const int held = open(file.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    bool existed = false;
    EXPECT_FALSE(platform::JoinInstanceLock("test-lock", &existed));
    close(held);
    const pid_t run = fork();
    if (run == 0) std::exit(platform::JoinInstanceLock("test-lock", &existed) && !existed ? 0 : 1);
    int status = -1;
    ASSERT_EQ(waitpid(run, &status, 0), run);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(std::filesystem::exists(file));
}

// The pipe that wakes the event loop on a signal never blocks the handler and
// never reaches a program started from this one.
TEST(TerminationHandler, ItsPipeIsNonBlockingAndClosedOnExec) {
    platform::InstallTerminationHandler();
    const int fd = platform::TerminationWakeFd();
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(fcntl(fd, F_GETFD) & FD_CLOEXEC);
    EXPECT_TRUE(fcntl(fd, F_GETFL) & O_NONBLOCK);
}

}  // namespace
