// The install tree and the Debian package made from this build: every file in
// its place, root's and with sane modes, no lintian error, and a program that
// finds its data wherever the tree lies. Debian's XScreenSaver daemon and
// settings, and MATE's screensaver settings, running the program as a user of
// their own (XScreenSaver starts nothing as root); the program's settings
// page; the command that puts it on the list.
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "audio_fit.h"
#include "support/image.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/x_window.h"
#include "support/xvfb.h"

namespace {

namespace fs = std::filesystem;

// The build's running velmora processes on `display` (any of its screens).
std::vector<int> SaversOn(const std::string& display) {
    std::vector<int> pids;
    for (int pid : ProcessesOfProgram(VELMORA_EXE)) {
        const std::string on = ProcessVariable(pid, "DISPLAY");
        if (on == display || on.rfind(display + ".", 0) == 0) pids.push_back(pid);
    }
    return pids;
}

// The daemon runs one process per monitor; with the music on, only one of
// them plays it (music_test checks that another takes it over).
TEST(XScreenSaver, OnTwoMonitorsOneProcessPlaysTheMusic) {
    const std::string display = EnsureTwoMonitorXephyr();
    TempDir home;
    home.Write(".xscreensaver", "timeout: 0:30:00\nmode: one\nselected: 0\nprograms: velmora -root --music\n");
    std::ofstream(home.Path() + "/alsoft.conf")
        << "[general]\ndrivers=wave\nfrequency=44100\nchannels=stereo\n"
           "sample-type=float32\noutput-limiter=false\ndither=false\nhrtf=false\n[wave]\nfile="
        << home.Path() << "/out.wav\n";
    fs::permissions(home.Path(), fs::perms::all);
    for (const char* file : {"/.xscreensaver", "/alsoft.conf"}) fs::permissions(home.Path() + file, fs::perms::all);
    const auto asNobody = [&](const std::string& program, const std::string& option) {
        return AsNobody({program, option}, {"DISPLAY=" + display, "HOME=" + home.Path(), "TMPDIR=" + home.Path(),
                                            "ALSOFT_CONF=" + home.Path() + "/alsoft.conf", "ALSOFT_LOGLEVEL=0",
                                            "ASAN_OPTIONS=detect_leaks=0", "PATH=" VELMORA_BUILD_DIR ":/usr/bin:/bin"});
    };
    ChildProcess xscreensaver;
    ASSERT_TRUE(xscreensaver.Start(asNobody("xscreensaver", "-no-splash")));
    std::vector<std::string> command = asNobody("xscreensaver-command", "-activate");
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
    CaptureFit fit = FitCapture(capture, FadedIn(Decode(std::string(VELMORA_BUILD_DIR) + "/data/xt")), 22050);
    EXPECT_LT(fit.residual, 1e-3);
    EXPECT_GT(LoudFrame(capture, true) - fit.lag, 44100) << "a second heard at least";
}

// The page is well formed and passes only options the program knows.
TEST(XScreenSaver, SettingsPagePassesOnlyTheProgramsOwnOptions) {
    const std::string help = RunProcess({VELMORA_EXE, "--help"}).out;
    std::istringstream values(RunProcess({"xmllint", "--xpath", "//@arg|//@arg-set|//@arg-unset",
                                          VELMORA_SOURCE_DIR "/packaging/velmora.xml"})
                                  .out);
    int options = 0;
    for (std::string name, option; std::getline(values, name, '"') && std::getline(values, option, '"'); ++options)
        EXPECT_NE(help.find(" " + option.substr(0, option.find(" %"))), std::string::npos) << option;
    EXPECT_EQ(options, 6) << "-root, --music, --no-music, --music-file, --volume, --fps";
}

// The package's tree installed into a folder every user can read, and seen
// by XScreenSaver's and MATE's programs as if it were installed: in a mount
// namespace of each process started here (and of its children), the
// program lies in XScreenSaver's program folder (MATE's settings look for it
// there only), its settings page beside XScreenSaver's, and its desktop entry
// is the only one of the screensaver entries. The system itself is untouched.
class InstalledTree {
public:
    InstalledTree() {
        ProcessResult install = RunProcess({"cmake", "--install", VELMORA_BUILD_DIR, "--prefix", "/usr"},
                                           {"DESTDIR=" + root.Path()}, "", 120000);
        EXPECT_EQ(install.exitCode, 0) << install.err;
        fs::permissions(root.Path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                         fs::perms::others_read | fs::perms::others_exec);
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
            " && mount -t overlay overlay"
            " -o lowerdir=\"$1/usr/share/xscreensaver/config:/usr/share/xscreensaver/config\""
            " /usr/share/xscreensaver/config"
            " && mount --bind \"$1/usr/share/applications/screensavers\" /usr/share/applications/screensavers"
            " && shift && exec \"$@\"";
        const char* display = std::getenv("DISPLAY");
        std::vector<std::string> argv =
            ::AsNobody(command,
                       {"HOME=" + home.Path(), "PATH=" + Root() + "/usr/bin:/usr/bin:/bin",
                        "DISPLAY=" + std::string(display != nullptr ? display : ""), "NO_AT_BRIDGE=1"},
                       true);
        argv.insert(argv.begin(), {"unshare", "-m", "sh", "-c", mounts, "sh", Root()});
        return argv;
    }

