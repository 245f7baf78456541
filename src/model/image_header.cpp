#include "model/image_header.h"

#include <algorithm>
#include <cstring>

namespace {

std::uint32_t Big16(const std::uint8_t* p) { return std::uint32_t{p[0]} << 8 | p[1]; }
std::uint32_t Big32(const std::uint8_t* p) { return Big16(p) << 16 | Big16(p + 2); }
std::uint32_t Little16(const std::uint8_t* p) { return std::uint32_t{p[1]} << 8 | p[0]; }
std::uint32_t Little32(const std::uint8_t* p) { return Little16(p + 2) << 16 | Little16(p); }

bool Found(std::uint32_t width, std::uint32_t height, ImageSize* imageSize) {
    if (width == 0 || height == 0) return false;
    *imageSize = {width, height};
    return true;
}

// libpng takes the size from IHDR, which must be the first chunk, and
// refuses sides of 2^31 and more.
bool PngSize(const std::uint8_t* bytes, std::size_t size, ImageSize* imageSize) {
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (size < 24 || std::memcmp(bytes, kSignature, 8) != 0) return false;
    if (Big32(bytes + 8) != 13 || std::memcmp(bytes + 12, "IHDR", 4) != 0) return false;
    const std::uint32_t width = Big32(bytes + 16), height = Big32(bytes + 20);
    if (width > 0x7fffffffu || height > 0x7fffffffu) return false;
    return Found(width, height, imageSize);
}

bool IsFrameHeader(std::uint8_t marker) {
    // SOF0 to SOF15 but DHT (C4), JPG (C8) and DAC (CC)
    return marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
}

// Walks the markers from SOI to the first frame header, where libjpeg takes
// the size. Anything libjpeg would only put up with (bytes between segments)
// or that comes before a frame where none may (scan, end, a second SOI) is
// refused.
bool JpegSize(const std::uint8_t* bytes, std::size_t size, ImageSize* imageSize) {
    if (size < 2 || bytes[0] != 0xff || bytes[1] != 0xd8) return false;
    std::size_t at = 2;
    for (;;) {
        if (at >= size || bytes[at] != 0xff) return false;
        while (at < size && bytes[at] == 0xff) ++at;  // fill bytes
        if (at >= size) return false;
        const std::uint8_t marker = bytes[at++];
        if ((marker >= 0xd0 && marker <= 0xd7) || marker == 0x01) continue;  // no length
        if (marker == 0x00 || marker == 0xd8 || marker == 0xd9 || marker == 0xda) return false;
        if (size - at < 2) return false;
        const std::uint32_t length = Big16(bytes + at);
        if (IsFrameHeader(marker)) {
            // length, precision, height, width
            if (length < 8 || size - at < 7) return false;
            return Found(Big16(bytes + at + 5), Big16(bytes + at + 3), imageSize);
        }
        if (length < 2) return false;
        at += length;
    }
}

bool TargaSize(const std::uint8_t* bytes, std::size_t size, ImageSize* imageSize) {
    if (size < 18) return false;
    return Found(Little16(bytes + 12), Little16(bytes + 14), imageSize);
}

// DevIL reads a BMP with a 40-byte info header as a Windows one (32-bit
// signed sides, a negative height for top-down rows) and falls back to the
// OS/2 reading (16-bit sides) for every header it doesn't take so, whatever
// its length says.
bool BitmapSize(const std::uint8_t* bytes, std::size_t size, ImageSize* imageSize) {
    if (size < 26 || bytes[0] != 'B' || bytes[1] != 'M') return false;
    const std::uint32_t infoSize = Little32(bytes + 14);
    std::uint32_t width = Little16(bytes + 18), height = Little16(bytes + 20);
    if (infoSize != 12) {
        const std::int64_t wide = static_cast<std::int32_t>(Little32(bytes + 18));
        const std::int64_t high = static_cast<std::int32_t>(Little32(bytes + 22));
        if (wide >= 1 && high != 0) {
            width = std::max<std::uint32_t>(width, static_cast<std::uint32_t>(wide));
            height = std::max<std::uint32_t>(height, static_cast<std::uint32_t>(high < 0 ? -high : high));
        } else if (infoSize == 40) {
            return false;
        }
    }
    return Found(width, height, imageSize);
}

}  // namespace

bool ReadImageSize(ImageFormat format, const std::uint8_t* bytes, std::size_t size, ImageSize* imageSize) {
    if (bytes == nullptr) return false;
    switch (format) {
        case ImageFormat::Png:
            return PngSize(bytes, size, imageSize);
        case ImageFormat::Jpeg:
            return JpegSize(bytes, size, imageSize);
        case ImageFormat::Targa:
            return TargaSize(bytes, size, imageSize);
        case ImageFormat::Bitmap:
            return BitmapSize(bytes, size, imageSize);
    }
    return false;
}
