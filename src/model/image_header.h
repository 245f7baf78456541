// The checks an image file passes before any decoder sees it. Only PNG, JPEG,
// Targa and BMP are read, and only when every header field that sizes an
// allocation or a loop of the decoder is in range and, where the format
// tells, the file holds the bytes the header declares; everything else is
// refused with a reason, so that no file can cost more than one decoded
// image of the largest size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class ImageFormat { Png, Jpeg, Targa, Bitmap };

// The most memory one decoded image may take: a 4096 x 4096 RGBA image, a
// 16-bit PNG counting two bytes a channel.
constexpr std::uint64_t kMaxDecodedImageBytes = std::uint64_t{4096} * 4096 * 4;
// What a progressive JPEG decoder keeps besides: every block's coefficients,
// two bytes a sample, for a 4096 x 4096 colour image.
constexpr std::uint64_t kMaxJpegCoefficientBytes = std::uint64_t{4096} * 4096 * 3 * 2;
// More scans make a progressive JPEG cost the whole image's blocks again each.
constexpr int kMaxJpegScans = 100;

struct ImageCheck {
    bool accepted = false;
    ImageFormat format = ImageFormat::Png;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::string reason;  // why it is refused, e.g. "a PSD image" or "cut short"
};

// Checks `bytes`, a whole image file of `size` bytes, against its format's
// rules: the format by its signature (Targa, which has none, by a header that
// holds together), then the header's fields and sides of at most `maxSide`
// pixels, the decoded size against kMaxDecodedImageBytes (and
// kMaxJpegCoefficientBytes), and the file's size
// against what the header declares. Nothing beyond `size` bytes is read.
ImageCheck CheckImageFile(const std::uint8_t* bytes, std::size_t size, std::uint32_t maxSide);
