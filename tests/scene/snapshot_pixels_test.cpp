#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "scene_folder.h"

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 60;
const double kEye[3] = {-1.2607, 60.0682, 129.0309};

// Where a world point lands in the first frame's picture (top row first):
// the perspective of the resize step and the look at the centre (0, 40, 0).
bool Project(double x, double y, double z, int* column, int* row) {
    const double forward[3] = {-kEye[0], 40.0 - kEye[1], -kEye[2]};
    const double fl = std::sqrt(forward[0] * forward[0] + forward[1] * forward[1] + forward[2] * forward[2]);
    const double f[3] = {forward[0] / fl, forward[1] / fl, forward[2] / fl};
    // side = f x up, up' = side x f
    double s[3] = {-f[2], 0.0, f[0]};
    const double sl = std::sqrt(s[0] * s[0] + s[2] * s[2]);
    s[0] /= sl;
    s[2] /= sl;
    const double u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]};
    const double d[3] = {x - kEye[0], y - kEye[1], z - kEye[2]};
    const double cx = s[0] * d[0] + s[1] * d[1] + s[2] * d[2];
    const double cy = u[0] * d[0] + u[1] * d[1] + u[2] * d[2];
    const double depth = f[0] * d[0] + f[1] * d[1] + f[2] * d[2];
    if (depth <= 1.0) return false;
    const double focal = 1.0 / std::tan(35.0 * 3.14159265358979323846 / 180.0);
    const double aspect = static_cast<double>(kWidth) / kHeight;
    const double nx = focal / aspect * cx / depth, ny = focal * cy / depth;
    *column = static_cast<int>(std::floor((nx + 1.0) / 2.0 * kWidth));
    *row = kHeight - 1 - static_cast<int>(std::floor((ny + 1.0) / 2.0 * kHeight));
    return *column >= 0 && *column < kWidth && *row >= 0 && *row < kHeight;
}

struct Pixel {
    int r, g, b;
    int Sum() const { return r + g + b; }
};

Pixel At(const RgbImage& image, double x, double y, double z) {
    int column = 0, row = 0;
    EXPECT_TRUE(Project(x, y, z, &column, &row)) << x << "," << y << "," << z;
    if (image.rgb.empty() || column < 0 || row < 0 || column >= image.width || row >= image.height) return {-1, -1, -1};
    const std::uint8_t* p = image.At(column, row);
    return {p[0], p[1], p[2]};
}

// A program folder of plain colours: each sky face its own, every additive
// texture fully cut unless a case says otherwise.
class SnapshotPixels : public ::testing::Test {
protected:
    void SetUp() override {
        const char* sky[6][2] = {{"b", "\x80\x00\x00"}, {"f", "\x00\x80\x00"}, {"e", "\x00\x00\x80"},
                                 {"d", "\x80\x80\x00"}, {"g", "\x80\x00\x80"}, {"c", "\x00\x80\x80"}};
        for (auto& face : sky) folder.WriteSolid(face[0], 512, std::string(face[1], 3));
        const std::string cut("\xff\xff\xff\x00", 4);
        folder.WriteSolid("9", 512, cut);
        folder.WriteSolid("3", 1024, cut);
        folder.WriteSolid("5", 512, cut);
        for (const char* panel : {"4", "8", "2", "1"}) folder.WriteSolid(panel, 256, cut);
        folder.Write("p", "-1.2607,60.0682,129.0309\n-1.2621,60.0652,128.8863");
    }
    RgbImage Snapshot() {
        std::string png;
        const ProcessResult result = folder.Snapshot(std::to_string(kWidth) + "x" + std::to_string(kHeight), 1, &png);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        RgbImage image = ReadPng(png);
        EXPECT_EQ(image.width, kWidth);
        EXPECT_EQ(image.height, kHeight);
        return image;
    }
    SceneFolder folder;
};

