// The real velmora on the test's Xvfb, driven with xdotool.
#include <IL/il.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <tuple>

#include "audio_fit.h"
#include "platform/posix/settings_file.h"
#include "support/image.h"
#include "support/image_files.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/x_window.h"
#include "support/xvfb.h"

namespace {

namespace fs = std::filesystem;

// From the full-screen window (and its grab) to the first frame, the scene's
// and the model's textures made in between; and how soon a window shown again
// has a frame. The sanitizers make a frame several times slower.
#ifdef __SANITIZE_ADDRESS__
constexpr int kFirstFrameMs = 6000;
constexpr double kShownAgainMs = 400.0;
#else
constexpr int kFirstFrameMs = 2000;
constexpr double kShownAgainMs = 100.0;
#endif

class ShellEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { EnsureXvfb(); }

    // Starts velmora and waits for a drawn frame in its window: the main loop
    // runs and the mouse rule is armed, so input sent now is not read early.
    void Start(ChildProcess& child, const std::vector<std::string>& args) {
        std::vector<std::string> argv = {VELMORA_EXE};
        argv.insert(argv.end(), args.begin(), args.end());
        ASSERT_TRUE(child.Start(argv, env));
        ASSERT_NE(DrawnScreenWindow(20000), 0u) << "no frame drawn; " << (child.Running() ? "" : child.Wait(100).err);
    }

    // A program folder named by the settings' "install" value, its data/
    // linked to the build's data set; returns the folder, ending in '/'.
    std::string UseProgramFolder(const TempDir& program) {
        const std::string folder = program.Path() + "/";
        fs::create_directories(folder + "data");
        for (const auto& entry : fs::directory_iterator(VELMORA_BUILD_DIR "/data"))
            fs::create_symlink(entry.path(), folder + "data/" + entry.path().filename().string());
        config.Write("velmora/settings", EncodeSettings({{"install", folder}}));
        return folder;
    }

    TempDir config;
    std::vector<std::string> env = {"XDG_CONFIG_HOME=" + config.Path()};
};

TEST_F(ShellEndToEnd, FullScreenCoversTheScreenAndOnlyRealInputEndsIt) {
    Xdotool("mousemove 200 200");
    ChildProcess saver;
    Start(saver, {"/s", "--fps"});
    auto windows = WindowsNamed("orvane");
    ASSERT_EQ(windows.size(), 1u);
    const WindowGeometry geometry = Geometry(windows[0]);
    EXPECT_EQ(std::make_tuple(geometry.x, geometry.y, geometry.width, geometry.height),
              std::make_tuple(0, 0, 800, 600));
    EXPECT_TRUE(CursorIsInvisible());
    // --fps: white text in the lower left corner.
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    const RgbImage shot = Screenshot(windows[0]);
    int white = 0;
    for (int y = shot.height - 40; y < shot.height && y > 0; ++y)
        for (int x = 0; x < 240 && x < shot.width; ++x) white += shot.At(x, y)[0] > 230 && shot.At(x, y)[2] > 230;
    EXPECT_GT(white, 30);
    // The wheel, extra buttons, system keys and releases end nothing.
    for (const char* input : {"click 4", "click 5", "click 8", "click 9", "key alt", "key F10", "key alt+x",
                              "key Alt_R", "key alt+F4", "keyup a"}) {
        Xdotool(input);
        EXPECT_TRUE(StillRunningAfter(saver, 150)) << input;
    }
    // The first movement only sets the reference, however far it goes; the
    // rule reads the pointer when it handles the event, so each move is given
    // time to be handled before the next.
    for (const char* to : {"600 500", "605 495", "603 503"}) {
        Xdotool(std::string("mousemove ") + to);
        EXPECT_TRUE(StillRunningAfter(saver, 400)) << to;
    }
    ExpectEndOn("mousemove 606 500", saver);  // 6 from the reference, not from the last position
}

