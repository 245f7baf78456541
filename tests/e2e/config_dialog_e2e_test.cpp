// The configuration dialog of the real executable under Xvfb, driven with
// xdotool, xprop and, for a window manager's close request, a client message.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/posix/settings_file.h"
#include "support/image.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/x_window.h"
#include "support/xvfb.h"

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>

namespace {

// True when `picture` lies in `shot` pixel for pixel near (nearX, nearY).
bool FindPicture(const RgbImage& shot, const RgbImage& picture, int nearX, int nearY) {
    for (int y0 = nearY - 4; y0 <= nearY + 8; ++y0)
        for (int x0 = nearX - 4; x0 <= nearX + 8; ++x0) {
            if (x0 < 0 || y0 < 0 || x0 + picture.width > shot.width || y0 + picture.height > shot.height) continue;
            bool same = true;
            for (int y = 0; y < picture.height && same; ++y)
                same = std::equal(picture.At(0, y), picture.At(0, y) + picture.width * 3, shot.At(x0, y0 + y));
            if (same) return true;
        }
    return false;
}

// Pixels darker than the dialog's light face in a region: text.
int DarkPixels(const RgbImage& shot, int x0, int y0, int width, int height) {
    int dark = 0;
    for (int y = y0; y < y0 + height && y < shot.height; ++y)
        for (int x = x0; x < x0 + width && x < shot.width; ++x) dark += shot.At(x, y)[0] + shot.At(x, y)[1] < 220;
    return dark;
}

// A property of a window as xprop prints it.
std::string Property(unsigned long window, const char* name) {
    return Shell("xprop -id " + std::to_string(window) + " " + name + " 2>&1");
}

// What a window manager sends when the user closes a window.
void RequestClose(Window window) {
    Display* display = XOpenDisplay(EnsureXvfb().c_str());
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    XSendEvent(display, window, False, NoEventMask, &event);
    XCloseDisplay(display);
}

// Gives `window` the keyboard focus (there is no window manager to give it).
bool Focus(unsigned long window) {
    Xdotool("windowfocus " + std::to_string(window));
    return WaitUntil([&] { return Shell("xdotool getwindowfocus") == std::to_string(window) + "\n"; });
}

// Sends `keys` and waits until the window, still there, shows their effect:
// whatever came before them has been handled.
bool KeysShow(unsigned long window, const std::string& keys) {
    const RgbImage before = Screenshot(window);
    Xdotool("key " + keys);
    return WaitUntil([&] { return Rmse(Screenshot(window), before) > 0.0; }) && Geometry(window).viewable;
}

class ConfigDialogEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { EnsureXvfb(); }

    // Starts a configuration run and waits until its dialog is on screen with
    // the keyboard focus.
    unsigned long Open(ChildProcess& child, const std::vector<std::string>& args = {},
                       const std::string& exe = VELMORA_EXE) {
        std::vector<std::string> argv = {exe};
        argv.insert(argv.end(), args.begin(), args.end());
        EXPECT_TRUE(child.Start(argv, env));
        const unsigned long window = ShownWindow("Velmora! Configuration", 15000);
        EXPECT_NE(window, 0u) << "no dialog; stderr: " << (child.Running() ? "" : child.Wait(100).err);
        if (window == 0) return 0;
        // Drawn by GTK: until then it shows the black screen under it.
        EXPECT_TRUE(Focus(window) && WaitUntil([&] {
                        const RgbImage shot = Screenshot(window);
                        return Colours(shot, 0, 0, shot.width, shot.height) > 16;
                    }));
        return window;
    }
    // OK at 319, 182 dialog units: 479, 296 pixels at 96 dpi.
    static void ClickOk(unsigned long window) {
        Xdotool("mousemove --window " + std::to_string(window) + " 516 309 click 1");
    }
    // The stored music box ("(none)" before any), or the music and volume.
    std::string Stored(bool box = true) const {
        SettingsValues values;
        DecodeSettings(ReadFileBytes(config.Path() + "/velmora/settings"), &values);
        if (!box)
            return values["music"] + "|" + std::to_string(values["volume"].size() == 4 ? values["volume"][0] : -1);
        return values.count("ini") ? values["ini"] : "(none)";
    }

    TempDir config, cache;
    std::vector<std::string> env = {"XDG_CONFIG_HOME=" + config.Path(), "XDG_CACHE_HOME=" + cache.Path(),
                                    "NO_AT_BRIDGE=1"};
    const uid_t uid = getpwnam("nobody")->pw_uid;  // the account root's runs act as
    const gid_t gid = getpwnam("nobody")->pw_gid;
};

