// The generated data set: the textures' sizes, sky faces that meet without
// seams, alpha that cuts, and a smooth closed camera path fitted to the counter.
#include <gtest/gtest.h>

#include <cmath>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "make_data.h"
#include "support/temp_dir.h"

namespace {

TEST(SceneData, TexturesHaveTheirSizesTheSameBytesEachRunAndAlphaThatCuts) {
    TempDir first, second;
    for (const TempDir* dir : {&first, &second}) {
        ASSERT_TRUE(WriteSceneTextures(dir->Path() + "/"));
        ASSERT_TRUE(WriteCameraPath(dir->Path() + "/"));
    }
    for (auto [name, bytes] : {std::pair{"9", 512 * 512 * 4}, {"3", 1024 * 1024 * 4}, {"4", 256 * 256 * 4},
                               {"8", 256 * 256 * 4}, {"5", 512 * 512 * 4}, {"2", 256 * 256 * 4}, {"1", 256 * 256 * 4},
                               {"d", 512 * 512 * 3}, {"f", 512 * 512 * 3}, {"b", 512 * 512 * 3}, {"e", 512 * 512 * 3},
                               {"g", 512 * 512 * 3}, {"c", 512 * 512 * 3}, {"p", 0}}) {
        const std::string data = ReadFileBytes(first.Path() + "/" + name);
        EXPECT_TRUE(bytes == 0 || data.size() == size_t(bytes)) << name;
        EXPECT_TRUE(data == ReadFileBytes(second.Path() + "/" + name)) << name;
        if (bytes != 0 && data.size() % 4 == 0 && name[0] <= '9') {
            size_t cut = 0, bright = 0;
            for (size_t k = 3; k < data.size(); k += 4) cut += std::uint8_t(data[k]) <= (name[0] == '9' ? 10 : 25), bright += std::uint8_t(data[k]) >= 200;
            if (name[0] == '9') {
                EXPECT_EQ(cut, 0u) << "the water is never cut";
            } else {
                EXPECT_GT(cut, data.size() / 20) << name;  // glyphs with halos, the rest cut away
                EXPECT_GT(bright, data.size() / 800) << name;
            }
        }
    }
}

// Texel (s, t) of a sky face lies at c0 + s (c1 - c0) + t (c3 - c0), its first
// row at t = 1: a texel on an edge and the one across it on the neighbouring
// face show nearly the same colour, as directions computed them.
TEST(SceneData, SkyFacesMeetWithoutSeams) {
    TempDir dir;
    ASSERT_TRUE(WriteSceneTextures(dir.Path() + "/"));
    const struct { const char* name; int corners[4]; } faces[6] = {
        {"d", {4, 5, 6, 7}}, {"f", {5, 1, 2, 6}}, {"b", {1, 0, 3, 2}}, {"e", {0, 4, 7, 3}}, {"g", {7, 6, 2, 3}}, {"c", {4, 5, 1, 0}}};
    const double corner[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1}, {-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}};
    constexpr int n = 512;
    std::string bytes[6];
    for (int f = 0; f < 6; ++f) bytes[f] = ReadFileBytes(dir.Path() + "/" + faces[f].name);
    auto texel = [&](int f, double s, double t, int c) {
        const int column = std::min(n - 1, int(s * n)), row = std::min(n - 1, int((1.0 - t) * n));
        return int(std::uint8_t(bytes[f][(size_t(row) * n + column) * 3 + c]));
    };
    double across = 0, along = 0;
    int pairs = 0;
    for (int f = 0; f < 6; ++f)
        for (int k = 0; k < n; k += 3)
            for (int side = 0; side < 4; ++side) {
                const double m = (k + 0.5) / n, s = side < 2 ? m : side - 2, t = side < 2 ? side : m;
                const double *c0 = corner[faces[f].corners[0]], *c1 = corner[faces[f].corners[1]], *c3 = corner[faces[f].corners[3]];
                double p[3];
                for (int a = 0; a < 3; ++a) p[a] = c0[a] + s * (c1[a] - c0[a]) + t * (c3[a] - c0[a]);
                for (int g = 0; g < 6; ++g) {
                    const double *d0 = corner[faces[g].corners[0]], *d1 = corner[faces[g].corners[1]], *d3 = corner[faces[g].corners[3]];
                    double sg = 0, tg = 0, off = 0;
                    for (int a = 0; a < 3; ++a) {
                        sg += (p[a] - d0[a]) * (d1[a] - d0[a]) / 4, tg += (p[a] - d0[a]) * (d3[a] - d0[a]) / 4;
                        if (d1[a] == d0[a] && d3[a] == d0[a]) off = std::fabs(p[a] - d0[a]);
                    }
                    if (g == f || off > 1e-9 || sg < -1e-9 || sg > 1 + 1e-9 || tg < -1e-9 || tg > 1 + 1e-9) continue;
                    const double inside = s < 0.5 ? s + 1.0 / n : s - 1.0 / n;
                    for (int c = 0; c < 3; ++c) {
                        across += std::abs(texel(f, s, t, c) - texel(g, std::min(sg, 1 - 0.5 / n), std::min(tg, 1 - 0.5 / n), c));
                        along += std::abs(texel(f, s, t, c) - texel(f, inside, t, c));
                    }
                    ++pairs;
                }
            }
    ASSERT_GT(pairs, 6 * 4 * n / 6);
    EXPECT_LT(across / pairs, 3.0 * along / pairs + 3.0) << "no bigger a step across an edge than inside a face";
}

