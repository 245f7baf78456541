// The player heard through OpenAL Soft's wave backend: what it wrote is
// compared with the same file decoded by libvorbisfile directly.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <string>
#include <thread>

#include "music_test_support.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

struct Playback {
    ProcessResult result;
    Pcm capture;
    Pcm reference;
};

struct PlaybackSetup {
    std::string music;                // "xt" in the current folder ("" for none)
    std::string dataMusic;            // "data/xt" below the program folder ("" for none)
    long deviceRate = 44100;
    std::string deviceChannels = "stereo";
    int stopAfterMs = -1;
};

// Plays in a probe process: the music thread, to its end or to the stop.
void Play(const PlaybackSetup& setup, Playback* playback) {
    TempDir folder;
    TempDir program;
    std::string wav = folder.Path() + "/out.wav";
    std::string config = WriteAlsoftConfig(folder.Path(), "wave", wav, setup.deviceRate, setup.deviceChannels);
    std::string played;
    if (!setup.music.empty()) {
        played = folder.Write("xt", setup.music);
    }
    if (!setup.dataMusic.empty()) {
        std::string data = program.Write("data/xt", setup.dataMusic);
        if (played.empty()) played = data;
    }
    std::vector<std::string> argv = {ProbePath(), "play", "--program-folder", program.Path() + "/"};
    if (setup.stopAfterMs >= 0) {
        argv.push_back("--stop-after");
        argv.push_back(std::to_string(setup.stopAfterMs));
    }
    playback->result = RunProcess(argv, {"ALSOFT_CONF=" + config, TsanOptions()}, folder.Path(), 60000);
    ASSERT_TRUE(ReadWav(wav, &playback->capture)) << "no capture";
    if (!played.empty()) {
        ASSERT_TRUE(DecodeWithVorbisfile(played, &playback->reference));
    }
}

void ExpectCleanEnd(const ProcessResult& result) {
    EXPECT_FALSE(result.timedOut);
    EXPECT_FALSE(result.signaled) << result.signal;
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("music released\n"), std::string::npos) << result.out;
}

// All of the reference, in the order and place it has in the capture.
void ExpectWholeReference(const Playback& p, CaptureFit* fit) {
    ASSERT_TRUE(FitCapture(p.capture, p.reference, 0, p.reference.Frames(), fit));
    EXPECT_LT(fit->residual, 1e-3);
    // Nothing sounds after the music.
    EXPECT_LE(LastLoudFrame(p.capture), fit->lag + p.reference.Frames());
}

TEST(MusicPlayback, EachChannelLayoutIsHeardAsDecoded) {
    struct Case {
        int channels;
        long rate;
        const char* device;
        std::vector<int> outputOf;  // the device channel each file channel lands in
    } cases[] = {
        {1, 22050, "mono", {0}},
        {2, 44100, "stereo", {0, 1}},
        {4, 44100, "quad", {0, 1, 2, 3}},
        // The file's FL FC FR RL RR LFE reach the device's FL FR FC LFE RL RR
        // (-1: the centre, see below).
        {6, 48000, "surround51rear", {0, -1, 1, 4, 5, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.channels) + " channels");
        PlaybackSetup setup;
        setup.music = MakeTestMusic(c.channels, c.rate, 1.6);
        setup.deviceRate = c.rate;
        setup.deviceChannels = c.device;
        Playback p;
        Play(setup, &p);
        ExpectCleanEnd(p.result);
        ASSERT_EQ(p.capture.rate, c.rate);
        CaptureFit fit;
        ExpectWholeReference(p, &fit);
        for (int input = 0; input < c.channels; ++input) {
            int expected = c.outputOf[static_cast<std::size_t>(input)];
            if (expected >= 0) {
                EXPECT_EQ(LoudestOutputOf(fit, input), expected) << "channel " << input;
                continue;
            }
            // OpenAL Soft's built-in 5.1 panning leaves the centre speaker
            // silent: a centre channel is heard evenly from front left and right.
            EXPECT_GT(fit.gain[0][input], 0.3) << "channel " << input;
            EXPECT_NEAR(fit.gain[0][input], fit.gain[1][input], 1e-3) << "channel " << input;
            for (std::size_t o = 2; o < fit.gain.size(); ++o) EXPECT_NEAR(fit.gain[o][input], 0.0, 1e-3);
        }
    }
}

TEST(MusicPlayback, AFileShorterThanFourBlocksPlaysWholeAndEnds) {
    PlaybackSetup setup;
    setup.music = MakeTestMusic(2, 44100, 0.6);  // two blocks and a part
    Playback p;
    Play(setup, &p);
    ExpectCleanEnd(p.result);
    EXPECT_EQ(p.result.out.find("Failed"), std::string::npos);
    CaptureFit fit;
    ExpectWholeReference(p, &fit);
}

TEST(MusicPlayback, AFileWithoutAudioEndsInSilence) {
    PlaybackSetup setup;
    setup.music = MakeTestMusic(2, 44100, 0.0);
    Playback p;
    Play(setup, &p);
    ExpectCleanEnd(p.result);
    EXPECT_EQ(p.reference.Frames(), 0);
    EXPECT_EQ(LoudFrames(p.capture), 0);
}