TEST_F(ShellEndToEnd, SecondFullScreenStartRestoresTheFirstAndEndsAndKeysOrButtonsEndAnother) {
    ChildProcess first;
    Start(first, {"/s"});
    unsigned long window = WindowsNamed("orvane").at(0);
    UnmapWindow(window);  // minimised: the second start restores it
    ProcessResult second = RunProcess({VELMORA_EXE, "/s"}, env, "", 10000);
    EXPECT_EQ(std::make_pair(second.exitCode, second.out + second.err), std::make_pair(0, std::string()));
    EXPECT_EQ(WindowsNamed("orvane"), std::vector<unsigned long>{window});
    EXPECT_TRUE(Geometry(window).viewable);
    ExpectEndOn("key space", first);
    // With the first one gone, a new start is a first instance again, also
    // after one that crashed; buttons 1 to 3 end it as keys do.
    ChildProcess crashed;
    Start(crashed, {"/s"});
    crashed.Kill(SIGKILL);
    crashed.Wait(5000);
    for (const char* input : {"key Return", "click 1", "click 2", "click 3"}) {
        ChildProcess again;
        Start(again, {"/s"});
        ExpectEndOn(input, again);
    }
}

TEST_F(ShellEndToEnd, PreviewFillsItsParentIgnoresInputHoldsTheLockAndEndsWithIt) {
    TestWindow parent(320, 240);
    ChildProcess preview;
    Start(preview, {"/p", std::to_string(parent.Id())});
    auto children = ChildWindows(parent.Id());
    ASSERT_EQ(children.size(), 1u);
    const WindowGeometry geometry = Geometry(children[0]);
    EXPECT_EQ(std::make_pair(geometry.width, geometry.height), std::make_pair(320, 240));
    Xdotool("mousemove 50 50 key space click 1 mousemove 300 200 click 3");
    EXPECT_TRUE(StillRunningAfter(preview, 400));
    EXPECT_FALSE(CursorIsInvisible());
    Xdotool("windowsize " + std::to_string(parent.Id()) + " 200 150");
    EXPECT_TRUE(WaitUntil([&] {
        const WindowGeometry resized = Geometry(children[0]);
        return resized.width == 200 && resized.height == 150;
    }));
    parent.Destroy();
    ExpectEnd(preview, 0, 3000);
}

TEST_F(ShellEndToEnd, XScreenSaverRunsIgnoreInputAndEndOnASignalOrWithTheirWindow) {
    const struct {
        std::vector<std::string> args;  // "ID": the window's id in hex, "DEC" in decimal
        bool namedWindow;               // XSCREENSAVER_WINDOW set: the window, or with -window-id a decoy
        int signal;                     // 0: the window is destroyed
    } cases[] = {
        {{"-window-id", "ID"}, false, SIGTERM},
        {{"-window-id", "ID"}, false, SIGINT},
        {{"-root"}, true, SIGTERM},
        {{"-root"}, false, SIGTERM},
        {{"--window-id", "DEC"}, false, 0},
        // As XScreenSaver's settings start a preview: -window-id wins over -root and the window named.
        {{"--root", "--no-music", "--window-id", "ID"}, true, SIGTERM},
        {{"-install", "-visual", "default", "--window-id", "DEC", "-mono", "--pair", "-noinstall", "-root"}, false, 0},
    };
    for (const auto& c : cases) {
        // A window for each run: the picture of the run before would show at once.
        TestWindow target(240, 180), decoy(64, 48);
        char hex[32];
        std::snprintf(hex, sizeof hex, "0x%lx", target.Id());
        const bool root = c.args.size() == 1 && c.args[0] == "-root";
        std::vector<std::string> argv = {VELMORA_EXE}, extra = env;
        for (const std::string& word : c.args)
            argv.push_back(word == "ID" ? hex : word == "DEC" ? std::to_string(target.Id()) : word);
        SCOPED_TRACE(argv[1] + (c.namedWindow ? " named" : "") + " signal " + std::to_string(c.signal));
        if (c.namedWindow)
            extra.push_back("XSCREENSAVER_WINDOW=" + (root ? std::string(hex) : std::to_string(decoy.Id())));
        ChildProcess saver;
        ASSERT_TRUE(saver.Start(argv, extra));
        EXPECT_TRUE(WaitUntil([&] { return WindowShowsPicture(root && !c.namedWindow ? RootWindowId() : target.Id()); },
                              20000));
        EXPECT_TRUE(root || !WindowShowsPicture(decoy.Id())) << "the decoy shows a picture";
        Xdotool("mousemove 20 20 key space click 1 mousemove 600 500");
        EXPECT_TRUE(StillRunningAfter(saver, 300));
        if (c.signal != 0)
            saver.Kill(c.signal);
        else
            target.Destroy();
        ExpectEnd(saver);  // how quickly is measured by bench/idle_cpu
    }
}