TEST_F(ConfigDialogEndToEnd, ShowsItsPictureAndTextsAndOnlyOkClosesItAndStoresTheBox) {
    ChildProcess first;
    const unsigned long window = Open(first);
    ASSERT_NE(window, 0u);
    const RgbImage shot = Screenshot(window);
    EXPECT_EQ(std::make_pair(shot.width, shot.height), std::make_pair(581, 341));
    const RgbImage picture = ReadPng(std::string(VELMORA_BUILD_DIR) + "/data/config.png");
    ASSERT_EQ(picture.width, 256);
    EXPECT_TRUE(FindPicture(shot, picture, 305, 18)) << "the picture at 203, 11 dialog units";
    EXPECT_GT(DarkPixels(shot, 48, 26, 80, 16), 20) << "Settings";
    EXPECT_GT(DarkPixels(shot, 110, 58, 110, 24), 40) << "Enable music";
    EXPECT_GT(DarkPixels(shot, 500, 300, 35, 18), 10) << "OK";
    EXPECT_GT(DarkPixels(shot, 60, 98, 120, 40), 40) << "Music: and the built-in music's name";
    EXPECT_LT(Colours(shot, 20, 246, 250, 48), 6) << "the face below the frame is plain";
    // Escape and a close request end nothing: the keys after each still reach
    // the dialog. The focus starts on OK, the first tab stop; Tab moves it to
    // the box, Space checks it.
    EXPECT_TRUE(KeysShow(window, "Escape Tab")) << "Escape closed the dialog";
    RequestClose(window);
    EXPECT_TRUE(KeysShow(window, "space")) << "the close request closed the dialog, or the box shows no check";
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(Stored(), "(none)");
    ClickOk(window);
    ExpectEnd(first, 0);
    EXPECT_EQ(Stored(), "1");
    // Reopened, the box is checked: OK (Space on the focused button) keeps it.
    ChildProcess second;
    ASSERT_NE(Open(second), 0u);
    ExpectEndOn("key space", second);
    EXPECT_EQ(Stored(), "1");
}

TEST_F(ConfigDialogEndToEnd, AChosenFileAndVolumeAreStoredAndShownOnReopening) {
    TempDir music;
    const std::string file = music.Write("My Music/piece one.ogg", ReadFileBytes(VELMORA_BUILD_DIR "/data/xt"));
    ChildProcess first;
    const unsigned long window = Open(first);
    ASSERT_NE(window, 0u);
    const RgbImage before = Screenshot(window);
    Xdotool("key Tab Tab space");  // from OK over the box to File...
    const unsigned long chooser = ShownWindow("Choose a music file", 15000);
    ASSERT_NE(chooser, 0u);
    ASSERT_TRUE(Focus(chooser));
    Xdotool("key ctrl+l");
    Xdotool("type --delay 10 '" + file + "'");
    // The chooser reads the typed folder before it takes a Return: press it
    // until the chooser has gone.
    bool closed = false;
    for (int press = 0; press < 10 && !closed; ++press) {
        Xdotool("key Return");
        closed = WaitUntil([] { return ShownWindow("Choose a music file", 0) == 0; }, 1000);
    }
    ASSERT_TRUE(closed);
    ASSERT_TRUE(Focus(window));
    Xdotool("key Tab Tab Tab Home");  // File... has the focus again: over Folder... and Built-in to the slider
    Xdotool("key --repeat 37 --delay 5 Right");
    EXPECT_TRUE(WaitUntil([&] { return Rmse(Screenshot(window), before) > 0.0; })) << "the name and volume show";
    ClickOk(window);
    ExpectEnd(first, 0);
    EXPECT_EQ(Stored(false), file + "|37");
    // Reopened, the dialog shows both: OK stores them as they were.
    ChildProcess second;
    ASSERT_NE(Open(second), 0u);
    ExpectEndOn("key Return", second);
    EXPECT_EQ(Stored(false), file + "|37");
    // Built-in goes back to the built-in track; the volume stays.
    ChildProcess third;
    const unsigned long again = Open(third);
    ASSERT_NE(again, 0u);
    Xdotool("key Tab Tab Tab Tab space");
    ClickOk(again);
    ExpectEnd(third, 0);
    EXPECT_EQ(Stored(false), "|37");
}