TEST(SceneData, CameraPathIsASmoothLoopFittedToTheFrameCounter) {
    TempDir dir;
    ASSERT_TRUE(WriteCameraPath(dir.Path() + "/"));
    std::FILE* file = std::fopen((dir.Path() + "/p").c_str(), "r");
    ASSERT_NE(file, nullptr);
    std::vector<std::array<float, 3>> lines;
    for (std::array<float, 3> p; std::fscanf(file, "%f,%f,%f\n", &p[0], &p[1], &p[2]) == 3;) lines.push_back(p);
    std::fclose(file);
    // One step per counter value, no line break at the end: the file loops
    // without a repeated step. Step n is read when the counter becomes n.
    ASSERT_EQ(lines.size(), 2u * 3101);
    EXPECT_NE(ReadFileBytes(dir.Path() + "/p").back(), '\n');
    auto eye = [&](int step) { return lines[2 * ((step + 3100) % 3101)]; };
    auto distance = [](std::array<float, 3> a, std::array<float, 3> b) {
        return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
    };
    EXPECT_LT(distance(eye(3101), {-1.2607f, 60.0682f, 129.0309f}), 1e-3) << "closes at the first frame's eye";
    for (int step = 1; step <= 3101; ++step) {
        const auto a = eye(step);
        const float radius = std::sqrt(a[0] * a[0] + a[2] * a[2]);
        ASSERT_LT(distance(a, eye(step % 3101 + 1)), 2.0f) << step;
        ASSERT_GT(a[1], 8.0f) << "above the water " << step;
        ASSERT_GT(radius, step < 2000 ? 100.0f : 45.0f) << "clear of the cube " << step;
        ASSERT_TRUE(step >= 2000 || radius < 200.0f) << "circling the centre " << step;
    }
    // The flight starts and ends looking at the centre: no jump at 2000 and 0.
    for (int step : {2000, 3100}) {
        const auto a = eye(step), t = lines[2 * ((step + 3100) % 3101) + 1];
        const float view[3] = {t[0] - a[0], t[1] - a[1], t[2] - a[2]}, centre[3] = {-a[0], 40 - a[1], -a[2]};
        const float dot = view[0] * centre[0] + view[1] * centre[1] + view[2] * centre[2];
        EXPECT_GT(dot / distance(t, a) / distance({0, 40, 0}, a), 0.999f) << step;
    }
}

}  // namespace
