#include "scene/spinning_cube.h"

#include <GL/gl.h>

#include <cmath>
#include <utility>

#include "scene/camera_path.h"
#include "scene/textured_quad.h"

const QuadFace kCubeFaces[6] = {
    {10, {7, 6, 2, 3}}, {10, {0, 1, 5, 4}}, {18, {0, 4, 7, 3}},
    {19, {5, 1, 2, 6}}, {17, {4, 5, 6, 7}}, {16, {1, 0, 3, 2}},
};

float cubeFaceDistances[6];
int cubeFaceOrder[6];

void SortCubeFaces() {
    for (int f = 0; f < 6; ++f) {
        float squared = 0.0f;
        for (int k = 0; k < 3; ++k) {
            float centre = 0.0f;
            for (int corner : kCubeFaces[f].corners) centre += kCubeCorners[corner][k];
            const float offset = centre / 4.0f - eyePoint[k];
            squared += offset * offset;
        }
        cubeFaceDistances[f] = std::sqrt(squared);
        cubeFaceOrder[f] = f;
    }
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (int p = 0; p < 5; ++p) {
            if (cubeFaceDistances[p + 1] > cubeFaceDistances[p]) {
                std::swap(cubeFaceDistances[p], cubeFaceDistances[p + 1]);
                std::swap(cubeFaceOrder[p], cubeFaceOrder[p + 1]);
                swapped = true;
            }
        }
    }
}

void DrawSpinningCube() {
    SortCubeFaces();
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.1f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_BLEND);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_NORMALIZE);
    // Both sides of every panel show; culling stays off into the next frame.
    glDisable(GL_CULL_FACE);
    for (int f : cubeFaceOrder) {
        const QuadFace& face = kCubeFaces[f];
        DrawTexturedQuad(face.slot, kCubeCorners[face.corners[0]], kCubeCorners[face.corners[1]],
                         kCubeCorners[face.corners[2]], kCubeCorners[face.corners[3]]);
    }
    glDisable(GL_NORMALIZE);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_TEXTURE_2D);
}
