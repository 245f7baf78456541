// Image files checked before DevIL sees them, and decoded by it after: every
// header field that sizes the decoder's work, hostile files of every format
// DevIL knows, and well-formed files of the four that are read.
#include <IL/il.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "model/image_header.h"
#include "model/texture_decode.h"
#include "support/image_files.h"

namespace {

class ImageFiles : public ::testing::Test {
protected:
    void SetUp() override { ilInit(); }
};

ImageCheck Check(const std::string& bytes, std::uint32_t maxSide = 4096) {
    return CheckImageFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), maxSide);
}

// `bytes` decoded by DevIL into an image of its own, bound while this lives.
struct Decoded {
    explicit Decoded(const std::string& bytes) {
        ilGenImages(1, &image);
        ilBindImage(image);
        ok = DecodeImageFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), 4096, &reason);
    }
    ~Decoded() { ilBindImage(0), ilDeleteImages(1, &image); }
    ILuint image = 0;
    bool ok = false;
    std::string reason;
};

std::string With(std::string bytes, size_t at, char value) {
    bytes.at(at) = value;
    return bytes;
}

TEST_F(ImageFiles, EveryFieldThatSizesTheDecoderIsChecked) {
    const std::string png = DevilFile(ImageFormat::Png, 8, 6, 4), jpeg = DevilFile(ImageFormat::Jpeg, 8, 6, 3);
    const std::string targa = DevilFile(ImageFormat::Targa, 8, 6, 4),
                      rle = DevilFile(ImageFormat::Targa, 8, 6, 3, true);
    const std::string bitmap = DevilFile(ImageFormat::Bitmap, 8, 6, 3);
    const std::string soi("\xff\xd8", 2), tables = soi + JpegSegment(0xdb, std::string(65, '\x01'));
    const std::string scan = JpegSegment(0xda, std::string("\x03\x01\x00\x02\x11\x03\x11\x00\x3f\x00", 10)) + "\x12";
    std::string scans100;  // a progressive JPEG may have no more
    for (int i = 0; i < 100; ++i) scans100 += scan;
    const std::string iend = PngChunk("IEND", "");
    auto idat = [](size_t bytes) { return PngChunk("IDAT", std::string(bytes, '\x01')); };
    auto tga = [](TargaFields f, size_t after) { return TargaHeader(f) + std::string(after, '\x01'); };
    TargaFields mapped, mapped16, noMap, trueMap, loose, wide, bits15, bits17, type4, grey16, flipped, noHeight;
    mapped.type = 1, mapped.mapType = 1, mapped.mapLength = 256, mapped.mapBits = 24, mapped.bits = 8;
    mapped.width = mapped.height = 8, mapped.descriptor = 0;
    mapped16 = mapped, mapped16.mapBits = 16;
    noMap = mapped, noMap.mapType = 0, noMap.mapLength = 0;
    trueMap = mapped, trueMap.type = 2, trueMap.bits = 24;
    loose.mapLength = 5;
    wide.width = 4097, wide.height = 1;
    TargaFields high = wide;
    high.width = 1, high.height = 4097;
    bits15.bits = 15, bits17.bits = 17, type4.type = 4, grey16.type = 3, grey16.bits = 16, flipped.descriptor = 0x18;
    noHeight.height = 0;
    TargaFields id10 = mapped, id80, mappedRle = mapped;
    mappedRle.type = 9;
    id10.idLength = 10, id80.idLength = 80;
    auto bmp = [](BitmapFields f, size_t after) { return BitmapHeader(f) + std::string(after, '\x02'); };
    BitmapFields b8, rle8, v4, os2, topDown, lowest, negative, planes, bits13, rleBits, fields, overlap, past;
    b8.bits = 8, b8.dataOffset = 54 + 1024;
    rle8 = b8, rle8.compression = 1, rle8.colours = 2, rle8.dataOffset = 62;
    v4.infoSize = 108, os2.infoSize = 12;
    topDown.height = static_cast<std::uint32_t>(-2), lowest.height = 0x80000000u;
    negative.width = static_cast<std::uint32_t>(-2), planes.planes = 2, bits13.bits = 13;
    rleBits.compression = 1, fields.compression = 3, fields.bits = 32, overlap = b8, overlap.dataOffset = 100;
    past.dataOffset = 100000;
    BitmapFields oneBit;
    oneBit.bits = 1, oneBit.width = oneBit.height = 4096, oneBit.dataOffset = 62;
    BitmapFields fields66 = fields;
    fields66.dataOffset = 66;

    const struct {
        const char* what;
        std::string bytes;
        std::uint32_t width, height;  // 0: refused
        const char* reason;           // part of the reason given
    } cases[] = {
        {"PNG as DevIL writes it", png, 8, 6, ""},
        {"PNG of 4096 x 4096 in 100 bytes", PngHeader(4096, 4096, 8, 6) + idat(31) + iend, 0, 0, "cut short"},
        {"PNG of 16 bits a channel, 2048 x 2048", PngHeader(2048, 2048, 16, 6) + idat(33000) + iend, 2048, 2048, ""},
        {"PNG of 2048 x 2048 packed beyond what deflate can", PngHeader(2048, 2048, 16, 6) + idat(32000) + iend, 0, 0,
         "cut short"},
        {"PNG of grey and alpha at its least", PngHeader(2048, 2048, 16, 4) + idat(16300) + iend, 2048, 2048, ""},
        {"PNG grey of 2 bits", PngHeader(8, 8, 2, 0) + idat(10) + iend, 8, 8, ""},
        {"PNG palette of 4 bits", PngHeader(8, 8, 4, 3) + idat(10) + iend, 8, 8, ""},
        {"PNG grey of 3 bits", PngHeader(8, 8, 3, 0) + idat(10) + iend, 0, 0, "bit depth 3"},
        {"PNG palette of 5 bits", PngHeader(8, 8, 5, 3) + idat(10) + iend, 0, 0, "bit depth 5"},
        {"PNG without IEND", PngHeader(8, 8) + idat(10), 0, 0, "cut short"},
        {"PNG without IDAT", PngHeader(8, 8) + iend, 0, 0, "cut short"},
        {"PNG, a chunk cut short", PngHeader(8, 8) + idat(10).substr(0, 15) + iend, 0, 0, "cut short"},
        {"PNG, a chunk without a name", PngHeader(8, 8) + With(idat(10), 5, 0) + iend, 0, 0, "without a name"},
        {"PNG, a chunk past the end", PngHeader(8, 8) + idat(10).substr(0, 20), 0, 0, "cut short"},
        {"PNG, a chunk of 2^31 bytes", PngHeader(8, 8) + "\x80" + idat(10).substr(1) + iend, 0, 0, "2147483658"},
        {"PNG cut after IHDR", png.substr(0, 50), 0, 0, ""},
        {"PNG palette of 16 bits", PngHeader(8, 8, 16, 3) + std::string(99, '\0'), 0, 0, "bit depth 16"},
        {"PNG colour type 5", PngHeader(8, 8, 8, 5) + std::string(99, '\0'), 0, 0, "colour type 5"},
        {"PNG interlace method 2", With(png, 28, 2), 0, 0, "interlace"},
        {"PNG with IHDR of 12 bytes", With(png, 11, 12), 0, 0, "IHDR"},
        {"PNG with another chunk first", With(png, 12, 'i'), 0, 0, "IHDR"},
        {"PNG signature alone", png.substr(0, 8), 0, 0, "cut short"},
        {"JPEG as DevIL writes it", jpeg, 8, 6, ""},
        {"JPEG cut inside its scan", jpeg.substr(0, jpeg.size() - 20), 8, 6, ""},
        {"JPEG, baseline 4096 x 4096", tables + JpegFrame(0xc0, 4096, 4096) + scan, 4096, 4096, ""},
        {"JPEG, progressive 4096 x 4096", tables + JpegFrame(0xc2, 4096, 4096) + scan, 4096, 4096, ""},
        {"JPEG, restart markers 0 and 7 between segments", tables + "\xff\xd0\xff\xd7" + JpegFrame(0xc0, 8, 8) + scan,
         8, 8, ""},
        {"JPEG of 100 scans", tables + JpegFrame(0xc2, 8, 8) + scans100, 8, 8, ""},
        {"JPEG of 101 scans", tables + JpegFrame(0xc2, 8, 8) + scans100 + scan, 0, 0, "more than 100 scans"},
        {"JPEG lossless (SOF3)", tables + JpegFrame(0xc3, 8, 8) + scan, 0, 0, "SOF3"},
        {"JPEG arithmetic coded (SOF9)", tables + JpegFrame(0xc9, 8, 8) + scan, 0, 0, "SOF9"},
        {"JPEG of 12-bit samples", With(tables + JpegFrame(0xc0, 8, 8) + scan, 75, 12), 0, 0, "12 bits"},
        {"JPEG of 4 components", tables + JpegFrame(0xc0, 8, 8, 4) + scan, 0, 0, "4 components"},
        {"JPEG frame longer than its components", With(tables + JpegFrame(0xc0, 8, 8) + scan, 74, 18), 0, 0,
         "frame header"},
        {"JPEG sampling factor 0", With(tables + JpegFrame(0xc0, 8, 8) + scan, 82, 0x10), 0, 0, "sampling"},
        {"JPEG quantisation table 4", With(tables + JpegFrame(0xc0, 8, 8) + scan, 83, 4), 0, 0, "table"},
        {"JPEG height 0 (set by a DNL)", tables + JpegFrame(0xc0, 8, 0) + scan, 0, 0, "no pixels"},
        {"JPEG scan before its frame", tables + scan + JpegFrame(0xc0, 8, 8) + scan, 0, 0, "scan before"},
        {"JPEG of two frames", tables + JpegFrame(0xc0, 8, 8) + JpegFrame(0xc0, 9, 9) + scan, 0, 0, "second"},
        {"JPEG without a scan", tables + JpegFrame(0xc0, 8, 8) + "\xff\xd9", 0, 0, "without a scan"},
        {"JPEG without a frame", tables + "\xff\xd9", 0, 0, "without a frame"},
        {"JPEG marker 0x02", soi + JpegSegment(0x02, "ab") + JpegFrame(0xc0, 8, 8) + scan, 0, 0, "0x02"},
        {"JPEG second SOI", soi + tables + JpegFrame(0xc0, 8, 8) + scan, 0, 0, "0xd8"},
        {"JPEG segment past the end", soi + "\xff\xe1\xff\xf0" + JpegFrame(0xc0, 8, 8), 0, 0, "cut short"},
        {"JPEG byte between segments", tables + "x" + JpegFrame(0xc0, 8, 8) + scan, 0, 0, "between"},
        {"Targa as DevIL writes it", targa, 8, 6, ""},
        {"Targa, run-length coded, as DevIL writes it", rle, 8, 6, ""},
        {"Targa, colour map of 256 entries", tga(mapped, 768 + 64), 8, 8, ""},
        {"Targa, colour map cut short", tga(mapped, 700), 0, 0, "cut short"},
        {"Targa, colour-mapped run-length coded in one packet", tga(mappedRle, 768 + 2), 8, 8, ""},
        {"Targa, colour map of 16 bits", tga(mapped16, 512 + 64), 0, 0, "16 bits"},
        {"Targa, colour-mapped without a map", tga(noMap, 64), 0, 0, "without a map"},
        {"Targa, colour map on true colour", tga(trueMap, 768 + 192), 0, 0, "uses none"},
        {"Targa, map length without a map", tga(loose, 16), 0, 0, "without a map"},
        {"Targa, 2 x 2 one byte short", tga(TargaFields{}, 15), 0, 0, "cut short"},
        {"Targa, 2 x 2 whole", tga(TargaFields{}, 16), 2, 2, ""},
        {"Targa with an ID of 10 bytes (as PCX starts)", tga(id10, 10 + 768 + 64), 8, 8, ""},
        {"Targa with an ID of 80 bytes (as PNM starts)", tga(id80, 80 + 16), 2, 2, ""},
        {"Targa 4097 wide", tga(wide, 4097 * 4), 0, 0, "4097 x 1 pixels"},
        {"Targa 4097 high in 100 bytes", tga(high, 100), 0, 0, "1 x 4097 pixels"},
        {"Targa of 15 bits", tga(bits15, 8), 2, 2, ""},
        {"Targa of 17 bits", tga(bits17, 64), 0, 0, "17 bits"},
        {"Targa type 4", tga(type4, 64), 0, 0, "not a PNG"},
        {"Targa grey of 16 bits", tga(grey16, 64), 0, 0, "16 bits"},
        {"Targa descriptor bit 4", tga(flipped, 64), 0, 0, "descriptor"},
        {"Targa without height", tga(noHeight, 64), 0, 0, "no pixels"},
        {"BMP as DevIL writes it", bitmap, 8, 6, ""},
        {"BMP of 8 bits", bmp(b8, 1024 + 8), 2, 2, ""},
        {"BMP run-length coded", bmp(rle8, 10), 2, 2, ""},
        {"BMP of 1 bit, 4096 x 4096", bmp(oneBit, 8 + 512 * 4096), 4096, 4096, ""},
        {"BMP v4 header", bmp(v4, 100), 0, 0, "108 bytes"},
        {"BMP OS/2 header", bmp(os2, 100), 0, 0, "12 bytes"},
        {"BMP top-down", bmp(topDown, 16), 2, 2, ""},
        {"BMP 2^31 high", bmp(lowest, 16), 0, 0, "2147483648 pixels"},
        {"BMP of negative width", bmp(negative, 16), 0, 0, "no pixels"},
        {"BMP of 2 planes", bmp(planes, 16), 0, 0, "2 planes"},
        {"BMP of 13 bits", bmp(bits13, 16), 0, 0, "13 bits"},
        {"BMP run-length coded 24 bits", bmp(rleBits, 16), 0, 0, "compression 1"},
        {"BMP bit fields inside the header", bmp(fields, 16), 0, 0, "overlap"},
        {"BMP bit fields before the pixels", bmp(fields66, 12 + 16), 2, 2, ""},
        {"BMP pixels inside its palette", bmp(overlap, 1100), 0, 0, "overlap"},
        {"BMP pixels past the end", bmp(past, 16), 0, 0, "cut short"},
        {"BMP header cut", bitmap.substr(0, 53), 0, 0, "cut short"},
        {"GIF", "GIF89a" + std::string(40, '\0'), 0, 0, "a GIF image"},
        {"PCX of version 2, its first 4 bytes", "\x0a\x02\x01\x08", 0, 0, "a PCX image"},
        {"text", "just some words, nothing more", 0, 0, "not a PNG, JPEG, Targa or BMP image"},
    };
    for (const auto& c : cases) {
        const ImageCheck check = Check(c.bytes);
        EXPECT_EQ(check.accepted, c.width != 0) << c.what << ": " << check.reason;
        EXPECT_EQ(std::make_pair(check.width, check.height), std::make_pair(c.width, c.height)) << c.what;
        EXPECT_NE(check.reason.find(c.reason), std::string::npos) << c.what << ": " << check.reason;
    }
    EXPECT_EQ(Check(targa, 7).reason, "8 x 6 pixels, at most 7 x 7") << "the OpenGL maximum counts too";
    // beyond 4096 pixels a side, a progressive JPEG's coefficients count too
    EXPECT_TRUE(Check(tables + JpegFrame(0xc0, 4097, 4090) + scan, 8192).accepted);
    EXPECT_EQ(Check(tables + JpegFrame(0xc2, 4097, 4090) + scan, 8192).reason,
              "progressive JPEG of 4097 x 4090 pixels would take 97 MiB to decode, at most 96");
}

