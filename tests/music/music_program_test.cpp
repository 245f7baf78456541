// The music in the real screensaver on an Xvfb: played in a full-screen run
// with the setting on (captured by OpenAL Soft's wave backend), never in a
// preview or with the setting off, its failures printed while the scene
// keeps running, and the run ending cleanly at any moment.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "music_test_support.h"
#include "platform/posix/settings_file.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/x_window.h"
#include "support/xvfb.h"

namespace {

const std::string kPrompt = "Press a key to quit\n";

// The music's lines among everything the program prints (the scene reports
// its texture files on the same output).
std::string MusicLines(const std::string& out) {
    static const char* const kStarts[] = {"Failed to find OggVorbis", "Failed to initialize OpenAL", "Could not find ",
                                          "Failed to find format", "Failed to allocate", "Press a key to quit",
                                          "CreateThread failed"};
    std::string lines;
    std::size_t at = 0;
    while (at < out.size()) {
        std::size_t end = out.find('\n', at);
        std::string line = out.substr(at, end == std::string::npos ? std::string::npos : end - at);
        for (const char* start : kStarts)
            if (line.rfind(start, 0) == 0) lines += line + "\n";
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return lines;
}

class MusicInTheProgram : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureXvfb();
        wav = work.Path() + "/out.wav";
        Settings({{"ini", "1"}});
        UseDrivers("wave");
    }
    void Settings(const SettingsValues& values) { config.Write("velmora/settings", EncodeSettings(values)); }
    void UseDrivers(const std::string& drivers) {
        // In sanitizer builds LeakSanitizer's exit-time scan of the whole
        // program (Mesa's threads included) can crash its own tracer; the
        // music's leaks are checked in the probe and in-process tests.
        env = {"XDG_CONFIG_HOME=" + config.Path(), "ALSOFT_CONF=" + WriteAlsoftConfig(work.Path(), drivers, wav),
               "ALSOFT_LOGLEVEL=0", "ASAN_OPTIONS=detect_leaks=0"};
    }

    // Starts velmora in the work folder and waits for its window.
    void Start(ChildProcess& child, const std::vector<std::string>& args) {
        std::vector<std::string> argv = {VELMORA_EXE};
        argv.insert(argv.end(), args.begin(), args.end());
        ASSERT_TRUE(child.Start(argv, env, work.Path()));
        ASSERT_TRUE(WaitUntil([&] { return !WindowsNamed("orvane").empty() || !child.Running(); }, 10000));
        ASSERT_TRUE(child.Running()) << child.Wait(100).err;
    }

    static void Sleep(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

    static ProcessResult EndWithKey(ChildProcess& child) {
        Shell("xdotool key space 2>&1");
        return child.Wait(5000);
    }

    static void ExpectCleanEnd(const ProcessResult& result) {
        EXPECT_FALSE(result.timedOut) << "did not end";
        EXPECT_FALSE(result.signaled) << "signal " << result.signal << "\n" << result.err;
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err.find("Sanitizer"), std::string::npos) << result.err;
    }

    // The generated music as heard in the capture, from its start.
    void ExpectGeneratedMusicHeard(double atLeastSeconds) {
        Pcm capture, reference;
        ASSERT_TRUE(ReadWav(wav, &capture));
        ASSERT_TRUE(DecodeWithVorbisfile(std::string(VELMORA_BUILD_DIR) + "/data/xt", &reference));
        CaptureFit fit;
        ASSERT_TRUE(FitCapture(capture, reference, 22050, 44100, &fit));
        EXPECT_LT(fit.residual, 1e-3);
        EXPECT_GT(LastLoudFrame(capture) - FirstLoudFrame(capture), static_cast<long>(atLeastSeconds * 44100));
    }

    TempDir config;
    TempDir work;  // the current folder: no "xt" unless a test puts one there
    std::string wav;
    std::vector<std::string> env;
};

TEST_F(MusicInTheProgram, PlaysInAFullScreenRunAndStopsWithIt) {
    ChildProcess saver;
    Start(saver, {"/s"});
    Sleep(2500);
    ProcessResult result = EndWithKey(saver);
    ExpectCleanEnd(result);
    // The closing prompt may or may not make it out before the exit.
    std::string lines = MusicLines(result.out);
    EXPECT_TRUE(lines.empty() || lines == kPrompt) << lines;
    ExpectGeneratedMusicHeard(1.5);
}

TEST_F(MusicInTheProgram, PlaysInAnXScreenSaverRootRunAndStopsOnTerm) {
    ChildProcess saver;
    std::vector<std::string> argv = {VELMORA_EXE, "-root"};
    ASSERT_TRUE(saver.Start(argv, env, work.Path()));
    Sleep(2500);
    ASSERT_TRUE(saver.Running());
    saver.Kill(SIGTERM);
    ExpectCleanEnd(saver.Wait(3000));
    ExpectGeneratedMusicHeard(1.5);
}

