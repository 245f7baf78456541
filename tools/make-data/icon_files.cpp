// The icon and dialog bitmap files of the Windows resources.
#include <png.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "icon_dib.h"
#include "make_data.h"

namespace {
bool WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "make-data: can't write %s\n", path.c_str());
        return false;
    }
    return true;
}
}  // namespace

bool WriteIconFile(const std::string& path) { return WriteBytes(path, EncodeIconFile(DrawIconImage())); }

bool WriteIconPng(int size, const std::string& path) {
    if (size < 16 || size > 1024) return false;
    const IconPixels image = DrawIconImage(size);
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(size);
    png.height = png_uint_32(size);
    png.format = PNG_FORMAT_RGB;
    if (png_image_write_to_file(&png, path.c_str(), 0, image.rgb.data(), 0, nullptr)) return true;
    std::fprintf(stderr, "make-data: can't write %s: %s\n", path.c_str(), png.message);
    return false;
}

bool ConvertPictureToBitmap(const std::string& pngPath, const std::string& bmpPath) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, pngPath.c_str())) {
        std::fprintf(stderr, "make-data: can't read %s: %s\n", pngPath.c_str(), png.message);
        return false;
    }
    // The dialog's static control shows the bitmap at its own size, which
    // the template's picture frame was laid out for.
    if (png.width != 256 || png.height != 256) {
        std::fprintf(stderr, "make-data: %s is %ux%u, not 256x256\n", pngPath.c_str(), png.width, png.height);
        png_image_free(&png);
        return false;
    }
    png.format = PNG_FORMAT_RGB;
    IconPixels image;
    image.width = 256;
    image.height = 256;
    image.rgb.resize(PNG_IMAGE_SIZE(png));
    const png_color black = {0, 0, 0};
    if (!png_image_finish_read(&png, &black, image.rgb.data(), 0, nullptr)) {
        std::fprintf(stderr, "make-data: can't read %s: %s\n", pngPath.c_str(), png.message);
        png_image_free(&png);
        return false;
    }
    return WriteBytes(bmpPath, EncodeBitmapFile(image));
}
