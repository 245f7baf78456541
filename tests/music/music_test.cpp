// The music against real OpenAL Soft and libvorbisfile, in probe processes and in the screensaver on
// an Xvfb: the wave backend's capture fitted against a direct decode, each failure's message, the
// stop. The device choice runs over a scripted OpenAL: only a script can fail devices.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <csignal>
#include <optional>
#include <random>
#include <utility>

#include "audio_fit.h"
#include "music/audio_device_list.h"
#include "music_encoder.h"
#include "platform/platform.h"
#include "platform/posix/settings_file.h"
#include "settings/data_names.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/x_window.h"
#include "support/xvfb.h"

namespace {

// A new tone every 40 ms in each channel's own band: channels and offsets can be told apart.
std::string Tones(int channels, long rate, double seconds, int serial = 1) {
    OggVorbisInput input{{}, channels, rate, 0.4f, serial};
    input.samples.resize(static_cast<std::size_t>(seconds * rate) * channels);
    std::minstd_rand random(static_cast<std::uint32_t>(serial));
    for (int c = 0; c < channels; ++c) {
        double phase = 0, frequency = 0;
        for (std::size_t i = 0; i * channels < input.samples.size(); ++i) {
            if (i % (rate / 25) == 0) frequency = 200.0 * (c + 1) + random() % 180;
            phase += frequency / rate;
            input.samples[i * channels + c] = static_cast<float>(0.3 * std::sin(6.2831853 * phase));
        }
    }
    std::string bytes;
    return EncodeOggVorbis(input, &bytes) ? bytes : "";
}

std::string GeneratedMusic() { return ReadFileBytes(std::string(VELMORA_BUILD_DIR) + "/data/xt"); }

// The probe in `folder`, its current folder; pauseMs > 0 stops it that long after 1.2 s of music.
ProcessResult RunProbe(const std::string& folder, std::vector<std::string> argv, const std::vector<std::string>& env,
                       int pauseMs = 0) {
    argv.insert(argv.begin(), MUSIC_PROBE_EXE);
    ChildProcess probe;
    if (!probe.Start(argv, env, folder)) return {};
    if (pauseMs > 0) {  // once 1.2 s of 44.1 kHz stereo were heard
        WaitUntil([&] { return FileSize(folder + "/out.wav") > 44 + 423360; }, 20000), probe.Kill(SIGSTOP);
        platform::SleepMilliseconds(pauseMs), probe.Kill(SIGCONT);
    }
    return probe.Wait(60000);
}

void ExpectCleanEnd(const ProcessResult& r) {
    EXPECT_TRUE(!r.timedOut && !r.signaled && r.exitCode == 0 && r.err.find("Sanitizer") == std::string::npos)
        << "hung " << r.timedOut << ", signal " << r.signal << ", exit " << r.exitCode << "\n"
        << r.err;
}

const std::string kPrompt = "\nPress a key to quit\n";
const std::string kNoDecoder = "Failed to find OggVorbis DLLs (vorbisfile.dll, ogg.dll, or vorbis.dll)\n" + kPrompt;
const std::string kNoOpenAL = "Failed to initialize OpenAL\n" + kPrompt;
const std::string kUnsupported = "Failed to find format information, or unsupported format\n";

TEST(MusicPlayback, EachFileIsHeardAsDecodedUntilItsEnd) {
    std::string damaged = Tones(2, 44100, 3.0);
    damaged[damaged.find("OggS", damaged.size() / 2) + 200] ^= 0x5A;  // a page's checksum fails: a hole
    // "xt" in the current folder and data/xt below the program folder; the device channel that carries
    // most of each file channel (-1: any); the frames of the reference fitted (0: all); the seconds heard
    // beyond its end (after a stop: beyond its start); when the stop comes, how long the process pauses.
    struct Row {
        const char* what;
        std::string music, dataMusic;
        std::vector<int> outputOf;
        long rate = 44100;
        const char* layout = "stereo";
        long fitFrames = 0;
        double extraMin = -.05, extraMax = .05;
        int stopAfterMs = -1, pauseMs = 0;
    } rows[] = {
        {"mono, under four blocks", Tones(1, 22050, .6), "", {0}, 22050, "mono"},
        {"stereo, two chained parts", Tones(2, 44100, 1, 1) + Tones(2, 44100, 1, 2), "", {0, 1}},
        {"quad", Tones(4, 44100, 1), "", {0, 1, 2, 3}, 44100, "quad"},
        // The decoder's FL FC FR RL RR LFE reach OpenAL's FL FR FC LFE RL RR;
        // OpenAL Soft spreads the centre over front left and right.
        {"5.1", Tones(6, 48000, 1), "", {0, -1, 1, 4, 5, 3}, 48000, "surround51rear"},
        // Read in the first part's format; its odd sample count ends in half a frame, which OpenAL refuses.
        {"a chained part with fewer channels", Tones(2, 44100, 1, 1) + Tones(1, 22050, .5, 2), "", {0, 1}},
        {"a damaged page", damaged, "", {0, 1}},
        {"headers alone", Tones(2, 44100, 0), "", {}},
        {"data/xt when the current folder has none", "", Tones(2, 44100, 1, 7), {0, 1}},
        {"the current folder's xt first", Tones(2, 44100, 1, 8), Tones(2, 44100, 1, 9), {0, 1}},
        // The source runs dry while the process is stopped: it must be started again.
        {"an underrun", Tones(2, 44100, 4, 3), "", {0, 1}, 44100, "stereo", 44100, .5, 3, -1, 2000},
        {"the stop flag, in the generated music", GeneratedMusic(), "", {0, 1}, 44100, "stereo", 44100, .5, 3, 1500},
    };
    // All at once, each in folders of its own: a probe plays in real time, its queue a second long.
    struct Heard {
        ProcessResult result;
        Pcm capture, reference;
    };
    std::vector<Heard> heard = RunOverlapped(static_cast<int>(std::size(rows)), 11, [&](int i) {
        const Row& r = rows[i];
        TempDir folder, program;
        if (!r.music.empty()) folder.Write(dataName::kMusic, r.music);
        if (!r.dataMusic.empty()) program.Write("data/xt", r.dataMusic);
        std::vector<std::string> args = {program.Path() + "/"};
        if (r.stopAfterMs >= 0) args.push_back(std::to_string(r.stopAfterMs));
        const std::vector<std::string> env = AlsoftEnv(folder.Path(), "wave", r.rate, r.layout);
        return Heard{RunProbe(folder.Path(), args, env, r.pauseMs), ReadCapture(folder.Path() + "/out.wav"),
                     FadedIn(Decode(r.music.empty() ? program.Path() + "/data/xt" : folder.Path() + "/xt"))};
    });
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto& [result, capture, reference] = heard[&r - rows];
        ExpectCleanEnd(result);
        // After a stop the prompt may come before or after the release, or not at all.
        std::size_t prompt = r.stopAfterMs < 0 ? 0 : std::min(result.out.find(kPrompt), result.out.size());
        EXPECT_EQ(result.out.erase(prompt, kPrompt.size()), r.stopAfterMs < 0 ? "" : "music released\n");
        ASSERT_EQ(capture.rate, r.rate) << "no capture";
        if (reference.Frames() == 0 && LoudFrame(capture, true) == -1) continue;
        CaptureFit fit = FitCapture(capture, reference, r.fitFrames > 0 ? r.fitFrames : reference.Frames());
        EXPECT_LT(fit.residual, 1e-3);
        for (int c = 0; c < reference.channels && fit.residual < 1e-3; ++c)
            EXPECT_GT(r.outputOf[c] < 0 ? 1.0 : fit.gain[r.outputOf[c]][c], 0.5) << "channel " << c;
        long end = r.stopAfterMs < 0 ? LoudFrame(reference, true) : 0;
        double extra = static_cast<double>(LoudFrame(capture, true) - fit.lag - end) / r.rate;
        EXPECT_TRUE(extra >= r.extraMin && extra <= r.extraMax) << extra << " s";
    }
}

