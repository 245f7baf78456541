// Pictures as RGB rows, top row first: PNG files, and screenshots of windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
    bool Empty() const { return rgb.empty(); }
    const std::uint8_t* At(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

// Empty when the file can't be read as a PNG.
RgbImage ReadPng(const std::string& path);
// The window's pixels as the X server holds them (ImageMagick's import);
// window 0 is the root window, `display` empty the test's Xvfb.
RgbImage Screenshot(unsigned long window, const std::string& display = "");
// Root mean square difference over every channel, as a fraction of 255;
// 1 when the sizes differ.
double Rmse(const RgbImage& a, const RgbImage& b);
// Area a of `shot` against area b scaled to a's size, as Rmse does; 1 when an
// area lies outside the shot.
struct Area {
    int x, y, width, height;
};
double AreaDifference(const RgbImage& shot, Area a, Area b);
// Distinct colours (4 bits a channel) in a region: a picture, or a plain face.
int Colours(const RgbImage& image, int x0, int y0, int width, int height);
