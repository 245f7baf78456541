#include <GL/gl.h>

#include <cmath>

#include "scene/view_transform.h"
#include "scene/wave_surface.h"

namespace {

// The field's heights lie in [-2, 2]: two sines.
constexpr float kHeightBound = 2.0f;

// How far a coarse grid may lie from the full one: on screen, in pixels, and
// across the texture where it meets a pixel's ray, in texels. Both bounds
// hold at the block's worst point; most of it lies well within them.
constexpr float kMaxErrorPixels = 0.5f;
constexpr float kMaxErrorTexels = 2.0f;

// Clip coordinates of the block corners, on the grid lines every 15 cells,
// at both ends of the height range.
struct BlockCorner {
    float clip[4];
    float distance;  // from the eye
};

// Outside one clip plane for all eight corners of the block's box: none of
// its triangles, which lie in that box, can reach a pixel.
bool OutsideView(const BlockCorner* corners[8]) {
    for (int plane = 0; plane < 6; ++plane) {
        const int axis = plane / 2;
        const float sign = plane % 2 == 0 ? 1.0f : -1.0f;
        bool allOutside = true;
        for (int k = 0; k < 8 && allOutside; ++k) {
            const float* c = corners[k]->clip;
            allOutside = sign * c[axis] > c[3];
        }
        if (allOutside) return true;
    }
    return false;
}

// How far, in the mesh's height units, a grid of every step-th line lies from
// the full grid at most. Each triangle of the coarse grid interpolates the
// separable field s(i) + s(j) linearly along i and j apart, so each sine's
// chord over `step` lines parts from its arc by at most (k step)^2 / 8.
float CoarseGridError(int step) {
    const float turn = kWaveNumber * static_cast<float>(step);
    return 2.0f * turn * turn / 8.0f;
}

}  // namespace

void ChooseWaveDetail(WaveDetail* detail) {
    ViewTransform view;
    ReadViewTransform(&view);
    const float* modelView = view.modelView;
    const float* projection = view.projection;
    const int* viewport = view.viewport;

    // A height error e moves a point at depth z by at most e (f + half the
    // view) / z pixels on screen, f the projection's scale in pixels: f e / z
    // across the line of sight, and as much again times the tangent of the
    // view's half angle for the part along it.
    const float* yAxis = modelView + 4;
    const float halfWidth = static_cast<float>(viewport[2]) * 0.5f;
    const float halfHeight = static_cast<float>(viewport[3]) * 0.5f;
    const float pixelsPerDepth =
        Length3(yAxis) * std::fmax(projection[0] * halfWidth + halfWidth, projection[5] * halfHeight + halfHeight);

    // Where the texture is minified, a pixel's colour is the texture's at the
    // point its ray meets the surface, and a height error e moves that point
    // across the surface by e / tan(a), a the angle at which the ray meets
    // it. The surface lies within the field's bound of the mesh's plane, h
    // below the eye, so at distance d tan(a) > sin(a) >= (h - bound) / d.
    const float* xAxis = modelView;
    const float* zAxis = modelView + 8;
    const float normal[3] = {xAxis[1] * zAxis[2] - xAxis[2] * zAxis[1], xAxis[2] * zAxis[0] - xAxis[0] * zAxis[2],
                             xAxis[0] * zAxis[1] - xAxis[1] * zAxis[0]};
    const float area = Length3(normal);
    const float* origin = modelView + 12;
    const float eyeHeight =
        area > 0.0f ? std::fabs(normal[0] * origin[0] + normal[1] * origin[1] + normal[2] * origin[2]) / area : 0.0f;
    const float clearance = eyeHeight - kHeightBound * Length3(yAxis);
    // The texture's texels along one unit of the eye's space: s = j zoom / 8.
    GLint textureSide = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &textureSide);
    const float texelsPerUnit =
        static_cast<float>(textureSide) * std::fabs(waveSurface.zoom) / 8.0f / std::fmax(Length3(xAxis), 1e-6f);

    static BlockCorner corners[kWaveBlocks + 1][kWaveBlocks + 1][2];
    for (int bi = 0; bi <= kWaveBlocks; ++bi)
        for (int bj = 0; bj <= kWaveBlocks; ++bj)
            for (int level = 0; level < 2; ++level) {
                const float p[3] = {static_cast<float>(bj * kWaveBlockCells - 128),
                                    level == 0 ? -kHeightBound : kHeightBound,
                                    static_cast<float>(bi * kWaveBlockCells - 128)};
                BlockCorner& corner = corners[bi][bj][level];
                ToClip(view, p, corner.clip);
                float eye[3];
                ToEye(view, p, eye);
                corner.distance = Length3(eye);
            }

    for (int bi = 0; bi < kWaveBlocks; ++bi)
        for (int bj = 0; bj < kWaveBlocks; ++bj) {
            const BlockCorner* box[8];
            int k = 0;
            for (int di = 0; di < 2; ++di)
                for (int dj = 0; dj < 2; ++dj)
                    for (int level = 0; level < 2; ++level) box[k++] = &corners[bi + di][bj + dj][level];
            unsigned char& step = detail->steps[bi][bj];
            if (OutsideView(box)) {
                step = 0;
                continue;
            }
            // With a perspective projection w is the depth; the nearest
            // corner bounds every point of the block.
            float nearest = box[0]->clip[3], farthest = 0.0f;
            for (const BlockCorner* corner : box) {
                nearest = std::fmin(nearest, corner->clip[3]);
                farthest = std::fmax(farthest, corner->distance);
            }
            step = 1;
            if (nearest <= 0.0f || clearance <= 0.0f) continue;
            const float texelsPerError = Length3(yAxis) * farthest / clearance * texelsPerUnit;
            for (int coarse : kWaveCoarseSteps)
                if (CoarseGridError(coarse) * pixelsPerDepth <= kMaxErrorPixels * nearest &&
                    CoarseGridError(coarse) * texelsPerError <= kMaxErrorTexels) {
                    step = static_cast<unsigned char>(coarse);
                    break;
                }
        }
}

