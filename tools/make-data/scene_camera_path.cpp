// The camera path "p": one closed flight, one step a frame, 3101 steps that
// match the frame counter's cycle. Steps 1..1999 and the last one (where the
// counter reads 0) circle the centre once while the camera looks at it; steps
// 2000..3100 leave the circle, swoop out low over the water, come round
// behind the cube, skim past its side and climb back, looking along the way,
// and end where the circle began.
#include <cmath>
#include <cstdio>
#include <vector>

#include "make_data.h"
#include "settings/data_names.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSteps = 3101;       // the frame counter's cycle, 0..3100
constexpr int kOrbitSteps = 2000;  // the counter values that look at the centre
constexpr int kSamplesPerSegment = 400;

struct P3 {
    double x, y, z;
};
P3 operator+(P3 a, P3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
P3 operator-(P3 a, P3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
P3 operator*(P3 a, double f) { return {a.x * f, a.y * f, a.z * f}; }
double Length(P3 a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }
P3 Normalised(P3 a) { return a * (1.0 / Length(a)); }

double SmoothStep(double edge0, double edge1, double x) {
    double t = (x - edge0) / (edge1 - edge0);
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    return t * t * (3.0 - 2.0 * t);
}

// The first frame's eye point, where the circle starts and the flight ends.
const P3 kStart{-1.2607, 60.0682, 129.0309};
const P3 kCentre{0.0, 40.0, 0.0};

P3 Cylindrical(double turn, double radius, double height) {
    const double start = std::atan2(kStart.x, kStart.z);
    return {radius * std::sin(start + turn), height, radius * std::cos(start + turn)};
}

// Centripetal Catmull-Rom between p1 and p2: no loops or cusps between
// unevenly spaced points.
P3 CatmullRom(P3 p0, P3 p1, P3 p2, P3 p3, double u) {
    const double t0 = 0.0;
    const double t1 = t0 + std::sqrt(Length(p1 - p0));
    const double t2 = t1 + std::sqrt(Length(p2 - p1));
    const double t3 = t2 + std::sqrt(Length(p3 - p2));
    const double t = t1 + (t2 - t1) * u;
    const P3 a1 = p0 * ((t1 - t) / (t1 - t0)) + p1 * ((t - t0) / (t1 - t0));
    const P3 a2 = p1 * ((t2 - t) / (t2 - t1)) + p2 * ((t - t1) / (t2 - t1));
    const P3 a3 = p2 * ((t3 - t) / (t3 - t2)) + p3 * ((t - t2) / (t3 - t2));
    const P3 b1 = a1 * ((t2 - t) / (t2 - t0)) + a2 * ((t - t0) / (t2 - t0));
    const P3 b2 = a2 * ((t3 - t) / (t3 - t1)) + a3 * ((t - t1) / (t3 - t1));
    return b1 * ((t2 - t) / (t2 - t1)) + b2 * ((t - t1) / (t2 - t1));
}

// The closed curve sampled densely, with the arc length at every sample.
struct Curve {
    std::vector<P3> points;
    std::vector<double> lengths;

    P3 At(double s) const {
        const double total = lengths.back();
        s = std::fmod(s, total);
        if (s < 0.0) s += total;
        std::size_t lo = 0, hi = lengths.size() - 1;
        while (hi - lo > 1) {
            const std::size_t mid = (lo + hi) / 2;
            (lengths[mid] <= s ? lo : hi) = mid;
        }
        const double span = lengths[hi] - lengths[lo];
        const double f = span > 0.0 ? (s - lengths[lo]) / span : 0.0;
        return points[lo] + (points[hi] - points[lo]) * f;
    }
};

Curve SampleClosed(const std::vector<P3>& control) {
    Curve curve;
    const int n = static_cast<int>(control.size());
    for (int k = 0; k < n; ++k) {
        const P3 p0 = control[(k + n - 1) % n], p1 = control[k], p2 = control[(k + 1) % n], p3 = control[(k + 2) % n];
        for (int i = 0; i < kSamplesPerSegment; ++i)
            curve.points.push_back(CatmullRom(p0, p1, p2, p3, static_cast<double>(i) / kSamplesPerSegment));
    }
    curve.points.push_back(control[0]);
    curve.lengths.push_back(0.0);
    for (std::size_t i = 1; i < curve.points.size(); ++i)
        curve.lengths.push_back(curve.lengths.back() + Length(curve.points[i] - curve.points[i - 1]));
    return curve;
}

}  // namespace

bool WriteCameraPath(const std::string& dataDir) {
    // The circle: twelve points, widening and rising behind the model (which
    // floats about 115 behind the cube), back at the start after one turn.
    std::vector<P3> control;
    constexpr int kOrbitPoints = 12;
    for (int k = 0; k < kOrbitPoints; ++k) {
        const double a = 2.0 * kPi * k / kOrbitPoints;
        control.push_back(k == 0 ? kStart
                                 : Cylindrical(a, Length({kStart.x, 0, kStart.z}) + 21.0 * (1.0 - std::cos(a)),
                                               kStart.y + 8.0 * (1.0 - std::cos(a)) + 4.0 * std::sin(2.0 * a)));
    }
    const int flightStart = static_cast<int>(control.size());
    control.push_back(kStart);
    // The flight: out to the right and down over the water, round behind the
    // cube, in low along its side, then up and back into the circle.
    const P3 flight[] = {{105, 44, 118},  {210, 26, 30},  {200, 15, -130}, {80, 12, -205},
                         {-70, 13, -175}, {-92, 15, -40}, {-78, 26, 55},   {-40, 45, 112}};
    for (const P3& f : flight) control.push_back(f);
    const Curve curve = SampleClosed(control);

    const double orbitLength = curve.lengths[static_cast<std::size_t>(flightStart) * kSamplesPerSegment];
    const double flightLength = curve.lengths.back() - orbitLength;
    const int flightSteps = kSteps - kOrbitSteps;
    // The flight speeds up from the circle's pace and slows down to it again.
    std::vector<double> blend(flightSteps);
    double blendSum = 0.0;
    for (int q = 0; q < flightSteps; ++q) {
        blend[q] = SmoothStep(0.0, 160.0, q) * (1.0 - SmoothStep(flightSteps - 170.0, flightSteps - 1.0, q));
        blendSum += blend[q];
    }
    const double orbitSpeed = orbitLength / kOrbitSteps;
    const double flightSpeed = orbitSpeed + (flightLength - flightSteps * orbitSpeed) / blendSum;

    // Arc length at each counter value m; the file's step n has m = n mod 3101.
    std::vector<double> arc(kSteps);
    double s = 0.0;
    for (int m = 0; m < kSteps; ++m) {
        arc[m] = s;
        s += m < kOrbitSteps ? orbitSpeed : orbitSpeed + (flightSpeed - orbitSpeed) * blend[m - kOrbitSteps];
    }

    const std::string path = dataDir + dataName::kCameraPath;
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) {
        std::fprintf(stderr, "make-data: can't write %s\n", path.c_str());
        return false;
    }
    for (int n = 1; n <= kSteps; ++n) {
        const int m = n % kSteps;
        const P3 eye = curve.At(arc[m]);
        P3 target = kCentre;
        if (m >= kOrbitSteps) {
            // Turns from the centre to the way ahead and, before the circle
            // takes over again, back to the centre.
            const int q = m - kOrbitSteps;
            const double look =
                0.85 * SmoothStep(0.0, 200.0, q) * (1.0 - SmoothStep(flightSteps - 260.0, flightSteps - 1.0, q));
            // Along the path, but level with a slight look down at the water
            // while it climbs or dives.
            P3 ahead = curve.At(arc[m] + 60.0) - eye;
            ahead.y *= 0.3;
            ahead = Normalised(Normalised(ahead) + P3{0.0, -0.1, 0.0});
            const P3 toCentre = Normalised(kCentre - eye);
            target = eye + Normalised(toCentre * (1.0 - look) + ahead * look) * 20.0;
        }
        // The last line has no line break: reading it meets the end of the
        // file, and the next step starts again at the first line.
        std::fprintf(file, "%.4f,%.4f,%.4f\n%.4f,%.4f,%.4f%s", eye.x, eye.y, eye.z, target.x, target.y, target.z,
                     n < kSteps ? "\n" : "");
    }
    const bool ok = std::ferror(file) == 0;
    if (std::fclose(file) != 0 || !ok) {
        std::fprintf(stderr, "make-data: can't write %s\n", path.c_str());
        return false;
    }
    return true;
}