// Each hostile file is refused before decoding, but for the well-formed ones
// cut in half, which the decoder reads as far as they go or refuses; every
// well-formed file of the four formats decodes to the size it declares.
TEST_F(ImageFiles, HostileFilesAreRefusedAndWellFormedOnesDecode) {
    const std::pair<const char*, const char*> named[] = {
        {"cut.psd", "a PSD image"},
        {"huge.psd", "a PSD image"},
        {"huge.pcx", "a PCX image"},
        {"huge.sgi", "a SGI image"},
        {"huge.tif", "a TIFF image"},
        {"huge.hdr", "a Radiance HDR image"},
        {"huge.png", "16384 x 16384 pixels, at most 4096 x 4096"},
        {"huge.jpg", "16384 x 16384"},
        {"deep.png", "would take 128 MiB to decode, at most 64"},
        {"colour-map.tga", "colour map of 65535 entries, at most 256"},
        {"lying.png", "cut short"},
        {"lying.tga", "cut short"},
        {"lying-rle.tga", "cut short"},
        {"lying.bmp", "cut short"},
        {"palette.bmp", "palette of 1073741824 colours"},
        {"endless.png", "cut short"},
        {"empty.png", "empty"},
    };
    for (const NamedFile& f : HostileImageFiles()) {
        const Decoded d(f.bytes);
        if (f.name.rfind("cut", 0) == 0 && f.name != "cut.psd") {
            EXPECT_EQ(d.ok ? ilGetInteger(IL_IMAGE_WIDTH) * ilGetInteger(IL_IMAGE_HEIGHT) : 64 * 64, 64 * 64) << f.name;
        } else {
            const ImageCheck check = Check(f.bytes);
            EXPECT_EQ(std::make_tuple(check.accepted, check.width, check.height, d.ok, d.reason),
                      std::make_tuple(false, 0u, 0u, false, check.reason))
                << f.name;
        }
        EXPECT_EQ(d.ok, d.reason.empty()) << f.name;
        for (const auto& n : named)
            EXPECT_TRUE(f.name != n.first || d.reason.find(n.second) != std::string::npos)
                << f.name << ": " << d.reason;
    }
    for (ImageFormat format : {ImageFormat::Png, ImageFormat::Jpeg, ImageFormat::Targa, ImageFormat::Bitmap}) {
        for (int channels : {1, 3, 4}) {
            const Decoded d(DevilFile(format, 33, 17, channels, channels == 3));
            EXPECT_TRUE(d.ok) << int(format) << " " << channels << ": " << d.reason;
            EXPECT_EQ(std::make_pair(ilGetInteger(IL_IMAGE_WIDTH), ilGetInteger(IL_IMAGE_HEIGHT)),
                      std::make_pair(33, 17));
        }
    }
    // 16-bit Targa files, run-length coded and cut in their pixels (DevIL
    // read one as BGR of 2 bytes a pixel) or not, decode to pixels as large
    // as their format says, or not at all
    for (int type : {2, 10}) {
        const TargaFields f{type, 0, 0, 0, 1, 16, 16, 0x20};  // 1 x 16 pixels of 16 bits, top row first
        const Decoded d(TargaHeader(f) + (type == 2 ? std::string(32, '\x40') : "\x08\x40\x50\x00\x40"));
        if (d.ok) {
            EXPECT_EQ(ilGetInteger(IL_IMAGE_SIZE_OF_DATA), 16 * ilGetInteger(IL_IMAGE_BPP)) << type;
            EXPECT_EQ(ilGetInteger(IL_IMAGE_BPP), ilGetInteger(IL_IMAGE_FORMAT) == IL_BGRA ? 4 : 3) << type;
        }
    }
}

// A pixel may hold any index; past a short palette it reads black, never
// whatever lies after the palette.
TEST_F(ImageFiles, IndicesPastAShortPaletteReadBlack) {
    const TargaFields f{1, 1, 2, 24, 4, 1, 8, 0};  // a map of 2 entries of 24 bits; 4 x 1 pixels of 8 bits
    const Decoded d(TargaHeader(f) + "\x10\x20\x30\x40\x50\x60" + std::string("\x00\x01\xc8\xff", 4));
    ASSERT_TRUE(d.ok) << d.reason;
    EXPECT_EQ(ilGetInteger(IL_PALETTE_NUM_COLS), 256);
    ASSERT_TRUE(ilConvertImage(IL_RGB, IL_UNSIGNED_BYTE));
    const ILubyte* rgb = ilGetData();
    const std::string pixels(reinterpret_cast<const char*>(rgb), 12);
    EXPECT_EQ(pixels, std::string("\x30\x20\x10\x60\x50\x40", 6) + std::string(6, '\0'));
}

}  // namespace