namespace {

int CommonStep(int a, int b) {
    int x = a, y = b;
    while (y != 0) {
        const int rest = x % y;
        x = y;
        y = rest;
    }
    return a / x * b;
}

// The vertices strictly inside one block edge, from `first` on, `stride` apart.
void FitEdge(int first, int stride, int step, bool fit) {
    WaveSurface& wave = waveSurface;
    for (int t = 1; t < kWaveBlockCells; ++t) {
        const int v = first + t * stride;
        if (!fit || t % step == 0) {
            wave.vertices[v][1] = wave.meshHeights[v];
            continue;
        }
        const int t0 = t - t % step;
        const float h0 = wave.meshHeights[first + t0 * stride];
        const float h1 = wave.meshHeights[first + (t0 + step) * stride];
        wave.vertices[v][1] = h0 + (h1 - h0) * static_cast<float>(t - t0) / static_cast<float>(step);
    }
}

}  // namespace

void FitWaveSeams(const WaveDetail& detail, bool fit) {
    for (int bi = 0; bi < kWaveBlocks; ++bi)
        for (int bj = 0; bj < kWaveBlocks; ++bj) {
            const int here = detail.steps[bi][bj];
            if (here == 0) continue;
            // The edge to the right neighbour: column (bj + 1) * 15, going down.
            if (bj + 1 < kWaveBlocks) {
                const int there = detail.steps[bi][bj + 1];
                if (there != 0 && there != here)
                    FitEdge(bi * kWaveBlockCells * kWaveSide + (bj + 1) * kWaveBlockCells, kWaveSide,
                            CommonStep(here, there), fit);
            }
            // The edge to the neighbour below: row (bi + 1) * 15, going right.
            if (bi + 1 < kWaveBlocks) {
                const int there = detail.steps[bi + 1][bj];
                if (there != 0 && there != here)
                    FitEdge((bi + 1) * kWaveBlockCells * kWaveSide + bj * kWaveBlockCells, 1, CommonStep(here, there),
                            fit);
            }
        }
}

void BuildWaveIndices(WaveDetail* detail) {
    GLushort* out = detail->indices;
    for (int bi = 0; bi < kWaveBlocks; ++bi)
        for (int bj = 0; bj < kWaveBlocks; ++bj) {
            const int step = detail->steps[bi][bj];
            if (step == 0) continue;
            const int up = step * kWaveSide;
            for (int r = bi * kWaveBlockCells + step; r <= (bi + 1) * kWaveBlockCells; r += step)
                for (int c = bj * kWaveBlockCells; c < (bj + 1) * kWaveBlockCells; c += step) {
                    const int v = r * kWaveSide + c;
                    // The cell list's two triangles of the coarser cell.
                    const int corners[6] = {v - up, v, v - up + step, v - up + step, v, v + step};
                    for (int corner : corners) *out++ = static_cast<GLushort>(corner);
                }
        }
    detail->indexCount = static_cast<int>(out - detail->indices);
}
