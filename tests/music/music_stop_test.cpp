// Ending a run at any moment of the music: the flag, a bounded wait, the
// process exit. Nothing may crash or hang, whatever the thread was doing.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "music/music_thread.h"
#include "music_test_support.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

TEST(MusicStop, WaitingWithoutAMusicThreadReturnsAtOnce) {
    EXPECT_TRUE(WaitForMusicThreadEnd(0));
    EXPECT_TRUE(WaitForMusicThreadEnd(200));
}

TEST(MusicStop, EndingAtRandomMomentsNeverCrashesOrHangs) {
    std::string music = ReadFileBytes(std::string(VELMORA_BUILD_DIR) + "/data/xt");
    ASSERT_FALSE(music.empty());
    TempDir folder;
    folder.Write("xt", music);
    TempDir waveFolder, nullFolder;
    const std::string configs[2] = {
        WriteAlsoftConfig(waveFolder.Path(), "wave", waveFolder.Path() + "/out.wav"),
        WriteAlsoftConfig(nullFolder.Path(), "null", ""),
    };
    // Seeded: a failure names a moment that can be replayed.
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> moment(0, 1500);
    int released = 0, held = 0;
    for (int run = 0; run < 100; ++run) {
        int stopAfter = run < 5 ? run * 5 : moment(random);  // the first ones inside the set-up
        SCOPED_TRACE("run " + std::to_string(run) + ", stop after " + std::to_string(stopAfter) + " ms");
        ProcessResult result =
            RunProcess({ProbePath(), "play", "--stop-after", std::to_string(stopAfter)},
                       {"ALSOFT_CONF=" + configs[run % 2], "ALSOFT_LOGLEVEL=0", TsanOptions()}, folder.Path(), 10000);
        ASSERT_FALSE(result.timedOut) << "hung";
        ASSERT_FALSE(result.signaled) << "signal " << result.signal << "\n" << result.err;
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err.find("Sanitizer"), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("runtime error"), std::string::npos) << result.err;
        if (result.out.find("music released\n") != std::string::npos)
            ++released;
        else if (result.out.find("music still held\n") != std::string::npos)
            ++held;
        else
            ADD_FAILURE() << "no end reported: " << result.out;
    }
    std::printf("released within 200 ms: %d, still held: %d\n", released, held);
    EXPECT_EQ(released + held, 100);
}

}  // namespace