// Data that is not a regular file reads as missing: a FIFO must not hold a run
// whose keyboard and pointer are grabbed by then, nor may a console that no
// key can reach. A run that its data ends lets the keyboard go at once.
TEST_F(ShellEndToEnd, NoDataFileOrConsoleHoldsAGrabbedRun) {
    const struct {
        const char* what;
        const char* file;
        const char* kind;  // "fifo", "short" (a pixel short), "node" (a character device of
                           // its own, whose opens can be counted) or a path that the file links to
        bool terminal;     // standard input a terminal, with no key coming
        int exitCode;      // -1: the run goes on, and a key ends it
        const char* out;   // how standard output ends; %s: the file's path
    } cases[] = {
        {"camera path", "p", "fifo", false, -1, "***Can't open the camera path %s, the camera stays still!\n"},
        {"model", "6", "fifo", false, -1, ""},
        {"model texture", "medusa_glow.tga", "fifo", false, -1, ""},
        {"scene texture", "d", "fifo", false, 11, "***Can't open %s!\n "},
        {"scene texture, a device", "9", "/dev/zero", false, 11, "***Can't open %s!\n "},
        {"scene texture, a device node", "8", "node", false, 11, "***Can't open %s!\n "},
        {"short texture in a terminal", "4", "short", true, 1, "***File reading failed! %s \r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir program, terminalInput;
        const std::string path = UseProgramFolder(program) + "data/" + c.file;
        const std::string bytes = ReadFileBytes(path);
        fs::remove(path);
        if (std::string(c.kind) == "fifo")
            ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        else if (std::string(c.kind) == "node")
            ASSERT_EQ(mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);  // /dev/null's
        else if (std::string(c.kind) == "short")
            program.Write(std::string("data/") + c.file, bytes.substr(0, bytes.size() - 4));
        else
            fs::create_symlink(c.kind, path);
        std::vector<std::string> argv = {VELMORA_EXE, "/s", "--no-music"};
        if (c.terminal) {
            // script gives it a terminal; its own input, a FIFO open for
            // writing too, never ends, so no end-of-file reaches the terminal.
            const std::string input = terminalInput.Path() + "/input";
            ASSERT_EQ(mkfifo(input.c_str(), 0600), 0);
            argv = {"/bin/sh", "-c", "exec script -qec \"exec '$0' /s --no-music\" /dev/null <>\"$1\"", VELMORA_EXE,
                    input};
        }
        OpenWatch watch(path);  // a node is looked at, never opened
        ChildProcess saver;
        ASSERT_TRUE(saver.Start(argv, env));
        // From the full-screen window on, its keyboard is grabbed.
        WaitUntil([&] { return !saver.Running() || !WindowsNamed("orvane").empty(); }, 20000);
        if (c.exitCode < 0) {
            EXPECT_NE(DrawnScreenWindow(20000), 0u) << "no frame drawn";
            Xdotool("key space");
        }
        const ProcessResult result = saver.Wait(2000);
        EXPECT_FALSE(result.timedOut) << "still running";
        EXPECT_EQ(result.exitCode, std::max(c.exitCode, 0)) << result.err;
        std::string out = c.out;
        if (out.find("%s") != std::string::npos) out.replace(out.find("%s"), 2, path);
        EXPECT_EQ(result.out.substr(result.out.size() - std::min(result.out.size(), out.size())), out);
        EXPECT_TRUE(KeyboardGrabbable());
        EXPECT_EQ(std::string(c.kind) == "node" ? watch.Opens() : 0, 0) << "opens of the node";
    }
}

// Hostile images in the place of a model texture, each named as its maker
// would name it: each is refused with one line before the first frame (or, cut short,
// read as far as it goes), and the run draws at once, holds little more memory
// than with its own texture, and ends on a key, leaving the keyboard free.
TEST_F(ShellEndToEnd, NoImageFileCrashesOrHoldsAGrabbedRun) {
    ilInit();
    std::vector<NamedFile> files = HostileImageFiles();
    files.insert(files.begin(), {"", ""});  // first the data set's own, whose memory is the measure
    long ownPeak = 0;
    for (const NamedFile& f : files) {
        SCOPED_TRACE(f.name.empty() ? "the data set's own texture" : f.name);
        TempDir program;
        const std::string data = UseProgramFolder(program) + "data/";
        std::string path = data + "medusa_glow.tga";
        if (!f.name.empty()) {
            // the model names the file as its maker would: DevIL must not
            // take the decoder from the name either
            std::string model = ReadFileBytes(data + "6");
            const size_t at = model.find("medusa_glow.tga");
            ASSERT_NE(at, std::string::npos);
            model.replace(at, f.name.size() + 1, f.name + '\0');
            fs::remove(data + "6");
            program.Write("data/6", model);
            path = program.Write("data/" + f.name, f.bytes);
        }
        ChildProcess saver;
        ASSERT_TRUE(saver.Start({VELMORA_EXE, "/s", "--no-music"}, env));
        // From the full-screen window on, its keyboard is grabbed; textures
        // are made before the first frame.
        WaitUntil([&] { return !saver.Running() || !WindowsNamed("orvane").empty(); }, 20000);
        if (DrawnScreenWindow(kFirstFrameMs) == 0) {
            ADD_FAILURE() << "no frame; " << (saver.Running() ? "still running" : saver.Wait(100).err);
            continue;  // the child is killed, and the next file tried
        }
        const long peak = PeakMemoryKiB(saver.Pid());
        Xdotool("key space");
        const ProcessResult result = saver.Wait(2000);
        EXPECT_FALSE(result.timedOut) << "still running";
        EXPECT_EQ(result.exitCode, 0) << result.err;
        const std::string line = "***Texture not loaded: " + path + " (";
        long lines = 0;
        for (size_t at = 0; (at = result.out.find("***Texture", at)) != std::string::npos; ++at) ++lines;
        const bool cut = f.name.rfind("cut", 0) == 0 && f.name != "cut.psd";  // well-formed, cut in half
        EXPECT_EQ(lines, f.name.empty() ? 0 : cut ? std::min<long>(lines, 1) : 1) << result.out;
        EXPECT_TRUE(lines == 0 || result.out.find(line) != std::string::npos) << result.out;
        if (f.name.empty()) {
            ownPeak = peak;
        } else {
            EXPECT_LT(peak, ownPeak + 64 * 1024) << "KiB at the first frame, against " << ownPeak;
        }
        EXPECT_TRUE(KeyboardGrabbable());
    }
}

// What another local account (nobody) can plant where the lock lives today or
// lived before: the folders and files of the lock, made first in every shape
// and mode, held locked, filled with the id of a hidden window of someone
// else's, or cut short in a loop. The run must open its own window, raise no
// other, neither hang nor die, and end on a key.
TEST_F(ShellEndToEnd, AnotherAccountCanNeitherBlockNorHijackNorCrashARun) {
    // The attacker, one process: it plants, holds what it locked through its
    // open descriptors, says "ready", then sleeps or truncates for good.
    const std::string attacker = R"(set -e
A=$T/attacker; mkdir -m 0777 "$A"; mkdir -m 0777 "$A/velmora"
L=$T/velmora-$U; O=/dev/shm/$NAME-$U-$D
case $PLANT in
  dir) mkdir -m 0777 "$L"; N=$L ;;
  link) ln -s "$A/velmora" "$L"; N=$A/velmora ;;
  file) printf "$ID" > "$L"; chmod "$MODE" "$L"; N=$A/velmora ;;
  fifo) mkfifo -m "$MODE" "$L"; N=$A/velmora ;;