    // The running processes of this tree's program.
    std::vector<int> Running() const { return ProcessesOfProgram(Program()); }

    // Waits for a process of the program whose arguments `want` accepts.
    template <typename Want>
    int WaitForRun(Want want, int timeoutMs = 20000) const {
        int found = 0;
        WaitUntil(
            [&] {
                for (int pid : Running())
                    if (want(ProcessArguments(pid))) return found = pid, true;
                return false;
            },
            timeoutMs);
        return found;
    }

    // Ends what is left of the program's runs (a preview whose settings were killed).
    ~InstalledTree() {
        WaitUntil([this] { return Running().empty(); }, 3000);
        for (int pid : Running()) kill(pid, SIGKILL);
    }

    TempDir home;  // a home folder the user nobody may write

private:
    TempDir root;
};

// Ends the program of a bus session (dbus-run-session) when it goes out of
// scope, so that the session ends and takes its bus down with it; a killed
// session would leave its bus daemon behind.
class BusSession {
public:
    explicit BusSession(ChildProcess& session) : session(session) {}
    ~BusSession() {
        for (const auto& [pid, info] : LivingProcesses())
            if (info.parent == session.Pid() && info.name != "dbus-daemon") kill(pid, SIGTERM);
        EXPECT_FALSE(session.Wait(10000).timedOut) << "the bus session did not end";
    }

private:
    ChildProcess& session;
};

bool Has(const std::vector<std::string>& words, const std::string& word) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

std::string Joined(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) line += word + ' ';
    return line;
}

// Distinct colours in the part of `window` that lies on the 800 x 600 screen.
int ColoursShown(unsigned long window) {
    std::istringstream geometry(Shell("xwininfo -id " + std::to_string(window)));
    int x = 0, y = 0, width = 0, height = 0;
    for (std::string line; std::getline(geometry, line);) {
        const int value = std::atoi(line.c_str() + line.find(':') + 1);
        if (line.find("Absolute upper-left X:") != std::string::npos) x = value;
        if (line.find("Absolute upper-left Y:") != std::string::npos) y = value;
        if (line.find("Width:") != std::string::npos) width = value;
        if (line.find("Height:") != std::string::npos) height = value;
    }
    return Colours(Screenshot(0), x, y, width, height);
}

unsigned long WindowOf(const std::vector<std::string>& arguments) {
    auto at = std::find(arguments.begin(), arguments.end(), "--window-id");
    return at != arguments.end() && at + 1 != arguments.end() ? std::strtoul(at[1].c_str(), nullptr, 0) : 0;
}

