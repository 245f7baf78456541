#include "scene_texture_common.h"

#include <cmath>
#include <cstdio>
#include <thread>

namespace scene_data {

double Clamp01(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }

double SmoothStep(double edge0, double edge1, double x) {
    const double t = Clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0 - 2.0 * t);
}

std::uint8_t ToByte(double v) { return static_cast<std::uint8_t>(std::lround(Clamp01(v) * 255.0)); }

double Hash3(int x, int y, int z, int seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8da6b343u ^ static_cast<std::uint32_t>(y) * 0xd8163841u ^
                      static_cast<std::uint32_t>(z) * 0xcb1ab31fu ^ static_cast<std::uint32_t>(seed) * 0x165667b1u;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return (h >> 8) * (1.0 / 16777216.0);
}

namespace {
double Fade(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }
double Lerp(double a, double b, double t) { return a + (b - a) * t; }
int Wrap(int v, int period) { return ((v % period) + period) % period; }
}  // namespace

double ValueNoise3(double x, double y, double z, int seed) {
    const double fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy), iz = static_cast<int>(fz);
    const double tx = Fade(x - fx), ty = Fade(y - fy), tz = Fade(z - fz);
    double plane[2];
    for (int dz = 0; dz < 2; ++dz) {
        const double a = Lerp(Hash3(ix, iy, iz + dz, seed), Hash3(ix + 1, iy, iz + dz, seed), tx);
        const double b = Lerp(Hash3(ix, iy + 1, iz + dz, seed), Hash3(ix + 1, iy + 1, iz + dz, seed), tx);
        plane[dz] = Lerp(a, b, ty);
    }
    return Lerp(plane[0], plane[1], tz);
}

double Fbm3(double x, double y, double z, int octaves, int seed) {
    double sum = 0.0, amplitude = 0.5, total = 0.0;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * ValueNoise3(x, y, z, seed + o * 101);
        total += amplitude;
        x = x * 2.03 + 17.1;
        y = y * 2.03 - 9.7;
        z = z * 2.03 + 3.3;
        amplitude *= 0.5;
    }
    return sum / total;
}

double TiledNoise2(double x, double y, int period, int seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const double tx = Fade(x - fx), ty = Fade(y - fy);
    const int x0 = Wrap(ix, period), x1 = Wrap(ix + 1, period);
    const int y0 = Wrap(iy, period), y1 = Wrap(iy + 1, period);
    const double a = Lerp(Hash3(x0, y0, 0, seed), Hash3(x1, y0, 0, seed), tx);
    const double b = Lerp(Hash3(x0, y1, 0, seed), Hash3(x1, y1, 0, seed), tx);
    return Lerp(a, b, ty);
}

double TiledFbm2(double x, double y, int period, int octaves, int seed) {
    double sum = 0.0, amplitude = 0.5, total = 0.0;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * TiledNoise2(x, y, period, seed + o * 101);
        total += amplitude;
        x *= 2.0;
        y *= 2.0;
        period *= 2;
        amplitude *= 0.5;
    }
    return sum / total;
}

RawImage::RawImage(int side, int channelCount)
    : size(side), channels(channelCount), bytes(static_cast<std::size_t>(side) * side * channelCount) {}

bool WriteRawImage(const std::string& dataDir, const char* name, const RawImage& image) {
    const std::string path = dataDir + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "make-data: can't write %s\n", path.c_str());
        return false;
    }
    const bool written = std::fwrite(image.bytes.data(), 1, image.bytes.size(), file) == image.bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) std::fprintf(stderr, "make-data: can't write %s\n", path.c_str());
    return written && closed;
}

void ForEachRow(int rows, void (*body)(int row, void* context), void* context) {
    std::thread odd([&] {
        for (int row = 1; row < rows; row += 2) body(row, context);
    });
    for (int row = 0; row < rows; row += 2) body(row, context);
    odd.join();
}

}  // namespace scene_data
