#include "icon_dib.h"

namespace {
void Put16(std::string& out, unsigned value) {
    out += char(value & 0xff);
    out += char((value >> 8) & 0xff);
}
void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xffff);
    Put16(out, value >> 16);
}

// Rows of a DIB run bottom to top, each padded to four bytes, pixels as B, G, R.
std::string PixelRows(const IconPixels& image) {
    std::string rows;
    size_t stride = (size_t(image.width) * 3 + 3) / 4 * 4;
    for (int y = image.height - 1; y >= 0; --y) {
        const std::uint8_t* row = &image.rgb[size_t(y) * image.width * 3];
        for (int x = 0; x < image.width; ++x) {
            rows += char(row[x * 3 + 2]);
            rows += char(row[x * 3 + 1]);
            rows += char(row[x * 3 + 0]);
        }
        rows.append(stride - size_t(image.width) * 3, '\0');
    }
    return rows;
}

// BITMAPINFOHEADER; an icon's image states twice its height (colour + mask).
std::string InfoHeader(const IconPixels& image, int storedHeight, std::uint32_t imageBytes,
                       std::uint32_t pixelsPerMetre) {
    std::string header;
    Put32(header, 40);
    Put32(header, std::uint32_t(image.width));
    Put32(header, std::uint32_t(storedHeight));
    Put16(header, 1);   // planes
    Put16(header, 24);  // bits per pixel
    Put32(header, 0);   // BI_RGB
    Put32(header, imageBytes);
    Put32(header, pixelsPerMetre);
    Put32(header, pixelsPerMetre);
    Put32(header, 0);  // colours used
    Put32(header, 0);  // important colours
    return header;
}
}  // namespace

std::string EncodeIconFile(const IconPixels& image) {
    std::string colour = PixelRows(image);
    size_t maskStride = (size_t(image.width) + 31) / 32 * 4;
    std::string mask(maskStride * size_t(image.height), '\0');
    std::string dib =
        InfoHeader(image, image.height * 2, std::uint32_t(colour.size() + mask.size()), 0) + colour + mask;
    std::string file;
    Put16(file, 0);  // reserved
    Put16(file, 1);  // icon
    Put16(file, 1);  // one image
    file += char(image.width >= 256 ? 0 : image.width);
    file += char(image.height >= 256 ? 0 : image.height);
    file += char(0);  // no palette
    file += char(0);
    Put16(file, 1);
    Put16(file, 24);
    Put32(file, std::uint32_t(dib.size()));
    Put32(file, 6 + 16);
    return file + dib;
}

std::string EncodeBitmapFile(const IconPixels& image) {
    std::string rows = PixelRows(image);
    const std::uint32_t offset = 14 + 40;
    std::string file = "BM";
    Put32(file, offset + std::uint32_t(rows.size()));
    Put32(file, 0);
    Put32(file, offset);
    return file + InfoHeader(image, image.height, std::uint32_t(rows.size()), 3780) + rows;
}
