// The configuration dialog of the real executable under Xvfb, driven with
// xdotool and plain Xlib (a window manager's close request is a client message).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/posix/settings_file.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/x_window.h"
#include "support/xvfb.h"

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

const char kCaption[] = "Velmora! Configuration";

// An RGB image read through ImageMagick as binary PPM.
struct Image {
    int width = 0, height = 0;
    std::string rgb;
    const unsigned char* At(int x, int y) const {
        return reinterpret_cast<const unsigned char*>(&rgb[(size_t(y) * width + x) * 3]);
    }
};

bool ReadImage(const std::string& source, Image* image, const std::string& importFlags = "") {
    TempDir dir;
    std::string ppm = dir.Path() + "/image.ppm";
    std::string command = importFlags.empty() ? "convert '" + source + "' -depth 8 ppm:'" + ppm + "'"
                                              : "import " + importFlags + " -depth 8 ppm:'" + ppm + "'";
    Shell(command + " 2>/dev/null");
    std::string bytes = ReadFileBytes(ppm);
    int maxValue = 0, used = 0;
    if (std::sscanf(bytes.c_str(), "P6 %d %d %d%n", &image->width, &image->height, &maxValue, &used) != 3 ||
        maxValue != 255)
        return false;
    image->rgb = bytes.substr(size_t(used) + 1);
    return image->rgb.size() == size_t(image->width) * image->height * 3;
}

// Where the picture's top left corner lies in `shot`, searched around the
// place the template gives it; false when the picture is not there.
bool FindPicture(const Image& shot, const Image& picture, int nearX, int nearY) {
    for (int dy = -4; dy <= 8; ++dy)
        for (int dx = -4; dx <= 8; ++dx) {
            int x0 = nearX + dx, y0 = nearY + dy;
            if (x0 < 0 || y0 < 0 || x0 + picture.width > shot.width || y0 + picture.height > shot.height)
                continue;
            bool same = true;
            for (int y = 0; y < picture.height && same; ++y)
                same = std::equal(picture.At(0, y), picture.At(0, y) + picture.width * 3, shot.At(x0, y0 + y));
            if (same) return true;
        }
    return false;
}

// Pixels of a region darker than the dialog's light background: text.
int DarkPixels(const Image& shot, int x0, int y0, int width, int height) {
    int dark = 0;
    for (int y = y0; y < y0 + height && y < shot.height; ++y)
        for (int x = x0; x < x0 + width && x < shot.width; ++x) {
            const unsigned char* p = shot.At(x, y);
            dark += p[0] + p[1] + p[2] < 3 * 110;
        }
    return dark;
}

// Distinct colours (4 bits a channel) in a region.
int Colours(const Image& shot, int x0, int y0, int width, int height) {
    std::vector<bool> seen(1 << 12);
    int count = 0;
    for (int y = y0; y < y0 + height && y < shot.height; ++y)
        for (int x = x0; x < x0 + width && x < shot.width; ++x) {
            const unsigned char* p = shot.At(x, y);
            int key = (p[0] >> 4) << 8 | (p[1] >> 4) << 4 | p[2] >> 4;
            if (!seen[key]) ++count, seen[key] = true;
        }
    return count;
}

class XConnection {
public:
    XConnection() : display(XOpenDisplay(EnsureXvfb().c_str())) {}
    ~XConnection() {
        if (display != nullptr) XCloseDisplay(display);
    }
    // What a window manager sends when the user closes a window.
    void RequestClose(Window window) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window, False, NoEventMask, &event);
        XSync(display, False);
    }
    bool ListensForClose(Window window) {
        Atom* protocols = nullptr;
        int count = 0;
        bool found = false;
        if (XGetWMProtocols(display, window, &protocols, &count)) {
            Atom close = XInternAtom(display, "WM_DELETE_WINDOW", False);
            for (int i = 0; i < count; ++i) found = found || protocols[i] == close;
            XFree(protocols);
        }
        return found;
    }
    Window TransientFor(Window window) {
        Window owner = 0;
        return XGetTransientForHint(display, window, &owner) ? owner : 0;
    }
    bool HasState(Window window, const char* state) {
        Atom type;
        int format;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        Atom wanted = XInternAtom(display, state, False);
        bool found = false;
        if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_STATE", False), 0, 64, False,
                               XA_ATOM, &type, &format, &count, &after, &data) == Success &&
            data != nullptr) {
            for (unsigned long i = 0; i < count; ++i) found = found || reinterpret_cast<Atom*>(data)[i] == wanted;
            XFree(data);
        }
        return found;
    }