esac
for f in "$O" "$O.guard" "$N/$NAME-$D" "$N/$NAME-$D.guard" "$N/$NAME-music-$D" "$A/velmora/$NAME-$D"; do
  printf "$ID" > "$f"; chmod 0600 "$f"
done
exec 3<>"$O.guard" 4<>"$O" 5<>"$N/$NAME-$D.guard" 6<>"$N/$NAME-$D" 7<>"$N/$NAME-music-$D"
case $HOLD in
  all) flock -x 3; flock -s 4; flock -x 5; flock -s 6; flock -x 7 ;;
  block) flock -s 4; flock -s 6; flock -x 7 ;;
esac
chmod "$MODE" "$O" "$O.guard" "$N/$NAME-$D" "$N/$NAME-$D.guard" "$N/$NAME-music-$D" "$A/velmora/$NAME-$D"
chmod "$MODE" "$A/velmora" "$A"; chmod u+rwx "$A" "$A/velmora"
if [ "$PLANT" = dir ]; then chmod "$MODE" "$L"; chmod u+rwx "$L"; fi
echo ready
[ "$HOLD" = truncate ] || exec sleep 600
while :; do : > "$O"; : > "$N/$NAME-$D"; printf "$ID" > "$O"; printf "$ID" > "$N/$NAME-$D"; done
)";
    const std::vector<std::string> victimUser = {"setpriv", "--reuid=12345", "--regid=12345", "--clear-groups"};
    const struct {
        const char* what;
        bool victimRoot;
        const char* plant;  // what stands where this user's lock folder goes
        const char* hold;
        const char* mode;
        const char* runtime;  // the victim's XDG_RUNTIME_DIR: "attacker", "own" or none
    } rows[] = {
        {"everything held, a folder of nobody's", true, "dir", "all", "0777", ""},
        {"a window id under a held lock, a link to nobody's folder", true, "link", "block", "0644", ""},
        {"truncated in a loop, a file in the folder's place", true, "file", "truncate", "0666", ""},
        {"nobody's runtime folder (after su), a FIFO in the fallback", true, "fifo", "all", "0000", "attacker"},
        {"an unprivileged victim, nobody's folder", false, "dir", "block", "0666", ""},
        {"the victim's own runtime folder", false, "dir", "all", "0666", "own"},
    };
    TestWindow foreign(160, 120);  // another client's window, hidden for each row
    std::string id;
    for (int byte = 0; byte < 8; ++byte) {
        char octal[8];
        std::snprintf(octal, sizeof octal, "\\%03lo", (foreign.Id() >> (8 * byte)) & 0xff);
        id += octal;
    }
    const std::string display = std::getenv("DISPLAY");
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        UnmapWindow(foreign.Id());
        TempDir tmp, runtime, victimConfig;  // the victim's settings are its own
        std::filesystem::permissions(tmp.Path(), std::filesystem::perms::all | std::filesystem::perms::sticky_bit);
        const std::string uid = r.victimRoot ? "0" : "12345";
        if (!r.victimRoot) Shell("chown 12345:12345 " + runtime.Path() + " " + victimConfig.Path());
        const std::string name = "quern-6B2E7C91-5DA4-4f3e-9C07-E1A85F2D3B60";
        const std::string shm = "/dev/shm/" + name + "-" + uid + "-" + display;
        Shell("rm -f " + shm + " " + shm + ".guard");  // left by runs before
        std::vector<std::string> argv =
            AsNobody({"sh", "-c", attacker},
                     {"T=" + tmp.Path(), "U=" + uid, "D=" + display, "NAME=" + name, "ID=" + id,
                      "PLANT=" + std::string(r.plant), "HOLD=" + std::string(r.hold), "MODE=" + std::string(r.mode)});
        ChildProcess planter;
        ASSERT_TRUE(planter.Start(argv));
        ASSERT_TRUE(WaitUntil([&] { return planter.OutputSoFar() == "ready\n"; }, 5000)) << planter.Wait(100).err;

        const std::string runtimeDir = std::string(r.runtime) == "attacker" ? tmp.Path() + "/attacker"
                                       : std::string(r.runtime) == "own"    ? runtime.Path()
                                                                            : "";
        argv = r.victimRoot ? std::vector<std::string>{} : victimUser;
        argv.insert(argv.end(), {"env", "XDG_CONFIG_HOME=" + victimConfig.Path(), "TMPDIR=" + tmp.Path(),
                                 "XDG_RUNTIME_DIR=" + runtimeDir, VELMORA_EXE, "/s"});
        ChildProcess victim;
        ASSERT_TRUE(victim.Start(argv));
        EXPECT_NE(DrawnScreenWindow(20000), 0u) << "no window of its own";
        EXPECT_FALSE(Geometry(foreign.Id()).viewable) << "the foreign window was raised";
        EXPECT_TRUE(StillRunningAfter(victim, 1000));
        ExpectEndOn("key space", victim);
        const std::string err = victim.Wait(0).err;
        if (std::string(r.runtime) == "own")
            EXPECT_EQ(err, "");
        else
            EXPECT_NE(err.find("velmora-" + uid + " can't hold the locks"), std::string::npos) << err;
        planter.Kill(SIGKILL);
        planter.Wait(5000);
        Shell("rm -f " + shm + " " + shm + ".guard");
    }
}