TEST(MusicFailures, EachPrintsItsMessageAndTheThreadEnds) {
    const std::string music = Tones(2, 44100, .3), standIn = MUSIC_STAND_IN, none = "(none)", fifo = "(fifo)";
    struct Row {
        const char* what;
        std::string music, env, out, err{};  // "xt" in the current folder
        const char* drivers = "null";
        std::string line = "exec \"$0\" \"$1\"";  // a shell's, with the probe and the program folder
    } rows[] = {
        {"no decoder", music, "VELMORA_VORBISFILE_LIBRARY=/nonexistent/libvorbisfile.so.3", kNoDecoder},
        {"a decoder without ov_info", music, "VELMORA_VORBISFILE_LIBRARY=" + standIn, kNoDecoder},
        {"an OpenAL with alEnable alone", music, "VELMORA_OPENAL_LIBRARY=" + standIn, kNoOpenAL,
         "Failed to retrieve 'alDisable' function address\n"},
        {"no OpenAL", music, "VELMORA_OPENAL_LIBRARY=/nonexistent/libopenal.so.1", kNoOpenAL},
        {"no usable device", music, "", kNoOpenAL, "", "no-such-backend"},
        {"no music file", none, "", "Could not find xt\n" + kPrompt},
        {"a FIFO, which no one writes", fifo, "", "Could not find xt\n" + kPrompt},
        // The file stays the player's until the decoder has taken it (the probe looks for it).
        {"not Ogg Vorbis", "OggS, but nothing a decoder reads", "", kPrompt},
        {"three channels", Tones(3, 44100, .3), "", kUnsupported + kPrompt},
        {"eight channels", Tones(8, 44100, .3), "", kUnsupported + kPrompt},
        // New threads' stacks of 1 GB in 400 MB of address space (EAGAIN).
        {"no thread", music, "", "CreateThread failed (11)\nmusic released\n", "", "null",
         "ulimit -v 400000 && ulimit -s 1000000 && exec \"$0\" \"$1\" 0"},
        // A read of the terminal from its background would stop the process (SIGTTOU or SIGTTIN), scene and all.
        {"in a terminal's background", none, "", "Could not find xt\r\n\r\nPress a key to quit\r\n", "", "null",
         "exec script -qec \"exec 2>/dev/null; set -m; '$0' '$1' & wait \\$!\" /dev/null"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        TempDir folder, program;  // no data/xt
        if (r.music == fifo)
            ASSERT_EQ(mkfifo((folder.Path() + "/xt").c_str(), 0600), 0);
        else if (r.music != none)
            folder.Write(dataName::kMusic, r.music);
        std::vector<std::string> env = AlsoftEnv(folder.Path(), r.drivers);
        env.push_back(r.env);
        ProcessResult result =
            RunProcess({"/bin/sh", "-c", r.line, MUSIC_PROBE_EXE, program.Path() + "/"}, env, folder.Path(), 20000);
        if (r.line[0] == 'u' && result.err.find("Sanitizer") != std::string::npos) continue;  // its shadow memory
        ExpectCleanEnd(result);
        EXPECT_EQ(std::make_pair(result.out, result.err), std::make_pair(r.out, r.err));
    }
}

TEST(MusicStop, EndingARunAtAnyMomentNeverCrashesOrHangs) {
    const std::string music = GeneratedMusic();
    std::mt19937 random(20261206);  // seeded: a failing moment can be replayed
    std::vector<std::string> after;
    for (int run = 0; run < 60; ++run) after.push_back(std::to_string(run < 5 ? run * 5 : random() % 1500));
    // Six at a time, each in a folder of its own: a probe mostly waits for its moment.
    const std::vector<ProcessResult> results = RunOverlapped(60, 6, [&](int run) {
        TempDir folder;
        folder.Write(dataName::kMusic, music);
        return RunProbe(folder.Path(), {"./", after[run]}, AlsoftEnv(folder.Path(), run % 2 ? "wave" : "null"));
    });
    for (int run = 0; run < 60; ++run) {
        SCOPED_TRACE("stop after " + after[run] + " ms");  // the first ones in the set-up
        ExpectCleanEnd(results[run]);
    }
}

// Its name in the enumeration, the name it gives itself once open, whether it opens.
struct FakeDevice {
    std::string listed, own;
    bool opens;
};
std::vector<FakeDevice> fakeDevices;
std::string fakeNames;
const char* fakeDefault;
int fakeOpen;  // devices and contexts
ALCcontext* fakeCurrent;
int fakeRoom, fakeSources;  // the sources a context lets be made, and those made
bool fakeError;

OpenALFunctionTable FakeOpenAL() {
    fakeNames.clear();
    for (const FakeDevice& d : fakeDevices) fakeNames += d.listed + '\0';
    OpenALFunctionTable t;  // no sources and the extensions of the device alone
    t.alcIsExtensionPresent = [](ALCdevice*, const ALCchar*) -> ALCboolean { return ALC_TRUE; };
    t.alIsExtensionPresent = [](const ALchar*) -> ALboolean { return AL_FALSE; };
    t.alcGetString = [](ALCdevice* d, ALCenum what) -> const ALCchar* {
        if (d != nullptr) return reinterpret_cast<FakeDevice*>(d)->own.c_str();
        return what == ALC_DEFAULT_DEVICE_SPECIFIER ? fakeDefault : fakeNames.c_str();
    };
    t.alcOpenDevice = [](const ALCchar* name) -> ALCdevice* {
        for (FakeDevice& d : fakeDevices)
            if (d.listed == name && d.opens) return ++fakeOpen, reinterpret_cast<ALCdevice*>(&d);
        return nullptr;
    };
    t.alcCloseDevice = [](ALCdevice*) -> ALCboolean { return --fakeOpen, ALC_TRUE; };
    t.alcCreateContext = [](ALCdevice* d, const ALCint*) { return ++fakeOpen, reinterpret_cast<ALCcontext*>(d); };
    t.alcDestroyContext = [](ALCcontext*) { --fakeOpen; };
    t.alcMakeContextCurrent = [](ALCcontext* c) -> ALCboolean { return fakeCurrent = c, ALC_TRUE; };
    t.alcGetIntegerv = [](ALCdevice*, ALCenum, ALCsizei, ALCint* value) { *value = 1; };
    t.alGetError = []() -> ALenum { return std::exchange(fakeError, false) ? AL_OUT_OF_MEMORY : AL_NO_ERROR; };
    t.alGenSources = [](ALsizei, ALuint*) { fakeSources < fakeRoom ? void(++fakeSources) : void(fakeError = true); };
    t.alDeleteSources = [](ALsizei n, const ALuint*) { fakeSources -= n; };
    return t;
}

// The default is kept by the record it became: devices before it that can't
// be opened or repeat a name must not move the choice onto another device.
TEST(MusicDeviceChoice, TheDefaultDeviceElseTheFirstUsable) {
    struct Row {
        const char* what;
        std::vector<FakeDevice> devices;
        const char* defaultName;
        std::vector<std::string> records;  // the chosen one first
    } rows[] = {
        {"the default second", {{"A", "A", true}, {"B", "B", true}}, "B", {"B", "A", "B"}},
        {"an earlier one fails", {{"A", "A", false}, {"B", "B", true}, {"C", "C", true}}, "C", {"C", "B", "C"}},
        {"an earlier one repeats a name", {{"A", "A", true}, {"B", "A", true}, {"C", "C", true}}, "C", {"C", "A", "C"}},
        {"the default gives no name", {{"A", "", true}, {"B", "B (hw)", true}}, "A", {"B (hw)", "B (hw)"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        fakeDevices = r.devices;
        fakeDefault = r.defaultName;
        {
            AudioDeviceList list(FakeOpenAL());
            std::vector<std::string> records = {list.GetDeviceName(list.GetDefaultDeviceIndex())};
            for (int i = 0; i < list.GetDeviceCount(); ++i) records.push_back(list.GetDeviceName(i));
            EXPECT_EQ(records, r.records);
        }
        EXPECT_EQ(fakeOpen, 0) << "every device and context probed is closed again";
    }
}

// Counting stops at 256 sources; each one made to count is deleted, and no
// probed context stays current.
TEST(MusicDeviceChoice, SourcesCountedUpTo256AndGivenBack) {
    fakeDevices = {{"A", "A", true}};
    fakeDefault = "A";
    const std::pair<int, unsigned> rows[] = {{0, 0}, {5, 5}, {256, 256}, {300, 256}};
    for (const auto& [room, counted] : rows) {
        fakeRoom = room;
        AudioDeviceList list(FakeOpenAL());
        ASSERT_EQ(list.GetDeviceCount(), 1);
        EXPECT_EQ(list.Records()[0].sourceCount, counted) << room;
        EXPECT_EQ(fakeSources, 0) << room;
        EXPECT_EQ(fakeCurrent, nullptr) << room;
    }
    fakeRoom = 0;
}

TEST(MusicInTheProgram, OnlyFullScreenAndRootRunsPlayAndTheirEndStopsIt) {
    EnsureXvfb();
    TestWindow parent(200, 150);
    struct Row {
        const char* what;
        std::vector<std::string> argv;
        const char* setting;
        bool heard;
        std::string music{}, message{};  // "xt" in the current folder (else data/xt), the message it brings
    } rows[] = {
        {"full screen", {VELMORA_EXE, "/s"}, "1", true},
        {"XScreenSaver's root window", {VELMORA_EXE, "-root"}, "1", true},
        {"the setting off", {VELMORA_EXE, "/s"}, "0", false},
        {"--music over a stored 0", {VELMORA_EXE, "/s", "--music"}, "0", true},
        {"--no-music over a stored 1", {VELMORA_EXE, "-root", "--no-music"}, "1", false},
        {"a preview", {VELMORA_EXE, "/p", std::to_string(parent.Id())}, "1", false},
        {"a failure; the scene runs on", {VELMORA_EXE, "/s"}, "1", false, Tones(3, 44100, 1), "\n" + kUnsupported},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        TempDir config, work;
        config.Write("velmora/settings", EncodeSettings({{"ini", r.setting}}));
        if (!r.music.empty()) work.Write(dataName::kMusic, r.music);
        std::vector<std::string> env = AlsoftEnv(work.Path(), "wave");
        // LeakSanitizer's exit-time scan of Mesa's threads can crash its tracer.
        env.insert(env.end(), {"XDG_CONFIG_HOME=" + config.Path(), "ASAN_OPTIONS=detect_leaks=0"});
        // XScreenSaver's window: a fresh one, whose first picture is this run's
        // (made only for it: it would cover the preview's parent).
        const bool root = r.argv[1] == "-root", preview = r.argv[1] == "/p";
        std::optional<TestWindow> saverWindow;
        if (root) saverWindow.emplace(200, 150);
        if (root) env.push_back("XSCREENSAVER_WINDOW=" + std::to_string(saverWindow->Id()));
        ChildProcess saver;
        ASSERT_TRUE(saver.Start(r.argv, env, work.Path()));
        // What a run heard is a second of capture; what it didn't, its first
        // frame, drawn after the music was started or not.
        const std::string captured = work.Path() + "/out.wav";
        EXPECT_TRUE(WaitUntil(
            [&] {
                if (r.heard) return FileSize(captured) > 44 + 44100 * 8;
                if (!r.message.empty()) return saver.OutputSoFar().find(r.message) != std::string::npos;
                return root || preview ? WindowShowsPicture(root ? saverWindow->Id() : parent.Id())
                                       : DrawnScreenWindow(0) != 0;
            },
            30000))
            << "nothing heard, said or drawn";
        if (r.message.empty())
            EXPECT_EQ(ProcessesRunningThread({saver.Pid()}, "velmora-music"), r.heard ? 1 : 0);
        else
            EXPECT_TRUE(WaitUntil([&] { return ProcessesRunningThread({saver.Pid()}, "velmora-music") == 0; }))
                << "a failure ends the music thread";
        EXPECT_TRUE(saver.Running());
        // A key ends a full-screen run: the window goes at once and only then
        // does the music ramp down, so the capture grows on after it has gone.
        long capturedWhenGone = -1;
        if (r.argv[1] == "/s" && r.heard) {
            const unsigned long window = DrawnScreenWindow(30000);
            ASSERT_NE(window, 0u);
            WindowGoneWatch watch(window, [&] { capturedWhenGone = FileSize(captured); });
            Xdotool("key space");
            EXPECT_TRUE(watch.Gone(5000)) << "the window stays";
        } else {
            saver.Kill(SIGTERM);
        }
        ProcessResult result = saver.Wait(5000);
        ExpectCleanEnd(result);
        EXPECT_EQ(result.out.find("Failed"), r.message.empty() ? std::string::npos : result.out.find(r.message) + 1);
        EXPECT_EQ(ReadFileBytes(config.Path() + "/velmora/settings"), EncodeSettings({{"ini", r.setting}}))
            << "an option changes this run only";
        Pcm capture = ReadCapture(work.Path() + "/out.wav");
        EXPECT_EQ(capture.rate != 0, r.heard || !r.message.empty()) << "a device was opened";
        if (!r.heard) continue;
        const Pcm reference = FadedIn(Decode(std::string(VELMORA_BUILD_DIR) + "/data/xt"));
        CaptureFit fit = FitCapture(capture, reference, 22050);
        EXPECT_LT(fit.residual, 1e-3);
        EXPECT_GT(LoudFrame(capture, true) - fit.lag, 22050) << "heard for half a second at least";
        if (capturedWhenGone < 0) continue;
        // The frame the capture had reached when the window went: the music
        // went on unchanged up to it (the writer is a period behind at most)
        // and sounded on after it.
        const long gone = capture.Frames() - (FileSize(captured) - capturedWhenGone) / (4 * capture.channels);
        EXPECT_LT(FitCapture(capture, reference, gone - fit.lag - capture.rate / 20).residual, 1e-3);
        EXPECT_GT(LoudFrame(capture, true), gone) << "the music had ended when the window went";
    }
}

// Two runs of one user on one display (XScreenSaver's two monitors): one plays
// the music; when it ends, the other takes it over and plays it from the start.
TEST(MusicInTheProgram, OneOfTwoRootRunsPlaysAndTheOtherTakesOverWhenItEnds) {
    EnsureXvfb();
    TestWindow left(160, 120), right(160, 120);
    TempDir config, work;
    config.Write("velmora/settings", EncodeSettings({{"ini", "1"}}));
    std::vector<std::string> env = AlsoftEnv(work.Path(), "wave");
    env.insert(env.end(), {"XDG_CONFIG_HOME=" + config.Path(), "ASAN_OPTIONS=detect_leaks=0"});
    ChildProcess savers[2];
    for (int k = 0; k < 2; ++k) {
        std::vector<std::string> own = env;
        own.push_back("XSCREENSAVER_WINDOW=" + std::to_string((k == 0 ? left : right).Id()));
        ASSERT_TRUE(savers[k].Start({VELMORA_EXE, "-root"}, own, work.Path()));
    }
    const std::vector<int> pids = {savers[0].Pid(), savers[1].Pid()};
    ASSERT_TRUE(WaitUntil([&] { return ProcessesHoldingFile(pids, "/xt") > 0; }, 30000));
    for (int check = 0; check < 8; ++check, platform::SleepMilliseconds(250)) {
        EXPECT_EQ(ProcessesHoldingFile(pids, "/xt"), 1) << "processes reading the music";
        EXPECT_EQ(ProcessesRunningThread(pids, "velmora-music"), 1) << "processes with a music thread";
    }
    const int holder = ProcessesHoldingFile({pids[0]}, "/xt") == 1 ? 0 : 1;
    savers[holder].Kill(SIGKILL);
    savers[holder].Wait(5000);
    EXPECT_TRUE(WaitUntil([&] { return ProcessesHoldingFile({pids[1 - holder]}, "/xt") == 1; }, 15000))
        << "the other run did not take the music over";
    const std::string captured = work.Path() + "/out.wav";
    EXPECT_TRUE(WaitUntil([&] { return FileSize(captured) > 44 + 44100 * 8; }, 15000)) << "the new run is heard";
    savers[1 - holder].Kill(SIGTERM);
    ExpectCleanEnd(savers[1 - holder].Wait(5000));
    // The wave device of the run that took over wrote the capture anew: one stream, from the start.
    Pcm capture = ReadCapture(work.Path() + "/out.wav");
    CaptureFit fit = FitCapture(capture, FadedIn(Decode(std::string(VELMORA_BUILD_DIR) + "/data/xt")), 22050);
    EXPECT_LT(fit.residual, 1e-3);
    EXPECT_LT(fit.lag, 3 * 44100) << "the music starts anew";
}

}  // namespace
