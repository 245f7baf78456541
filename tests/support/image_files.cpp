#include "support/image_files.h"

#include <IL/il.h>

#include "model/texture_decode.h"
#include "support/temp_dir.h"

static std::string Little(std::uint32_t value, int bytes) {
    std::string out;
    for (int k = 0; k < bytes; ++k) out += static_cast<char>(value >> 8 * k);
    return out;
}

static std::string Big(std::uint32_t value, int bytes) {
    std::string out;
    for (int k = bytes - 1; k >= 0; --k) out += static_cast<char>(value >> 8 * k);
    return out;
}

std::string DevilFile(ImageFormat format, int width, int height, int channels, bool rle) {
    std::vector<ILubyte> pixels(static_cast<size_t>(width) * height * channels);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<ILubyte>(i * 7 / channels + i % channels * 60);
    const ILenum layout = channels == 1 ? IL_LUMINANCE : channels == 3 ? IL_RGB : IL_RGBA;
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    std::string file;
    if (ilTexImage(width, height, 1, static_cast<ILubyte>(channels), layout, IL_UNSIGNED_BYTE, pixels.data())) {
        // through a file: the size ilSaveL returns is not always the size written
        const TempDir dir;
        ilSetInteger(IL_TGA_RLE, rle ? IL_TRUE : IL_FALSE);
        if (ilSave(DevilType(format), (dir.Path() + "/image").c_str())) file = ReadFileBytes(dir.Path() + "/image");
        ilSetInteger(IL_TGA_RLE, IL_FALSE);
    }
    ilBindImage(0);
    ilDeleteImages(1, &image);
    return file;
}

std::string PngHeader(std::uint32_t width, std::uint32_t height, int depth, int colourType) {
    return std::string("\x89PNG\r\n\x1a\n", 8) + Big(13, 4) + "IHDR" + Big(width, 4) + Big(height, 4) +
           static_cast<char>(depth) + static_cast<char>(colourType) + std::string(3, '\0') + Big(0, 4);
}

std::string PngChunk(const std::string& type, const std::string& data) {
    return Big(static_cast<std::uint32_t>(data.size()), 4) + type + data + Big(0, 4);
}

std::string JpegSegment(int marker, const std::string& body) {
    return std::string{'\xff', static_cast<char>(marker)} + Big(static_cast<std::uint32_t>(body.size()) + 2, 2) + body;
}

std::string JpegFrame(int marker, int width, int height, int components) {
    std::string body = "\x08" + Big(height, 2) + Big(width, 2) + static_cast<char>(components);
    for (int c = 0; c < components; ++c) body += std::string{static_cast<char>(c + 1), '\x11', '\0'};
    return JpegSegment(marker, body);
}

std::string TargaHeader(const TargaFields& f) {
    return static_cast<char>(f.idLength) + std::string{static_cast<char>(f.mapType), static_cast<char>(f.type)} +
           Little(0, 2) + Little(f.mapLength, 2) + static_cast<char>(f.mapBits) + Little(0, 4) + Little(f.width, 2) +
           Little(f.height, 2) + static_cast<char>(f.bits) + static_cast<char>(f.descriptor);
}

std::string BitmapHeader(const BitmapFields& f) {
    return "BM" + Little(0, 4) + Little(0, 4) + Little(f.dataOffset, 4) + Little(f.infoSize, 4) + Little(f.width, 4) +
           Little(f.height, 4) + Little(f.planes, 2) + Little(f.bits, 2) + Little(f.compression, 4) +
           std::string(12, '\0') + Little(f.colours, 4) + Little(0, 4);
}