// A window nobody can see draws nothing and its loop waits instead of
// spinning; shown again, it draws at once. The XScreenSaver window stands for
// the daemon's, which it unmaps. The three runs wait side by side, each in a
// parent of its own place; each is shown again and ended while the others
// still wait.
TEST_F(ShellEndToEnd, WindowsNobodySeesDrawNothingAndShownAgainDrawAtOnce) {
    const struct {
        const char* what;
        const char* option;  // followed by the parent's id
        bool cover;          // covered by another window, else the parent unmapped
        int x, y;            // the parent's place
    } cases[] = {
        {"preview covered", "/p", true, 10, 10},
        {"preview in an unmapped parent", "/p", false, 440, 10},
        {"XScreenSaver window unmapped", "-window-id", false, 10, 340},
    };
    std::vector<std::unique_ptr<TestWindow>> parents, covers;
    ChildProcess savers[std::size(cases)];
    std::vector<int> pids;
    for (const auto& c : cases) {
        parents.push_back(std::make_unique<TestWindow>(320, 240, c.x, c.y));
        ASSERT_TRUE(savers[pids.size()].Start({VELMORA_EXE, c.option, std::to_string(parents.back()->Id())}, env));
        pids.push_back(savers[pids.size()].Pid());
    }
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].what);
        ASSERT_TRUE(WaitUntil([&] { return WindowShowsPicture(parents[i]->Id()); }, 20000));
        // The cover lies over its parent alone.
        covers.push_back(cases[i].cover ? std::make_unique<TestWindow>(400, 300, cases[i].x, cases[i].y) : nullptr);
        if (!cases[i].cover) UnmapWindow(parents[i]->Id());
    }
    // Frames under way end; then the loops keep waiting.
    const auto allWait = [&](int ms) {
        const std::vector<double> shares = CpuSharesOver(pids, ms);
        return std::all_of(shares.begin(), shares.end(), [](double share) { return share >= 0 && share < 0.02; });
    };
    EXPECT_TRUE(WaitUntil([&] { return allWait(500); }, 10000)) << "still drawing";
    const std::vector<double> shares = CpuSharesOver(pids, 5000);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].what);
        EXPECT_TRUE(shares[i] >= 0 && shares[i] < 0.02) << shares[i];
        // Shown again, the window is black until a frame is drawn; then the
        // frames go on.
        const unsigned long parent = parents[i]->Id();
        const unsigned long drawn = cases[i].option[0] == '/' ? ChildWindows(parent).at(0) : parent;
        const auto shown = std::chrono::steady_clock::now();
        if (cases[i].cover)
            covers[i]->Destroy();
        else
            MapWindow(parent);
        EXPECT_TRUE(WaitUntil([&] { return WindowShowsPicture(drawn); }, 5000));
        const double took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - shown).count();
        EXPECT_LT(took, kShownAgainMs);
        const RgbImage frame = Screenshot(drawn);
        EXPECT_TRUE(WaitUntil([&] { return Rmse(Screenshot(drawn), frame) > 0.0; }, 2000));
        savers[i].Kill(SIGTERM);
        ExpectEnd(savers[i]);
    }
}

