#include "model/image_header.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

std::uint32_t Big16(const std::uint8_t* p) { return std::uint32_t{p[0]} << 8 | p[1]; }
std::uint32_t Big32(const std::uint8_t* p) { return Big16(p) << 16 | Big16(p + 2); }
std::uint32_t Little16(const std::uint8_t* p) { return std::uint32_t{p[1]} << 8 | p[0]; }
std::uint32_t Little32(const std::uint8_t* p) { return Little16(p + 2) << 16 | Little16(p); }

ImageCheck Refuse(const char* format, ...) __attribute__((format(printf, 1, 2)));
ImageCheck Refuse(const char* format, ...) {
    char text[128];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    ImageCheck check;
    check.reason = text;
    return check;
}

const char kCutShort[] = "cut short: the file holds less than its header declares";

// The checks every format shares: sides, then the memory decoding takes.
ImageCheck Accept(ImageFormat format, std::uint64_t width, std::uint64_t height, std::uint32_t maxSide,
                  std::uint64_t decodedBytes) {
    if (width == 0 || height == 0) return Refuse("no pixels");
    if (width > maxSide || height > maxSide) {
        return Refuse("%u x %u pixels, at most %u x %u", static_cast<unsigned>(width), static_cast<unsigned>(height),
                      maxSide, maxSide);
    }
    if (decodedBytes > kMaxDecodedImageBytes) {
        return Refuse("%u x %u pixels would take %u MiB to decode, at most %u", static_cast<unsigned>(width),
                      static_cast<unsigned>(height), static_cast<unsigned>((decodedBytes + (1 << 20) - 1) >> 20),
                      static_cast<unsigned>(kMaxDecodedImageBytes >> 20));
    }
    ImageCheck check;
    check.accepted = true;
    check.format = format;
    check.width = static_cast<std::uint32_t>(width);
    check.height = static_cast<std::uint32_t>(height);
    return check;
}

// PNG: the IHDR chunk, which must come first, and every chunk after it whole
// in the file up to IEND: DevIL hands libpng the bytes past the end of a file
// as if they repeated, which makes it read a cut chunk for ever. Decoded, an
// image takes at most four channels (a palette's colours expanded) of its
// bit depth rounded up to a byte. Deflate packs at most 1032 bytes into one,
// so the pixel rows (filter byte each) need a 1032nd of their size in the
// IDAT chunks.
ImageCheck CheckPng(const std::uint8_t* bytes, std::size_t size, std::uint32_t maxSide) {
    if (size < 8 + 25 + 12) return Refuse("%s", kCutShort);
    if (Big32(bytes + 8) != 13 || std::memcmp(bytes + 12, "IHDR", 4) != 0) return Refuse("no PNG header (IHDR)");
    const std::uint64_t width = Big32(bytes + 16), height = Big32(bytes + 20);
    const unsigned depth = bytes[24], colourType = bytes[25];
    unsigned channels = 0;
    bool depthOk = depth == 8 || depth == 16;
    switch (colourType) {
        case 0:  // grey
            channels = 1;
            depthOk = depthOk || depth == 1 || depth == 2 || depth == 4;
            break;
        case 2:  // RGB
            channels = 3;
            break;
        case 3:  // palette
            channels = 1;
            depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8;
            break;
        case 4:  // grey and alpha
            channels = 2;
            break;
        case 6:  // RGBA
            channels = 4;
            break;
        default:
            return Refuse("PNG colour type %u", colourType);
    }
    if (!depthOk) return Refuse("PNG bit depth %u with colour type %u", depth, colourType);
    if (bytes[26] != 0 || bytes[27] != 0 || bytes[28] > 1) return Refuse("PNG compression, filter or interlace method");
    const ImageCheck check =
        Accept(ImageFormat::Png, width, height, maxSide, width * height * 4 * (depth == 16 ? 2 : 1));
    if (!check.accepted) return check;
    std::uint64_t imageData = 0;
    bool ended = false;
    for (std::size_t at = 33; !ended;) {
        if (size - at < 12) return Refuse("%s", kCutShort);
        const std::uint32_t length = Big32(bytes + at);
        if (length > 0x7fffffffu) return Refuse("PNG chunk of %u bytes", length);
        if (size - at - 12 < length) return Refuse("%s", kCutShort);
        for (int k = 4; k < 8; ++k) {
            const std::uint8_t c = bytes[at + k] | 0x20;
            if (c < 'a' || c > 'z') return Refuse("PNG chunk without a name");
        }
        if (std::memcmp(bytes + at + 4, "IDAT", 4) == 0) imageData += length;
        ended = std::memcmp(bytes + at + 4, "IEND", 4) == 0;
        at += 12 + std::size_t{length};
    }
    const std::uint64_t rowBytes = 1 + (width * channels * depth + 7) / 8;
    if (imageData == 0 || imageData < rowBytes * height / 1032) return Refuse("%s", kCutShort);
    return check;
}

