// Music of the user's choosing against real OpenAL Soft, libvorbisfile and libsndfile: the volume,
// the fade-in and the ramp-down in the wave backend's capture, a folder of the four formats (made here
// with opus-tools, flac and lame) in name order and over again, and every bad input through the real
// program, each with its one line and the built-in track after it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <csignal>

#include "audio_fit.h"
#include "music/sndfile_binding.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/x_window.h"
#include "support/xvfb.h"

// The binding's own copy of sndfile.h's types must keep the library's layout.
#include <sndfile.h>
static_assert(sizeof(sndfile::Info) == sizeof(SF_INFO) &&
              offsetof(sndfile::Info, channels) == offsetof(SF_INFO, channels));
static_assert(sizeof(sndfile::VirtualIo) == sizeof(SF_VIRTUAL_IO) && sndfile::kRead == SFM_READ);

namespace {

// Probes playing each music (a path) at its volume until `stopMs` after their start, all at once,
// each into a capture of its own: the captures.
std::vector<Pcm> Play(const std::vector<std::pair<std::string, int>>& runs, int stopMs) {
    const int count = static_cast<int>(runs.size());
    std::vector<TempDir> folders(runs.size());
    const std::vector<ProcessResult> results = RunOverlapped(count, count, [&](int i) {
        const std::string& folder = folders[i].Path();
        return RunProcess(
            {MUSIC_PROBE_EXE, "./", std::to_string(stopMs), runs[i].first, std::to_string(runs[i].second)},
            AlsoftEnv(folder, "wave"), folder, 60000);
    });
    std::vector<Pcm> captures;
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(results[i].exitCode, 0) << results[i].err;
        EXPECT_EQ(results[i].out, "\nPress a key to quit\nmusic released\n");
        captures.push_back(ReadCapture(folders[i].Path() + "/out.wav"));
    }
    return captures;
}

TEST(MusicChoice, VolumeScalesTheAmplitudeAndTheMusicFadesInAndRampsDown) {
    TempDir folder;
    ASSERT_TRUE(WriteTone(folder.Path() + "/tone.ogg", 441, 6));
    double steady[2] = {};
    const std::vector<Pcm> captures =
        Play({{folder.Path() + "/tone.ogg", 100}, {folder.Path() + "/tone.ogg", 50}}, 2500);
    for (const Pcm& capture : captures) {
        const int volume = &capture == &captures[0] ? 100 : 50;
        SCOPED_TRACE("volume " + std::to_string(volume));
        const long start = LoudFrame(capture, false), end = LoudFrame(capture, true), second = capture.rate;
        ASSERT_GT(end - start, 2 * second) << "heard for two seconds";
        double& level = steady[volume == 50];
        level = Rms(capture, start + second + second / 5, second);
        // Linear over the first second: each tenth holds its middle's share of the level.
        for (int tenth = 0; tenth < 10; ++tenth)
            EXPECT_NEAR(Rms(capture, start + tenth * second / 10, second / 10) / level, (tenth + 0.5) / 10, 0.04)
                << "tenth " << tenth;
        // At the end the level glides to nothing within 100 ms, never a step bigger than the tone's own.
        double toneStep = 0, endStep = 0;
        for (long f = start + second; f < start + 2 * second; ++f)
            toneStep = std::max(toneStep, std::fabs(capture.At(f + 1, 0) - capture.At(f, 0)));
        long fullToEnd = end;
        while (fullToEnd > start && Rms(capture, fullToEnd - second / 200, second / 200) < 0.9 * level) --fullToEnd;
        for (long f = end - second / 5; f < end; ++f)
            endStep = std::max(endStep, std::fabs(capture.At(f + 1, 0) - capture.At(f, 0)));
        EXPECT_LE(endStep, toneStep * 1.05);
        EXPECT_LT(Rms(capture, end - second / 100, second / 100), 0.2 * level) << "the end is not a cut";
        EXPECT_LE(static_cast<double>(end - fullToEnd) / second, 0.11) << "the ramp's length";
    }
    EXPECT_NEAR(steady[1] / steady[0], 0.5, 0.025) << "half the volume, half the amplitude";
}

// The tones heard one after the other, each given by its frequency (zero crossings over 40 ms).
std::vector<int> HeardTones(const Pcm& capture, const std::vector<int>& tones, double* seconds) {
    std::vector<int> heard;
    const long window = capture.rate / 25;
    *seconds = 0;
    for (long from = 0; from + window <= capture.Frames(); from += window) {
        if (Rms(capture, from, window) < 0.01) continue;
        const double hz = Hz(capture, from, window);
        for (int tone : tones)
            if (std::fabs(hz - tone) < 40) {
                if (heard.empty() || heard.back() != tone) heard.push_back(tone);
                *seconds += 1.0 / 25;
            }
    }
    return heard;
}

