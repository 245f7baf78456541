// The sky box: a dusk over a night sea, with a nebula band, stars and soft
// clouds lit by the afterglow. Every texel is a function of its place on the
// box's surface (its direction from one viewpoint inside), so the six faces
// meet without seams.
#include <cmath>

#include "scene_texture_common.h"
#include "settings/data_names.h"

namespace scene_data {

namespace {

constexpr int kSkySide = 512;

struct Direction {
    double x, y, z;
};

Direction Normalised(double x, double y, double z) {
    const double n = std::sqrt(x * x + y * y + z * z);
    return {x / n, y / n, z / n};
}

// Where the sun went down: straight ahead of the first frame's camera (-z),
// a little to the left.
const Direction kSunset = Normalised(-0.25, 0.0, -1.0);
// The nebula lies along a great circle tilted across the sky.
const Direction kNebulaPole = Normalised(0.55, 0.35, 0.75);

double Dot(const Direction& a, const Direction& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// 0 away from the sunset, 1 right at it, along the horizon.
double SunsetWeight(const Direction& d) {
    const double horizontal = std::sqrt(d.x * d.x + d.z * d.z);
    if (horizontal < 1e-9) return 0.0;
    const double along = (d.x * kSunset.x + d.z * kSunset.z) / horizontal;
    return std::pow(Clamp01((along + 1.0) / 2.0), 4.0);
}

Colour Stars(const Direction& d) {
    constexpr double kCells = 70.0;
    const double px = d.x * kCells, py = d.y * kCells, pz = d.z * kCells;
    const int cx = static_cast<int>(std::floor(px)), cy = static_cast<int>(std::floor(py)),
              cz = static_cast<int>(std::floor(pz));
    Colour light{0, 0, 0};
    for (int dz = -1; dz <= 1; ++dz)
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int x = cx + dx, y = cy + dy, z = cz + dz;
                if (Hash3(x, y, z, 7) > 0.075) continue;
                // The star's own direction inside its cell.
                const Direction star = Normalised(x + Hash3(x, y, z, 8), y + Hash3(x, y, z, 9), z + Hash3(x, y, z, 10));
                const double ex = d.x - star.x, ey = d.y - star.y, ez = d.z - star.z;
                const double distance = std::sqrt(ex * ex + ey * ey + ez * ez);
                const double magnitude = Hash3(x, y, z, 11);
                const double brightness = 0.1 + 1.4 * std::pow(magnitude, 6.0);
                const double radius = 0.0018 + 0.003 * std::pow(magnitude, 4.0);
                const double core = std::exp(-(distance / radius) * (distance / radius));
                const double halo = 0.12 * std::exp(-distance / (radius * 2.5)) * std::pow(magnitude, 3.0);
                const double tint = Hash3(x, y, z, 12);
                const Colour hue = tint < 0.3 ? Colour{0.75, 0.85, 1.0}
                                              : (tint > 0.85 ? Colour{1.0, 0.85, 0.65} : Colour{1.0, 1.0, 1.0});
                light = light + hue * (brightness * (core + halo));
            }
    return light;
}

Colour Nebula(const Direction& d) {
    const double offPlane = Dot(d, kNebulaPole);
    const double band = std::exp(-(offPlane / 0.33) * (offPlane / 0.33));
    const double cloud = Fbm3(d.x * 2.4, d.y * 2.4, d.z * 2.4, 6, 21);
    const double density = SmoothStep(0.42, 0.78, cloud) * band;
    const double hue = Fbm3(d.x * 1.7 + 5.0, d.y * 1.7, d.z * 1.7, 4, 33);
    const Colour magenta{0.55, 0.12, 0.50};
    const Colour teal{0.08, 0.38, 0.48};
    const Colour ember{0.60, 0.22, 0.16};
    Colour colour = Mix(magenta, teal, SmoothStep(0.35, 0.65, hue));
    colour = Mix(colour, ember, SmoothStep(0.6, 0.8, cloud) * 0.35);
    // Dark dust lanes across the glow.
    const double dust = SmoothStep(0.5, 0.72, Fbm3(d.x * 5.0, d.y * 5.0 + 3.0, d.z * 5.0, 5, 45));
    return colour * (density * (1.0 - 0.75 * dust));
}

// Soft clouds low over the horizon, seen in perspective and lit from below
// by the afterglow.
Colour LowClouds(const Direction& d, double sunset, double* cover) {
    *cover = 0.0;
    if (d.y <= 0.0) return {0, 0, 0};
    const double lift = d.y + 0.08;
    const double u = d.x / lift * 0.55, v = d.z / lift * 0.55;
    const double shape = Fbm3(u, v * 1.7, 0.5, 5, 57);
    const double belt = SmoothStep(0.0, 0.05, d.y) * (1.0 - SmoothStep(0.12, 0.42, d.y));
    *cover = SmoothStep(0.48, 0.72, shape) * belt * 0.9;
    const Colour shadow{0.05, 0.025, 0.07};
    const Colour lit{0.55, 0.24, 0.20};
    const double underside = SmoothStep(0.55, 0.8, shape);
    return Mix(shadow, lit, Clamp01(sunset * 1.2 + 0.1) * (0.5 + 0.5 * (1.0 - underside)));
}

// The colour seen on screen, where the scene's grey halves the texture.
Colour SkyColour(const Direction& d) {
    const double sunset = SunsetWeight(d);
    const Colour zenith{0.010, 0.012, 0.045};
    const Colour high{0.035, 0.028, 0.100};
    const Colour rose{0.20, 0.07, 0.20};
    const Colour amber{0.62, 0.26, 0.12};
    const Colour horizon = Mix(rose, amber, sunset);
    if (d.y >= 0.0) {
        const double t = std::pow(d.y, 0.5);
        Colour colour = Mix(horizon, high, SmoothStep(0.0, 0.45, t));
        colour = Mix(colour, zenith, SmoothStep(0.4, 1.0, t));
        colour = colour + Colour{0.55, 0.22, 0.10} * (std::exp(-d.y * 7.0) * sunset * 0.6);
        const double fadeIn = SmoothStep(0.03, 0.3, d.y);
        colour = colour + Nebula(d) * SmoothStep(0.0, 0.2, d.y);
        colour = colour + Stars(d) * (fadeIn * 0.55);
        double cover = 0.0;
        const Colour cloud = LowClouds(d, sunset, &cover);
        return Mix(colour, cloud, cover);
    }
    // The sea below: the horizon's light runs softly into a haze of the
    // water's teal that the distant waves fade into, then deep water, with a
    // faint path of afterglow.
    const Colour atHorizon = horizon + Colour{0.55, 0.22, 0.10} * (sunset * 0.6);
    const Colour haze = Mix(horizon * 0.45, Colour{0.05, 0.11, 0.16}, 0.6);
    Colour colour = Mix(atHorizon, haze, SmoothStep(0.0, 0.06, -d.y));
    colour = Mix(colour, Colour{0.006, 0.012, 0.035}, SmoothStep(0.04, 0.3, -d.y));
    colour = colour + amber * (std::exp(d.y * 14.0) * sunset * 0.2);
    return colour;
}

struct FaceJob {
    const double* corner0;
    const double* corner1;
    const double* corner3;
    RawImage* image;
};

void PaintSkyRow(int row, void* context) {
    const FaceJob& job = *static_cast<const FaceJob*>(context);
    const int n = job.image->size;
    // The file's first row is the top of the picture, texture coordinate t = 1.
    const double t = 1.0 - (row + 0.5) / n;
    for (int column = 0; column < n; ++column) {
        const double s = (column + 0.5) / n;
        double p[3];
        for (int k = 0; k < 3; ++k)
            p[k] = job.corner0[k] + s * (job.corner1[k] - job.corner0[k]) + t * (job.corner3[k] - job.corner0[k]);
        // The box keeps its floor while the camera flies between 10 and 70 above
        // its centre: seen from this height between the two the horizon is level.
        constexpr double kViewHeight = 42.0 / 250.0;
        const Colour colour = SkyColour(Normalised(p[0], p[1] - kViewHeight, p[2])) * 2.0;
        // A little dither keeps the dark gradients free of bands.
        const double dither = (Hash3(row, column, job.image->size, 99) - 0.5) / 255.0;
        std::uint8_t* texel = job.image->At(row, column);
        texel[0] = ToByte(colour.r + dither);
        texel[1] = ToByte(colour.g + dither);
        texel[2] = ToByte(colour.b + dither);
    }
}

}  // namespace

bool WriteSkyBox(const std::string& dataDir) {
    static const double corners[8][3] = {{-1, -1, -1}, {+1, -1, -1}, {+1, +1, -1}, {-1, +1, -1},
                                         {-1, -1, +1}, {+1, -1, +1}, {+1, +1, +1}, {-1, +1, +1}};
    struct Face {
        const char* file;
        int corners[4];
    };
    // The sky box's faces with the corners they are drawn with.
    static const Face faces[6] = {{dataName::kSkyFaces[0], {4, 5, 6, 7}}, {dataName::kSkyFaces[1], {5, 1, 2, 6}},
                                  {dataName::kSkyFaces[2], {1, 0, 3, 2}}, {dataName::kSkyFaces[3], {0, 4, 7, 3}},
                                  {dataName::kSkyFaces[4], {7, 6, 2, 3}}, {dataName::kSkyFaces[5], {4, 5, 1, 0}}};
    for (const Face& face : faces) {
        RawImage image(kSkySide, 3);
        FaceJob job{corners[face.corners[0]], corners[face.corners[1]], corners[face.corners[3]], &image};
        ForEachRow(kSkySide, PaintSkyRow, &job);
        if (!WriteRawImage(dataDir, face.file, image)) return false;
    }
    return true;
}

}  // namespace scene_data