bool IsFrameHeader(std::uint8_t marker) {
    // SOF0 to SOF15 but DHT (C4), JPG (C8) and DAC (CC)
    return marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
}

// JPEG: every marker from SOI on, the entropy-coded data of each scan skipped
// up to the next marker. One frame, baseline, extended or progressive
// Huffman coding of 8-bit samples, grey or colour, before its first scan.
// A progressive decoder keeps every block's coefficients (two bytes each) as
// well as the image.
ImageCheck CheckJpeg(const std::uint8_t* bytes, std::size_t size, std::uint32_t maxSide) {
    std::size_t at = 2;
    std::uint64_t width = 0, height = 0, components = 0;
    bool progressive = false;
    int scans = 0;
    for (;;) {
        if (at >= size) break;  // a file cut after its last marker decodes as far as it goes
        if (bytes[at] != 0xff) return Refuse("JPEG bytes between its segments");
        while (at < size && bytes[at] == 0xff) ++at;  // fill bytes
        if (at >= size) break;
        const std::uint8_t marker = bytes[at++];
        if (marker >= 0xd0 && marker <= 0xd7) continue;  // restart markers have no length
        if (marker == 0xd9) break;                       // EOI
        if (marker == 0x00 || marker == 0x01 || marker == 0xd8)
            return Refuse("JPEG marker 0x%02x out of place", marker);
        if (size - at < 2) return Refuse("%s", kCutShort);
        const std::size_t length = Big16(bytes + at);
        if (length < 2 || length > size - at) return Refuse("%s", kCutShort);
        const std::uint8_t* body = bytes + at + 2;
        if (IsFrameHeader(marker)) {
            if (components != 0) return Refuse("a second JPEG frame");
            if (marker > 0xc2) return Refuse("JPEG coding SOF%d, only baseline and progressive", marker - 0xc0);
            if (length < 8) return Refuse("%s", kCutShort);
            components = body[5];
            if (body[0] != 8) return Refuse("JPEG samples of %u bits", body[0]);
            if (components != 1 && components != 3) {
                return Refuse("JPEG of %u components", static_cast<unsigned>(components));
            }
            if (length != 8 + 3 * components)
                return Refuse("JPEG frame header of %u bytes", static_cast<unsigned>(length));
            for (std::uint64_t c = 0; c < components; ++c) {
                const std::uint8_t sampling = body[7 + 3 * c], table = body[8 + 3 * c];
                if ((sampling >> 4) < 1 || (sampling >> 4) > 4 || (sampling & 15) < 1 || (sampling & 15) > 4 ||
                    table > 3) {
                    return Refuse("JPEG component sampling or table out of range");
                }
            }
            height = Big16(body + 1);
            width = Big16(body + 3);
            progressive = marker == 0xc2;
            // a height of 0 (set later by a DNL) is refused as no pixels
        } else if (marker == 0xda) {
            if (components == 0) return Refuse("JPEG scan before its frame");
            if (++scans > kMaxJpegScans) return Refuse("JPEG of more than %d scans", kMaxJpegScans);
            // entropy-coded data: up to a marker other than a stuffed zero
            // or a restart marker
            at += length;
            while (at + 1 < size && !(bytes[at] == 0xff && bytes[at + 1] != 0 && bytes[at + 1] != 0xff &&
                                      (bytes[at + 1] < 0xd0 || bytes[at + 1] > 0xd7))) {
                ++at;
            }
            if (at + 1 >= size) break;
            continue;
        } else if (marker != 0xc4 && marker != 0xdb && marker != 0xdd && (marker < 0xe0 || marker > 0xef) &&
                   marker != 0xfe) {
            // tables (DHT, DQT), restart interval, application data and
            // comments; nothing else comes before or between scans
            return Refuse("JPEG marker 0x%02x", marker);
        }
        at += length;
    }
    if (components == 0) return Refuse("JPEG without a frame header");
    if (scans == 0) return Refuse("JPEG without a scan");
    // blocks of the largest MCU (4 x 4 blocks of 8 pixels) cover the image
    const std::uint64_t coefficients =
        progressive ? (width + 31) / 32 * 32 * ((height + 31) / 32 * 32) * components * 2 : 0;
    ImageCheck check = Accept(ImageFormat::Jpeg, width, height, maxSide, width * height * 4);
    if (check.accepted && coefficients > kMaxJpegCoefficientBytes) {
        return Refuse("progressive JPEG of %u x %u pixels would take %u MiB to decode, at most %u",
                      static_cast<unsigned>(width), static_cast<unsigned>(height),
                      static_cast<unsigned>((coefficients + (1 << 20) - 1) >> 20),
                      static_cast<unsigned>(kMaxJpegCoefficientBytes >> 20));
    }
    return check;
}

