#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "scene/scene_textures.h"
#include "support/temp_dir.h"

namespace {

// Reads `bytes` as a raw image through a real file.
bool ReadBytes(const std::string& bytes, int bytesPerPixel, int rows, int columns, std::vector<std::uint8_t>* out) {
    TempDir dir;
    const std::string path = dir.Write("image", bytes);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    EXPECT_NE(file, nullptr);
    out->assign(static_cast<std::size_t>(rows) * columns * bytesPerPixel, 0);
    const bool ok = ReadRawPixels(file, out->data(), bytesPerPixel, rows, columns);
    std::fclose(file);
    return ok;
}

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t k = 0; k < size; ++k) bytes[k] = static_cast<char>(k * 7 + 1);
    return bytes;
}

TEST(RawImage, FileLengthsAgainstTheImageSize) {
    const struct {
        const char* name;
        int bytesPerPixel;
        int rows, columns;
        long delta;  // file length minus rows * columns * bytesPerPixel
        bool loads;
        int filledBytes;  // trailing bytes of the last pixel taken as 255
    } cases[] = {
        {"RGBA exact", 4, 3, 5, 0, true, 0},
        {"RGBA one byte short", 4, 3, 5, -1, true, 1},
        {"RGBA three bytes short", 4, 3, 5, -3, true, 3},
        {"RGBA one pixel short", 4, 3, 5, -4, false, 0},
        {"RGBA five bytes short", 4, 3, 5, -5, false, 0},
        {"RGBA longer", 4, 3, 5, 9, true, 0},
        {"RGB exact", 3, 4, 2, 0, true, 0},
        {"RGB two bytes short", 3, 4, 2, -2, true, 2},
        {"RGB one pixel short", 3, 4, 2, -3, false, 0},
        {"RGB half the file", 3, 4, 2, -12, false, 0},
        {"RGB empty", 3, 4, 2, -24, false, 0},
        {"RGB longer", 3, 4, 2, 1000, true, 0},
    };
    for (const auto& c : cases) {
        const long size = static_cast<long>(c.rows) * c.columns * c.bytesPerPixel;
        const std::string bytes = Pattern(static_cast<std::size_t>(size + c.delta));
        std::vector<std::uint8_t> image;
        EXPECT_EQ(ReadBytes(bytes, c.bytesPerPixel, c.rows, c.columns, &image), c.loads) << c.name;
        if (!c.loads) continue;
        // The file's last row is the buffer's first.
        const std::size_t rowBytes = static_cast<std::size_t>(c.columns) * c.bytesPerPixel;
        for (int r = 0; r < c.rows; ++r) {
            for (std::size_t k = 0; k < rowBytes; ++k) {
                const std::size_t fileOffset = r * rowBytes + k;
                const std::uint8_t expected = fileOffset < static_cast<std::size_t>(size) - c.filledBytes
                                                  ? static_cast<std::uint8_t>(bytes[fileOffset])
                                                  : 255;
                ASSERT_EQ(image[(c.rows - 1 - r) * rowBytes + k], expected) << c.name << " row " << r << " byte " << k;
            }
        }
    }
}

TEST(RawImage, ShortInsideAPixelOfAnEarlierRowFails) {
    // The missing bytes of a pixel are filled, but the next pixel's first
    // byte meets the end of the file.
    std::vector<std::uint8_t> image;
    EXPECT_FALSE(ReadBytes(Pattern(4 * 4 + 2), 4, 2, 4, &image));  // 2 rows of 16 bytes
}

TEST(RawImage, FirstRowRedLastRowBlueComesOutBottomUp) {
    std::string bytes;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c) bytes += r == 0 ? std::string("\xff\x00\x00", 3) : std::string("\x00\x00\xff", 3);
    std::vector<std::uint8_t> image;
    ASSERT_TRUE(ReadBytes(bytes, 3, 3, 2, &image));
    EXPECT_EQ(image[0], 0);  // buffer row 0 (texture t = 0): blue
    EXPECT_EQ(image[2], 255);
    EXPECT_EQ(image[2 * 6], 255);  // buffer row 2 (t = 1): red
    EXPECT_EQ(image[2 * 6 + 2], 0);
}

TEST(RawImage, SidesOutsideTheBufferReadNothing) {
    TempDir dir;
    std::FILE* file = std::fopen(dir.Write("image", Pattern(64)).c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::uint8_t sink[16] = {};
    const int sides[][2] = {{0, 4}, {4, -1}, {1025, 1}, {1, 1025}};
    for (const auto& side : sides) {
        EXPECT_FALSE(ReadRawPixels(file, sink, 4, side[0], side[1])) << side[0] << "x" << side[1];
        EXPECT_EQ(std::ftell(file), 0);
    }
    std::fclose(file);
}

}  // namespace
