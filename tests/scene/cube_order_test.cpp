#include <gtest/gtest.h>

#include <vector>

#include "scene/camera_path.h"
#include "scene/spinning_cube.h"
#include "scene/textured_quad.h"

namespace {

TEST(CubeOrder, FarthestFaceFirstForTheEyePoint) {
    const struct {
        float eye[3];
        std::vector<int> order;
    } cases[] = {
        // The first frame: back, bottom, x = +1, x = -1, top, front.
        {{-1.2607f, 60.0682f, 129.0309f}, {5, 1, 3, 2, 0, 4}},
        // On the plane x = 0 faces 2 and 3 tie and keep their order.
        {{0.0f, 60.0f, 129.0f}, {5, 1, 2, 3, 0, 4}},
        // Far out on +x: four faces tie between the far and the near side.
        {{100.0f, 0.0f, 0.0f}, {2, 0, 1, 4, 5, 3}},
        // Below: the top face is farthest.
        {{0.0f, -50.0f, 0.0f}, {0, 2, 3, 4, 5, 1}},
        // Distances squared 43, 59, 57, 45, 61, 41.
        {{3.0f, 4.0f, -5.0f}, {4, 1, 2, 3, 0, 5}},
        // Behind and to the left.
        {{-40.0f, 10.0f, -90.0f}, {4, 3, 1, 0, 2, 5}},
    };
    for (const auto& c : cases) {
        for (int k = 0; k < 3; ++k) eyePoint[k] = c.eye[k];
        SortCubeFaces();
        EXPECT_EQ(std::vector<int>(cubeFaceOrder, cubeFaceOrder + 6), c.order)
            << c.eye[0] << "," << c.eye[1] << "," << c.eye[2];
        for (int k = 0; k + 1 < 6; ++k) EXPECT_GE(cubeFaceDistances[k], cubeFaceDistances[k + 1]);
    }
}

TEST(CubeOrder, EveryFaceNormalPointsOutOfTheCube) {
    for (const QuadFace& face : kCubeFaces) {
        float normal[3];
        QuadNormal(kCubeCorners[face.corners[0]], kCubeCorners[face.corners[1]], kCubeCorners[face.corners[2]],
                   normal);
        float centre[3] = {0, 0, 0};
        for (int corner : face.corners)
            for (int k = 0; k < 3; ++k) centre[k] += kCubeCorners[corner][k] / 4.0f;
        EXPECT_FLOAT_EQ(normal[0] * centre[0] + normal[1] * centre[1] + normal[2] * centre[2], 1.0f);
    }
}

TEST(TexturedQuad, NormalsOfTheTables) {
    float normal[3];
    // A degenerate corner list: the first three on a line.
    const float a[3] = {0, 0, 0}, b[3] = {1, 1, 1}, c[3] = {2, 2, 2};
    QuadNormal(a, b, c, normal);
    EXPECT_EQ(normal[0], 0.0f);
    EXPECT_EQ(normal[1], 0.0f);
    EXPECT_EQ(normal[2], 0.0f);
    QuadNormal(kGroundCorners[0], kGroundCorners[1], kGroundCorners[2], normal);
    EXPECT_EQ(normal[0], 0.0f);
    EXPECT_EQ(normal[1], 1.0f);
    EXPECT_EQ(normal[2], 0.0f);
    // The sky box's bottom face points up, into the box; the others outward.
    for (int f = 0; f < 6; ++f) {
        const QuadFace& face = kSkyBoxFaces[f];
        QuadNormal(kCubeCorners[face.corners[0]], kCubeCorners[face.corners[1]], kCubeCorners[face.corners[2]],
                   normal);
        float centre[3] = {0, 0, 0};
        for (int corner : face.corners)
            for (int k = 0; k < 3; ++k) centre[k] += kCubeCorners[corner][k] / 4.0f;
        const float outward = normal[0] * centre[0] + normal[1] * centre[1] + normal[2] * centre[2];
        EXPECT_FLOAT_EQ(outward, f == 5 ? -1.0f : 1.0f) << "sky face " << f;
    }
}

}  // namespace
