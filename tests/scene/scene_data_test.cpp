// The generated data set: the textures' sizes, seamless sky box edges,
// alpha that cuts, and a smooth closed camera path fitted to the counter.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "make_data.h"
#include "support/temp_dir.h"

namespace {

class SceneData : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new TempDir;
        dir = folder->Path() + "/";
        ASSERT_TRUE(WriteSceneTextures(dir));
        ASSERT_TRUE(WriteCameraPath(dir));
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }
    static TempDir* folder;
    static std::string dir;
};
TempDir* SceneData::folder = nullptr;
std::string SceneData::dir;

TEST_F(SceneData, EveryTextureHasTheTableSizeAndTheSameBytesEachRun) {
    const struct {
        const char* name;
        std::size_t bytes;
    } table[] = {{"9", 512 * 512 * 4}, {"3", 1024 * 1024 * 4}, {"4", 256 * 256 * 4}, {"8", 256 * 256 * 4},
                 {"5", 512 * 512 * 4}, {"2", 256 * 256 * 4},   {"1", 256 * 256 * 4}, {"d", 512 * 512 * 3},
                 {"f", 512 * 512 * 3}, {"b", 512 * 512 * 3},   {"e", 512 * 512 * 3}, {"g", 512 * 512 * 3},
                 {"c", 512 * 512 * 3}};
    TempDir again;
    ASSERT_TRUE(WriteSceneTextures(again.Path() + "/"));
    ASSERT_TRUE(WriteCameraPath(again.Path() + "/"));
    for (const auto& t : table) {
        const std::string bytes = ReadFileBytes(dir + t.name);
        EXPECT_EQ(bytes.size(), t.bytes) << t.name;
        EXPECT_TRUE(bytes == ReadFileBytes(again.Path() + "/" + t.name)) << t.name;
    }
    EXPECT_TRUE(ReadFileBytes(dir + "p") == ReadFileBytes(again.Path() + "/p"));
}

// The sky faces with the corners they are drawn with; texel (row, column)
// of a face lies at c0 + s (c1 - c0) + t (c3 - c0), its first row at t = 1.
struct SkyFace {
    const char* name;
    int corners[4];
};
const SkyFace kSky[6] = {{"d", {4, 5, 6, 7}}, {"f", {5, 1, 2, 6}}, {"b", {1, 0, 3, 2}},
                         {"e", {0, 4, 7, 3}}, {"g", {7, 6, 2, 3}}, {"c", {4, 5, 1, 0}}};