// A dialog or preview left open must not keep a full-screen start from
// covering the screen; only a full-screen run does, and then what the second
// start brings to the front must be a window of this program's, never one
// whose id it was handed (the configuration's owner, or an id planted in the
// lock file).
TEST_F(ShellEndToEnd, OnlyAFullScreenRunBlocksAnotherAndNoForeignWindowIsRaised) {
    const struct {
        const char* what;
        const char* first;  // "/c" with the foreign window, "/p" in a parent, "/s"
        bool plant;         // the foreign window's id written over the lock file's
    } rows[] = {
        {"a configuration dialog of a foreign window", "/c", false},
        {"a preview", "/p", false},
        {"a full-screen run whose stored window was replaced", "/s", true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        TempDir tmp;  // the lock folder, under TMPDIR
        std::vector<std::string> runEnv = env;
        runEnv.insert(runEnv.end(), {"TMPDIR=" + tmp.Path(), "XDG_RUNTIME_DIR="});
        TestWindow foreign(160, 120), parent(320, 240);
        UnmapWindow(foreign.Id());  // raising it would map it
        const std::string first = r.first;
        ChildProcess running;
        std::vector<std::string> argv = {VELMORA_EXE, r.first, "--no-music"};
        if (first != "/s") argv.insert(argv.begin() + 2, std::to_string(first == "/p" ? parent.Id() : foreign.Id()));
        ASSERT_TRUE(running.Start(argv, runEnv));
        ASSERT_TRUE(first == "/c"   ? ShownWindow("Velmora! Configuration", 15000) != 0
                    : first == "/p" ? WaitUntil([&] { return WindowShowsPicture(parent.Id()); }, 20000)
                                    : DrawnScreenWindow(20000, 800) != 0);
        if (r.plant) {
            const std::string lock = tmp.Path() + "/velmora-" + std::to_string(getuid()) +
                                     "/quern-6B2E7C91-5DA4-4f3e-9C07-E1A85F2D3B60-" + std::getenv("DISPLAY");
            const std::uint64_t id = foreign.Id();
            std::fstream file(lock, std::ios::in | std::ios::out | std::ios::binary);  // over its first bytes
            ASSERT_TRUE(file.write(reinterpret_cast<const char*>(&id), sizeof id).flush()) << lock;
            ProcessResult second = RunProcess({VELMORA_EXE, "/s"}, runEnv, "", 10000);
            EXPECT_EQ(std::make_pair(second.exitCode, second.err), std::make_pair(0, std::string()));
        } else {
            ChildProcess saver;
            ASSERT_TRUE(saver.Start({VELMORA_EXE, "/s", "--no-music"}, runEnv));
            EXPECT_NE(DrawnScreenWindow(20000, 800), 0u)
                << "no full-screen run; " << (saver.Running() ? "" : saver.Wait(0).err);
            EXPECT_FALSE(KeyboardGrabbable());
            ExpectEndOn("key space", saver);
        }
        EXPECT_FALSE(Geometry(foreign.Id()).viewable) << "the foreign window was raised";
        EXPECT_TRUE(StillRunningAfter(running, 0));
        if (first == "/s") ExpectEndOn("key space", running);  // the others are killed with the row
    }
}

// Another program holding the keyboard or the pointer (a menu held open)
// keeps it; the run says so in one line and goes on, still drawing.
TEST_F(ShellEndToEnd, ARefusedGrabIsOneLineAndTheRunGoesOn) {
    const struct {
        bool keyboard, pointer;
        const char* line;
    } rows[] = {
        {true, false, "velmora: can't grab the keyboard (another program holds it); running without it\n"},
        {false, true, "velmora: can't grab the pointer (another program holds it); running without it\n"},
        {true, true,
         "velmora: can't grab the keyboard (another program holds it) nor the pointer (another program holds it); "
         "running without them\n"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.line);
        ChildProcess saver;
        {
            HeldGrab grab(r.keyboard, r.pointer);
            ASSERT_TRUE(grab.Held());
            Start(saver, {"/s", "--no-music"});
        }
        EXPECT_TRUE(StillRunningAfter(saver, 300));
        saver.Kill(SIGTERM);
        const ProcessResult result = saver.Wait(10000);
        EXPECT_EQ(std::make_pair(result.exitCode, result.err), std::make_pair(0, std::string(r.line)));
    }
}

// A lost X server (it crashed, or its session ended) ends a run as a key
// does: the music is stopped and its audio device closed, which the wave
// writer shows by completing its file's header, and the process ends with
// a code that says it failed.
TEST(DisplayLoss, ARunWithMusicEndsThroughItsEndSequence) {
    for (const char* mode : {"/s", "-root"}) {
        SCOPED_TRACE(mode);
        TempDir folder, config;
        fs::copy_file(VELMORA_BUILD_DIR "/data/xt", folder.Path() + "/xt");
        ScratchXvfb server;
        std::vector<std::string> env = AlsoftEnv(folder.Path(), "wave");
        env.insert(env.end(), {"ALSOFT_LOGLEVEL=1", "DISPLAY=" + server.Display(), "XDG_CONFIG_HOME=" + config.Path()});
        ChildProcess saver;
        ASSERT_TRUE(saver.Start({VELMORA_EXE, mode, "--music"}, env, folder.Path()));
        const std::string wave = folder.Path() + "/out.wav";
        // A second of music written: the window is up and the music plays.
        ASSERT_TRUE(WaitUntil([&] { return FileSize(wave) > 400000; }, 30000)) << saver.Wait(100).err;
        server.Kill();
        const ProcessResult result = saver.Wait(10000);
        EXPECT_FALSE(result.timedOut || result.signaled) << result.signal;
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.err.find("velmora: lost the connection to the X display\n"), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("not closed"), std::string::npos) << result.err;
        const std::string bytes = ReadFileBytes(wave);
        ASSERT_GT(bytes.size(), 8u);
        std::uint32_t riffSize = 0;
        std::memcpy(&riffSize, bytes.data() + 4, sizeof riffSize);
        EXPECT_EQ(riffSize + 8ull, bytes.size()) << "the wave file was never finished";
    }
}

