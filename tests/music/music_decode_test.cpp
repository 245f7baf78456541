#include "music/music_player.h"

#include <AL/al.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "music_test_support.h"
#include "support/temp_dir.h"

namespace {

TEST(ChooseMusicFormat, QuarterSecondBlocksOfWholeFrames) {
    const int quad = alGetEnumValue("AL_FORMAT_QUAD16");
    const int surround = alGetEnumValue("AL_FORMAT_51CHN16");
    ASSERT_NE(quad, 0);
    ASSERT_NE(surround, 0);
    struct Case {
        int channels;
        long rate;
        bool supported;
        int alFormat;
        unsigned blockSize;
    } cases[] = {
        {1, 22050, true, AL_FORMAT_MONO16, 11024},  {1, 44100, true, AL_FORMAT_MONO16, 22050 - 0},
        {1, 8000, true, AL_FORMAT_MONO16, 4000},    {2, 44100, true, AL_FORMAT_STEREO16, 44100},
        {2, 22050, true, AL_FORMAT_STEREO16, 22048}, {2, 48000, true, AL_FORMAT_STEREO16, 48000},
        {4, 44100, true, quad, 88200},              {4, 22050, true, quad, 44096},
        {6, 48000, true, surround, 144000},         {6, 44100, true, surround, 132300},
        {6, 22050, true, surround, 66144},          {3, 44100, false, 0, 0},
        {5, 44100, false, 0, 0},                    {7, 44100, false, 0, 0},
        {8, 44100, false, 0, 0},                    {0, 44100, false, 0, 0},
        {2, 3, false, 0, 0},  // not one whole frame in a quarter second
        {6, 2000000000L, false, 0, 0},  // a quarter second beyond what one buffer may hold
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.channels) + " channels at " + std::to_string(c.rate));
        MusicFormat format;
        ASSERT_EQ(ChooseMusicFormat(c.channels, c.rate, &format), c.supported);
        if (!c.supported) continue;
        EXPECT_EQ(format.alFormat, c.alFormat);
        EXPECT_EQ(format.blockSize, c.blockSize);
        // A quarter second of frames, whole frames only.
        EXPECT_EQ(format.blockSize % (2u * c.channels), 0u);
        EXPECT_EQ(format.blockSize / (2u * c.channels), static_cast<unsigned>(c.rate / 4));
    }
}

class DecodeMusicBlockTest : public ::testing::Test {
protected:
    void SetUp() override {
        BindVorbisLibrary();
        ASSERT_TRUE(vorbisBinding.bound);
    }
    void TearDown() override {
        if (open) vorbisBinding.ov_clear(&stream);
        UnbindVorbisLibrary();
    }
    // Writes the file, opens it for DecodeMusicBlock and decodes it directly.
    void Open(const std::string& bytes) {
        path = folder.Write("music.ogg", bytes);
        ASSERT_TRUE(DecodeWithVorbisfile(path, &direct));
        std::FILE* file = std::fopen(path.c_str(), "rb");
        ASSERT_EQ(vorbisBinding.ov_open_callbacks(file, &stream, nullptr, 0, MusicFileCallbacks()), 0);
        open = true;
    }
    // Every block until the end, joined.
    std::vector<short> DecodeAll(unsigned capacity, int channels, std::vector<unsigned>* sizes) {
        std::vector<char> block(capacity);
        std::vector<short> all;
        for (;;) {
            unsigned got = DecodeMusicBlock(&stream, block.data(), capacity, channels);
            sizes->push_back(got);
            if (got == 0) break;
            const short* words = reinterpret_cast<const short*>(block.data());
            all.insert(all.end(), words, words + got / 2);
        }
        return all;
    }
    std::vector<short> DirectWords() const {
        std::vector<short> words;
        for (float s : direct.samples) words.push_back(static_cast<short>(s * 32768.0f));
        return words;
    }

    TempDir folder;
    std::string path;
    Pcm direct;
    OggVorbis_File stream;
    bool open = false;
};

TEST_F(DecodeMusicBlockTest, FillsWholeBlocksUntilTheEndThenZero) {
    Open(MakeTestMusic(2, 44100, 1.1));  // 48510 frames: four blocks and a part
    std::vector<unsigned> sizes;
    std::vector<short> all = DecodeAll(44100, 2, &sizes);
    EXPECT_EQ(sizes, (std::vector<unsigned>{44100, 44100, 44100, 44100, 194040 - 4 * 44100, 0}));
    EXPECT_EQ(all, DirectWords());
}

TEST_F(DecodeMusicBlockTest, LeavesMonoStereoAndQuadInTheDecodersOrder) {
    for (int channels : {1, 2, 4}) {
        SCOPED_TRACE(channels);
        if (open) vorbisBinding.ov_clear(&stream);
        open = false;
        Open(MakeTestMusic(channels, 22050, 0.6));
        MusicFormat format;
        ASSERT_TRUE(ChooseMusicFormat(channels, 22050, &format));
        std::vector<unsigned> sizes;
        EXPECT_EQ(DecodeAll(format.blockSize, channels, &sizes), DirectWords());
    }
}

TEST_F(DecodeMusicBlockTest, ReordersSixChannelFramesForOpenAL) {
    Open(MakeTestMusic(6, 48000, 0.6));
    std::vector<unsigned> sizes;
    std::vector<short> all = DecodeAll(144000, 6, &sizes);
    std::vector<short> expected = DirectWords();
    ASSERT_EQ(all.size(), expected.size());
    ASSERT_EQ(all.size() % 6, 0u);
    // [a0 a1 a2 a3 a4 a5] becomes [a0 a2 a1 a5 a3 a4].
    const int from[6] = {0, 2, 1, 5, 3, 4};
    std::size_t mismatches = 0;
    for (std::size_t frame = 0; frame < all.size() / 6; ++frame)
        for (int c = 0; c < 6; ++c)
            if (all[frame * 6 + c] != expected[frame * 6 + from[c]]) ++mismatches;
    EXPECT_EQ(mismatches, 0u);
}

TEST_F(DecodeMusicBlockTest, ADecoderHoleEndsTheBlockEarlyAndDecodingGoesOn) {
    std::string bytes = MakeTestMusic(2, 44100, 3.0);
    // Spoil one byte in the body of a page in the middle: its checksum fails
    // and the decoder reports a hole there.
    std::size_t page = bytes.find("OggS", bytes.size() / 2);
    ASSERT_NE(page, std::string::npos);
    bytes[page + 200] = static_cast<char>(bytes[page + 200] ^ 0x5A);
    Open(bytes);
    std::vector<char> block(4 * 44100 * 4);  // room for everything
    unsigned first = DecodeMusicBlock(&stream, block.data(), static_cast<unsigned>(block.size()), 2);
    EXPECT_GT(first, 0u);
    EXPECT_LT(first, 3u * 44100 * 4 * 3 / 4) << "stopped at the hole";
    std::vector<short> expected = DirectWords();
    const short* words = reinterpret_cast<const short*>(block.data());
    EXPECT_TRUE(std::equal(words, words + first / 2, expected.begin()));
    unsigned second = DecodeMusicBlock(&stream, block.data(), static_cast<unsigned>(block.size()), 2);
    EXPECT_GT(second, 0u) << "the music goes on after the hole";
}

TEST_F(DecodeMusicBlockTest, AnEmptyStreamDecodesToNothing) {
    Open(MakeTestMusic(2, 44100, 0.0));
    char block[64];
    EXPECT_EQ(DecodeMusicBlock(&stream, block, sizeof block, 2), 0u);
}

}  // namespace
