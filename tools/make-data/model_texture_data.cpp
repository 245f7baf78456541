// Bell, tentacle and glow images of the default model. Rows are written
// bottom first, so texture coordinate t runs with the row index.
#include "model_texture_data.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

const char kBellTextureFile[] = "medusa_bell.tga";
const char kTentacleTextureFile[] = "medusa_tentacle.tga";
const char kGlowTextureFile[] = "medusa_glow.tga";

namespace {

constexpr int kSize = 128;
constexpr double kPi = 3.14159265358979323846;

struct Rgba {
    double r, g, b, a;
};

uint8_t Byte(double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

double Mix(double a, double b, double f) { return a + (b - a) * f; }

// Uncompressed true-colour TGA, 32 bits, origin at the bottom left.
bool WriteTga(const std::string& path, const std::function<Rgba(double s, double t)>& texel) {
    std::vector<uint8_t> bytes = {0,          0,  2, 0, 0, 0, 0, 0, 0, 0, 0, 0, kSize & 0xff, kSize >> 8, kSize & 0xff,
                                  kSize >> 8, 32, 8};
    for (int row = 0; row < kSize; ++row) {
        for (int column = 0; column < kSize; ++column) {
            const Rgba c = texel((column + 0.5) / kSize, (row + 0.5) / kSize);
            bytes.insert(bytes.end(), {Byte(c.b), Byte(c.g), Byte(c.r), Byte(c.a)});
        }
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    bool ok = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file != nullptr && std::fclose(file) != 0) ok = false;
    if (!ok) std::fprintf(stderr, "make-data: can't write %s\n", path.c_str());
    return ok;
}

// s around the bell, t from its crown over the rim and back up inside: pale
// cyan glass with sixteen radial canals, rings near the rim and a violet margin.
Rgba BellTexel(double s, double t) {
    const double canal = std::pow(std::abs(std::cos(s * kPi * 16.0)), 24.0);
    const double rim = std::exp(-std::pow((t - 0.5) * 9.0, 2.0));
    const double rings = 0.5 + 0.5 * std::cos(t * kPi * 22.0);
    const double glow = std::max(canal * (0.4 + 0.6 * t), rim);
    Rgba c;
    c.r = Mix(0.35, 0.85, rim) + 0.15 * canal;
    c.g = Mix(0.75, 0.45, rim) + 0.2 * canal;
    c.b = Mix(0.95, 1.0, glow);
    c.a = std::clamp(0.35 + 0.5 * glow + 0.1 * rings * (1.0 - rim), 0.0, 1.0);
    return c;
}

// s around the tentacle, t along it: warm coral bands fading to gold tips,
// with a row of bright stinging cells.
Rgba TentacleTexel(double s, double t) {
    const double band = 0.5 + 0.5 * std::cos(t * kPi * 18.0);
    const double cells = std::pow(std::max(0.0, std::cos(t * kPi * 54.0) * std::cos(s * kPi * 8.0)), 8.0);
    Rgba c;
    c.r = Mix(0.95, 1.0, cells);
    c.g = Mix(0.35 + 0.25 * band, 0.95, std::max(cells, t * 0.6));
    c.b = Mix(0.45 + 0.15 * band, 0.8, cells) * (1.0 - 0.5 * t);
    c.a = 1.0;
    return c;
}

// A sphere map: a white-hot centre through gold and magenta to a deep violet edge.
Rgba GlowTexel(double s, double t) {
    const double d = std::min(1.0, 2.0 * std::hypot(s - 0.5, t - 0.5));
    Rgba c;
    c.r = 1.0 - 0.55 * d * d;
    c.g = std::max(0.1, 1.0 - 1.4 * d);
    c.b = 0.55 + 0.45 * std::cos(d * kPi * 1.2);
    c.a = 1.0;
    return c;
}

}  // namespace

bool WriteModelTextures(const std::string& dataDir) {
    return WriteTga(dataDir + kBellTextureFile, BellTexel) && WriteTga(dataDir + kTentacleTextureFile, TentacleTexel) &&
           WriteTga(dataDir + kGlowTextureFile, GlowTexel);
}
