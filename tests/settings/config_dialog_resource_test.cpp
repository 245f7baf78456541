// The Windows resources: icon 139 and bitmap 138 as the data tool writes
// them, and resources/velmora.rc compiled by the MinGW resource compiler.
#include <gtest/gtest.h>
#include <png.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "make_data.h"
#include "settings/config_dialog.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

std::uint32_t U16(const std::string& b, size_t at) {
    return std::uint8_t(b.at(at)) | std::uint8_t(b.at(at + 1)) << 8;
}
std::uint32_t U32(const std::string& b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

// A 256 x 256 PNG whose every pixel tells its place.
std::vector<std::uint8_t> PatternPixels(int width, int height) {
    std::vector<std::uint8_t> rgb(size_t(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
            p[0] = std::uint8_t(x);
            p[1] = std::uint8_t(y);
            p[2] = std::uint8_t(x * 7 + y * 3);
        }
    return rgb;
}

bool WritePng(const std::string& path, int width, int height) {
    std::vector<std::uint8_t> rgb = PatternPixels(width, height);
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = width;
    png.height = height;
    png.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&png, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

TEST(ConfigDialogResources, IconIsOneOpaque64By64TwentyFourBitImage) {
    TempDir dir;
    std::string path = dir.Path() + "/velmora.ico";
    ASSERT_TRUE(WriteIconFile(path));
    std::string ico = ReadFileBytes(path);
    const size_t image = 40 + 64 * 64 * 3 + 64 * 8;
    ASSERT_EQ(ico.size(), 6 + 16 + image);
    EXPECT_EQ(U16(ico, 0), 0u);
    EXPECT_EQ(U16(ico, 2), 1u);  // an icon, not a cursor
    EXPECT_EQ(U16(ico, 4), 1u);
    EXPECT_EQ(std::uint8_t(ico[6]), 64);
    EXPECT_EQ(std::uint8_t(ico[7]), 64);
    EXPECT_EQ(U16(ico, 12), 24u);
    EXPECT_EQ(U32(ico, 14), image);
    EXPECT_EQ(U32(ico, 18), 22u);
    EXPECT_EQ(U32(ico, 22), 40u);
    EXPECT_EQ(U32(ico, 26), 64u);
    EXPECT_EQ(U32(ico, 30), 128u);  // colour rows and mask rows
    EXPECT_EQ(U16(ico, 36), 24u);
    EXPECT_EQ(U32(ico, 38), 0u);
    // A picture, not a flat square; and the mask hides nothing.
    std::string colour = ico.substr(22 + 40, 64 * 64 * 3);
    std::vector<bool> seen(1 << 12);
    int distinct = 0;
    for (size_t i = 0; i < colour.size(); i += 3) {
        int key = (std::uint8_t(colour[i]) >> 4) << 8 | (std::uint8_t(colour[i + 1]) >> 4) << 4 |
                  std::uint8_t(colour[i + 2]) >> 4;
        if (!seen[key]) ++distinct, seen[key] = true;
    }
    EXPECT_GT(distinct, 40);
    EXPECT_EQ(ico.substr(22 + 40 + 64 * 64 * 3), std::string(64 * 8, '\0'));
    // The same bytes every time.
    ASSERT_TRUE(WriteIconFile(path));
    EXPECT_EQ(ReadFileBytes(path), ico);
}

TEST(ConfigDialogResources, BitmapKeepsEveryPixelBottomRowFirst) {
    TempDir dir;
    std::string png = dir.Path() + "/config.png";
    std::string bmp = dir.Path() + "/config.bmp";
    ASSERT_TRUE(WritePng(png, 256, 256));
    ASSERT_TRUE(ConvertPictureToBitmap(png, bmp));
    std::string b = ReadFileBytes(bmp);
    ASSERT_EQ(b.size(), 54u + 256 * 256 * 3);
    EXPECT_EQ(b.substr(0, 2), "BM");
    EXPECT_EQ(U32(b, 2), b.size());
    EXPECT_EQ(U32(b, 10), 54u);
    EXPECT_EQ(U32(b, 14), 40u);  // a plain BITMAPINFOHEADER, readable everywhere
    EXPECT_EQ(U32(b, 18), 256u);
    EXPECT_EQ(U32(b, 22), 256u);  // positive: bottom row first
    EXPECT_EQ(U16(b, 26), 1u);
    EXPECT_EQ(U16(b, 28), 24u);
    EXPECT_EQ(U32(b, 30), 0u);  // BI_RGB
    std::vector<std::uint8_t> rgb = PatternPixels(256, 256);
    int wrong = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            size_t at = 54 + size_t(255 - y) * 768 + size_t(x) * 3;
            const std::uint8_t* p = &rgb[(size_t(y) * 256 + x) * 3];
            wrong += std::uint8_t(b[at]) != p[2] || std::uint8_t(b[at + 1]) != p[1] ||
                     std::uint8_t(b[at + 2]) != p[0];
        }
    EXPECT_EQ(wrong, 0);
}

TEST(ConfigDialogResources, BitmapRefusesWhatIsNotA256By256Png) {
    TempDir dir;
    ASSERT_TRUE(WritePng(dir.Path() + "/wide.png", 257, 256));
    ASSERT_TRUE(WritePng(dir.Path() + "/small.png", 64, 64));
    dir.Write("text.png", "not a picture");
    for (const char* name : {"wide.png", "small.png", "text.png", "missing.png"}) {
        SCOPED_TRACE(name);
        std::string bmp = dir.Path() + "/" + name + ".bmp";
        EXPECT_FALSE(ConvertPictureToBitmap(dir.Path() + "/" + name, bmp));
        EXPECT_TRUE(ReadFileBytes(bmp).empty());
    }
}

// One entry of a compiled .res file.
struct Resource {
    std::uint32_t type = 0, name = 0;  // ordinals; named ones are not used here
    std::string data;
};

std::vector<Resource> ParseRes(const std::string& res) {
    std::vector<Resource> entries;
    size_t at = 0;
    while (at + 8 <= res.size()) {
        std::uint32_t dataSize = U32(res, at), headerSize = U32(res, at + 4);
        Resource entry;
        size_t p = at + 8;
        EXPECT_EQ(U16(res, p), 0xffffu) << "named type";
        entry.type = U16(res, p + 2);
        EXPECT_EQ(U16(res, p + 4), 0xffffu) << "named resource";
        entry.name = U16(res, p + 6);
        entry.data = res.substr(at + headerSize, dataSize);
        if (dataSize != 0) entries.push_back(entry);
        at = (at + headerSize + dataSize + 3) & ~size_t(3);
    }
    return entries;
}

const Resource* Find(const std::vector<Resource>& all, std::uint32_t type, std::uint32_t name) {
    for (const Resource& r : all)
        if (r.type == type && r.name == name) return &r;
    return nullptr;
}

// A zero-terminated UTF-16 string at `at`, as ASCII; `at` moves past it.
std::string Utf16(const std::string& b, size_t* at) {
    std::string text;
    for (std::uint32_t c; (c = U16(b, *at)) != 0; *at += 2) text += char(c);
    *at += 2;
    return text;
}

TEST(ConfigDialogResources, ScriptCompilesWithTheTemplateOfTheDialog) {
    const std::string windres = "/usr/bin/i686-w64-mingw32-windres";
    ASSERT_FALSE(ReadFileBytes(windres).empty()) << "no " << windres << " (scripts/setup --tests installs it)";
    TempDir dir;
    ASSERT_TRUE(WriteIconFile(dir.Path() + "/velmora.ico"));
    ASSERT_TRUE(WritePng(dir.Path() + "/config.png", 256, 256));
    ASSERT_TRUE(ConvertPictureToBitmap(dir.Path() + "/config.png", dir.Path() + "/config.bmp"));
    std::string res = dir.Path() + "/velmora.res";
    ProcessResult compiled = RunProcess({windres, "--include-dir", dir.Path(), "-O", "res",
                                         std::string(VELMORA_SOURCE_DIR) + "/resources/velmora.rc", res});
    ASSERT_EQ(compiled.exitCode, 0) << compiled.err;
    std::vector<Resource> all = ParseRes(ReadFileBytes(res));

    // String 1 is the second string of block 1.
    const Resource* strings = Find(all, 6, 1);
    ASSERT_NE(strings, nullptr);
    size_t at = 0;
    at += 2 + 2 * U16(strings->data, at);
    std::string name;
    for (std::uint32_t i = 0, n = U16(strings->data, at); i < n; ++i) name += char(U16(strings->data, at + 2 + 2 * i));
    EXPECT_EQ(name, "Velmora!");

    const Resource* group = Find(all, 14, 139);
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(U16(group->data, 4), 1u);
    EXPECT_EQ(std::uint8_t(group->data[6]), 64);
    EXPECT_EQ(std::uint8_t(group->data[7]), 64);
    EXPECT_EQ(U16(group->data, 12), 24u);
    const Resource* icon = Find(all, 3, U16(group->data, 18));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->data, ReadFileBytes(dir.Path() + "/velmora.ico").substr(22));

    const Resource* bitmap = Find(all, 2, 138);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->data, ReadFileBytes(dir.Path() + "/config.bmp").substr(14));

    const Resource* dialog = Find(all, 5, 101);
    ASSERT_NE(dialog, nullptr);
    const std::string& d = dialog->data;
    EXPECT_EQ(U16(d, 0), 1u);  // DLGTEMPLATEEX
    EXPECT_EQ(U16(d, 2), 0xffffu);
    EXPECT_EQ(U32(d, 8), 0x80u);        // WS_EX_TOOLWINDOW
    EXPECT_EQ(U32(d, 12), 0x80C008C4u);  // WS_POPUP|WS_CAPTION|DS_MODALFRAME|DS_3DLOOK|DS_CENTER|DS_SETFONT
    const platform::DialogTemplate& t = ConfigDialogTemplate();
    ASSERT_EQ(int(U16(d, 16)), t.controlCount);
    EXPECT_EQ(U16(d, 18), 0u);
    EXPECT_EQ(U16(d, 20), 0u);
    EXPECT_EQ(int(U16(d, 22)), t.width);
    EXPECT_EQ(int(U16(d, 24)), t.height);
    at = 26;
    EXPECT_EQ(Utf16(d, &at), "");  // no menu
    EXPECT_EQ(Utf16(d, &at), "");  // the standard dialog class
    EXPECT_EQ(Utf16(d, &at), t.caption);
    EXPECT_EQ(int(U16(d, at)), t.fontPoints);
    at += 6;
    EXPECT_EQ(Utf16(d, &at), t.fontName);

    struct Expected {
        std::uint32_t exStyle, style, classAtom;
    };
    const Expected expected[] = {
        {0, 0x50010001, 0x80},      // WS_CHILD|WS_VISIBLE|WS_TABSTOP|BS_DEFPUSHBUTTON, button
        {0x200, 0x5000000E, 0x82},  // WS_EX_CLIENTEDGE; WS_CHILD|WS_VISIBLE|SS_BITMAP, static
        {0, 0x50000007, 0x80},      // BS_GROUPBOX
        {0, 0x50010003, 0x80},      // WS_TABSTOP|BS_AUTOCHECKBOX
    };
    for (int i = 0; i < t.controlCount; ++i) {
        SCOPED_TRACE(i);
        const platform::DialogControl& c = t.controls[i];
        at = (at + 3) & ~size_t(3);
        EXPECT_EQ(U32(d, at + 4), expected[i].exStyle);
        EXPECT_EQ(U32(d, at + 8), expected[i].style);
        EXPECT_EQ(int(std::int16_t(U16(d, at + 12))), c.x);
        EXPECT_EQ(int(std::int16_t(U16(d, at + 14))), c.y);
        EXPECT_EQ(int(std::int16_t(U16(d, at + 16))), c.width);
        EXPECT_EQ(int(std::int16_t(U16(d, at + 18))), c.height);
        EXPECT_EQ(std::int32_t(U32(d, at + 20)), c.id);
        // The class by atom; windres spells "Static" out, which Windows takes too.
        at += 24;
        if (U16(d, at) == 0xffffu) {
            EXPECT_EQ(U16(d, at + 2), expected[i].classAtom);
            at += 4;
        } else {
            std::string className = Utf16(d, &at);
            for (char& ch : className) ch = char(std::tolower(ch));
            EXPECT_EQ(className, expected[i].classAtom == 0x82 ? "static" : "button");
        }
        if (c.text == nullptr) {
            EXPECT_EQ(U16(d, at), 0xffffu);  // the bitmap by number
            EXPECT_EQ(int(U16(d, at + 2)), c.bitmapId);
            at += 4;
        } else {
            EXPECT_EQ(Utf16(d, &at), c.text);
        }
        EXPECT_EQ(U16(d, at), 0u);  // no creation data
        at += 2;
        EXPECT_EQ(c.tabStop, (expected[i].style & 0x00010000) != 0);
    }
}

}  // namespace
