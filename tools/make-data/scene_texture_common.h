// Small helpers of the scene's texture generators: colours, noise, raw files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace scene_data {

struct Colour {
    double r, g, b;
};
inline Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Colour operator*(Colour a, double f) { return {a.r * f, a.g * f, a.b * f}; }
inline Colour operator*(Colour a, Colour b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Colour Mix(Colour a, Colour b, double t) { return a * (1.0 - t) + b * t; }

double Clamp01(double v);
double SmoothStep(double edge0, double edge1, double x);
std::uint8_t ToByte(double v);

// Deterministic hash of integer coordinates to [0, 1).
double Hash3(int x, int y, int z, int seed);
// Trilinear value noise in [0, 1) with a smooth fade, and its fractal sum.
double ValueNoise3(double x, double y, double z, int seed);
double Fbm3(double x, double y, double z, int octaves, int seed);
// 2D value noise repeating every `period` cells in both axes, and its sum
// (each octave doubles the period, so the sum tiles with the first one).
double TiledNoise2(double x, double y, int period, int seed);
double TiledFbm2(double x, double y, int period, int octaves, int seed);

// An image being painted: RGB or RGBA bytes, first row at the top.
struct RawImage {
    int size = 0;
    int channels = 0;
    std::vector<std::uint8_t> bytes;
    RawImage(int side, int channelCount);
    std::uint8_t* At(int row, int column) {
        return bytes.data() + (static_cast<std::size_t>(row) * size + column) * channels;
    }
};

// Writes the image's bytes as the headerless file dataDir + name.
bool WriteRawImage(const std::string& dataDir, const char* name, const RawImage& image);

// Runs body(row) for every row of an image on two threads; rows are
// independent, so the bytes don't depend on the schedule.
void ForEachRow(int rows, void (*body)(int row, void* context), void* context);

// The six sky box faces (dataName::kSkyFaces).
bool WriteSkyBox(const std::string& dataDir);
// The additive panels: ground, water and the cube's five (dataName).
bool WriteGroundTexture(const std::string& dataDir);
bool WriteWaterTexture(const std::string& dataDir);
bool WriteCubePanels(const std::string& dataDir);

}  // namespace scene_data
