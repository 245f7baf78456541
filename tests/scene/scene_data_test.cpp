// The generated camera path: a smooth closed loop fitted to the frame counter.
// (The generated textures and model are guarded by the reference frames.)
#include <gtest/gtest.h>

#include <cmath>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "make_data.h"
#include "support/temp_dir.h"

namespace {

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