const double kCorners[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                               {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};

void TexelPoint(const SkyFace& face, double s, double t, double* p) {
    const double* c0 = kCorners[face.corners[0]];
    const double* c1 = kCorners[face.corners[1]];
    const double* c3 = kCorners[face.corners[3]];
    for (int k = 0; k < 3; ++k) p[k] = c0[k] + s * (c1[k] - c0[k]) + t * (c3[k] - c0[k]);
}

// s, t of the point on the face's square, when it lies on it.
bool FaceCoordinates(const SkyFace& face, const double* p, double* s, double* t) {
    const double* c0 = kCorners[face.corners[0]];
    const double* c1 = kCorners[face.corners[1]];
    const double* c3 = kCorners[face.corners[3]];
    double a = 0, b = 0, off = 0;
    for (int k = 0; k < 3; ++k) {
        const double e1 = c1[k] - c0[k], e3 = c3[k] - c0[k];
        a += (p[k] - c0[k]) * e1 / 4.0;
        b += (p[k] - c0[k]) * e3 / 4.0;
        if (e1 == 0 && e3 == 0) off = std::fabs(p[k] - c0[k]);
    }
    *s = a;
    *t = b;
    return off < 1e-9 && a >= -1e-9 && a <= 1 + 1e-9 && b >= -1e-9 && b <= 1 + 1e-9;
}

TEST_F(SceneData, SkyFacesMeetWithoutSeams) {
    constexpr int n = 512;
    std::vector<std::string> faces;
    for (const SkyFace& face : kSky) faces.push_back(ReadFileBytes(dir + face.name));
    auto texel = [&](int f, double s, double t, int channel) {
        const int column = std::min(n - 1, static_cast<int>(s * n));
        const int row = std::min(n - 1, static_cast<int>((1.0 - t) * n));
        return static_cast<unsigned char>(faces[f][(static_cast<std::size_t>(row) * n + column) * 3 + channel]);
    };
    // Along every edge texel of every face, the texel across the edge on the
    // neighbouring face has nearly the same colour; a wrongly turned face
    // would not.
    double across = 0.0, along = 0.0;
    int pairs = 0;
    for (int f = 0; f < 6; ++f) {
        for (int k = 0; k < n; ++k) {
            const double mid = (k + 0.5) / n;
            const double edges[4][2] = {{mid, 0.0}, {mid, 1.0}, {0.0, mid}, {1.0, mid}};
            for (const auto& edge : edges) {
                double p[3];
                TexelPoint(kSky[f], edge[0], edge[1], p);
                for (int g = 0; g < 6; ++g) {
                    double s = 0, t = 0;
                    if (g == f || !FaceCoordinates(kSky[g], p, &s, &t)) continue;
                    const double si = std::min(std::max(edge[0], 0.5 / n), 1 - 0.5 / n);
                    const double ti = std::min(std::max(edge[1], 0.5 / n), 1 - 0.5 / n);
                    const double sj = std::min(std::max(s, 0.5 / n), 1 - 0.5 / n);
                    const double tj = std::min(std::max(t, 0.5 / n), 1 - 0.5 / n);
                    // The neighbouring texel inside the same face, for scale.
                    const double ni = (si < 0.5 ? si + 1.0 / n : si - 1.0 / n);
                    for (int c = 0; c < 3; ++c) {
                        across += std::abs(texel(f, si, ti, c) - texel(g, sj, tj, c));
                        along += std::abs(texel(f, si, ti, c) - texel(f, ni, ti, c));
                    }
                    ++pairs;
                }
            }
        }
    }
    ASSERT_GT(pairs, 6 * 4 * n / 2);
    // No bigger a step across a seam than from one texel to the next inside.
    EXPECT_LT(across / pairs, 3.0 * along / pairs + 3.0) << across / pairs << " vs " << along / pairs;
}

TEST_F(SceneData, PanelsCutMostTexelsAndLightTheirShapes) {
    for (const char* name : {"3", "4", "8", "5", "2", "1"}) {
        const std::string bytes = ReadFileBytes(dir + name);
        std::size_t cut = 0, bright = 0;
        const std::size_t texels = bytes.size() / 4;
        for (std::size_t k = 0; k < texels; ++k) {
            const unsigned alpha = static_cast<unsigned char>(bytes[k * 4 + 3]);
            if (alpha <= 25) ++cut;
            if (alpha >= 200) ++bright;
        }
        // Glyphs with halos, the rest cut away: both kinds are plentiful.
        EXPECT_GT(cut, texels / 5) << name;
        EXPECT_GT(bright, texels / 200) << name;
        EXPECT_LT(bright, texels / 2) << name;
    }
    // The water is never cut: its alpha is a soft weight everywhere.
    const std::string water = ReadFileBytes(dir + "9");
    for (std::size_t k = 3; k < water.size(); k += 4) ASSERT_GT(static_cast<unsigned char>(water[k]), 10);
}

TEST_F(SceneData, CameraPathIsASmoothLoopFittedToTheFrameCounter) {
    std::FILE* file = std::fopen((dir + "p").c_str(), "r");
    ASSERT_NE(file, nullptr);
    std::vector<std::vector<float>> lines;
    char line[80];
    while (std::fgets(line, sizeof line, file) != nullptr) {
        std::vector<float> point(3);
        ASSERT_EQ(std::sscanf(line, "%f,%f,%f", &point[0], &point[1], &point[2]), 3) << line;
        lines.push_back(point);
    }
    std::fclose(file);
    // 3101 steps of two lines: one step per counter value; the last line has
    // no line break, so the file loops without a repeated step.
    ASSERT_EQ(lines.size(), 2u * 3101);
    const std::string bytes = ReadFileBytes(dir + "p");
    EXPECT_NE(bytes.back(), '\n');
    // Step n is read when the counter becomes n mod 3101; it starts next to
    // the first frame's eye point and the loop closes there.
    const float start[3] = {-1.2607f, 60.0682f, 129.0309f};
    auto eye = [&](int step) { return lines[2 * ((step + 3100) % 3101)]; };
    auto target = [&](int step) { return lines[2 * ((step + 3100) % 3101) + 1]; };
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(eye(3101)[k], start[k], 1e-3);
    double largest = 0.0;
    for (int step = 1; step <= 3101; ++step) {
        const auto a = eye(step), b = eye(step % 3101 + 1);
        const double d = std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                                   (a[2] - b[2]) * (a[2] - b[2]));
        largest = std::max(largest, d);
        // Above the water and clear of the cube (centre (0, 25, 0), 40 wide).
        EXPECT_GT(a[1], 8.0f) << step;
        EXPECT_GT(std::sqrt(a[0] * a[0] + a[2] * a[2]), 45.0f) << step;
    }
    EXPECT_LT(largest, 2.0);
    // While the counter is below 2000 the camera circles the centre at a
    // distance where the cube and the water read well.
    for (int step = 1; step < 2000; ++step) {
        const auto a = eye(step);
        const double radius = std::sqrt(a[0] * a[0] + a[2] * a[2]);
        EXPECT_GT(radius, 100.0) << step;
        EXPECT_LT(radius, 200.0) << step;
    }
    // The flight starts and ends looking at the centre, so the switch of the
    // look-at point at 2000 and back at 0 doesn't jump.
    for (int step : {2000, 3100}) {
        const auto a = eye(step), t = target(step);
        const double view[3] = {t[0] - a[0], t[1] - a[1], t[2] - a[2]};
        const double centre[3] = {-a[0], 40.0 - a[1], -a[2]};
        const double dot = view[0] * centre[0] + view[1] * centre[1] + view[2] * centre[2];
        const double norms = std::sqrt(view[0] * view[0] + view[1] * view[1] + view[2] * view[2]) *
                             std::sqrt(centre[0] * centre[0] + centre[1] * centre[1] + centre[2] * centre[2]);
        EXPECT_GT(dot / norms, 0.999) << step;
    }
}

}  // namespace
