// The install tree and the Debian package made from this build: every file in
// its place, root's and with sane modes, no lintian error, and a program that
// finds its data wherever the tree lies. Debian's XScreenSaver daemon running
// the program as a user of its own (it starts nothing as root); the program's
// settings page; the command that puts it on the list.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/process.h"
#include "support/temp_dir.h"
#include "support/x_window.h"
#include "support/xvfb.h"

namespace {

namespace fs = std::filesystem;

// The page is well formed and passes only options the program knows.
TEST(XScreenSaver, SettingsPagePassesOnlyTheProgramsOwnOptions) {
    const std::string help = RunProcess({VELMORA_EXE, "--help"}).out;
    std::istringstream values(
        Shell("xmllint --xpath '//@arg|//@arg-set|//@arg-unset' '" VELMORA_SOURCE_DIR "/packaging/velmora.xml'"));
    int options = 0;
    for (std::string name, option; std::getline(values, name, '"') && std::getline(values, option, '"'); ++options)
        EXPECT_NE(help.find(" " + option.substr(0, option.find(" %"))), std::string::npos) << option;
    EXPECT_EQ(options, 6) << "-root, --music, --no-music, --music-file, --volume, --fps";
}

// The package's tree installed into a folder every user can read, and seen
// by XScreenSaver as if it were installed: in a mount namespace of each
// process started here (and of its children), the program lies in
// XScreenSaver's program folder. The system itself is untouched.
class InstalledTree {
public:
    InstalledTree() {
        ProcessResult install = RunProcess({"cmake", "--install", VELMORA_BUILD_DIR, "--prefix", "/usr"},
                                           {"DESTDIR=" + root.Path()}, "", 120000);
        EXPECT_EQ(install.exitCode, 0) << install.err;
        fs::permissions(root.Path(), fs::perms(0755));
        fs::permissions(home.Path(), fs::perms::all);
        fs::create_directory(root.Path() + "/programs");
        fs::create_symlink(Program(), root.Path() + "/programs/velmora");
    }

    const std::string& Root() const { return root.Path(); }
    std::string Program() const { return root.Path() + "/usr/libexec/xscreensaver/velmora"; }

    // `command` run as nobody with HOME `home`.
    std::vector<std::string> AsNobody(const std::vector<std::string>& command) const {
        const char* mounts =  // $1: the tree
            "mount -t overlay overlay -o lowerdir=\"$1/programs:/usr/libexec/xscreensaver\" /usr/libexec/xscreensaver"
            " && shift && exec \"$@\"";
        const char* display = std::getenv("DISPLAY");
        std::vector<std::string> argv = ::AsNobody(command,
                                                   {"HOME=" + home.Path(), "PATH=" + Root() + "/usr/bin:/usr/bin:/bin",
                                                    "DISPLAY=" + std::string(display != nullptr ? display : "")},
                                                   true);
        argv.insert(argv.begin(), {"unshare", "-m", "sh", "-c", mounts, "sh", Root()});
        return argv;
    }

    // The running processes of this tree's program.
    std::vector<int> Running() const { return ProcessesOfProgram(Program()); }

    // Ends what is left of the program's runs (one whose daemon was killed).
    ~InstalledTree() {
        WaitUntil([this] { return Running().empty(); }, 3000);
        for (int pid : Running()) kill(pid, SIGKILL);
    }