// Errors are one line on standard error; help and version answer on standard
// output. Which words make a usage error is the command line tests' concern;
// every usage error ends as the two here do.
TEST_F(ShellEndToEnd, SwitchesThatOpenNoWindow) {
    const struct {
        std::vector<std::string> args;
        int code;
        std::string out{};  // its beginning
    } cases[] = {
        {{VELMORA_EXE, "/x", "12"}, 2},
        {{VELMORA_EXE, "/p", "12345"}, 1},
        {{VELMORA_EXE, "/p"}, 1},
        {{VELMORA_EXE, "-window-id", "0x7"}, 1},
        {{VELMORA_EXE, "-root", "-nosuchoption"}, 2},
        {{VELMORA_EXE, "/s", "--version"}, 0, "velmora " VELMORA_VERSION "\n"},
        {{VELMORA_EXE, "--help"}, 0, "usage: velmora"},
    };
    for (const auto& c : cases) {
        ProcessResult result = RunProcess(c.args, env, "", 10000);
        EXPECT_EQ(result.exitCode, c.code) << c.args[1];
        EXPECT_EQ(c.code == 0 && c.out.back() != '\n' ? result.out.substr(0, c.out.size()) : result.out, c.out);
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), c.code != 0 ? 1 : 0) << result.err;
        EXPECT_TRUE(result.err.empty() || result.err.back() == '\n') << result.err;
        EXPECT_TRUE(WindowsNamed("orvane").empty());
    }
}

