// One image file decoded by DevIL from memory, after its header has passed
// CheckImageFile, with the decoder forced to the format checked: DevIL would
// otherwise pick one of some forty decoders by the bytes or the name.
#pragma once

#include <IL/il.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "model/image_header.h"

// DevIL's decoder type for a checked format.
ILenum DevilType(ImageFormat format);

// Decodes `bytes` (a whole file of `size` bytes) into DevIL's bound image,
// sides at most `maxSide`. A colour-indexed image gets a palette of 256
// entries (the missing ones black), since DevIL's conversions look up any
// index a pixel holds. False, with the reason in `reason`, for an image that
// is refused or that the decoder can't read; the bound image is then left
// in whatever state DevIL left it. Needs DevIL initialised and an image
// bound.
bool DecodeImageFile(const std::uint8_t* bytes, std::size_t size, std::uint32_t maxSide, std::string* reason);
