// resources/velmora.rc compiled by the MinGW resource compiler with the icon and
// bitmap the data tool writes: the dialog the other systems lay out from its template.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "make_data.h"
#include "settings/config_dialog.h"
#include "support/image.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

std::uint32_t U16(const std::string& b, size_t at) { return std::uint8_t(b.at(at)) | std::uint8_t(b.at(at + 1)) << 8; }
std::uint32_t U32(const std::string& b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

// A picture whose every pixel tells its place.
RgbImage Pattern(int width, int height) {
    RgbImage image{width, height, std::vector<std::uint8_t>(size_t(width) * height * 3)};
    for (size_t k = 0; k < image.rgb.size(); k += 3) {
        const size_t x = (k / 3) % width, y = (k / 3) / width;
        image.rgb[k] = std::uint8_t(x), image.rgb[k + 1] = std::uint8_t(y), image.rgb[k + 2] = std::uint8_t(x * 7 + y * 3);
    }
    return image;
}

// The data of resource (type, name) in a compiled .res file; empty if absent.
std::string FindResource(const std::string& res, std::uint32_t type, std::uint32_t name) {
    for (size_t at = 0; at + 8 <= res.size();) {
        const std::uint32_t dataSize = U32(res, at), headerSize = U32(res, at + 4);
        if (dataSize != 0 && U16(res, at + 10) == type && U16(res, at + 14) == name)
            return res.substr(at + headerSize, dataSize);
        at = (at + headerSize + dataSize + 3) & ~size_t(3);
    }
    return "";
}

std::string Utf16(const std::string& b, size_t* at) {
    std::string text;
    for (std::uint32_t c; (c = U16(b, *at)) != 0; *at += 2) text += char(c);
    *at += 2;
    return text;
}

TEST(ConfigDialogResources, ScriptCompilesWithTheDialogTheOtherSystemsLayOut) {
    TempDir dir;
    ASSERT_TRUE(WriteIconFile(dir.Path() + "/velmora.ico"));
    ASSERT_TRUE(WritePng(dir.Path() + "/config.png", Pattern(256, 256)));
    ASSERT_TRUE(ConvertPictureToBitmap(dir.Path() + "/config.png", dir.Path() + "/config.bmp"));
    const std::string out = dir.Path() + "/velmora.res";
    ProcessResult compiled = RunProcess({"i686-w64-mingw32-windres", "--include-dir", dir.Path(), "-O", "res",
                                         std::string(VELMORA_SOURCE_DIR) + "/resources/velmora.rc", out});
    ASSERT_EQ(compiled.exitCode, 0) << compiled.err << " (scripts/setup --tests installs windres)";
    const std::string res = ReadFileBytes(out);
    const std::string strings = FindResource(res, 6, 1);  // string 1: the second of block 1
    ASSERT_GT(strings.size(), 4u);
    const size_t at1 = 2 + 2 * U16(strings, 0);
    std::string name;
    for (std::uint32_t i = 0; i < U16(strings, at1); ++i) name += char(U16(strings, at1 + 2 + 2 * i));
    EXPECT_EQ(name, "Velmora!");
    const std::string group = FindResource(res, 14, 139);
    ASSERT_EQ(group.size(), 20u);  // one image
    EXPECT_EQ(FindResource(res, 3, U16(group, 18)), ReadFileBytes(dir.Path() + "/velmora.ico").substr(22));
    // Bitmap 138: a plain BITMAPINFOHEADER, bottom row first, every pixel kept.
    const std::string bitmap = FindResource(res, 2, 138);
    ASSERT_EQ(bitmap.size(), 40u + 256 * 256 * 3);
    EXPECT_EQ(U32(bitmap, 0) | U32(bitmap, 8) << 16, 40u | 256u << 16);
    const RgbImage pattern = Pattern(256, 256);
    int wrong = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const size_t at = 40 + size_t(255 - y) * 768 + size_t(x) * 3;
            wrong += std::uint8_t(bitmap[at]) != pattern.At(x, y)[2] || std::uint8_t(bitmap[at + 2]) != pattern.At(x, y)[0];
        }
    EXPECT_EQ(wrong, 0);

    const std::string d = FindResource(res, 5, 101);
    const platform::DialogTemplate& t = ConfigDialogTemplate();
    ASSERT_GT(d.size(), 26u);
    EXPECT_EQ(U32(d, 0), 0xffff0001u);  // DLGTEMPLATEEX
    ASSERT_EQ(int(U16(d, 16)), t.controlCount);
    EXPECT_EQ(int(U16(d, 22)), t.width);
    EXPECT_EQ(int(U16(d, 24)), t.height);
    size_t at = 26;
    EXPECT_EQ(Utf16(d, &at) + Utf16(d, &at), "");  // no menu, the standard class
    EXPECT_EQ(Utf16(d, &at), t.caption);
    EXPECT_EQ(int(U16(d, at)), t.fontPoints);
    at += 6;
    EXPECT_EQ(Utf16(d, &at), t.fontName);
    const std::uint32_t styles[] = {0x50010001, 0x5000000E, 0x50000007, 0x50010003};  // button, bitmap, frame, box
    for (int i = 0; i < t.controlCount; ++i) {
        SCOPED_TRACE(i);
        const platform::DialogControl& c = t.controls[i];
        at = (at + 3) & ~size_t(3);
        EXPECT_EQ(U32(d, at + 8), styles[i]);
        EXPECT_EQ(c.tabStop, (styles[i] & 0x00010000) != 0);
        const int place[4] = {c.x, c.y, c.width, c.height};
        for (int k = 0; k < 4; ++k) EXPECT_EQ(int(std::int16_t(U16(d, at + 12 + 2 * k))), place[k]);
        EXPECT_EQ(std::int32_t(U32(d, at + 20)), c.id);
        at += 24;
        if (U16(d, at) == 0xffffu) at += 4; else Utf16(d, &at);  // the class, by atom or by name
        if (c.text == nullptr) {
            EXPECT_EQ(int(U16(d, at + 2)), c.bitmapId);
            at += 4;
        } else {
            EXPECT_EQ(Utf16(d, &at), c.text);
        }
        at += 2;  // no creation data
    }
}

}  // namespace
