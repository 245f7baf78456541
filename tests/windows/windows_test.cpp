// The Windows build: velmora.scr under wine64 on the test's Xvfb, driven with
// xdotool like the Linux build, with a prefix of its own made once per run;
// and the 32-bit build, which this machine can't run, checked as a file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "audio_fit.h"
#include "support/image.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/x_window.h"
#include "support/xvfb.h"

namespace {

namespace fs = std::filesystem;
const std::string kWine = "/usr/lib/wine/wine64";
const std::string kFolder = VELMORA_WINDOWS_BUILD "/x86_64/velmora";
const std::string kKey = "HKCU\\Software\\Classes\\CLSID\\{6B2E7C91-5DA4-4f3e-9C07-E1A85F2D3B60}";

std::string WindowsPath(const std::string& path) {
    std::string windows = "Z:" + path;
    for (char& c : windows) c = c == '/' ? '\\' : c;
    return windows;
}

std::string WithoutReturns(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// Windows matches names without regard to case.
std::string Lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A copy of the program's folder at `folder`; its velmora.scr.
std::string CopyOfProgram(const std::string& folder) {
    fs::copy(kFolder, folder, fs::copy_options::recursive);
    return folder + "/velmora.scr";
}

// Waits for the message box "Velmora!" and answers it with Return.
::testing::AssertionResult AnswerMessageBox(ChildProcess& asker) {
    std::vector<unsigned long> box;
    if (!WaitUntil([&] { return !(box = WindowsNamed("Velmora!")).empty() && WindowShowsPicture(box[0]); }, 30000))
        return ::testing::AssertionFailure() << "no message box";
    if (!StillRunningAfter(asker, 500)) return ::testing::AssertionFailure() << "the box did not wait for the user";
    Xdotool("mousemove --window " + std::to_string(box[0]) + " 20 20 key Return");
    return ::testing::AssertionSuccess();
}

class Windows : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        EnsureXvfb();
        prefix = new TempDir;
        ProcessResult boot = RunProcess({kWine, "wineboot", "-i"}, Env(), "", 180000);
        ASSERT_EQ(boot.exitCode, 0) << boot.err;
    }
    static void TearDownTestSuite() {
        RunProcess({"/usr/lib/wine/wineserver", "-k"}, Env());
        delete prefix;
    }
    void SetUp() override { Reg({"delete", kKey, "/f"}); }

