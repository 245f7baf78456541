// The additive textures: the glowing sigil on the ground, the caustic water
// and the cube's luminous glyph panels. Their alpha carries the light: the
// ground and the cube cut everything at alpha 0.1 or below, so the shapes
// stand alone, each with a halo that ends in a crisp rim.
#include <cmath>

#include "scene_texture_common.h"
#include "settings/data_names.h"

namespace scene_data {

namespace {

constexpr double kPi = 3.14159265358979323846;

double Length(double x, double y) { return std::sqrt(x * x + y * y); }

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    const double vx = bx - ax, vy = by - ay;
    const double t = Clamp01(((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy));
    return Length(px - ax - t * vx, py - ay - t * vy);
}

// Distance to the outline of a regular star or polygon of `points` corners
// alternating between radius `outer` and `inner`, turned by `turn`.
double StarOutline(double px, double py, int points, double outer, double inner, double turn) {
    double best = 1e9;
    const int corners = points * 2;
    for (int k = 0; k < corners; ++k) {
        const double a0 = turn + kPi * k / points, a1 = turn + kPi * (k + 1) / points;
        const double r0 = k % 2 == 0 ? outer : inner, r1 = k % 2 == 0 ? inner : outer;
        const double d =
            SegmentDistance(px, py, r0 * std::cos(a0), r0 * std::sin(a0), r1 * std::cos(a1), r1 * std::sin(a1));
        if (d < best) best = d;
    }
    return best;
}

// Distance to the nearest of `count` radial ticks from r0 to r1.
double Ticks(double px, double py, int count, double r0, double r1, double turn) {
    const double step = 2.0 * kPi / count;
    const double a = std::atan2(py, px) - turn;
    const double nearest = std::round(a / step) * step + turn;
    return SegmentDistance(px, py, r0 * std::cos(nearest), r0 * std::sin(nearest), r1 * std::cos(nearest),
                           r1 * std::sin(nearest));
}

double Ring(double px, double py, double radius) { return std::fabs(Length(px, py) - radius); }

// A line at distance d drawn `width` thick with a halo `reach` wide.
struct Glow {
    double core;
    double halo;
};
Glow LineGlow(double d, double width, double reach) {
    return {std::exp(-(d / width) * (d / width)), std::exp(-d / reach)};
}

void WriteTexel(RawImage& image, int row, int column, Colour colour, double alpha) {
    std::uint8_t* texel = image.At(row, column);
    texel[0] = ToByte(colour.r);
    texel[1] = ToByte(colour.g);
    texel[2] = ToByte(colour.b);
    texel[3] = ToByte(alpha);
}

// ---- ground: a sigil of rings, ticks, a hexagram and a rose ---------------

void PaintGroundRow(int row, void* context) {
    RawImage& image = *static_cast<RawImage*>(context);
    const int n = image.size;
    const double y = 1.0 - 2.0 * (row + 0.5) / n;
    for (int column = 0; column < n; ++column) {
        const double x = 2.0 * (column + 0.5) / n - 1.0;
        const double r = Length(x, y);
        const double a = std::atan2(y, x);
        double outer = Ring(x, y, 0.93);
        outer = std::fmin(outer, Ring(x, y, 0.875));
        outer = std::fmin(outer, Ticks(x, y, 72, 0.885, 0.92, 0.0));
        // Beads on a circle between the outer rings and the hexagram.
        const double beadStep = 2.0 * kPi / 24.0;
        const double beadAngle = std::round(a / beadStep) * beadStep;
        outer =
            std::fmin(outer, std::fabs(Length(x - 0.8 * std::cos(beadAngle), y - 0.8 * std::sin(beadAngle)) - 0.018));
        double inner = Ring(x, y, 0.72);
        inner = std::fmin(inner, StarOutline(x, y, 6, 0.72, 0.416, kPi / 2.0));
        inner = std::fmin(inner, Ring(x, y, 0.42));
        // A six-petal rose inside the hexagram.
        const double petal = 0.38 * std::fabs(std::cos(3.0 * a));
        inner = std::fmin(inner, std::fabs(r - petal) * 0.7);
        inner = std::fmin(inner, Ring(x, y, 0.1));
        const Glow outerGlow = LineGlow(outer, 0.0045, 0.02);
        const Glow innerGlow = LineGlow(inner, 0.004, 0.018);
        const Colour violet{0.62, 0.38, 1.0};
        const Colour teal{0.25, 0.95, 0.85};
        const Colour white{1.0, 1.0, 1.0};
        // A faint moving shimmer of light fills the circle under the lines.
        const double shimmer = Fbm3(x * 6.0, y * 6.0, 0.0, 4, 71);
        const double disk = 1.0 - SmoothStep(0.86, 0.95, r);
        double alpha = disk * (0.11 + 0.12 * SmoothStep(0.45, 0.8, shimmer)) * (0.6 + 0.4 * (1.0 - r));
        Colour colour = Mix(Colour{0.08, 0.35, 0.45}, Colour{0.25, 0.18, 0.5}, SmoothStep(0.2, 0.9, r));
        const double outerLight = outerGlow.core + 0.4 * outerGlow.halo;
        const double innerLight = innerGlow.core + 0.45 * innerGlow.halo;
        const double centre = std::exp(-(r / 0.07) * (r / 0.07));
        const double light = Clamp01(outerLight + innerLight + centre);
        if (light > alpha) {
            const Colour hue = innerLight + centre > outerLight ? teal : violet;
            colour = Mix(hue, white, Clamp01(outerGlow.core + innerGlow.core + centre) * 0.55);
            alpha = light;
        }
        if (r > 0.97) alpha = 0.0;
        WriteTexel(image, row, column, colour, alpha);
    }
}

// ---- water: two layers of caustic cells, tiling seamlessly ------------------

// Distance between the nearest and the second nearest of jittered cell
// points on a torus of `cells` x `cells`: small along the cells' borders.
double CausticEdge(double u, double v, int cells, int seed) {
    const double px = u * cells, py = v * cells;
    const int cx = static_cast<int>(std::floor(px)), cy = static_cast<int>(std::floor(py));
    double first = 1e9, second = 1e9;
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
            const int x = cx + dx, y = cy + dy;
            const int wx = ((x % cells) + cells) % cells, wy = ((y % cells) + cells) % cells;
            const double fx = x + 0.15 + 0.7 * Hash3(wx, wy, 0, seed);
            const double fy = y + 0.15 + 0.7 * Hash3(wx, wy, 1, seed);
            const double d = Length(px - fx, py - fy);
            if (d < first) {
                second = first;
                first = d;
            } else if (d < second) {
                second = d;
            }
        }
    return second - first;
}

void PaintWaterRow(int row, void* context) {
    RawImage& image = *static_cast<RawImage*>(context);
    const int n = image.size;
    const double v = (row + 0.5) / n;
    for (int column = 0; column < n; ++column) {
        const double u = (column + 0.5) / n;
        // The coarse network bends a little with tiled noise.
        const double bendU = u + 0.03 * (TiledFbm2(u * 4.0, v * 4.0, 4, 3, 81) - 0.5);
        const double bendV = v + 0.03 * (TiledFbm2(u * 4.0 + 2.0, v * 4.0, 4, 3, 83) - 0.5);
        const double coarse = CausticEdge(bendU - std::floor(bendU), bendV - std::floor(bendV), 5, 85);
        const double fine = CausticEdge(u, v, 11, 87);
        const double coarseLine = std::pow(1.0 - SmoothStep(0.0, 0.22, coarse), 3.0);
        const double fineLine = std::pow(1.0 - SmoothStep(0.0, 0.16, fine), 3.0) * 0.45;
        const double light = Clamp01(coarseLine + fineLine);
        const Colour deep{0.10, 0.30, 0.65};
        const Colour bright{0.55, 0.95, 1.0};
        const Colour colour = Mix(deep, bright, light);
        WriteTexel(image, row, column, colour, 0.09 + 0.5 * light);
    }
}

// ---- cube panels: a framed glyph on each face ----------------------------

enum class Glyph { Sun, Moon, Compass, Diamonds, Spiral };

struct PanelJob {
    RawImage* image;
    Glyph glyph;
    Colour hue;
};

// Frame: a thin square with heavier brackets at the corners.
double FrameDistance(double x, double y) {
    const double square = std::fabs(std::fmax(std::fabs(x), std::fabs(y)) - 0.9);
    const double ax = std::fabs(x), ay = std::fabs(y);
    double bracket = 1e9;
    bracket = std::fmin(bracket, SegmentDistance(ax, ay, 0.82, 0.82, 0.6, 0.82));
    bracket = std::fmin(bracket, SegmentDistance(ax, ay, 0.82, 0.82, 0.82, 0.6));
    return std::fmin(square, bracket);
}

double GlyphDistance(Glyph glyph, double x, double y) {
    const double r = Length(x, y);
    switch (glyph) {
        case Glyph::Sun: {
            double d = Ring(x, y, 0.3);
            d = std::fmin(d, Ring(x, y, 0.16));
            d = std::fmin(d, Ticks(x, y, 12, 0.38, 0.62, 0.0));
            d = std::fmin(d, Ticks(x, y, 12, 0.4, 0.5, kPi / 12.0));
            return d;
        }
        case Glyph::Moon: {
            const double outer = r - 0.5;
            const double bite = Length(x - 0.22, y - 0.1) - 0.42;
            double d = std::fabs(std::fmax(outer, -bite));
            const double sparkles[3][3] = {{0.45, 0.5, 0.09}, {0.62, 0.12, 0.06}, {0.3, -0.55, 0.07}};
            for (const auto& s : sparkles) d = std::fmin(d, StarOutline(x - s[0], y - s[1], 4, s[2], s[2] * 0.3, 0.0));
            return d;
        }
        case Glyph::Compass: {
            double d = StarOutline(x, y, 8, 0.66, 0.24, kPi / 2.0);
            d = std::fmin(d, StarOutline(x, y, 4, 0.4, 0.12, kPi / 4.0));
            d = std::fmin(d, Ring(x, y, 0.72));
            d = std::fmin(d, Ticks(x, y, 48, 0.74, 0.78, 0.0));
            d = std::fmin(d, Ring(x, y, 0.08));
            return d;
        }
        case Glyph::Diamonds: {
            const double u = (x + y) * std::sqrt(0.5), v = (x - y) * std::sqrt(0.5);
            const double box = std::fmax(std::fabs(u), std::fabs(v));
            double d = 1e9;
            for (double size : {0.18, 0.36, 0.54}) d = std::fmin(d, std::fabs(box - size));
            d = std::fmin(d, Ring(x, y, 0.06));
            return d;
        }
        case Glyph::Spiral: {
            if (r > 0.7) return Ring(x, y, 0.7);
            const double turn = 0.14;
            double a = std::atan2(y, x);
            if (a < 0.0) a += 2.0 * kPi;
            const double f = r / turn - a / (2.0 * kPi);
            return std::fabs(f - std::round(f)) * turn;
        }
    }
    return 1e9;
}

void PaintPanelRow(int row, void* context) {
    const PanelJob& job = *static_cast<const PanelJob*>(context);
    RawImage& image = *job.image;
    const int n = image.size;
    const double y = 1.0 - 2.0 * (row + 0.5) / n;
    // Lines keep their width in texels on the larger panel too.
    const double texel = 2.0 / n;
    for (int column = 0; column < n; ++column) {
        const double x = 2.0 * (column + 0.5) / n - 1.0;
        const double d = std::fmin(FrameDistance(x, y), GlyphDistance(job.glyph, x, y));
        const Glow glow = LineGlow(d, std::fmax(0.012, 1.6 * texel), 0.035);
        const double alpha = Clamp01(glow.core + 0.42 * glow.halo);
        const Colour colour = Mix(job.hue, Colour{1.0, 1.0, 1.0}, glow.core * 0.6);
        WriteTexel(image, row, column, colour, alpha);
    }
}

}  // namespace