TEST_F(ConfigDialogEndToEnd, OwnersAndExitCodes) {
    TestWindow owner(320, 200);
    const struct {
        std::vector<std::string> args;
        unsigned long transientFor;
        int exitCode;
    } cases[] = {
        {{"/c", std::to_string(owner.Id())}, owner.Id(), 1},
        {{"/c", "0"}, 0, 1},
        {{"/c", "123456789"}, 0, 1},  // not a window: no owner
        {{"x", "5"}, 0, 0},           // not starting with '/'
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        ChildProcess dialog;
        const unsigned long window = Open(dialog, c.args);
        ASSERT_NE(window, 0u);
        char owner[32];
        std::snprintf(owner, sizeof owner, "window id # 0x%lx\n", c.transientFor);
        EXPECT_NE(Property(window, "WM_TRANSIENT_FOR").find(c.transientFor ? owner : "not found"), std::string::npos);
        EXPECT_TRUE(c.transientFor == 0 ||
                    Property(window, "_NET_WM_STATE").find("_NET_WM_STATE_MODAL") != std::string::npos);
        EXPECT_NE(Property(window, "_NET_WM_WINDOW_TYPE").find("_NET_WM_WINDOW_TYPE_DIALOG"), std::string::npos);
        ExpectEndOn("key Return", dialog, c.exitCode);
        EXPECT_EQ(Stored(), "0") << "OK stores the box unchecked too";
    }
}

// A copy of the executable with the build's data beside it but a FIFO in
// place of the dialog's picture, which reads as missing and holds nothing
// back: it renders the picture on first use, and only a finished picture is
// ever left for the next dialog to find at once. Root renders into a cache
// folder of nobody's as nobody's.
TEST_F(ConfigDialogEndToEnd, AMissingPictureIsRenderedOnFirstUse) {
    namespace fs = std::filesystem;
    env.push_back("ASAN_OPTIONS=detect_leaks=0");  // the GL driver's leaks would fail the render
    ASSERT_EQ(chown(cache.Path().c_str(), uid, gid), 0);
    TempDir program;
    const std::string exe = CopyProgramWithData(program.Path() + "/copy");
    fs::remove(program.Path() + "/copy/data/config.png");
    ASSERT_EQ(mkfifo((program.Path() + "/copy/data/config.png").c_str(), 0600), 0);
    ChildProcess dialog;
    const unsigned long window = Open(dialog, {}, exe);
    ASSERT_NE(window, 0u);
    const std::string rendered = cache.Path() + "/velmora/config.png";
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(rendered); }, 60000)) << "no picture rendered";
    const RgbImage picture = ReadPng(rendered);
    EXPECT_EQ(picture.width, 256);
    EXPECT_TRUE(WaitUntil([&] { return FindPicture(Screenshot(window), picture, 305, 18); }));
    ExpectEndOn("key Return", dialog);
    EXPECT_EQ(FileTree(cache.Path() + "/velmora").size(), 1u) << "only the finished picture is left";
    for (const std::string& path : {cache.Path() + "/velmora", rendered}) {
        const auto [owner, group, mode] = Owner(path);
        EXPECT_EQ(std::make_tuple(owner, group, mode != 0), std::make_tuple(uid, gid, true)) << path;
    }
}

// An ordinary user's settings, where root would read and write whatever the
// modes say: the program runs as nobody in a home of nobody's own.
class SettingsFileEndToEnd : public ConfigDialogEndToEnd {
protected:
    void SetUp() override {
        ConfigDialogEndToEnd::SetUp();
        ASSERT_EQ(chmod(home.Path().c_str(), 0755), 0);
        ASSERT_EQ(chown(home.Path().c_str(), uid, gid), 0);
        env = {"HOME=" + home.Path(), "XDG_CONFIG_HOME=" + home.Path(), "XDG_CACHE_HOME=" + home.Path() + "/cache",
               "NO_AT_BRIDGE=1"};
    }
    // The settings file, written by nobody's folder of `mode`.
    std::string WriteSettings(const std::string& bytes, mode_t folderMode = 0700) const {
        const std::string file = home.Write("velmora/settings", bytes);
        EXPECT_EQ(chown(file.c_str(), uid, gid), 0);
        const std::string folder = home.Path() + "/velmora";
        EXPECT_EQ(chown(folder.c_str(), uid, gid), 0);
        EXPECT_EQ(chmod(folder.c_str(), folderMode), 0);
        return file;
    }
    // Every entry below `folder` with its type, mode, size and bytes.
    static std::string Tree(const std::string& folder) {
        return Shell("cd '" + folder + "' && find . -printf '%p %M %s\\n' -type f -exec sha256sum {} +");
    }
    // Opens the dialog that `argv` runs, checks the music box and presses OK;
    // a message box "Velmora!" must follow, wait for the user and tell why the
    // box could not be stored; its OK ends the program with the code of a
    // failed save.
    void ExpectFailedSave(const std::vector<std::string>& argv, const std::string& file, const std::string& reason) {
        ChildProcess dialog;
        const unsigned long window = Open(dialog, {argv.begin() + 1, argv.end()}, argv[0]);
        EXPECT_TRUE(window != 0 && KeysShow(window, "Tab") && KeysShow(window, "space"));  // music on
        ClickOk(window);
        const unsigned long box = ShownWindow("Velmora!", 10000);
        EXPECT_NE(box, 0u) << "no message box; " << (dialog.Running() ? "" : dialog.Wait(100).err);
        // Drawn and focused, it is still there: it waits for the user.
        EXPECT_TRUE(box != 0 && Focus(box) && dialog.Running());
        Xdotool("key Return");
        const ProcessResult result = dialog.Wait(10000);
        EXPECT_EQ(result.exitCode, 3) << result.err;
        EXPECT_NE(result.err.find(file + ": " + reason), std::string::npos) << result.err;
    }