    static std::vector<std::string> Env(std::vector<std::string> extra = {}) {
        extra.insert(extra.end(),
                     {"WINEPREFIX=" + prefix->Path(), "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml="});
        return extra;
    }
    static ProcessResult Reg(std::vector<std::string> args) {
        args.insert(args.begin(), {kWine, "reg"});
        return RunProcess(args, Env(), "", 60000);
    }
    static std::string StoredMusic() {
        const std::string out = Reg({"query", kKey, "/v", "ini"}).out;
        const size_t at = out.find("REG_BINARY");
        return at == std::string::npos ? "(none)" : out.substr(out.find_first_not_of(' ', at + 10), 2);
    }
    // velmora.scr (or `exe`) with `args`, started in its own folder or `cwd`.
    static void Start(ChildProcess& child, const std::vector<std::string>& args, std::vector<std::string> env = {},
                      const std::string& exe = kFolder + "/velmora.scr", const std::string& cwd = "") {
        std::vector<std::string> argv = {kWine, exe};
        argv.insert(argv.end(), args.begin(), args.end());
        ASSERT_TRUE(child.Start(argv, Env(env), cwd.empty() ? fs::path(exe).parent_path().string() : cwd));
    }
    // `exe` run to its end; its output without the carriage returns. A run
    // that ends with 1 before a word on standard output never got as far as
    // the program's own work (Wine once failed to give it an off-screen
    // context here): it is said, and run once more.
    static ProcessResult Run(const std::string& exe, const std::vector<std::string>& args, bool again = true) {
        ChildProcess child;
        Start(child, args, {}, exe);
        ProcessResult result = child.Wait(60000);
        result.out = WithoutReturns(result.out);
        if (again && result.exitCode == 1 && result.out.empty()) {
            std::fprintf(stderr, "%s ended with 1 before any output (%s); once more\n", exe.c_str(),
                         result.err.c_str());
            return Run(exe, args, false);
        }
        return result;
    }
    // Start, then a wait for a drawn frame in the screensaver's window: the loop runs.
    static void StartDrawn(ChildProcess& child, const std::vector<std::string>& args, std::vector<std::string> env = {},
                           const std::string& exe = kFolder + "/velmora.scr", const std::string& cwd = "") {
        Start(child, args, env, exe, cwd);
        EXPECT_NE(DrawnScreenWindow(60000), 0u) << "no frame drawn; " << (child.Running() ? "" : child.Wait(100).err);
    }
    // The configuration dialog once it is drawn, its bitmap 138 (many colours
    // in the right half) included: a dialog paints after it is activated, so
    // keys sent now reach it. 0 when none is drawn.
    static unsigned long Dialog() {
        const unsigned long window = ShownWindow("Velmora! Configuration", 30000);
        const auto painted = [&] {
            const RgbImage shot = Screenshot(window);
            return Colours(shot, shot.width / 2, 10, shot.width / 2 - 10, shot.height / 2) > 50;
        };
        return window != 0 && WaitUntil(painted, 30000) ? window : 0;
    }
    // The helper window of tests/windows/test_parent.c; its handle, the first
    // line it prints, once shown.
    static std::string StartParent(ChildProcess& parent, const std::string& mode) {
        Start(parent, {mode}, {}, VELMORA_TEST_PARENT);
        std::string out;
        EXPECT_TRUE(WaitUntil(
            [&] { return (out = WithoutReturns(parent.OutputSoFar())).find('\n') != std::string::npos; }, 30000));
        return out.rfind("HWND ", 0) == 0 ? out.substr(5, out.find('\n') - 5) : "";
    }

    static TempDir* prefix;
};
TempDir* Windows::prefix = nullptr;

TEST_F(Windows, FullScreenHidesTheCursorAndOnlyRealInputEndsIt) {
    Xdotool("mousemove 300 300");
    ChildProcess saver;
    StartDrawn(saver, {"/s"});  // covering the virtual screen, as the Xephyr case shows
    EXPECT_TRUE(CursorIsInvisible());
    // A second full-screen start brings this one forward and ends.
    ChildProcess second;
    Start(second, {"/s"});
    ExpectEnd(second, 0, 30000);
    EXPECT_EQ(WindowsNamed("orvane").size(), 1u);
    // The reference is where the pointer was when the window appeared (Windows
    // sends a move then) or the first move's end: 5 pixels from either stay.
    // Alt+F4 is a system command to close, swallowed like the menu keys; it
    // comes first, since after F10 Wine no longer makes that command of it.
    for (const char* input :
         {"keydown alt key F4 keyup alt", "key alt", "key F10", "mousemove 302 302", "mousemove 305 305"}) {
        Xdotool(input);
        EXPECT_TRUE(StillRunningAfter(saver, 500)) << input;
    }
    ExpectEndOn("mousemove 308 300", saver);
    ChildProcess again;  // a key ends the music and monitor runs below
    StartDrawn(again, {"/s"});
    ExpectEndOn("click 1", again);
}