TEST_F(SnapshotPixels, SkyBoxFacesWhereTheyMustBe) {
    const RgbImage image = Snapshot();
    ASSERT_FALSE(image.rgb.empty());
    const double x = kEye[0], z = kEye[2];
    // Ahead, above the cube: the z = -1 face (red).
    const Pixel ahead = At(image, x, 100.0, z - 250.0);
    EXPECT_GT(ahead.r, 90);
    EXPECT_LT(ahead.g + ahead.b, 30);
    // Right: the x = +1 face (green); left: the x = -1 face (blue).
    const Pixel right = At(image, x + 250.0, 70.0, z - 230.0);
    EXPECT_GT(right.g, 90);
    EXPECT_LT(right.r + right.b, 30);
    const Pixel left = At(image, x - 250.0, 70.0, z - 230.0);
    EXPECT_GT(left.b, 90);
    EXPECT_LT(left.r + left.g, 30);
    // The face behind the camera (yellow) and the top (magenta) never show
    // in the upper half.
    for (int row = 0; row < kHeight / 2; ++row)
        for (int column = 0; column < kWidth; ++column) {
            const std::uint8_t* p = image.At(column, row);
            ASSERT_FALSE(p[0] > 60 && p[1] > 60) << column << "," << row;
            ASSERT_FALSE(p[0] > 60 && p[2] > 60) << column << "," << row;
        }
}

TEST_F(SnapshotPixels, GroundAddsToTheSkyBehindIt) {
    const RgbImage without = Snapshot();
    folder.WriteSolid("3", 1024, std::string("\xff\xff\xff\xff", 4));
    const RgbImage with = Snapshot();
    ASSERT_FALSE(without.rgb.empty());
    ASSERT_FALSE(with.rgb.empty());
    const double points[2][3] = {{40.0, -6.1, 20.0}, {-60.0, -6.1, 0.0}};
    for (const auto& point : points) {
        const Pixel before = At(without, point[0], point[1], point[2]);
        const Pixel after = At(with, point[0], point[1], point[2]);
        EXPECT_GE(after.r, before.r);
        EXPECT_GE(after.g, before.g);
        EXPECT_GE(after.b, before.b);
        EXPECT_GT(after.Sum(), before.Sum() + 150) << point[0];
    }
    // Above the horizon, nothing changes.
    const Pixel skyBefore = At(without, kEye[0], 100.0, kEye[2] - 250.0);
    const Pixel skyAfter = At(with, kEye[0], 100.0, kEye[2] - 250.0);
    EXPECT_EQ(skyBefore.Sum(), skyAfter.Sum());
}

TEST_F(SnapshotPixels, CubePanelsAreCutAtAlphaOneTenth) {
    const RgbImage without = Snapshot();
    // The front panel (z = +1): its left half at alpha 25/255 (below 0.1),
    // its right half opaque white.
    std::string panel;
    for (int row = 0; row < 256; ++row)
        for (int column = 0; column < 256; ++column)
            panel += column < 128 ? std::string("\xff\xff\xff\x19", 4) : std::string("\xff\xff\xff\xff", 4);
    folder.Write("4", panel);
    const RgbImage with = Snapshot();
    ASSERT_FALSE(without.rgb.empty());
    ASSERT_FALSE(with.rgb.empty());
    // The first frame turns the cube by 1 degree only: the front face stays at z = 20.
    const Pixel cutBefore = At(without, -10.0, 25.0, 20.2);
    const Pixel cutAfter = At(with, -10.0, 25.0, 20.2);
    EXPECT_NEAR(cutAfter.Sum(), cutBefore.Sum(), 3);
    const Pixel litBefore = At(without, 10.0, 25.0, 20.2);
    const Pixel litAfter = At(with, 10.0, 25.0, 20.2);
    // Added with the ground's grey: about half of white on every channel.
    EXPECT_GT(litAfter.r, litBefore.r + 90);
    EXPECT_GT(litAfter.g, litBefore.g + 90);
    EXPECT_GT(litAfter.b, litBefore.b + 90);
}

}  // namespace
