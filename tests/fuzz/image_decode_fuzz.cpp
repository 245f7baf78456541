// libFuzzer target: any bytes as a model texture file, through CheckImageFile
// and DevIL's decoder of the format checked (DecodeImageFile), then the
// conversion to 8-bit RGBA that the upload makes. A decoded image must have
// the sides its header declared and hold every byte of them; a refusal must
// give a reason.
#include <IL/il.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "model/image_header.h"
#include "model/texture_decode.h"

namespace {

constexpr std::uint32_t kSide = 4096;  // the largest model texture

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (ilInit(), true);
    (void)ready;
    const ImageCheck check = CheckImageFile(data, size, kSide);
    if (check.accepted != check.reason.empty()) std::abort();
    if (check.accepted && (check.width > kSide || check.height > kSide)) std::abort();
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    std::string reason;
    const bool decoded = DecodeImageFile(data, size, kSide, &reason);
    if (decoded != reason.empty() || (decoded && !check.accepted)) std::abort();
    if (decoded && ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE)) {
        const ILubyte* pixels = ilGetData();
        const size_t bytes = size_t{check.width} * check.height * 4;
        if (pixels == nullptr || static_cast<size_t>(ilGetInteger(IL_IMAGE_SIZE_OF_DATA)) < bytes) std::abort();
        // every byte read, so that ASan sees a buffer shorter than declared
        unsigned sum = 0;
        for (size_t i = 0; i < bytes; i += 61) sum += pixels[i];
        sum += pixels[bytes - 1];
        volatile unsigned sink = sum;
        (void)sink;
    }
    while (ilGetError() != IL_NO_ERROR) {
    }
    ilBindImage(0);
    ilDeleteImages(1, &image);
    return 0;
}