TEST(XScreenSaver, SettingsPreviewShowsTheSceneAndItsBoxesReachTheCommandLine) {
    EnsureXvfb();
    InstalledTree tree;
    // Velmora! selected, as after the add command with this list.
    tree.home.Write(".xscreensaver", "mode:\t\tone\nselected:\t1\nprograms:\t\\\n\t\tmaze --root\t\\n\\\n\n");
    fs::permissions(tree.home.Path() + "/.xscreensaver", fs::perms::all);
    ASSERT_EQ(RunProcess(tree.AsNobody({"velmora", "--xscreensaver-add"})).exitCode, 0);
    ChildProcess daemon, settings;  // without the daemon, the settings ask to start it
    ASSERT_TRUE(daemon.Start(tree.AsNobody({"xscreensaver", "-no-splash"})));
    ASSERT_TRUE(settings.Start(tree.AsNobody({"dbus-run-session", "--", "xscreensaver-settings"})));
    BusSession bus(settings);

    // The preview: --root --window-id as the settings pass them, the music box off.
    int preview = tree.WaitForRun([](const std::vector<std::string>& a) { return WindowOf(a) != 0; });
    ASSERT_NE(preview, 0) << "no preview started; " << settings.OutputSoFar();
    std::vector<std::string> arguments = ProcessArguments(preview);
    EXPECT_TRUE(Has(arguments, "-root") && Has(arguments, "--no-music") && !Has(arguments, "--fps"))
        << Joined(arguments);
    const unsigned long window = WindowOf(arguments);
    EXPECT_TRUE(WaitUntil([&] { return ColoursShown(window) > 64; }, 20000)) << "the preview shows no scene";

    // The page's boxes, as a user ticks them: each restarts the preview with its option.
    Xdotool("mousemove 760 460 click 1");  // "Settings..."
    unsigned long dialog = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (unsigned long w : WindowsNamed("XScreenSaver: Velmora! Settings")) {
                WindowGeometry g;
                if (QueryGeometry(w, &g) && g.viewable && g.width < 900) return dialog = w, true;
            }
            return false;
        },
        10000));
    Xdotool("windowmove --sync " + std::to_string(dialog) + " 0 0");
    Xdotool("mousemove 38 55 click 1");  // "Play the music"
    preview = tree.WaitForRun([](const std::vector<std::string>& a) { return Has(a, "--music") && !Has(a, "--fps"); });
    EXPECT_NE(preview, 0) << "the music box did not reach the command line";
    Xdotool("mousemove 38 190 click 1");  // "Show frame rate", below the music's file and volume
    preview = tree.WaitForRun([](const std::vector<std::string>& a) { return Has(a, "--music") && Has(a, "--fps"); });
    ASSERT_NE(preview, 0) << "the frame-rate box did not reach the command line";
    arguments = ProcessArguments(preview);
    EXPECT_FALSE(Has(arguments, "--no-music")) << Joined(arguments);
    const unsigned long second = WindowOf(arguments);
    EXPECT_TRUE(WaitUntil([&] { return ColoursShown(second) > 64; }, 20000));
    EXPECT_TRUE(WaitUntil([&] { return tree.Running().size() == 1; }, 5000)) << "earlier previews still run";
    // The music's file and volume, typed and slid.
    auto valueOf = [](const std::vector<std::string>& a, const std::string& option) {
        auto at = std::find(a.begin(), a.end(), option);
        return at == a.end() || at + 1 == a.end() ? std::string("(none)") : *(at + 1);
    };
    Xdotool("windowfocus " + std::to_string(dialog));  // the keys go to the page (there is no window manager)
    Xdotool("mousemove 420 91 click 1");
    Xdotool("type --delay 20 /srv/music");
    Xdotool("key Tab");  // leaving the entry takes its text; Return would press the page's default button
    preview =
        tree.WaitForRun([&](const std::vector<std::string>& a) { return valueOf(a, "--music-file") == "/srv/music"; });
    EXPECT_NE(preview, 0) << "the music file did not reach the command line";
    Xdotool("mousemove 245 154 click 1 key --repeat 10 Left");
    preview = tree.WaitForRun([&](const std::vector<std::string>& a) {
        const std::string volume = valueOf(a, "--volume");
        return volume != "(none)" && std::atoi(volume.c_str()) < 100 && valueOf(a, "--music-file") == "/srv/music";
    });
    EXPECT_NE(preview, 0) << "the volume did not reach the command line";

    daemon.Kill(SIGTERM);
    daemon.Wait(5000);
}

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

// A snapshot by the program under `root`: its data found with no setting.
void ExpectItFindsItsData(const std::string& root) {
    TempDir config;
    ProcessResult run =
        RunProcess({root + "/usr/bin/velmora", "--snapshot", config.Path() + "/s.png", "--size", "64x48"},
                   {"XDG_CONFIG_HOME=" + config.Path()}, config.Path(), 60000);
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(run.out.find("File path: " + fs::canonical(root).string() + "/usr/share/velmora/data/9\n"), 0u)
        << run.out;
}

