// The size an image file declares in its header, read before anything is
// decoded, so that an image too large to keep is refused without the memory
// its decoding would take.
#pragma once

#include <cstddef>
#include <cstdint>

enum class ImageFormat { Png, Jpeg, Targa, Bitmap };

struct ImageSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// The width and height that `bytes` (a file's first `size` bytes) declare as
// an image of `format`, as its decoder reads them: PNG's IHDR chunk, the
// first JPEG frame header (SOFn) after the markers before it, the Targa
// header, or the BMP info header; for a BMP whose header the decoder may read
// either as a Windows or as an OS/2 one, the larger reading of each side.
// False when the header is cut short, malformed or declares no pixels.
// Nothing beyond `size` bytes is read.
bool ReadImageSize(ImageFormat format, const std::uint8_t* bytes, std::size_t size, ImageSize* imageSize);