    TempDir home;  // a home folder the user nobody may write

private:
    TempDir root;
};

const char* kFiles[] = {
    "usr/bin/velmora",
    "usr/libexec/xscreensaver/velmora",
    "usr/share/velmora/data/6",
    "usr/share/velmora/data/xt",
    "usr/share/xscreensaver/config/velmora.xml",
    "usr/share/applications/velmora.desktop",
    "usr/share/applications/screensavers/velmora.desktop",
    "usr/share/icons/hicolor/48x48/apps/velmora.png",
    "usr/share/icons/hicolor/256x256/apps/velmora.png",
    "usr/share/man/man6/velmora.6.gz",
    "usr/share/doc/velmora/copyright",
};

TEST(Package, DebianPackageHasEveryFileNoLintianErrorAndRuns) {
    TempDir work;
    ProcessResult made =
        RunProcess({"cpack", "-G", "DEB", "--config", VELMORA_BUILD_DIR "/CPackConfig.cmake", "-B", work.Path()}, {},
                   work.Path(), 300000);
    ASSERT_EQ(made.exitCode, 0) << made.out << made.err;
    const std::string deb = work.Path() + "/velmora_" VELMORA_VERSION "_amd64.deb";
    const std::string listing = Shell("dpkg-deb -c '" + deb + "'");
    for (const char* file : kFiles) EXPECT_NE(listing.find(std::string("./") + file), std::string::npos) << file;
    for (size_t at = 0, end; (end = listing.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = listing.substr(at, end - at);
        EXPECT_NE(line.find(" root/root "), std::string::npos) << line;
        EXPECT_TRUE(line.rfind("-rw-r--r--", 0) == 0 || line.rfind("drwxr-xr-x", 0) == 0 ||
                    line.rfind("lrwxrwxrwx", 0) == 0 || line.find("libexec/xscreensaver/velmora") != std::string::npos)
            << line;
    }
    const std::string control = Shell("dpkg-deb -f '" + deb + "' Section Recommends Suggests Depends");
    for (const char* field : {"Section: x11", "Recommends: xscreensaver", "Suggests: swayidle", "libvorbisfile3"})
        EXPECT_NE(control.find(field), std::string::npos) << control;
    const std::string lint = Shell("lintian '" + deb + "' 2>&1");
    EXPECT_EQ(("\n" + lint).find("\nE: "), std::string::npos) << lint;  // no line an error
    ASSERT_EQ(RunProcess({"dpkg", "-x", deb, work.Path() + "/root"}).exitCode, 0);
    // A snapshot by the unpacked program: its data found with no setting.
    const std::string root = fs::canonical(work.Path() + "/root").string();
    ProcessResult run = RunProcess({root + "/usr/bin/velmora", "--snapshot", work.Path() + "/s.png", "--size", "64x48"},
                                   {"XDG_CONFIG_HOME=" + work.Path()}, work.Path(), 60000);
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(run.out.find("File path: " + root + "/usr/share/velmora/data/9\n"), 0u) << run.out;
    // MATE runs the entry's command with XSCREENSAVER_WINDOW set, as the e2e -root runs do.
    const std::string entry = ReadFileBytes(work.Path() + "/root/usr/share/applications/screensavers/velmora.desktop");
    EXPECT_NE(entry.find("\nExec=velmora -root\n"), std::string::npos) << entry;
}

// Lines of XScreenSaver's own layout, as its settings write them.
const char kUserFile[] =
    "# XScreenSaver Preferences File\n"
    "timeout:\t0:30:00\n"
    "lock:\t\tFalse\n"
    "fade:\t\tFalse\n"
    "mode:\t\tone\n"
    "selected:\t2\n"
    "\n"
    "programs:\t\t\t\t\t\t\t\t      \\\n"
    "\t\t\t\tmaze --root\t\t\t\t    \\n\\\n"
    "-\t\t\t\tqix --root\t\t\t\t    \\n\\\n"
    "\n"
    "\n"
    "pointerHysteresis:  10\n";

TEST(XScreenSaver, AddCommandListsItOnceKeepsEveryOtherLineAndTheRunningDaemonRunsIt) {
    EnsureXvfb();
    InstalledTree tree;
    const std::string file = tree.home.Write(".xscreensaver", kUserFile);
    fs::permissions(file, fs::perms(0646));  // nobody may write it
    ChildProcess daemon;
    ASSERT_TRUE(daemon.Start(tree.AsNobody({"xscreensaver", "-no-splash"})));
    std::vector<std::string> command = tree.AsNobody({"velmora", "--xscreensaver-add"});
    // The daemon notices a change by the file's time, in whole seconds.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));

    ProcessResult first = RunProcess(command);
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_NE(first.out.find("Added Velmora!"), std::string::npos) << first.out;
    const std::string added = ReadFileBytes(file);
    // Every line of the user's file is there, in its order, and Velmora! once more.
    std::istringstream was(kUserFile), now(added);
    int extra = 0;
    for (std::string line, mine; std::getline(was, line);) {
        while (std::getline(now, mine) && mine != line)
            extra += mine.find("velmora --root") != std::string::npos ? 1 : 100;
        EXPECT_EQ(mine, line);
    }
    EXPECT_EQ(extra, 1) << added;
    EXPECT_EQ(std::get<2>(Owner(file)) & 07777, 0646u) << "the file's mode changed";
    EXPECT_EQ(ReadFileBytes(file + ".velmora-backup"), kUserFile);

    ProcessResult second = RunProcess(command);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_NE(second.out.find("already"), std::string::npos) << second.out;
    EXPECT_EQ(ReadFileBytes(file), added);

    // "selected: 2" is the new entry: the running daemon read the new list.
    std::vector<std::string> control = tree.AsNobody({"xscreensaver-command", "-activate"});
    ASSERT_TRUE(WaitUntil([&] { return RunProcess(control).exitCode == 0; }, 10000));
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (int pid : tree.Running())
                if (ProcessArguments(pid).size() == 2 && ProcessArguments(pid)[1] == "--root") return true;
            return false;
        },
        20000))
        << "the daemon did not run velmora --root";
    EXPECT_TRUE(WaitUntil(
        [] {
            for (unsigned long window : ChildWindows(RootWindowId()))
                if (Geometry(window).viewable && Geometry(window).width == 800 && WindowShowsPicture(window))
                    return true;
            return false;
        },
        20000));
    control.back() = "-deactivate";
    RunProcess(control);
    EXPECT_TRUE(WaitUntil([&] { return tree.Running().empty(); }, 1500)) << "velmora still runs after -deactivate";
    daemon.Kill(SIGTERM);
    daemon.Wait(5000);

    command.back() = "--xscreensaver-remove";
    ProcessResult removed = RunProcess(command);
    EXPECT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_EQ(ReadFileBytes(file), kUserFile) << removed.out;
    EXPECT_NE(RunProcess(command).out.find("not in"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(file), kUserFile);
}

}  // namespace
