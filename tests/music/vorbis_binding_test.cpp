#include "music/vorbis_binding.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "music_test_support.h"
#include "support/temp_dir.h"

namespace {

// Each test starts unbound, with the library named by the environment.
class VorbisBindingTest : public ::testing::Test {
protected:
    void SetUp() override { UnbindVorbisLibrary(); }
    void TearDown() override {
        UnbindVorbisLibrary();
        unsetenv(kVorbisLibraryVariable);
    }
    void UseLibrary(const std::string& name) { setenv(kVorbisLibraryVariable, name.c_str(), 1); }
};

std::string Fake(const std::string& missing) {
    return std::string(MUSIC_FAKES_DIR) + "/libfake_vorbisfile_no_" + missing + ".so";
}

TEST_F(VorbisBindingTest, BindsTheSystemDecoderWithAllSixNames) {
    EXPECT_STREQ(VorbisLibraryName(), "libvorbisfile.so.3");
    BindVorbisLibrary();
    ASSERT_TRUE(vorbisBinding.bound);
    EXPECT_NE(vorbisBinding.library, nullptr);
    EXPECT_NE(vorbisBinding.ov_clear, nullptr);
    EXPECT_NE(vorbisBinding.ov_read, nullptr);
    EXPECT_NE(vorbisBinding.ov_pcm_total, nullptr);
    EXPECT_NE(vorbisBinding.ov_info, nullptr);
    EXPECT_NE(vorbisBinding.ov_comment, nullptr);
    EXPECT_NE(vorbisBinding.ov_open_callbacks, nullptr);
}

TEST_F(VorbisBindingTest, BindingTwiceKeepsTheFirstLoad) {
    BindVorbisLibrary();
    platform::LibraryHandle first = vorbisBinding.library;
    // A second load would take another reference that nobody frees.
    UseLibrary("no-such-library-so-a-reload-would-fail.so");
    BindVorbisLibrary();
    EXPECT_TRUE(vorbisBinding.bound);
    EXPECT_EQ(vorbisBinding.library, first);
}

TEST_F(VorbisBindingTest, UnbindFreesAndClears) {
    BindVorbisLibrary();
    UnbindVorbisLibrary();
    EXPECT_FALSE(vorbisBinding.bound);
    EXPECT_EQ(vorbisBinding.library, nullptr);
    BindVorbisLibrary();
    EXPECT_TRUE(vorbisBinding.bound);
}

TEST_F(VorbisBindingTest, UnbindWithNothingLoadedOnlyClearsTheFlag) {
    vorbisBinding.bound = true;  // as if bound, without a library
    UnbindVorbisLibrary();
    EXPECT_FALSE(vorbisBinding.bound);
    EXPECT_EQ(vorbisBinding.library, nullptr);
}

TEST_F(VorbisBindingTest, MissingLibraryLeavesItUnbound) {
    UseLibrary("libvorbisfile-not-installed.so.3");
    EXPECT_STREQ(VorbisLibraryName(), "libvorbisfile-not-installed.so.3");
    BindVorbisLibrary();
    EXPECT_FALSE(vorbisBinding.bound);
    EXPECT_EQ(vorbisBinding.library, nullptr);
}

TEST_F(VorbisBindingTest, EmptyVariableMeansTheSystemDecoder) {
    UseLibrary("");
    EXPECT_STREQ(VorbisLibraryName(), "libvorbisfile.so.3");
}

TEST_F(VorbisBindingTest, OneMissingNameLeavesItUnboundWithTheOthersStored) {
    struct Case {
        const char* missing;
    } cases[] = {{"ov_clear"}, {"ov_comment"}, {"ov_open_callbacks"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.missing);
        UnbindVorbisLibrary();
        vorbisBinding = VorbisBinding{};
        UseLibrary(Fake(c.missing));
        BindVorbisLibrary();
        EXPECT_FALSE(vorbisBinding.bound);
        EXPECT_NE(vorbisBinding.library, nullptr) << "the library stays loaded";
        std::string name = c.missing;
        EXPECT_EQ(vorbisBinding.ov_clear == nullptr, name == "ov_clear");
        EXPECT_NE(vorbisBinding.ov_read, nullptr);
        EXPECT_NE(vorbisBinding.ov_pcm_total, nullptr);
        EXPECT_NE(vorbisBinding.ov_info, nullptr);
        EXPECT_EQ(vorbisBinding.ov_comment == nullptr, name == "ov_comment");
        EXPECT_EQ(vorbisBinding.ov_open_callbacks == nullptr, name == "ov_open_callbacks");
    }
}

TEST(MusicFileCallbacks, ReadSeekTellAndCloseWorkOnTheFile) {
    TempDir folder;
    std::string path = folder.Write("bytes", "0123456789abcdef");
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    ov_callbacks callbacks = MusicFileCallbacks();
    char got[4] = {};
    EXPECT_EQ(callbacks.read_func(got, 1, 4, file), 4u);
    EXPECT_EQ(std::string(got, 4), "0123");
    struct Seek {
        ogg_int64_t offset;
        int origin;
        int result;
        long tell;
    } seeks[] = {
        {10, SEEK_SET, 0, 10}, {-3, SEEK_CUR, 0, 7}, {-2, SEEK_END, 0, 14}, {-100, SEEK_SET, -1, 14},
    };
    for (const Seek& s : seeks) {
        EXPECT_EQ(callbacks.seek_func(file, s.offset, s.origin), s.result) << s.offset;
        EXPECT_EQ(callbacks.tell_func(file), s.tell) << s.offset;
    }
    EXPECT_EQ(callbacks.read_func(got, 1, 4, file), 2u) << "only 'ef' remains";
    EXPECT_EQ(callbacks.close_func(file), 0);
}

TEST(MusicFileCallbacks, TheDecoderReadsAFileThroughThem) {
    TempDir folder;
    std::string path = folder.Write("music.ogg", MakeTestMusic(2, 44100, 0.5));
    UnbindVorbisLibrary();
    BindVorbisLibrary();
    ASSERT_TRUE(vorbisBinding.bound);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    OggVorbis_File stream;
    ASSERT_EQ(vorbisBinding.ov_open_callbacks(file, &stream, nullptr, 0, MusicFileCallbacks()), 0);
    // The total length needs seeking to the end and back.
    EXPECT_EQ(vorbisBinding.ov_pcm_total(&stream, -1), 22050);
    vorbisBinding.ov_clear(&stream);
    UnbindVorbisLibrary();
}

}  // namespace