// A preview in a minimised settings window draws nothing and its loop waits;
// restored, it draws again.
TEST_F(Windows, PreviewFillsItsParentFollowsItWaitsWhileItIsMinimisedAndEndsWithIt) {
    ChildProcess parent;
    const std::string handle = StartParent(parent, "preview");
    ChildProcess preview;
    Start(preview, {"/p", handle});
    const auto said = [&](const char* line) {
        return WaitUntil([&] { return parent.OutputSoFar().find(line) != std::string::npos; }, 60000);
    };
    ASSERT_TRUE(said("MINIMISED")) << parent.OutputSoFar();
    // Once a frame in flight is done the loop waits, and keeps waiting.
    EXPECT_TRUE(WaitUntil([&] { return CpuShareOver(preview.Pid(), 1000) < 0.02; }, 10000)) << "still drawing";
    EXPECT_LT(CpuShareOver(preview.Pid(), 4000), 0.02);
    ASSERT_TRUE(said("RESTORED")) << parent.OutputSoFar();
    EXPECT_GT(CpuShareOver(preview.Pid(), 1000), 0.05) << "drawing again";
    // The helper halves its size, then destroys itself: the child filled it at both sizes.
    ExpectEnd(parent, 0, 30000);
    const std::string sizes = WithoutReturns(parent.Wait(0).out);
    EXPECT_NE(sizes.find("CHILD 160 120\n", sizes.find("CHILD 320 240\n")), std::string::npos) << sizes;
    ExpectEnd(preview, 0);
    EXPECT_EQ(Run(kFolder + "/velmora.scr", {"/p", "12345"}).exitCode, 1);
}

TEST_F(Windows, DialogStoresTheBoxInTheUsersRegistryAndNothingElseEndsIt) {
    ChildProcess owner;
    const std::string handle = StartParent(owner, "owner");
    const struct {
        std::vector<std::string> args;
        const char* keys;  // the focus starts on OK; Tab moves it to the box
        const char* stored;
        int exitCode;
    } cases[] = {
        {{}, "Escape Return", "30", 0},
        {{"/c", handle}, "Tab space Return", "31", 1},
        {{"/c:" + handle}, "Return", "31", 1},  // reopened checked
        {{"/c"}, "Tab space Return", "30", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "no arguments" : c.args[0]);
        ChildProcess dialog;
        Start(dialog, c.args);
        const unsigned long window = Dialog();
        ASSERT_NE(window, 0u) << "no dialog with its bitmap";
        Xdotool("mousemove --window " + std::to_string(window) + " 20 20 key Escape");
        EXPECT_TRUE(StillRunningAfter(dialog, 500)) << "Escape closed it";
        ExpectEndOn(std::string("key ") + c.keys, dialog, c.exitCode);
        EXPECT_EQ(StoredMusic(), c.stored);
    }
    owner.Kill(SIGKILL);

    // A key the user may not write: OK says so in a message box, the stored
    // value stays and the exit code tells the caller.
    struct KeyAccess {
        static void Set(const char* mode) { EXPECT_EQ(Run(VELMORA_TEST_PARENT, {mode}).exitCode, 0) << mode; }
        KeyAccess() { Set("deny-writes"); }
        ~KeyAccess() { Set("allow-writes"); }  // the next test's SetUp deletes the key
    } denied;
    ChildProcess dialog;
    Start(dialog, {});
    ASSERT_NE(Dialog(), 0u);
    Xdotool("key Tab space Return");
    EXPECT_TRUE(AnswerMessageBox(dialog));
    ExpectEnd(dialog, 3);
    EXPECT_EQ(StoredMusic(), "30");
}

// The shared section is any process's of this image, and a configuration run
// stores its owner's handle there: a second full-screen start raises only a
// screen window of this program, never another program's window.
TEST_F(Windows, ASecondFullScreenStartRaisesNoWindowOfAnotherProgram) {
    ChildProcess owner;
    const std::string handle = StartParent(owner, "minimised");
    ChildProcess dialog;
    Start(dialog, {"/c", handle});
    ASSERT_TRUE(WaitUntil([] { return !WindowsNamed("Velmora! Configuration").empty(); }, 30000));
    ChildProcess second;
    Start(second, {"/s"});
    ExpectEnd(second, 0, 30000);
    EXPECT_TRUE(StillRunningAfter(owner, 1000));
    EXPECT_EQ(owner.OutputSoFar().find("RESTORED"), std::string::npos) << "the other program's window was restored";
    EXPECT_TRUE(WindowsNamed("orvane").empty());
}