private:
    Display* display;
};

class ConfigDialogEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureXvfb();
        env = {"XDG_CONFIG_HOME=" + config.Path(), "XDG_CACHE_HOME=" + cache.Path(), "NO_AT_BRIDGE=1"};
    }

    // Starts a configuration run and waits until its dialog is on screen.
    unsigned long Open(ChildProcess& child, const std::vector<std::string>& args = {},
                       const std::string& exe = VELMORA_EXE) {
        std::vector<std::string> argv = {exe};
        argv.insert(argv.end(), args.begin(), args.end());
        EXPECT_TRUE(child.Start(argv, env));
        unsigned long window = 0;
        bool shown = WaitUntil(
            [&] {
                auto found = WindowsNamed(kCaption);
                WindowGeometry geometry;
                if (found.size() != 1 || !QueryGeometry(found[0], &geometry) || !geometry.viewable) return false;
                window = found[0];
                return true;
            },
            15000);
        EXPECT_TRUE(shown) << "no dialog; stderr: " << (child.Running() ? "" : child.Wait(100).err);
        if (!shown) return 0;
        // Keys go to the focused window; without a window manager, we focus it.
        Xdotool("windowfocus " + std::to_string(window));
        EXPECT_TRUE(WaitUntil([&] { return Shell("xdotool getwindowfocus") == std::to_string(window) + "\n"; }));
        // GTK draws after mapping; let its first frame land before reading pixels.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return window;
    }

    static void Xdotool(const std::string& arguments) { Shell("xdotool " + arguments + " 2>&1"); }

    // OK sits at 319, 182 (50 x 16 dialog units), 479, 296 pixels at 96 dpi.
    static void ClickOk(unsigned long window) {
        Xdotool("mousemove --window " + std::to_string(window) + " 516 309 click 1");
    }

    void StoreMusic(const std::string& bytes) {
        config.Write("velmora/settings", EncodeSettings({{"ini", bytes}}));
    }
    SettingsValues Stored() const {
        SettingsValues values;
        DecodeSettings(ReadFileBytes(config.Path() + "/velmora/settings"), &values);
        return values;
    }

    static void ExpectEnd(ChildProcess& child, int exitCode) {
        ProcessResult result = child.Wait(10000);
        EXPECT_FALSE(result.timedOut) << "the dialog did not close";
        EXPECT_FALSE(result.signaled) << result.err;
        EXPECT_EQ(result.exitCode, exitCode) << result.err;
    }

    static bool StillOpenAfter(ChildProcess& child, unsigned long window, int milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        WindowGeometry geometry;
        return child.Running() && QueryGeometry(window, &geometry) && geometry.viewable;
    }

    TempDir config;
    TempDir cache;
    std::vector<std::string> env;
};

TEST_F(ConfigDialogEndToEnd, NoStoredSettingOpensUncheckedAndOkStoresZero) {
    ChildProcess dialog;
    unsigned long window = Open(dialog);
    ASSERT_NE(window, 0u);
    ClickOk(window);
    ExpectEnd(dialog, 0);
    SettingsValues stored = Stored();
    ASSERT_EQ(stored.count("ini"), 1u);
    EXPECT_EQ(stored["ini"], "0");
}

TEST_F(ConfigDialogEndToEnd, SpaceOnTheBoxChecksItAndOkStoresOneThenItReopensChecked) {
    ChildProcess first;
    unsigned long window = Open(first);
    ASSERT_NE(window, 0u);
    Image before, after;
    ASSERT_TRUE(ReadImage("", &before, "-window " + std::to_string(window)));
    // The focus starts on OK, the first tab stop; Tab moves it to the box.
    Xdotool("key Tab space");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(ReadImage("", &after, "-window " + std::to_string(window)));
    // The box (63, 36 in dialog units) changed its look; nothing else is stored yet.
    int changed = 0;
    for (int y = 50; y < 90; ++y)
        for (int x = 85; x < 130; ++x) changed += !std::equal(before.At(x, y), before.At(x, y) + 3, after.At(x, y));
    EXPECT_GT(changed, 10);
    EXPECT_EQ(Stored().count("ini"), 0u);
    ClickOk(window);
    ExpectEnd(first, 0);
    EXPECT_EQ(Stored()["ini"], "1");

    // Reopened, the box is checked: Return (the default button) keeps "1".
    ChildProcess second;
    ASSERT_NE(Open(second), 0u);
    Xdotool("key Return");
    ExpectEnd(second, 0);
    EXPECT_EQ(Stored()["ini"], "1");
}