// Targa: no signature, so the header must hold together as a whole: an image
// type, its pixel depth, a colour map of at most 256 entries of 24 or 32 bits
// where the type uses one and none elsewhere, and the identification, the colour map and the
// pixels (at least one run packet of 128 pixels when run-length coded) in the
// file.
ImageCheck CheckTarga(const std::uint8_t* bytes, std::size_t size, std::uint32_t maxSide) {
    if (size < 18) return Refuse("not a PNG, JPEG, Targa or BMP image");
    const unsigned idLength = bytes[0], mapType = bytes[1], type = bytes[2];
    const unsigned mapLength = Little16(bytes + 5), mapBits = bytes[7];
    const std::uint64_t width = Little16(bytes + 12), height = Little16(bytes + 14);
    const unsigned bits = bytes[16], descriptor = bytes[17];
    const unsigned base = type & ~8u;
    if (mapType > 1 || (type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11)) {
        return Refuse("not a PNG, JPEG, Targa or BMP image");
    }
    if (base == 1 && (mapType != 1 || bits != 8)) return Refuse("Targa colour-mapped image without a map of 8 bits");
    if (base == 2 && bits != 15 && bits != 16 && bits != 24 && bits != 32) return Refuse("Targa of %u bits", bits);
    if (base == 3 && bits != 8) return Refuse("Targa grey image of %u bits", bits);
    if (mapType == 1 && base != 1) return Refuse("Targa colour map on an image that uses none");
    if (mapType == 0 && (mapLength != 0 || Little16(bytes + 3) != 0)) return Refuse("Targa colour map without a map");
    if (mapType == 1) {
        if (mapBits != 24 && mapBits != 32) return Refuse("Targa colour map of %u bits", mapBits);
        if (mapLength < 1 || mapLength > 256) return Refuse("Targa colour map of %u entries, at most 256", mapLength);
    }
    if (descriptor & 0xd0) return Refuse("Targa image descriptor 0x%02x", descriptor);
    const std::uint64_t headerBytes = 18 + idLength + (mapType == 1 ? mapLength * (mapBits / 8) : 0);
    const std::uint64_t pixelBytes = (bits + 7) / 8, pixels = width * height;
    const std::uint64_t least = type >= 9 ? (pixels + 127) / 128 * (1 + pixelBytes) : pixels * pixelBytes;
    if (width > maxSide || height > maxSide) return Accept(ImageFormat::Targa, width, height, maxSide, 0);
    if (size < headerBytes + least) return Refuse("%s", kCutShort);
    return Accept(ImageFormat::Targa, width, height, maxSide, pixels * 4);
}