TEST(MusicPlayback, AChainedFilePlaysThroughItsLastPart) {
    PlaybackSetup setup;
    setup.music = MakeTestMusic(2, 44100, 1.0, 1) + MakeTestMusic(2, 44100, 1.0, 2);
    Playback p;
    Play(setup, &p);
    ExpectCleanEnd(p.result);
    ASSERT_GE(p.reference.Frames(), 88200);
    CaptureFit fit;
    ExpectWholeReference(p, &fit);
}

TEST(MusicPlayback, AChainedPartWithOtherChannelsKeepsTheFirstFormatAndEnds) {
    PlaybackSetup setup;
    setup.music = MakeTestMusic(2, 44100, 1.0, 1) + MakeTestMusic(1, 22050, 1.0, 2);
    Playback p;
    Play(setup, &p);
    ExpectCleanEnd(p.result);
    // The first part is heard as it is; the second, read with the first
    // part's format, plays too and the music ends.
    CaptureFit fit;
    ASSERT_TRUE(FitCapture(p.capture, p.reference, 0, 44100 - 2048, &fit));
    EXPECT_LT(fit.residual, 1e-3);
    EXPECT_GT(LastLoudFrame(p.capture), fit.lag + 44100 + 4000);
}

TEST(MusicPlayback, TheStopFlagEndsPlaybackEarly) {
    PlaybackSetup setup;
    setup.music = MakeTestMusic(2, 44100, 20.0);
    setup.stopAfterMs = 1500;
    Playback p;
    Play(setup, &p);
    ExpectCleanEnd(p.result);
    CaptureFit fit;
    ASSERT_TRUE(FitCapture(p.capture, p.reference, 0, 22050, &fit));
    EXPECT_LT(fit.residual, 1e-3);
    // About 1.5 s was heard of the 20: the stop came long before the end.
    long heard = LastLoudFrame(p.capture) - FirstLoudFrame(p.capture);
    EXPECT_GT(heard, 44100);
    EXPECT_LT(heard, 6 * 44100);
}

TEST(MusicPlayback, TheMusicIsFoundBelowTheProgramFolder) {
    PlaybackSetup setup;
    setup.dataMusic = MakeTestMusic(2, 44100, 1.0, 7);
    Playback p;
    Play(setup, &p);
    ExpectCleanEnd(p.result);
    CaptureFit fit;
    ExpectWholeReference(p, &fit);
}

TEST(MusicPlayback, TheCurrentFoldersFileComesFirst) {
    PlaybackSetup setup;
    setup.music = MakeTestMusic(2, 44100, 1.0, 8);
    setup.dataMusic = MakeTestMusic(2, 44100, 1.0, 9);
    Playback p;
    Play(setup, &p);  // the reference is the current folder's file
    ExpectCleanEnd(p.result);
    CaptureFit fit;
    ExpectWholeReference(p, &fit);
}

TEST(MusicPlayback, TheGeneratedMusicPlays) {
    std::string generated = ReadFileBytes(std::string(VELMORA_BUILD_DIR) + "/data/xt");
    ASSERT_FALSE(generated.empty());
    PlaybackSetup setup;
    setup.music = generated;
    setup.stopAfterMs = 3000;
    Playback p;
    Play(setup, &p);
    ExpectCleanEnd(p.result);
    EXPECT_EQ(p.reference.channels, 2);
    EXPECT_EQ(p.reference.rate, 44100);
    long seconds = p.reference.Frames() / p.reference.rate;
    EXPECT_GE(seconds, 60);
    EXPECT_LE(seconds, 120);
    CaptureFit fit;
    ASSERT_TRUE(FitCapture(p.capture, p.reference, 22050, 44100, &fit));
    EXPECT_LT(fit.residual, 1e-3);
}

// The process stopped for longer than the queue lasts: when it goes on, the
// mixer catches up, the source runs dry with buffers still queued, and the
// player must start it again for the rest of the music to be heard.
TEST(MusicPlayback, PlaybackResumesAfterAnUnderrun) {
    TempDir folder;
    std::string wav = folder.Path() + "/out.wav";
    std::string config = WriteAlsoftConfig(folder.Path(), "wave", wav);
    std::string music = folder.Write("xt", MakeTestMusic(2, 44100, 4.0, 3));
    ChildProcess probe;
    ASSERT_TRUE(probe.Start({ProbePath(), "play"}, {"ALSOFT_CONF=" + config, TsanOptions()}, folder.Path()));
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    probe.Kill(SIGSTOP);
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    probe.Kill(SIGCONT);
    ProcessResult result = probe.Wait(30000);
    ExpectCleanEnd(result);
    Playback p;
    ASSERT_TRUE(ReadWav(wav, &p.capture));
    ASSERT_TRUE(DecodeWithVorbisfile(music, &p.reference));
    CaptureFit start, end;
    ASSERT_TRUE(FitCapture(p.capture, p.reference, 0, 44100, &start));
    EXPECT_LT(start.residual, 1e-3);
    ASSERT_TRUE(FitCapture(p.capture, p.reference, p.reference.Frames() - 44100, 44100, &end, Anchor::LastSound));
    EXPECT_LT(end.residual, 1e-3);
    // The end came later than it would have without the pause.
    EXPECT_GT(end.lag - start.lag, p.reference.Frames() - 44100 + 22050);
}

}  // namespace