TEST_F(ConfigDialogEndToEnd, OnlyTheSingleByteOneOpensChecked) {
    struct Case {
        const char* name;
        std::string stored;
        const char* afterOk;
    };
    const Case cases[] = {
        {"one and a zero", std::string("1\0", 2), "0"},
        {"zero", "0", "0"},
        {"x", "x", "0"},
        {"one", "1", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StoreMusic(c.stored);
        ChildProcess dialog;
        ASSERT_NE(Open(dialog), 0u);
        Xdotool("key space");  // the focus is on OK
        ExpectEnd(dialog, 0);
        EXPECT_EQ(Stored()["ini"], c.afterOk);
    }
}

TEST_F(ConfigDialogEndToEnd, EscapeAndTheCloseRequestLeaveItOpenAndStoreNothing) {
    ChildProcess dialog;
    unsigned long window = Open(dialog);
    ASSERT_NE(window, 0u);
    XConnection x;
    EXPECT_TRUE(x.ListensForClose(window));
    Xdotool("key Escape");
    EXPECT_TRUE(StillOpenAfter(dialog, window, 500)) << "Escape closed the dialog";
    x.RequestClose(window);
    EXPECT_TRUE(StillOpenAfter(dialog, window, 500)) << "the close request closed the dialog";
    // Tab to the box and back to OK: the dialog still takes keys.
    Xdotool("key Tab Tab Escape");
    EXPECT_TRUE(StillOpenAfter(dialog, window, 300));
    EXPECT_EQ(Stored().count("ini"), 0u);
    ClickOk(window);
    ExpectEnd(dialog, 0);
    EXPECT_EQ(Stored()["ini"], "0");
}

TEST_F(ConfigDialogEndToEnd, OwnedRunIsModalAndTransientForTheOwnerAndEndsWithOne) {
    TestWindow owner(320, 200);
    ChildProcess dialog;
    unsigned long window = Open(dialog, {"/c", std::to_string(owner.Id())});
    ASSERT_NE(window, 0u);
    XConnection x;
    EXPECT_EQ(x.TransientFor(window), owner.Id());
    EXPECT_TRUE(x.HasState(window, "_NET_WM_STATE_MODAL"));
    Xdotool("key Tab space Return");
    ExpectEnd(dialog, 1);
    EXPECT_EQ(Stored()["ini"], "1");
}

TEST_F(ConfigDialogEndToEnd, OwnerZeroOrNoWindowOpensWithoutOwnerAndEndsWithOne) {
    for (const char* owner : {"0", "123456789"}) {
        SCOPED_TRACE(owner);
        ChildProcess dialog;
        unsigned long window = Open(dialog, {"/c", owner});
        ASSERT_NE(window, 0u);
        XConnection x;
        EXPECT_EQ(x.TransientFor(window), 0u);
        ClickOk(window);
        ExpectEnd(dialog, 1);
    }
}

TEST_F(ConfigDialogEndToEnd, ArgumentsNotStartingWithASlashOpenItWithoutOwner) {
    for (const char* argument : {"x", "-c", "-p"}) {
        SCOPED_TRACE(argument);
        ChildProcess dialog;
        unsigned long window = Open(dialog, {argument, "5"});
        ASSERT_NE(window, 0u);
        EXPECT_EQ(XConnection().TransientFor(window), 0u);
        Xdotool("key Return");
        ExpectEnd(dialog, 0);
    }
}

TEST_F(ConfigDialogEndToEnd, ScreenshotShowsThePictureAndTheTexts) {
    const std::string picturePath = std::string(VELMORA_BUILD_DIR) + "/data/config.png";
    ChildProcess dialog;
    unsigned long window = Open(dialog);
    ASSERT_NE(window, 0u);
    Image picture;
    std::string source = picturePath;
    struct stat info;
    // A build that could not render leaves the picture to the first use.
    if (stat(picturePath.c_str(), &info) != 0) {
        source = cache.Path() + "/velmora/config.png";
        ASSERT_TRUE(WaitUntil([&] { return stat(source.c_str(), &info) == 0; }, 60000));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    ASSERT_TRUE(ReadImage(source, &picture));
    EXPECT_EQ(picture.width, 256);
    EXPECT_EQ(picture.height, 256);
    Image shot;
    ASSERT_TRUE(ReadImage("", &shot, "-window " + std::to_string(window)));
    EXPECT_EQ(shot.width, 581);
    EXPECT_EQ(shot.height, 341);
    // The picture, pixel for pixel, in its frame at 203, 11 dialog units.
    EXPECT_TRUE(FindPicture(shot, picture, 305, 18));
    EXPECT_GT(Colours(shot, 310, 25, 250, 250), 50);
    // "Settings" on the frame's top edge, "Enable music" right of the box, "OK".
    EXPECT_GT(DarkPixels(shot, 48, 26, 80, 16), 20);
    EXPECT_GT(DarkPixels(shot, 110, 58, 110, 24), 40);
    EXPECT_GT(DarkPixels(shot, 500, 300, 35, 18), 10);
    // The rest of the dialog's face is plain.
    EXPECT_LT(Colours(shot, 20, 150, 250, 150), 6);
    Shell("import -window " + std::to_string(window) + " '" + VELMORA_BUILD_DIR + "/config-dialog.png'");
    Xdotool("key Return");
    ExpectEnd(dialog, 0);
}

// A copy of the executable in a folder of its own, with the data beside it
// except the picture when `withData`, or with no data at all.
std::string LonelyExecutable(const TempDir& folder, bool withData) {
    namespace fs = std::filesystem;
    fs::copy_file(VELMORA_EXE, folder.Path() + "/velmora");
    if (withData) {
        fs::create_directory(folder.Path() + "/data");
        for (const auto& entry : fs::directory_iterator(std::string(VELMORA_BUILD_DIR) + "/data")) {
            if (entry.path().filename() == "config.png") continue;
            fs::create_symlink(entry.path(), folder.Path() + "/data/" + entry.path().filename().string());
        }
    }
    return folder.Path() + "/velmora";
}

TEST_F(ConfigDialogEndToEnd, WithoutAPictureTheDialogStillOpensAndWorks) {
    TempDir program;
    std::string exe = LonelyExecutable(program, false);
    ChildProcess dialog;
    unsigned long window = Open(dialog, {}, exe);
    ASSERT_NE(window, 0u);
    Image shot;
    ASSERT_TRUE(ReadImage("", &shot, "-window " + std::to_string(window)));
    EXPECT_LT(Colours(shot, 312, 28, 240, 240), 4) << "a picture without a file";
    EXPECT_GT(DarkPixels(shot, 110, 58, 110, 24), 40);
    Xdotool("key Tab space");
    ClickOk(window);
    ExpectEnd(dialog, 0);
    EXPECT_EQ(Stored()["ini"], "1");
    // The render without data failed and left nothing behind.
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(cache.Path() + "/velmora", error))
        ADD_FAILURE() << "left behind: " << entry.path();
}

TEST_F(ConfigDialogEndToEnd, FirstUseRendersTheMissingPictureIntoTheCache) {
    TempDir program;
    std::string exe = LonelyExecutable(program, true);
    // In sanitizer builds the GL driver's leaks, unwound through no frames
    // LeakSanitizer could name, would fail the render this test is about.
    env.push_back("ASAN_OPTIONS=detect_leaks=0");
    ChildProcess dialog;
    unsigned long window = Open(dialog, {}, exe);
    ASSERT_NE(window, 0u);
    std::string rendered = cache.Path() + "/velmora/config.png";
    struct stat info;
    ASSERT_TRUE(WaitUntil([&] { return stat(rendered.c_str(), &info) == 0; }, 60000))
        << "no picture rendered; stderr: " << (dialog.Running() ? "" : dialog.Wait(100).err);
    Image picture, shot;
    ASSERT_TRUE(ReadImage(rendered, &picture));
    EXPECT_EQ(picture.width, 256);
    ASSERT_TRUE(WaitUntil([&] {
        return ReadImage("", &shot, "-window " + std::to_string(window)) && FindPicture(shot, picture, 305, 18);
    }));
    Xdotool("key Return");
    ExpectEnd(dialog, 0);
    // Only the finished picture is left, for the next dialog to find at once.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(cache.Path() + "/velmora")) {
        EXPECT_EQ(entry.path(), rendered);
        ++files;
    }
    EXPECT_EQ(files, 1);
}

}  // namespace
