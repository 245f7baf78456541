#include "support/image.h"

#include <png.h>

#include <algorithm>
#include <cmath>

#include "support/process.h"
#include "support/temp_dir.h"

RgbImage ReadPng(const std::string& path) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return {};
    png.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr)) {
        png_image_free(&png);
        return {};
    }
    return {static_cast<int>(png.width), static_cast<int>(png.height), std::move(rgb)};
}

RgbImage Screenshot(unsigned long window, const std::string& display) {
    TempDir dir;
    Shell((display.empty() ? "" : "DISPLAY=" + display + " ") + "import -window " +
          (window == 0 ? "root" : std::to_string(window)) + " png:" + dir.Path() + "/shot.png 2>/dev/null");
    return ReadPng(dir.Path() + "/shot.png");
}

double Rmse(const RgbImage& a, const RgbImage& b) {
    if (a.width != b.width || a.height != b.height || a.Empty()) return 1.0;
    double sum = 0.0;
    for (std::size_t k = 0; k < a.rgb.size(); ++k) {
        const double d = (a.rgb[k] - b.rgb[k]) / 255.0;
        sum += d * d;
    }
    return std::sqrt(sum / static_cast<double>(a.rgb.size()));
}

double AreaDifference(const RgbImage& shot, Area a, Area b) {
    if (std::max(a.x + a.width, b.x + b.width) > shot.width || std::max(a.y + a.height, b.y + b.height) > shot.height)
        return 1.0;
    double sum = 0.0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            for (int c = 0; c < 3; ++c) {
                const double d = shot.At(a.x + x, a.y + y)[c] -
                                 shot.At(b.x + x * b.width / a.width, b.y + y * b.height / a.height)[c];
                sum += d * d / (255.0 * 255.0);
            }
    return std::sqrt(sum / (3.0 * a.width * a.height));
}

int Colours(const RgbImage& image, int x0, int y0, int width, int height) {
    std::vector<bool> seen(1 << 12);
    int count = 0;
    for (int y = y0; y < y0 + height && y < image.height; ++y)
        for (int x = x0; x < x0 + width && x < image.width; ++x) {
            const std::uint8_t* p = image.At(x, y);
            const int key = (p[0] >> 4) << 8 | (p[1] >> 4) << 4 | p[2] >> 4;
            if (!seen[key]) ++count, seen[key] = true;
        }
    return count;
}
