#include <GL/gl.h>

#include <cmath>

#include "scene/wave_surface.h"

namespace {

// The field's heights lie in [-2, 2]: two sines.
constexpr float kHeightBound = 2.0f;

// The tallest a coarse cell may appear, in pixels. The finest coarse step is
// 3, so only cells under a pixel tall are ever drawn coarser; on a grid that
// coarse the field's curve departs from the fine mesh by a few thousandths of
// a grid step, a shift of the far texels well under a pixel.
constexpr float kCoarseCellPixels = 3.0f;

// Column-major 4 x 4 matrix product a * b.
void Multiply(const float* a, const float* b, float* product) {
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[column * 4 + k];
            product[column * 4 + row] = sum;
        }
}

float Length(const float* v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

// Clip coordinates of the block corners, on the grid lines every 15 cells,
// at both ends of the height range.
struct BlockCorner {
    float clip[4];
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

}  // namespace

void ChooseWaveDetail(WaveDetail* detail) {
    float modelView[16], projection[16], mvp[16];
    GLint viewport[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    Multiply(projection, modelView, mvp);

    // A cell of the mesh, side by side with its neighbours, in eye space: its
    // sides along the grid's x and z, its area, and the distance h of the eye
    // from the mesh's plane. At depth z a cell then covers about
    // f^2 area h / z^3 pixels, f the projection's scale in pixels (exact for
    // a small flat patch, anywhere in the view), f side / z across and
    // f area h / (side z^2) along the line of sight: its height on screen.
    const float* xAxis = modelView;
    const float* zAxis = modelView + 8;
    const float normal[3] = {xAxis[1] * zAxis[2] - xAxis[2] * zAxis[1], xAxis[2] * zAxis[0] - xAxis[0] * zAxis[2],
                             xAxis[0] * zAxis[1] - xAxis[1] * zAxis[0]};
    const float area = Length(normal);
    const float side = std::fmax(Length(xAxis), Length(zAxis));
    const float* origin = modelView + 12;
    const float h =
        area > 0.0f ? std::fabs(normal[0] * origin[0] + normal[1] * origin[1] + normal[2] * origin[2]) / area : 0.0f;
    const float f = projection[5] * static_cast<float>(viewport[3]) * 0.5f;
    // Cell height on screen at depth z: heightScale / z^2.
    const float heightScale = side > 0.0f ? f * area * h / side : 0.0f;

    static BlockCorner corners[kWaveBlocks + 1][kWaveBlocks + 1][2];
    for (int bi = 0; bi <= kWaveBlocks; ++bi)
        for (int bj = 0; bj <= kWaveBlocks; ++bj)
            for (int level = 0; level < 2; ++level) {
                const float p[4] = {static_cast<float>(bj * kWaveBlockCells - 128),
                                    level == 0 ? -kHeightBound : kHeightBound,
                                    static_cast<float>(bi * kWaveBlockCells - 128), 1.0f};
                float* clip = corners[bi][bj][level].clip;
                for (int row = 0; row < 4; ++row)
                    clip[row] = mvp[row] * p[0] + mvp[4 + row] * p[1] + mvp[8 + row] * p[2] + mvp[12 + row] * p[3];
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
            // corner bounds every cell of the block.
            float nearest = box[0]->clip[3];
            for (const BlockCorner* corner : box) nearest = std::fmin(nearest, corner->clip[3]);
            step = 1;
            if (nearest <= 0.0f || heightScale <= 0.0f) continue;
            const float cellHeight = heightScale / (nearest * nearest);
            for (int coarse : kWaveCoarseSteps)
                if (static_cast<float>(coarse) * cellHeight <= kCoarseCellPixels) {
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
