// Every failure of the music prints its one message on standard output,
// skips the rest of the playback and leaves nothing open.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "music/music_player.h"
#include "music/music_thread.h"
#include "music_test_support.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

const std::string kPrompt = "\nPress a key to quit\n";
const std::string kNoDecoder = "Failed to find OggVorbis DLLs (vorbisfile.dll, ogg.dll, or vorbis.dll)\n";
const std::string kNoOpenAL = "Failed to initialize OpenAL\n";
const std::string kUnsupported = "Failed to find format information, or unsupported format\n";

const std::string kNoFile = "(no file)";

std::string Fake(const std::string& name) { return std::string(MUSIC_FAKES_DIR) + "/lib" + name + ".so"; }

TEST(MusicFailures, EachPrintsItsMessageAndEndsTheThread) {
    struct Case {
        const char* what;
        std::string music;  // "xt" in the current folder, or kNoFile
        std::string drivers;
        std::vector<std::string> env;
        std::string out;
        std::string err;
    } cases[] = {
        {"no decoder library", MakeTestMusic(2, 44100, 0.3), "null",
         {"VELMORA_VORBISFILE_LIBRARY=/nonexistent/libvorbisfile.so.3"}, kNoDecoder + kPrompt, ""},
        {"decoder without ov_comment", MakeTestMusic(2, 44100, 0.3), "null",
         {"VELMORA_VORBISFILE_LIBRARY=" + Fake("fake_vorbisfile_no_ov_comment")}, kNoDecoder + kPrompt, ""},
        {"decoder without ov_open_callbacks", MakeTestMusic(2, 44100, 0.3), "null",
         {"VELMORA_VORBISFILE_LIBRARY=" + Fake("fake_vorbisfile_no_ov_open_callbacks")}, kNoDecoder + kPrompt, ""},
        {"OpenAL without alBufferData", MakeTestMusic(2, 44100, 0.3), "null",
         {"VELMORA_OPENAL_LIBRARY=" + Fake("fake_openal_no_alBufferData")}, kNoOpenAL + kPrompt,
         "Failed to retrieve 'alBufferData' function address\n"},
        {"OpenAL without alcGetEnumValue", MakeTestMusic(2, 44100, 0.3), "null",
         {"VELMORA_OPENAL_LIBRARY=" + Fake("fake_openal_no_alcGetEnumValue")}, kNoOpenAL + kPrompt,
         "Failed to retrieve 'alcGetEnumValue' function address\n"},
        {"no OpenAL library for the list", MakeTestMusic(2, 44100, 0.3), "null",
         {"VELMORA_OPENAL_LIBRARY=/nonexistent/libopenal.so.1"}, kNoOpenAL + kPrompt, ""},
        {"no usable device", MakeTestMusic(2, 44100, 0.3), "no-such-backend", {}, kNoOpenAL + kPrompt, ""},
        {"no music file", kNoFile, "null", {}, "Could not find xt\n" + kPrompt, ""},
        {"not Ogg Vorbis", "RIFF....WAVEfmt this is not music", "null", {}, kPrompt, ""},
        {"empty file", "", "null", {}, kPrompt, ""},
        {"three channels", MakeTestMusic(3, 44100, 0.3), "null", {}, kUnsupported + kPrompt, ""},
        {"five channels", MakeTestMusic(5, 44100, 0.3), "null", {}, kUnsupported + kPrompt, ""},
        {"eight channels", MakeTestMusic(8, 44100, 0.3), "null", {}, kUnsupported + kPrompt, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir folder;
        TempDir program;  // holds no data/xt
        if (c.music != kNoFile) folder.Write("xt", c.music);
        std::vector<std::string> env = c.env;
        env.push_back("ALSOFT_CONF=" + WriteAlsoftConfig(folder.Path(), c.drivers, ""));
        env.push_back("ALSOFT_LOGLEVEL=0");
        env.push_back(TsanOptions());
        ProcessResult result =
            RunProcess({ProbePath(), "thread-proc", "--program-folder", program.Path() + "/"}, env, folder.Path());
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, c.err);
    }
}

TEST(MusicFailures, AThreadThatCannotBeMadeIsReportedAndTheRunGoesOn) {
    // A stack limit of about 1 GB for new threads in an address space of
    // 400 MB: the process starts, the music thread's stack cannot be mapped.
    ProcessResult result = RunProcess(
        {"/bin/sh", "-c", "ulimit -v 400000 && ulimit -s 1000000 && exec \"$0\" play", ProbePath()});
    if (result.err.find("Sanitizer") != std::string::npos)
        GTEST_SKIP() << "a sanitizer's shadow memory does not fit in 400 MB";
    EXPECT_EQ(result.exitCode, 0) << result.err;
    // EAGAIN: no resources for another thread.
    EXPECT_EQ(result.out, "CreateThread failed (11)\nmusic released\n");
}

// The player's own process: OpenAL Soft plays into nothing here.
class MusicInProcess : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static TempDir config;
        setenv("ALSOFT_CONF", WriteAlsoftConfig(config.Path(), "null", "").c_str(), 1);
        setenv("ALSOFT_LOGLEVEL", "0", 1);
    }
    void SetUp() override { previous = std::filesystem::current_path(); }
    void TearDown() override { std::filesystem::current_path(previous); }
    static std::size_t OpenFiles() {
        std::size_t count = 0;
        for (auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
            (void)entry;
            ++count;
        }
        return count;
    }
    std::filesystem::path previous;
};

TEST_F(MusicInProcess, AFileTheDecoderRefusesIsClosed) {
    TempDir folder;
    folder.Write("xt", "OggS but nothing a decoder could read");
    std::filesystem::current_path(folder.Path());
    testing::internal::CaptureStdout();
    PlayMusicStream();  // OpenAL and the decoder loaded once
    std::size_t before = OpenFiles();
    for (int i = 0; i < 3; ++i) PlayMusicStream();
    EXPECT_EQ(OpenFiles(), before);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(MusicInProcess, PlaybackLeavesNothingOpenOrCurrent) {
    TempDir folder;
    folder.Write("xt", MakeTestMusic(1, 22050, 0.3));
    std::filesystem::current_path(folder.Path());
    testing::internal::CaptureStdout();
    PlayMusicStream();
    std::size_t before = OpenFiles();
    PlayMusicStream();
    EXPECT_EQ(OpenFiles(), before);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(vorbisBinding.bound);
    EXPECT_EQ(vorbisBinding.library, nullptr);
}

}  // namespace