TEST_F(MusicInTheProgram, SilentWithTheSettingOff) {
    for (const char* value : {"0", "", "11", "2"}) {
        SCOPED_TRACE(std::string("ini = '") + value + "'");
        Settings({{"ini", value}});
        ChildProcess saver;
        Start(saver, {"/s"});
        Sleep(800);
        ProcessResult result = EndWithKey(saver);
        ExpectCleanEnd(result);
        EXPECT_FALSE(std::filesystem::exists(wav)) << "a device was opened";
        EXPECT_EQ(MusicLines(result.out), "");
    }
}

TEST_F(MusicInTheProgram, NeverInAPreview) {
    TestWindow parent(200, 150);
    ChildProcess preview;
    ASSERT_TRUE(preview.Start({VELMORA_EXE, "/p", std::to_string(parent.Id())}, env, work.Path()));
    ASSERT_TRUE(WaitUntil([&] { return !ChildWindows(parent.Id()).empty(); }, 10000));
    Sleep(1000);
    parent.Destroy();
    ProcessResult result = preview.Wait(5000);
    ExpectCleanEnd(result);
    EXPECT_FALSE(std::filesystem::exists(wav)) << "a device was opened";
    EXPECT_EQ(MusicLines(result.out), "");
}

TEST_F(MusicInTheProgram, EachFailureIsPrintedAndTheSceneRunsOn) {
    const std::string fakes = MUSIC_FAKES_DIR;
    struct Case {
        const char* what;
        std::string cwdMusic;  // "xt" in the current folder; empty for none
        std::string drivers;
        std::string extraEnv;
        bool noDataMusic;  // the program folder without data/xt
        std::string out;
    } cases[] = {
        {"no decoder library", "", "wave", "VELMORA_VORBISFILE_LIBRARY=/nonexistent/libvorbisfile.so.3", false,
         "Failed to find OggVorbis DLLs (vorbisfile.dll, ogg.dll, or vorbis.dll)\n" + kPrompt},
        {"decoder without a name", "", "wave",
         "VELMORA_VORBISFILE_LIBRARY=" + fakes + "/libfake_vorbisfile_no_ov_clear.so", false,
         "Failed to find OggVorbis DLLs (vorbisfile.dll, ogg.dll, or vorbis.dll)\n" + kPrompt},
        {"OpenAL without a name", "", "wave", "VELMORA_OPENAL_LIBRARY=" + fakes + "/libfake_openal_no_alEnable.so",
         false, "Failed to initialize OpenAL\n" + kPrompt},
        {"no usable device", "", "no-such-backend", "", false, "Failed to initialize OpenAL\n" + kPrompt},
        {"no music file", "", "wave", "", true, "Could not find xt\n" + kPrompt},
        {"not Ogg Vorbis", "not music at all", "wave", "", false, kPrompt},
        {"three channels", MakeTestMusic(3, 44100, 0.5), "wave", "", false,
         "Failed to find format information, or unsupported format\n" + kPrompt},
        {"five channels", MakeTestMusic(5, 44100, 0.5), "wave", "", false,
         "Failed to find format information, or unsupported format\n" + kPrompt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir program;
        if (c.noDataMusic) {
            // A copy of the data set without the music.
            std::filesystem::copy(std::string(VELMORA_BUILD_DIR) + "/data", program.Path() + "/data");
            std::filesystem::remove(program.Path() + "/data/xt");
            Settings({{"ini", "1"}, {"install", program.Path() + "/"}});
        } else {
            Settings({{"ini", "1"}});
        }
        std::filesystem::remove(work.Path() + "/xt");
        if (!c.cwdMusic.empty()) work.Write("xt", c.cwdMusic);
        UseDrivers(c.drivers);
        if (!c.extraEnv.empty()) env.push_back(c.extraEnv);
        ChildProcess saver;
        Start(saver, {"/s"});
        Sleep(1500);
        EXPECT_TRUE(saver.Running()) << "the scene must go on";
        ProcessResult result = EndWithKey(saver);
        ExpectCleanEnd(result);
        EXPECT_EQ(MusicLines(result.out), c.out);
        // The blank line before the prompt.
        EXPECT_NE(result.out.find("\n" + kPrompt), std::string::npos);
    }
}

TEST_F(MusicInTheProgram, EndingAtRandomMomentsIsClean) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> moment(0, 2000);
    for (int run = 0; run < 8; ++run) {
        int after = run == 0 ? 0 : moment(random);
        SCOPED_TRACE("key after " + std::to_string(after) + " ms");
        ChildProcess saver;
        Start(saver, {"/s"});
        Sleep(after);
        ExpectCleanEnd(EndWithKey(saver));
    }
}

}  // namespace
