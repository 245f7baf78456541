// Icon 139: a small picture of the scene — an amber cube above a sine-wave sea
// under a night sky — drawn with 4 x 4 supersampling so its edges are smooth.
#include <algorithm>
#include <cmath>

#include "icon_dib.h"

namespace {
struct Colour {
    double r, g, b;
};

struct Point {
    double x, y;
};

// True when p lies inside the convex polygon given clockwise on screen.
bool InsideConvex(const Point* corners, int count, Point p) {
    for (int i = 0; i < count; ++i) {
        Point a = corners[i];
        Point b = corners[(i + 1) % count];
        if ((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x) < 0) return false;
    }
    return true;
}

double SeaLine(double x) { return 43 + 2.5 * std::sin(x * 0.28); }

Colour Sample(double x, double y) {
    // The cube: three faces of an isometric box standing above the sea.
    const double s = 14, cx = 32, cy = 25, w = s * 0.866;
    const Point top[] = {{cx, cy - s}, {cx + w, cy - s / 2}, {cx, cy}, {cx - w, cy - s / 2}};
    const Point left[] = {{cx - w, cy - s / 2}, {cx, cy}, {cx, cy + s}, {cx - w, cy + s / 2}};
    const Point right[] = {{cx, cy}, {cx + w, cy - s / 2}, {cx + w, cy + s / 2}, {cx, cy + s}};
    if (InsideConvex(top, 4, {x, y})) return {255, 206, 96};
    if (InsideConvex(left, 4, {x, y})) return {226, 122, 40};
    if (InsideConvex(right, 4, {x, y})) return {160, 66, 28};
    double sea = SeaLine(x);
    if (y >= sea) {
        double depth = (y - sea) / (64 - sea);
        double crest = std::pow(std::max(0.0, std::sin((y - sea) * 1.1 - x * 0.35)), 8.0);
        return {10 + 30 * crest, 140 - 70 * depth + 80 * crest, 160 - 60 * depth + 70 * crest};
    }
    // Sky: deep blue at the top to violet at the horizon, a glow behind the cube.
    double t = y / sea;
    double glow = std::exp(-((x - cx) * (x - cx) + (y - cy) * (y - cy)) / 260.0);
    return {12 + 70 * t + 90 * glow, 18 + 40 * t + 60 * glow, 52 + 90 * t + 40 * glow};
}
}  // namespace

IconPixels DrawIconImage(int size) {
    IconPixels image;
    image.width = size;
    image.height = size;
    image.rgb.resize(size_t(size) * size * 3);
    const int n = 4;
    const double scale = 64.0 / size;  // the picture is laid out on a 64-pixel square
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Colour sum{0, 0, 0};
            for (int sy = 0; sy < n; ++sy) {
                for (int sx = 0; sx < n; ++sx) {
                    Colour c = Sample((x + (sx + 0.5) / n) * scale, (y + (sy + 0.5) / n) * scale);
                    sum.r += c.r;
                    sum.g += c.g;
                    sum.b += c.b;
                }
            }
            std::uint8_t* pixel = &image.rgb[(size_t(y) * size + x) * 3];
            pixel[0] = std::uint8_t(std::clamp(sum.r / (n * n), 0.0, 255.0));
            pixel[1] = std::uint8_t(std::clamp(sum.g / (n * n), 0.0, 255.0));
            pixel[2] = std::uint8_t(std::clamp(sum.b / (n * n), 0.0, 255.0));
        }
    }
    return image;
}