// Full-screen runs on two monitors: side by side from Xephyr, and set during
// a run with RandR on the test's Xvfb.
using Monitors = ShellEndToEnd;

TEST_F(Monitors, EachOfTwoShowsTheWholeFrameAtItsOwnSize) {
    const std::string display = EnsureTwoMonitorXephyr();
    // Locks of its own: a run of another test whose server had this display's
    // number may still hold that name's full-screen lock while it ends.
    TempDir locks;
    env.insert(env.end(), {"DISPLAY=" + display, "XDG_RUNTIME_DIR=", "TMPDIR=" + locks.Path()});
    ChildProcess saver;
    ASSERT_TRUE(saver.Start({VELMORA_EXE, "/s"}, env));
    EXPECT_TRUE(CoversBothXephyrMonitors(display, 30000))
        << (saver.Running() ? "the run goes on without the window" : "the run ended first: " + saver.Wait(0).out);
    // Xephyr keeps the pointer on its first head: a key, which reaches the
    // window on either monitor.
    Shell("DISPLAY=" + display + " xdotool key space");
    ExpectEnd(saver);
}

TEST_F(Monitors, MonitorsSetDuringARunGetTheirOwnViewsAndInputOnTheSecondEndsIt) {
    ChildProcess saver;
    Start(saver, {"/s"});
    const Area left{0, 0, 400, 600}, right{400, 0, 400, 600};
    ASSERT_TRUE(WaitUntil([&] { return Colours(Screenshot(0), 0, 0, 800, 600) > 200; }, 20000));
    EXPECT_GT(AreaDifference(Screenshot(0), left, right), 0.1) << "one picture on the one monitor";
    // Two monitors of one size: the second gets a copy of the first's picture.
    Shell(
        "xrandr --setmonitor left 400/100x600/100+0+0 screen && xrandr --setmonitor right 400/100x600/100+400+0 none");
    EXPECT_TRUE(WaitUntil([&] { return AreaDifference(Screenshot(0), left, right) == 0.0; }, 5000));
    ExpectEndOn("mousemove 600 300 sleep 0.4 click 1", saver);
    Shell("xrandr --delmonitor right; xrandr --delmonitor left");
}

}  // namespace
