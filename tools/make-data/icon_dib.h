// Device-independent bitmaps as Windows stores them in .ico and .bmp files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// `rgb` holds width * height pixels of 3 bytes, top row first.
struct IconPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

// A .ico file with one 24-bit image and an all-opaque mask.
std::string EncodeIconFile(const IconPixels& image);
// A .bmp file: 24 bits per pixel, BI_RGB (uncompressed), bottom row first.
std::string EncodeBitmapFile(const IconPixels& image);
// The picture of icon 139 (64 x 64), or the same picture at another size.
IconPixels DrawIconImage(int size = 64);
