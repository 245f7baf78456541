#include "model/texture_decode.h"

#include <IL/il.h>

#include <cstring>
#include <vector>

#include "model/image_header.h"

namespace {

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
    if (ilGetInteger(IL_IMAGE_FORMAT) == IL_COLOUR_INDEX && !FillPalette()) {
        *reason = "colour-indexed without a usable palette";
        return false;
    }
    return true;
}