// BMP: the Windows header of 40 bytes only (DevIL reads no other reliably),
// one plane, a bit count its compression allows, at most the colours of its
// bits, the palette before the pixels and, uncompressed, every row in the
// file.
ImageCheck CheckBitmap(const std::uint8_t* bytes, std::size_t size, std::uint32_t maxSide) {
    if (size < 54) return Refuse("%s", kCutShort);
    const std::uint32_t dataOffset = Little32(bytes + 10), infoSize = Little32(bytes + 14);
    if (infoSize != 40) return Refuse("BMP info header of %u bytes, only of 40", infoSize);
    const std::int64_t width = static_cast<std::int32_t>(Little32(bytes + 18));
    const std::int64_t signedHeight = static_cast<std::int32_t>(Little32(bytes + 22));
    const std::uint64_t height = signedHeight < 0 ? -signedHeight : signedHeight;
    const unsigned planes = Little16(bytes + 26), bits = Little16(bytes + 28);
    const std::uint32_t compression = Little32(bytes + 30), colours = Little32(bytes + 46);
    if (width < 0) return Refuse("no pixels");
    if (planes != 1) return Refuse("BMP of %u planes", planes);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        return Refuse("BMP of %u bits", bits);
    }
    const bool compressionOk = compression == 0 || (compression == 1 && bits == 8) || (compression == 2 && bits == 4) ||
                               (compression == 3 && (bits == 16 || bits == 32));
    if (!compressionOk) return Refuse("BMP compression %u with %u bits", compression, bits);
    std::uint64_t paletteBytes = 0;
    if (bits <= 8) {
        if (colours > (1u << bits)) return Refuse("BMP palette of %u colours for %u bits", colours, bits);
        paletteBytes = (bits == 8 && colours != 0 ? colours : 1u << bits) * 4;
    }
    const std::uint64_t pixelsStart = 54 + (compression == 3 ? 12 : paletteBytes);
    if (dataOffset < pixelsStart) return Refuse("BMP pixels overlap its header");
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
    const std::uint64_t least = compression == 1 || compression == 2 ? 2 : rowBytes * height;
    if (static_cast<std::uint64_t>(width) > maxSide || height > maxSide) {
        return Accept(ImageFormat::Bitmap, static_cast<std::uint64_t>(width), height, maxSide, 0);
    }
    if (size < dataOffset || size - dataOffset < least) return Refuse("%s", kCutShort);
    return Accept(ImageFormat::Bitmap, static_cast<std::uint64_t>(width), height, maxSide,
                  static_cast<std::uint64_t>(width) * height * 4);
}

bool StartsWith(const std::uint8_t* bytes, std::size_t size, const char* magic, std::size_t length) {
    return size >= length && std::memcmp(bytes, magic, length) == 0;
}

// Formats DevIL would decode that are refused by name; none of these is a
// well-formed Targa header.
const char* OtherFormat(const std::uint8_t* bytes, std::size_t size) {
    static const struct {
        const char* magic;
        std::size_t length;
        const char* name;
    } kFormats[] = {
        {"8BPS", 4, "PSD"},
        {"II*\0", 4, "TIFF"},
        {"MM\0*", 4, "TIFF"},
        {"\x01\xda", 2, "SGI"},
        {"#?", 2, "Radiance HDR"},
        {"GIF8", 4, "GIF"},
        {"DDS ", 4, "DDS"},
        {"\x76\x2f\x31\x01", 4, "OpenEXR"},
        {"\0\0\0\x0cjP  ", 8, "JPEG 2000"},
        {"\xffO\xffQ", 4, "JPEG 2000"},
        {"\x8aMNG", 4, "MNG"},
        {"FORM", 4, "IFF"},
    };
    for (const auto& f : kFormats) {
        if (StartsWith(bytes, size, f.magic, f.length)) return f.name;
    }
    if (size >= 4 && bytes[0] == 0x0a && bytes[1] <= 5 && bytes[1] != 1 && bytes[2] <= 1) return "PCX";
    if (size >= 2 && bytes[0] == 'P' && bytes[1] >= '1' && bytes[1] <= '7') return "PNM";
    return nullptr;
}

}  // namespace

ImageCheck CheckImageFile(const std::uint8_t* bytes, std::size_t size, std::uint32_t maxSide) {
    if (bytes == nullptr || size == 0) return Refuse("empty");
    if (StartsWith(bytes, size, "\x89PNG\r\n\x1a\n", 8)) return CheckPng(bytes, size, maxSide);
    if (StartsWith(bytes, size, "\xff\xd8", 2)) return CheckJpeg(bytes, size, maxSide);
    if (StartsWith(bytes, size, "BM", 2)) return CheckBitmap(bytes, size, maxSide);
    if (const char* other = OtherFormat(bytes, size)) {
        return Refuse("a %s image; only PNG, JPEG, Targa and BMP are read", other);
    }
    return CheckTarga(bytes, size, maxSide);
}