std::vector<NamedFile> HostileImageFiles() {
    const std::string psd26 = "8BPS" + Big(1, 2) + std::string(6, '\0') + Big(3, 2);  // + sides, depth, mode
    std::string tiff = std::string("II*\0", 4) + Little(8, 4);
    const std::uint32_t tiffTags[][2] = {{256, 16384}, {257, 16384}, {258, 8},     {259, 1}, {262, 2},
                                         {273, 200},   {277, 3},     {278, 16384}, {279, 16}};
    tiff += Little(9, 2);
    for (const auto& tag : tiffTags) tiff += Little(tag[0], 2) + Little(4, 2) + Little(1, 4) + Little(tag[1], 4);
    tiff += Little(0, 4) + std::string(16, '\x55');
    std::string pcx = "\x0a\x05\x01\x08" + Little(0, 4) + Little(16383, 2) + Little(16383, 2);
    pcx += std::string(128 - pcx.size(), '\0');
    pcx[65] = 3, pcx[66] = 0, pcx[67] = 0x40;  // 3 planes of 16384 bytes a line
    std::string sgi = std::string("\x01\xda\x00\x01", 4) + Big(3, 2) + Big(16384, 2) + Big(16384, 2) + Big(4, 2);
    sgi += std::string(512 - sgi.size(), '\0') + std::string(64, '\x10');

    // Fields in the order the header's structs list them.
    const TargaFields colourMapped{1, 1, 65535, 24, 64, 64, 8, 0};  // a map of 65535 entries of 24 bits
    const TargaFields bigTarga{2, 0, 0, 0, 4096, 4096}, bigRle{10, 0, 0, 0, 4096, 4096};
    const BitmapFields bigBitmap{40, 4096, 4096}, paletteBitmap{40, 2, 2, 1, 8, 0, 0x40000000};
    const BitmapFields v4Bitmap{108, 0xffffffffu, 0xffff0001u};  // read as OS/2, 16-bit sides of 65535

    const std::string jpegStart = std::string("\xff\xd8", 2) + JpegSegment(0xdb, std::string(65, '\x01'));
    const std::string scan = JpegSegment(0xda, std::string("\x03\x01\x00\x02\x11\x03\x11\x00\x3f\x00", 10));
    std::vector<NamedFile> files = {
        {"cut.psd", psd26 + Big(64, 4) + Big(64, 4) + Big(8, 2) + Big(3, 2) + std::string(14, '\0')},
        {"colour-map.tga", TargaHeader(colourMapped) + std::string(100, '\x07')},
        {"huge.pcx", pcx + std::string(64, '\xc1')},
        {"huge.psd", psd26 + Big(16384, 4) + Big(16384, 4) + Big(8, 2) + Big(3, 2) + std::string(14, '\0')},
        {"huge.sgi", sgi},
        {"huge.tif", tiff},
        {"huge.hdr", "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 16384 +X 16384\n" + std::string(64, '\x02')},
        {"huge.png", PngHeader(16384, 16384) + std::string(64, '\0')},
        {"lying.png", PngHeader(4096, 4096, 8, 6) + Big(20, 4) + "IDAT" + std::string(24, '\0')},
        {"deep.png", PngHeader(4096, 4096, 16, 6) + std::string(200000, '\0')},
        {"huge.jpg", jpegStart + JpegFrame(0xc0, 16384, 16384) + scan},
        {"lying.tga", TargaHeader(bigTarga) + std::string(1000, '\x40')},
        {"lying-rle.tga", TargaHeader(bigRle) + std::string(1000, '\x40')},
        {"lying.bmp", BitmapHeader(bigBitmap) + std::string(1000, '\x40')},
        {"palette.bmp", BitmapHeader(paletteBitmap) + std::string(1000, '\x40')},
        {"v4.bmp", BitmapHeader(v4Bitmap) + std::string(1000, '\x40')},
        {"empty.png", ""},
    };
    // well-formed files cut in half
    const struct {
        const char* name;
        ImageFormat format;
        int channels;
        bool rle;
    } cut[] = {{"cut.png", ImageFormat::Png, 4, false},
               {"cut.jpg", ImageFormat::Jpeg, 3, false},
               {"cut.tga", ImageFormat::Targa, 4, false},
               {"cut-rle.tga", ImageFormat::Targa, 3, true},
               {"cut.bmp", ImageFormat::Bitmap, 3, false}};
    for (const auto& c : cut) {
        const std::string whole = DevilFile(c.format, 64, 64, c.channels, c.rle);
        files.push_back({c.name, whole.substr(0, whole.size() / 2)});
    }
    // cut inside a text chunk before the pixels: libpng, fed by DevIL, read
    // the same bytes for ever
    files.push_back({"endless.png", DevilFile(ImageFormat::Png, 64, 64, 4).substr(0, 130)});
    return files;
}
