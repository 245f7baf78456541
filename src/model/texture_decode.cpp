#include "model/texture_decode.h"

#include <IL/il.h>

#include <cstring>
#include <vector>

#include "model/image_header.h"

namespace {

int Channels(ILint format) {
    switch (format) {
        case IL_COLOUR_INDEX:
        case IL_LUMINANCE:
        case IL_ALPHA:
            return 1;
        case IL_LUMINANCE_ALPHA:
            return 2;
        case IL_RGB:
        case IL_BGR:
            return 3;
        case IL_RGBA:
        case IL_BGRA:
            return 4;
        default:
            return 0;
    }
}

// DevIL's conversions trust an image's format, pixel size and data size to
// agree; some readers leave them apart (a 16-bit run-length coded Targa
// comes out as BGR of 2 bytes a pixel).
bool Consistent(std::uint32_t width, std::uint32_t height) {
    const ILint bytesPerPixel = ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL);
    const ILint channels = Channels(ilGetInteger(IL_IMAGE_FORMAT)), channelBytes = ilGetInteger(IL_IMAGE_BPC);
    return channels > 0 && channelBytes > 0 && bytesPerPixel == channels * channelBytes &&
           static_cast<std::uint64_t>(ilGetInteger(IL_IMAGE_SIZE_OF_DATA)) ==
               std::uint64_t{width} * height * static_cast<std::uint64_t>(bytesPerPixel) &&
           ilGetData() != nullptr;
}

// A palette as long as an 8-bit index reaches.
bool FillPalette() {
    const ILint type = ilGetInteger(IL_PALETTE_TYPE), entryBytes = ilGetInteger(IL_PALETTE_BPP);
    const ILint entries = ilGetInteger(IL_PALETTE_NUM_COLS);
    const ILubyte* palette = ilGetPalette();
    if (type == IL_PAL_NONE || entryBytes <= 0 || entryBytes > 4 || entries <= 0 || palette == nullptr) return false;
    if (entries >= 256) return true;
    std::vector<ILubyte> full(256 * static_cast<std::size_t>(entryBytes), 0);
    std::memcpy(full.data(), palette, static_cast<std::size_t>(entries) * entryBytes);
    ilRegisterPal(full.data(), static_cast<ILuint>(full.size()), static_cast<ILenum>(type));
    return ilGetInteger(IL_PALETTE_NUM_COLS) == 256;
}

}  // namespace

ILenum DevilType(ImageFormat format) {
    switch (format) {
        case ImageFormat::Png:
            return IL_PNG;
        case ImageFormat::Jpeg:
            return IL_JPG;
        case ImageFormat::Targa:
            return IL_TGA;
        case ImageFormat::Bitmap:
            return IL_BMP;
    }
    return IL_TYPE_UNKNOWN;
}

bool DecodeImageFile(const std::uint8_t* bytes, std::size_t size, std::uint32_t maxSide, std::string* reason) {
    if (size > 0xffffffffu) {  // DevIL counts in 32 bits
        *reason = "too large a file";
        return false;
    }
    const ImageCheck check = CheckImageFile(bytes, size, maxSide);
    if (!check.accepted) {
        *reason = check.reason;
        return false;
    }
    if (ilLoadL(DevilType(check.format), bytes, static_cast<ILuint>(size)) != IL_TRUE) {
        *reason = "the decoder could not read it";
        return false;
    }
    if (static_cast<std::uint32_t>(ilGetInteger(IL_IMAGE_WIDTH)) != check.width ||
        static_cast<std::uint32_t>(ilGetInteger(IL_IMAGE_HEIGHT)) != check.height ||
        ilGetInteger(IL_IMAGE_DEPTH) != 1) {
        *reason = "decoded to another size than its header declares";
        return false;
    }
    if (!Consistent(check.width, check.height)) {
        *reason = "decoded to pixels of an inconsistent layout";
        return false;
    }
    if (ilGetInteger(IL_IMAGE_FORMAT) == IL_COLOUR_INDEX && !FillPalette()) {
        *reason = "colour-indexed without a usable palette";
        return false;
    }
    return true;
}