TEST(MusicChoice, AFolderPlaysItsFilesInNameOrderAndStartsOverAndAFileLoops) {
    struct Row {
        const char* what;
        std::vector<std::pair<std::string, int>> files;  // in the order they are made
        std::string choice;                              // below the folder
        std::vector<int> heard;
        double minSeconds;
    } rows[] = {
        {"the four formats, made out of name order",
         {{"d.ogg", 900}, {"c.flac", 700}, {"b.mp3", 500}, {"a.opus", 300}},
         "",
         {300, 500, 700, 900, 300},
         3.0},
        {"one file", {{"tone.opus", 500}}, "/tone.opus", {500}, 2.5},
    };
    TempDir folder;
    std::vector<std::pair<std::string, int>> runs;
    for (const Row& r : rows) {
        const std::string music = folder.Path() + "/" + std::to_string(runs.size());
        for (const auto& [name, hz] : r.files) ASSERT_TRUE(WriteTone(music + "/" + name, hz, 0.8)) << name;
        runs.push_back({music + r.choice, 100});
    }
    const std::vector<Pcm> captures = Play(runs, 4200);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::vector<int> tones;
        for (const auto& file : r.files) tones.push_back(file.second);
        double seconds = 0;
        std::vector<int> heard = HeardTones(captures[&r - rows], tones, &seconds);
        ASSERT_GE(heard.size(), r.heard.size());
        heard.resize(r.heard.size());
        EXPECT_EQ(heard, r.heard);
        EXPECT_GE(seconds, r.minSeconds) << "the music goes on";
    }
}

TEST(MusicChoice, EachBadInputIsOneLineAndTheNextFileOrTheBuiltInTrackPlays) {
    EnsureXvfb();
    TempDir work;  // nobody's: the capture and the settings are written there
    const std::string m = work.Path() + "/m";
    ASSERT_TRUE(WriteTone(m + "/cut.flac", 440, 2) && WriteTone(m + "/good/b.ogg", 660, 4));
    work.Write("m/cut-short.flac", ReadFileBytes(m + "/cut.flac").substr(0, 12000));
    work.Write("m/good/a.txt", "no music here\n");
    work.Write("m/empty.ogg", "");
    work.Write("m/locked.ogg", ReadFileBytes(m + "/good/b.ogg"));
    ASSERT_EQ(chmod((m + "/locked.ogg").c_str(), 0), 0);
    work.Write("m/image.ogg", ReadFileBytes(VELMORA_SOURCE_DIR "/docs/screenshot.png"));
    work.Write("m/none/a.txt", "text\n");
    work.Write("m/none/b.mp3", "not an MP3 either\n");
    ASSERT_EQ(mkfifo((m + "/fifo.ogg").c_str(), 0644), 0);
    for (int i = 0; i < 10000; ++i) work.Write("m/many/" + std::to_string(100000 + i), "");
    ASSERT_EQ(Shell("chmod -R a+rX " + m + "/good " + m + "/none " + m + "/many && chmod a+rx " + m +
                    " && chown nobody:nogroup " + work.Path() + " && chmod 755 " + work.Path() + " && echo made"),
              "made\n");

    const std::string builtIn = "; the built-in music plays\n";
    struct Row {
        const char* what;
        std::string choice, line;  // the line on standard output that names it
        std::string heard{};       // what the capture fits: the built-in track unless named
    } rows[] = {
        {"missing", m + "/gone.ogg", "Can't play " + m + "/gone.ogg: no such file or folder" + builtIn},
        {"empty", m + "/empty.ogg", "Can't play " + m + "/empty.ogg: the file is empty" + builtIn},
        {"unreadable", m + "/locked.ogg", "Can't play " + m + "/locked.ogg: Permission denied" + builtIn},
        {"a FIFO", m + "/fifo.ogg", "Can't play " + m + "/fifo.ogg: not a regular file" + builtIn},
        {"a device", "/dev/zero", "Can't play /dev/zero: not a regular file" + builtIn},
        {"a renamed image", m + "/image.ogg",
         "Can't play " + m + "/image.ogg: not audio in a format that can be played" + builtIn},
        {"a folder with no playable file", m + "/none", "No file of " + m + "/none can be played" + builtIn},
        {"a folder of 10,000 files", m + "/many",
         "Music folder " + m + "/many holds more than 1000 files: the first 1000 in name order play\n"},
        {"a file that ends mid-stream", m + "/cut-short.flac",
         "Can't play " + m + "/cut-short.flac: it stops short of its end, cut short or damaged" + builtIn, "-"},
        {"a folder's unplayable file, then its next one", m + "/good",
         "Can't play " + m + "/good/a.txt: not audio in a format that can be played\n", m + "/good/b.ogg"},
    };
    const Pcm builtInTrack = FadedIn(Decode(std::string(VELMORA_BUILD_DIR) + "/data/xt"));
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::remove((work.Path() + "/out.wav").c_str());
        std::vector<std::string> env = AlsoftEnv(work.Path(), "wave");
        env.insert(env.end(), {"HOME=" + work.Path(), "XDG_CONFIG_HOME=" + work.Path(), "ASAN_OPTIONS=detect_leaks=0"});
        ChildProcess saver;
        ASSERT_TRUE(saver.Start(AsNobody({VELMORA_EXE, "/s", "--music", "--music-file", r.choice}), env, work.Path()));
        EXPECT_NE(DrawnScreenWindow(30000), 0u) << "the scene runs";
        EXPECT_TRUE(WaitUntil([&] { return FileSize(work.Path() + "/out.wav") > 44 + 44100 * 8 * 3 / 2; }, 30000))
            << "a second and a half heard";
        saver.Kill(SIGTERM);
        const ProcessResult result = saver.Wait(10000);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(result.out.find(r.line), std::string::npos) << result.out;
        if (r.heard == "-") continue;
        const Pcm reference = r.heard.empty() ? builtInTrack : FadedIn(Decode(r.heard));
        EXPECT_LT(FitCapture(ReadCapture(work.Path() + "/out.wav"), reference, 22050).residual, 1e-3);
    }
}

}  // namespace