// Installed away from its prefix, as InstalledTree leaves it.
TEST(Package, InstallTreeMovesWithItsData) {
    InstalledTree tree;
    for (const char* file : kFiles) EXPECT_TRUE(fs::exists(tree.Root() + "/" + file)) << file;
    ExpectItFindsItsData(tree.Root());
}

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
    EXPECT_EQ(lint.find("\nE: "), std::string::npos) << lint;
    EXPECT_NE(lint.rfind("E: ", 0), 0u) << lint;
    ASSERT_EQ(RunProcess({"dpkg", "-x", deb, work.Path() + "/root"}).exitCode, 0);
    ExpectItFindsItsData(work.Path() + "/root");
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
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::others_read | fs::perms::others_write);  // 0646: nobody may write it
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
    struct stat info;
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0646u) << "the file's mode changed";
    EXPECT_EQ(ReadFileBytes(file + ".velmora-backup"), kUserFile);

    ProcessResult second = RunProcess(command);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_NE(second.out.find("already"), std::string::npos) << second.out;
    EXPECT_EQ(ReadFileBytes(file), added);

    // "selected: 2" is the new entry: the running daemon read the new list.
    std::vector<std::string> control = tree.AsNobody({"xscreensaver-command", "-activate"});
    ASSERT_TRUE(WaitUntil([&] { return RunProcess(control).exitCode == 0; }, 10000));
    const int run =
        tree.WaitForRun([](const std::vector<std::string>& a) { return a.size() == 2 && a[1] == "--root"; });
    ASSERT_NE(run, 0) << "the daemon did not run velmora --root";
    EXPECT_TRUE(WaitUntil(
        [] {
            for (unsigned long window : ChildWindows(RootWindowId())) {
                WindowGeometry geometry;
                if (QueryGeometry(window, &geometry) && geometry.viewable && geometry.width == 800 &&
                    WindowShowsPicture(window))
                    return true;
            }
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

TEST(XScreenSaver, AddCommandWithoutAFileWritesTheSystemsListAndItsOwnEntry) {
    InstalledTree tree;
    const std::string file = tree.home.Path() + "/.xscreensaver";
    std::vector<std::string> command = tree.AsNobody({"velmora", "--xscreensaver-add"});
    ProcessResult made = RunProcess(command);
    EXPECT_EQ(made.exitCode, 0) << made.err;
    EXPECT_NE(made.out.find("Made " + file), std::string::npos) << made.out;
    EXPECT_FALSE(fs::exists(file + ".velmora-backup"));
    // The system's list, line by line, then the entry.
    const std::string defaults = ReadFileBytes("/etc/X11/app-defaults/XScreenSaver");
    const size_t from = defaults.find("\n*programs:") + 2, to = defaults.find("\n\n", from);
    ASSERT_NE(to, std::string::npos);
    const std::string list = defaults.substr(from, to - from);  // "programs:" to its last "\n" escape
    const std::string text = ReadFileBytes(file);
    const size_t at = text.find("\nprograms:") + 1;
    ASSERT_NE(at, 0u) << text;
    EXPECT_EQ(text.substr(at), list + "\\\n  GL: \t\t    \"Velmora!\" \tvelmora --root\t\t\t\t    \\n\n");
    EXPECT_NE(RunProcess(command).out.find("already"), std::string::npos);

    // What adding made from nothing goes again; the backup holds its text.
    command.back() = "--xscreensaver-remove";
    EXPECT_EQ(RunProcess(command).exitCode, 0);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(ReadFileBytes(file + ".velmora-backup"), text);

    // Through a link to the user's own copy elsewhere, which stays a link, as
    // XScreenSaver writes it; the link is followed because the copy belongs
    // to the owner of the home.
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    ASSERT_EQ(chown(tree.home.Path().c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    const std::string copy = tree.home.Write("dotfiles/xscreensaver", kUserFile);
    for (const std::string& path : {tree.home.Path() + "/dotfiles", copy})
        ASSERT_EQ(chown(path.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    fs::create_symlink("dotfiles/xscreensaver", file);
    command.back() = "--xscreensaver-add";
    EXPECT_EQ(RunProcess(command).exitCode, 0);
    EXPECT_TRUE(fs::is_symlink(file));
    const std::string linked = ReadFileBytes(copy);
    EXPECT_EQ(linked.find("velmora --root"), linked.rfind("velmora --root"));
    EXPECT_NE(linked.find("velmora --root"), std::string::npos);
    command.back() = "--xscreensaver-remove";
    EXPECT_EQ(RunProcess(command).exitCode, 0);
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(ReadFileBytes(copy), kUserFile);
}

// MATE's settings list the desktop entry and preview it in their window.
TEST(MateScreensaver, PreferencesListAndPreviewIt) {
    EnsureXvfb();
    InstalledTree tree;
    // Picked as the one screensaver: the preferences find it in their list and preview it.
    ChildProcess preferences;
    ASSERT_TRUE(
        preferences.Start(tree.AsNobody({"dbus-run-session", "--", "sh", "-c",
                                         "gsettings set org.mate.screensaver mode single && "
                                         "gsettings set org.mate.screensaver themes \"['screensavers-velmora']\" && "
                                         "exec mate-screensaver-preferences"})));
    BusSession bus(preferences);
    const int preview =
        tree.WaitForRun([](const std::vector<std::string>& a) { return a.size() == 2 && a[1] == "-root"; });
    ASSERT_NE(preview, 0) << "no preview started; " << preferences.OutputSoFar();
    const std::string variable = ProcessVariable(preview, "XSCREENSAVER_WINDOW");
    ASSERT_NE(variable, "");
    const unsigned long window = std::strtoul(variable.c_str(), nullptr, 0);
    EXPECT_TRUE(WaitUntil([&] { return ColoursShown(window) > 64; }, 20000)) << "the preview shows no scene";
}

}  // namespace