// Data comes from the executable's folder; a data file that is missing, or
// not a file on a disk, reads as missing: under Wine a FIFO opened by fopen
// read as empty, a link to /dev/zero as black pixels.
TEST_F(Windows, DataComesFromTheInstallFolderOrTheExecutablesFolder) {
    TempDir dir;
    const struct {
        const char* copy;
        const char* file;
        const char* kind;  // "missing", "fifo" or the path that the file links to
        const char* end;   // how the output ends; %: the data folder
    } cases[] = {
        {"lonely", "3", "missing", "%9\n \nRGBA Image input completed!\n***Can't open %3!\n "},
        {"fifo", "d", "fifo", "***Can't open %d!\n "},
        {"zero", "d", "/dev/zero", "***Can't open %d!\n "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        const std::string exe = CopyOfProgram(dir.Path() + "/" + c.copy);
        const std::string path = dir.Path() + "/" + c.copy + "/data/" + c.file;
        fs::remove(path);
        if (std::string(c.kind) == "fifo")
            ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        else if (std::string(c.kind) != "missing")
            fs::create_symlink(c.kind, path);
        const ProcessResult result = Run(exe, {"--snapshot", WindowsPath(dir.Path() + "/s.png"), "--size", "32x24"});
        EXPECT_EQ(result.exitCode, 11) << result.err;
        const std::string folder = WindowsPath(dir.Path() + "/" + c.copy + "/data/");
        std::string end = c.end;
        for (size_t at; (at = end.find('%')) != std::string::npos;) end.replace(at, 1, folder);
        EXPECT_EQ(result.out.rfind("File path: " + folder + "9\n", 0), 0u) << result.out;
        EXPECT_EQ(result.out.substr(result.out.size() - std::min(result.out.size(), end.size())), end);
    }
    // With the "install" value, the copy without file 3 reads the build's
    // folder: the frame is the one the full folder draws, model included, and
    // the one the Linux build draws (both on llvmpipe).
    Reg({"add", kKey, "/v", "install", "/t", "REG_SZ", "/d", WindowsPath(kFolder + "/"), "/f"});
    for (const std::string& exe : {dir.Path() + "/lonely/velmora.scr", kFolder + "/velmora.scr"}) {
        const std::string shot = dir.Path() + "/" + fs::path(exe).parent_path().filename().string() + ".png";
        EXPECT_EQ(Run(exe, {"--snapshot", WindowsPath(shot), "--size", "160x120", "--frames", "30"}).exitCode, 0);
    }
    Reg({"delete", kKey, "/v", "install", "/f"});
    EXPECT_EQ(Rmse(ReadPng(dir.Path() + "/lonely.png"), ReadPng(dir.Path() + "/velmora.png")), 0.0);
    ASSERT_EQ(RunProcess({VELMORA_EXE, "--snapshot", dir.Path() + "/linux.png", "--size", "160x120", "--frames", "30"},
                         {"XDG_CONFIG_HOME=" + dir.Path()}, dir.Path(), 60000)
                  .exitCode,
              0);
    EXPECT_LT(Rmse(ReadPng(dir.Path() + "/linux.png"), ReadPng(dir.Path() + "/velmora.png")), 0.01);
}

// The silent install an administrator deploys with: the program in Program
// Files, found by the System32 launcher through "install"; its uninstaller
// takes back all of it and nothing of the user's.
TEST_F(Windows, InstallerSetsUpTheLauncherAndItsUninstallerTakesBackOnlyThat) {
    const std::string installed = prefix->Path() + "/drive_c/Program Files/Velmora! Screensaver";
    const std::string launcher = prefix->Path() + "/drive_c/windows/system32/velmora.scr";
    const std::string machineKey = "HKCR\\CLSID\\{6B2E7C91-5DA4-4f3e-9C07-E1A85F2D3B60}";
    const std::string uninstallKey =
        "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velmora! Screensaver";
    const std::string desktopKey = "HKCU\\Control Panel\\Desktop";
    const auto query = [](const std::string& key, const std::string& value) {
        ProcessResult result = Reg({"query", key, "/v", value});
        return result.exitCode == 0 ? Lower(WithoutReturns(result.out)) : "(none)";
    };
    ProcessResult setup =
        RunProcess({kWine, VELMORA_WINDOWS_BUILD "/velmora-" VELMORA_VERSION "-setup-x86_64.exe", "/S", "/CURRENT"},
                   Env(), "", 120000);
    ASSERT_EQ(setup.exitCode, 0) << setup.err;
    const std::map<std::string, std::string> shipped = FileTree(kFolder), copied = FileTree(installed);
    for (const auto& [file, bytes] : shipped) EXPECT_TRUE(copied.count(file) && copied.at(file) == bytes) << file;
    EXPECT_NE(query(machineKey, "install").find("reg_sz    c:\\program files\\velmora! screensaver\\\n"),
              std::string::npos);
    EXPECT_NE(query(uninstallKey, "DisplayVersion").find("reg_sz    " VELMORA_VERSION "\n"), std::string::npos);
    EXPECT_NE(query(desktopKey, "SCRNSAVE.EXE").find("c:\\windows\\system32\\velmora.scr\n"), std::string::npos);

    // The launcher runs the installed program with its arguments, output and
    // exit code, wherever it is started; the folder the installer recorded
    // for the machine counts, not one in the user's own key.
    TempDir dir;
    Reg({"add", kKey, "/v", "install", "/t", "REG_SZ", "/d", WindowsPath(dir.Path() + "/decoy/"), "/f"});
    CopyOfProgram(dir.Path() + "/decoy");
    const struct {
        std::vector<std::string> args;
        int exitCode;
        const char* out;
    } runs[] = {
        {{"--snapshot", WindowsPath(dir.Path() + "/installed.png"), "--size", "160x120"},
         0,
         "File path: C:\\Program Files\\Velmora! Screensaver\\data\\9\n"},
        {{"--version"}, 0, "velmora " VELMORA_VERSION "\n"},
        {{"/a"}, 2, ""},
    };
    for (const auto& run : runs) {
        const ProcessResult result = Run(launcher, run.args);
        EXPECT_EQ(result.exitCode, run.exitCode) << run.args[0] << result.err;
        EXPECT_EQ(result.out.find(run.out), 0u) << run.args[0] << ": " << result.out;
    }
    Reg({"delete", kKey, "/v", "install", "/f"});

    // The user's music setting and a file of their own outlive the program.
    Reg({"add", kKey, "/v", "ini", "/t", "REG_BINARY", "/d", "31", "/f"});
    std::ofstream(installed + "/notes.txt") << "mine";
    // A copy run in place, as the uninstaller runs itself, so it is waited for;
    // "_?=" takes the rest of the line unquoted, which only cmd passes on.
    fs::copy_file(installed + "/Uninstall.exe", dir.Path() + "/Uninstall.exe");
    ProcessResult removal =
        RunProcess({kWine, "cmd", "/c",
                    WindowsPath(dir.Path() + "/Uninstall.exe") + " /S _?=C:\\Program Files\\Velmora! Screensaver"},
                   Env(), "", 120000);
    EXPECT_EQ(removal.exitCode, 0) << removal.err;
    EXPECT_FALSE(fs::exists(installed + "/Uninstall.exe"));
    for (const auto& [file, bytes] : shipped)
        EXPECT_TRUE(bytes == kFolderEntry || !fs::exists(installed + "/" + file)) << file;
    EXPECT_TRUE(fs::exists(installed + "/notes.txt"));
    EXPECT_FALSE(fs::exists(launcher));
    EXPECT_EQ(Reg({"query", machineKey}).exitCode, 1) << "the key the installer made";
    EXPECT_EQ(Reg({"query", uninstallKey}).exitCode, 1);
    EXPECT_EQ(query(desktopKey, "SCRNSAVE.EXE"), "(none)");
    EXPECT_EQ(StoredMusic(), "31");
    fs::remove_all(installed);

    // Without the program, the launcher says so and ends.
    ChildProcess orphan;
    Start(orphan, {"/s"}, {}, VELMORA_WINDOWS_BUILD "/x86_64/build/launcher/velmora.scr");
    EXPECT_TRUE(AnswerMessageBox(orphan));
    ExpectEnd(orphan, 1);
}

// Without vorbisfile.dll or OpenAL32.dll beside the program, one planted in
// the current folder or on PATH is never loaded: the music is lost, nothing
// else. The override variable still names a library by its full path.
TEST_F(Windows, MusicPlaysThroughOpenALSoftOrSaysWhyNot) {
    TempDir dir;
    Reg({"add", kKey, "/v", "ini", "/t", "REG_BINARY", "/d", "31", "/f"});
    for (const std::string library : {"vorbisfile.dll", "OpenAL32.dll"}) {
        CopyOfProgram(dir.Path() + "/without-" + library);
        fs::remove(dir.Path() + "/without-" + library + "/" + library);
        for (const char* planted : {"/current", "/path"}) {
            fs::create_directories(dir.Path() + planted);
            fs::copy_file(VELMORA_PLANTED_LIBRARY, dir.Path() + planted + "/" + library);
        }
    }
    const std::string marker = dir.Path() + "/planted-loaded";
    std::vector<std::string> env = AlsoftEnv(dir.Path(), "wave", 44100, "stereo", true);
    env.insert(env.end(), {"PLANTED_MARKER=" + WindowsPath(marker), "WINEPATH=" + WindowsPath(dir.Path() + "/path")});
    const struct {
        const char* what;
        const char* missing;  // the library left out of the program's folder, when not empty
        const char* library;  // VELMORA_VORBISFILE_LIBRARY, when not empty
        bool plantedLoads;
        const char* message;  // when no music is heard
    } cases[] = {
        {"with both libraries", "", "", false, ""},
        {"without vorbisfile.dll", "vorbisfile.dll", "", false,
         "Failed to find OggVorbis DLLs (vorbisfile.dll, ogg.dll, or vorbis.dll)\n"},
        {"the planted library named in full", "vorbisfile.dll", "/current/vorbisfile.dll", true,
         "Failed to find OggVorbis DLLs (vorbisfile.dll, ogg.dll, or vorbis.dll)\n"},
        {"without OpenAL32.dll", "OpenAL32.dll", "", false, "Failed to initialize OpenAL\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(marker);
        fs::remove(dir.Path() + "/out.wav");
        std::vector<std::string> caseEnv = env;
        if (c.library[0] != '\0')
            caseEnv.push_back("VELMORA_VORBISFILE_LIBRARY=" + WindowsPath(dir.Path() + c.library));
        ChildProcess saver;
        StartDrawn(
            saver, {"/s"}, caseEnv,
            c.missing[0] == '\0' ? kFolder + "/velmora.scr" : dir.Path() + "/without-" + c.missing + "/velmora.scr",
            dir.Path() + "/current");
        // What is heard is two seconds of capture; what isn't, its message.
        const std::string captured = dir.Path() + "/out.wav";
        if (c.message[0] != '\0')
            EXPECT_TRUE(WaitUntil(
                [&] { return WithoutReturns(saver.OutputSoFar()).find(c.message) != std::string::npos; }, 30000));
        else
            EXPECT_TRUE(WaitUntil([&] { return FileSize(captured) > 44 + 2 * 44100 * 8; }, 30000)) << "nothing heard";
        EXPECT_TRUE(saver.Running()) << "the scene runs on";
        Xdotool("key space");
        ProcessResult result = saver.Wait(10000);
        EXPECT_EQ(std::make_pair(result.exitCode, fs::exists(marker)), std::make_pair(0, c.plantedLoads));
        if (c.message[0] != '\0') {
            EXPECT_NE(WithoutReturns(result.out).find(c.message), std::string::npos) << result.out;
            continue;
        }
        const Pcm capture = ReadCapture(dir.Path() + "/out.wav"),
                  reference = FadedIn(Decode(VELMORA_BUILD_DIR "/data/xt"));
        ASSERT_GT(capture.Frames(), 44100) << "at least a second heard";
        const CaptureFit fit = FitCapture(capture, reference, std::min(capture.Frames() - 44100, 10L * 44100));
        EXPECT_LT(fit.residual, 1e-3) << "heard as decoded";
    }
}

// Chosen in the dialog's own file chooser, an Opus file whose folder and name
// lie outside any single code page is stored as the wide string it is, with
// the volume as a DWORD, and a full-screen run plays it at that volume.
TEST_F(Windows, AChosenOpusFileWithANonAsciiNamePlaysAtTheChosenVolume) {
    TempDir dir;
    // A 600 Hz tone of amplitude 0.3, five seconds at 48 kHz.
    const std::string opus = dir.Path() + "/Música ♫/canción ♪.opus";
    ASSERT_TRUE(WriteTone(opus, 600, 5, 48000));

    ChildProcess dialog;
    Start(dialog, {});
    const unsigned long window = Dialog();
    ASSERT_NE(window, 0u);
    Xdotool("mousemove --window " + std::to_string(window) +
            " 20 20 key Tab space Tab space");  // from OK: the box, File...
    const unsigned long chooser = ShownWindow("Choose a music file", 30000);
    ASSERT_NE(chooser, 0u);
    ASSERT_TRUE(WaitUntil([&] { return WindowShowsPicture(chooser); }, 30000)) << "the chooser is never drawn";
    // Slowly: xdotool maps each character outside the keyboard's map onto a spare key first.
    Xdotool("type --delay 150 '" + WindowsPath(opus) + "'");
    // Wine reads the keyboard's map anew after those keys and may miss a key
    // meanwhile: Return until the chooser has gone.
    bool closed = false;
    for (int press = 0; press < 5 && !closed; ++press) {
        Xdotool("key Return");
        closed = WaitUntil([] { return ShownWindow("Choose a music file", 0) == 0; }, 3000);
    }
    ASSERT_TRUE(closed);
    // File... has the focus again: over Folder... and Built-in to the volume.
    Xdotool("key Tab Tab Tab Home");
    Xdotool("key --repeat 50 --delay 10 Right");
    ExpectEndOn("key Return", dialog);
    // The key as reg.exe exports it, in UTF-16.
    ASSERT_EQ(Reg({"export", kKey, WindowsPath(dir.Path() + "/key.reg"), "/y"}).exitCode, 0);
    const std::string exported = Shell("iconv -f UTF-16 -t UTF-8 '" + dir.Path() + "/key.reg'");
    std::string escaped = WindowsPath(opus);
    for (size_t at = 0; (at = escaped.find('\\', at)) != std::string::npos; at += 2) escaped.insert(at, "\\");
    EXPECT_NE(exported.find("\"music\"=\"" + escaped + "\""), std::string::npos) << exported;
    EXPECT_NE(exported.find("\"volume\"=dword:00000032"), std::string::npos) << exported;
    EXPECT_NE(exported.find("\"ini\"=hex:31"), std::string::npos) << exported;

    ChildProcess saver;
    StartDrawn(saver, {"/s"}, AlsoftEnv(dir.Path(), "wave", 48000, "stereo", true));
    EXPECT_TRUE(WaitUntil([&] { return FileSize(dir.Path() + "/out.wav") > 44 + 3 * 48000 * 8; }, 30000));
    Xdotool("key space");
    EXPECT_EQ(saver.Wait(10000).exitCode, 0);
    const Pcm capture = ReadCapture(dir.Path() + "/out.wav");
    const long start = LoudFrame(capture, false);
    ASSERT_GE(start, 0) << "nothing heard";
    ASSERT_GT(capture.Frames(), start + 3 * 48000);
    // Past the fade-in: 600 Hz (zero crossings) at half of 0.3 / sqrt(2).
    EXPECT_NEAR(Hz(capture, start + 72000, 48000), 600, 10) << "the tone";
    EXPECT_NEAR(Rms(capture, start + 72000, 48000), 0.5 * 0.3 / std::sqrt(2.0), 0.1 * 0.5 * 0.3 / std::sqrt(2.0))
        << "half volume";
}

TEST_F(Windows, FullScreenCoversBothMonitorsOfXephyr) {
    const std::string display = EnsureTwoMonitorXephyr();
    // Wine's monitors come from RandR by default, whose list on Xephyr holds
    // the first head only; Xinerama's has both. The prefix's desktop process
    // keeps the display it started on, so the server starts anew around this.
    const std::string driverKey = "HKCU\\Software\\Wine\\X11 Driver";
    ASSERT_EQ(Reg({"add", driverKey, "/v", "UseXRandR", "/d", "N", "/f"}).exitCode, 0);
    RunProcess({"/usr/lib/wine/wineserver", "-k"}, Env());
    ChildProcess saver;
    Start(saver, {"/s"}, {"DISPLAY=" + display});
    EXPECT_TRUE(CoversBothXephyrMonitors(display, 60000));
    Shell("DISPLAY=" + display + " xdotool key space");
    ExpectEnd(saver, 0);
    RunProcess({"/usr/lib/wine/wineserver", "-k"}, Env());
    Reg({"delete", driverKey, "/v", "UseXRandR", "/f"});
}

// Both builds are GUI programs that import only system libraries and those
// beside them; OpenAL and vorbisfile are loaded at run time, since a
// load-time import would be looked for in the current folder and on PATH
// before the program could prevent it.
TEST(WindowsBuild, BothArchitecturesAreGuiProgramsWithOnlyKnownImports) {
    for (const std::string arch : {"x86_64", "i686"}) {
        SCOPED_TRACE(arch);
        const std::string folder = VELMORA_WINDOWS_BUILD "/" + arch + "/velmora";
        const std::string headers = Lower(Shell(arch + "-w64-mingw32-objdump -p '" + folder + "/velmora.scr' 2>&1"));
        EXPECT_NE(headers.find(arch == "i686" ? "file format pei-i386" : "file format pei-x86-64"), std::string::npos)
            << headers.substr(0, 300);
        EXPECT_NE(headers.find("(windows gui)"), std::string::npos);
        std::string known =
            " advapi32.dll gdi32.dll glu32.dll kernel32.dll msvcrt.dll opengl32.dll user32.dll "
            "winmm.dll shell32.dll ole32.dll avrt.dll comctl32.dll comdlg32.dll ";
        for (const auto& entry : fs::directory_iterator(folder)) known += Lower(entry.path().filename().string()) + " ";
        int imports = 0;
        for (size_t at = 0; (at = headers.find("dll name: ", at)) != std::string::npos; ++imports, at += 10) {
            const std::string name = " " + headers.substr(at + 10, headers.find('\n', at) - at - 10) + " ";
            EXPECT_NE(known.find(name), std::string::npos) << name;
            EXPECT_TRUE(name != " openal32.dll " && name != " vorbisfile.dll " && name != " libsndfile-1.dll ")
                << name << "imported";
        }
        EXPECT_GT(imports, 5);
    }
}

}  // namespace