bool WriteGroundTexture(const std::string& dataDir) {
    RawImage image(1024, 4);
    ForEachRow(image.size, PaintGroundRow, &image);
    return WriteRawImage(dataDir, dataName::kGround, image);
}

bool WriteWaterTexture(const std::string& dataDir) {
    RawImage image(512, 4);
    ForEachRow(image.size, PaintWaterRow, &image);
    return WriteRawImage(dataDir, dataName::kWater, image);
}

bool WriteCubePanels(const std::string& dataDir) {
    struct Panel {
        const char* file;
        int size;
        Glyph glyph;
        Colour hue;
    };
    static const Panel panels[5] = {
        {dataName::kCubePanels[0], 256, Glyph::Sun, {1.0, 0.72, 0.28}},
        {dataName::kCubePanels[1], 256, Glyph::Moon, {0.55, 0.78, 1.0}},
        {dataName::kCubePanels[2], 512, Glyph::Compass, {0.75, 0.5, 1.0}},
        {dataName::kCubePanels[3], 256, Glyph::Diamonds, {0.3, 1.0, 0.8}},
        {dataName::kCubePanels[4], 256, Glyph::Spiral, {1.0, 0.42, 0.72}},
    };
    for (const Panel& panel : panels) {
        RawImage image(panel.size, 4);
        PanelJob job{&image, panel.glyph, panel.hue};
        ForEachRow(image.size, PaintPanelRow, &job);
        if (!WriteRawImage(dataDir, panel.file, image)) return false;
    }
    return true;
}

}  // namespace scene_data
