// Image files made at test time: well-formed ones as DevIL writes them, and
// hostile ones byte by byte, as a tampered model folder would hold them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/image_header.h"

// A width x height image of `channels` (1, 3 or 4) bytes a pixel, a gradient,
// written by DevIL as `format` (Targa run-length coded when `rle`). Needs
// DevIL initialised; "" when it writes nothing.
std::string DevilFile(ImageFormat format, int width, int height, int channels, bool rle = false);

// The first bytes of files of each kind, up to their pixels.
std::string PngHeader(std::uint32_t width, std::uint32_t height, int depth = 8, int colourType = 2);
// A chunk of `type` holding `data` (its CRC left 0), e.g. the IDAT and IEND
// that end a file.
std::string PngChunk(const std::string& type, const std::string& data);
std::string JpegSegment(int marker, const std::string& body);
std::string JpegFrame(int marker, int width, int height, int components = 3);
struct TargaFields {
    int type = 2, mapType = 0, mapLength = 0, mapBits = 0;
    int width = 2, height = 2, bits = 32, descriptor = 8, idLength = 0;
};
std::string TargaHeader(const TargaFields& fields);
struct BitmapFields {
    std::uint32_t infoSize = 40, width = 2, height = 2, planes = 1, bits = 24, compression = 0, colours = 0;
    std::uint32_t dataOffset = 54;
};
std::string BitmapHeader(const BitmapFields& fields);

// Small files that once crashed a decoder, made it allocate without end, or
// declare far more pixels than they hold: a truncated PSD, a colour-mapped
// Targa with a map of 65535 entries, huge PCX, PSD, SGI, TIFF and Radiance
// headers, lying PNG, JPEG, Targa and BMP headers, well-formed files of each
// of these four cut in half, and a PNG cut inside a chunk before its pixels,
// which made DevIL's PNG reader loop for ever. Needs DevIL initialised.
struct NamedFile {
    std::string name;  // a file name with the extension its maker would give it
    std::string bytes;
};
std::vector<NamedFile> HostileImageFiles();