    TempDir home;
};

// Unreadable to its owner (a size past the bound is the settings tests'
// concern).
TEST_F(SettingsFileEndToEnd, AnUnusableFileOutlivesAFullScreenStartByteForByte) {
    const std::string file = WriteSettings(EncodeSettings({{"ini", "1"}, {"install", "/opt/velmora/"}}));
    ASSERT_EQ(chmod(file.c_str(), 0), 0);
    const std::string before = Tree(home.Path() + "/velmora");
    ChildProcess saver;
    ASSERT_TRUE(saver.Start(AsNobody({VELMORA_EXE, "/s", "--no-music"}), env));
    ASSERT_NE(DrawnScreenWindow(20000), 0u) << "no frame drawn; " << (saver.Running() ? "" : saver.Wait(100).err);
    Xdotool("key a");
    const ProcessResult result = saver.Wait(10000);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Tree(home.Path() + "/velmora"), before);
    // Named once, however often the run opens its settings.
    const std::string line = "the settings file " + file + " can't be used";
    EXPECT_NE(result.err.find(line), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find(line), result.err.rfind(line)) << result.err;
}

// In a folder its owner may not write: a file that can't be used can't be
// moved aside either, and a good one can't be replaced; both are kept.
TEST_F(SettingsFileEndToEnd, AReadOnlyFolderMakesOkSayWhyAndKeepsTheFile) {
    for (const auto& [bytes, reason] :
         {std::pair<std::string, std::string>{
              "garbage", "it can't be used (not a settings file of this version) nor moved aside: Permission denied"},
          {EncodeSettings({{"ini", "0"}, {"note", "kept"}}), "Permission denied"}}) {
        SCOPED_TRACE(reason);
        WriteSettings(bytes, 0500);
        const std::string before = Tree(home.Path() + "/velmora");
        ExpectFailedSave(AsNobody({VELMORA_EXE}), home.Path() + "/velmora/settings", reason);
        EXPECT_EQ(Tree(home.Path() + "/velmora"), before);
    }
}

TEST_F(SettingsFileEndToEnd, AFullDiskMakesOkSayWhyAndKeepsTheFile) {
    // A small file system of its own, filled up after the settings were written.
    const std::string disk = home.Path() + "/disk";
    std::filesystem::create_directory(disk);
    ASSERT_EQ(Shell("mount -t tmpfs -o size=64k,mode=0755 tmpfs " + disk + " 2>&1 && echo mounted"), "mounted\n")
        << "mounting a tmpfs needs root";
    struct Unmount {
        std::string path;
        ~Unmount() { Shell("umount " + path); }
    } unmount{disk};
    const std::string file = disk + "/velmora/settings";
    std::filesystem::create_directories(disk + "/velmora");
    { std::ofstream(file) << EncodeSettings({{"ini", "0"}, {"note", "kept"}}); }
    Shell("cat /dev/zero > " + disk + "/fill 2>/dev/null");
    const std::string before = Tree(disk);
    env = {"XDG_CONFIG_HOME=" + disk, "XDG_CACHE_HOME=" + cache.Path(), "NO_AT_BRIDGE=1"};
    ExpectFailedSave({VELMORA_EXE}, file, "No space left on device");
    EXPECT_EQ(Tree(disk), before);
}

}  // namespace
