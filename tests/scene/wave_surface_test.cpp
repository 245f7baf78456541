#include "scene/wave_surface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// Every case starts from the start-up state.
class WaveSurfaceTest : public ::testing::Test {
protected:
    void SetUp() override { ResetWaveSurface(); }
};

float DirectHeight(int i, int j, float phase) {
    return static_cast<float>(std::sin(i * static_cast<double>(kWaveNumber) + phase) +
                              std::sin(j * static_cast<double>(kWaveNumber) + phase));
}

// The smooth normals the triangle by triangle way: every triangle of the
// cell list, in order, adds its unit normal to its three corners.
std::vector<float> ReferenceNormals(const WaveSurface& wave) {
    std::vector<float> sum(kWaveVertices * 3, 0.0f);
    auto addTriangle = [&](int a, int b, int c) {
        const float* pa = wave.vertices[a];
        const float* pb = wave.vertices[b];
        const float* pc = wave.vertices[c];
        const float u[3] = {pa[0] - pb[0], pa[1] - pb[1], pa[2] - pb[2]};
        const float w[3] = {pb[0] - pc[0], pb[1] - pc[1], pb[2] - pc[2]};
        float n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
        float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        if (length == 0.0f) length = 1.0f;
        for (int v : {a, b, c})
            for (int k = 0; k < 3; ++k) sum[v * 3 + k] += n[k] / length;
    };
    for (int r = 1; r < kWaveSide; ++r)
        for (int c = 0; c < kWaveCells; ++c) {
            const int v = r * kWaveSide + c;
            addTriangle(v - 256, v, v - 255);
            addTriangle(v - 255, v, v + 1);
        }
    for (int v = 0; v < kWaveVertices; ++v) {
        float* n = &sum[v * 3];
        float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        if (length == 0.0f) length = 1.0f;
        for (int k = 0; k < 3; ++k) n[k] /= length;
    }
    return sum;
}

TEST_F(WaveSurfaceTest, FirstFrameIsFlatWithUpNormalsAndZoom04999) {
    UpdateWaveSurface();
    const float zoom = 0.5f - kWaveZoomStep;
    EXPECT_FLOAT_EQ(waveSurface.zoom, 0.4999f);
    for (int i = 0; i < kWaveSide; ++i)
        for (int j = 0; j < kWaveSide; ++j) {
            const int v = i * kWaveSide + j;
            ASSERT_EQ(waveSurface.vertices[v][0], j - 128.0f);
            ASSERT_EQ(waveSurface.vertices[v][1], 0.0f);
            ASSERT_EQ(waveSurface.vertices[v][2], i - 128.0f);
            ASSERT_EQ(waveSurface.normals[v][0], 0.0f);
            ASSERT_EQ(waveSurface.normals[v][1], 1.0f);
            ASSERT_EQ(waveSurface.normals[v][2], 0.0f);
            ASSERT_FLOAT_EQ(waveSurface.texCoords[v][0], j * zoom / 8.0f);
            ASSERT_FLOAT_EQ(waveSurface.texCoords[v][1], i * zoom / 8.0f);
        }
}

TEST_F(WaveSurfaceTest, MeshShowsTheHeightsOfTheFrameBefore) {
    UpdateWaveSurface();
    UpdateWaveSurface();
    // Second frame: the heights made with phase 0.
    EXPECT_EQ(waveSurface.vertices[0][1], 0.0f);
    for (int i = 0; i < kWaveSide; ++i)
        for (int j = 0; j < kWaveSide; ++j)
            ASSERT_EQ(waveSurface.vertices[i * kWaveSide + j][1], DirectHeight(i, j, 0.0f)) << i << "," << j;
    UpdateWaveSurface();
    for (int i = 0; i < kWaveSide; i += 5)
        for (int j = 0; j < kWaveSide; j += 3)
            ASSERT_EQ(waveSurface.vertices[i * kWaveSide + j][1], DirectHeight(i, j, kWavePhaseStep));
    // The corner vertex (row 255, column 255).
    EXPECT_EQ(waveSurface.vertices[kWaveVertices - 1][0], 127.0f);
    EXPECT_EQ(waveSurface.vertices[kWaveVertices - 1][2], 127.0f);
    EXPECT_EQ(waveSurface.vertices[kWaveVertices - 1][1], DirectHeight(255, 255, kWavePhaseStep));
}

TEST_F(WaveSurfaceTest, NormalsAreTheTriangleByTriangleSums) {
    for (int frame = 0; frame < 9; ++frame) {
        UpdateWaveSurface();
        if (frame != 1 && frame != 8) continue;
        const std::vector<float> expected = ReferenceNormals(waveSurface);
        for (int v = 0; v < kWaveVertices; ++v)
            for (int k = 0; k < 3; ++k)
                ASSERT_EQ(waveSurface.normals[v][k], expected[v * 3 + k]) << "frame " << frame << " vertex " << v;
    }
    // A slope tilts the normal against it: the crest of the row sine lies at
    // i k = pi/2, so rows before it lean towards -z.
    const int i = 20, j = 100;
    EXPECT_LT(waveSurface.normals[i * kWaveSide + j][2], 0.0f);
    EXPECT_GT(waveSurface.normals[i * kWaveSide + j][1], 0.9f);
}

TEST_F(WaveSurfaceTest, PhaseWrapsToTheRemainderOnceEvery72Frames) {
    float previous = waveSurface.phase;
    int wraps = 0;
    int lastWrap = -1;
    for (int frame = 0; frame < 200; ++frame) {
        UpdateWaveSurface();
        const float phase = waveSurface.phase;
        ASSERT_LE(phase, kWavePhaseWrap);
        if (phase < previous) {
            ++wraps;
            // Continues from the small remainder, not from 0.
            EXPECT_EQ(phase, (previous + kWavePhaseStep) - kWavePhaseWrap);
            EXPECT_GT(phase, 0.0f);
            if (lastWrap >= 0) {
                EXPECT_EQ(frame - lastWrap, 72);
            }
            lastWrap = frame;
        } else {
            EXPECT_EQ(phase, previous + kWavePhaseStep);
        }
        previous = phase;
    }
    EXPECT_EQ(wraps, 2);
}

TEST_F(WaveSurfaceTest, HeightsFollowThePhaseAfterTheWrap) {
    for (int frame = 0; frame < 73; ++frame) UpdateWaveSurface();
    // The next update makes its heights with this phase; the mesh shows them
    // one update later.
    const float phase = waveSurface.phase;
    EXPECT_LT(phase, 2.0f * kWavePhaseStep);
    UpdateWaveSurface();
    UpdateWaveSurface();
    for (int i = 0; i < kWaveSide; i += 17)
        for (int j = 0; j < kWaveSide; j += 13)
            ASSERT_EQ(waveSurface.vertices[i * kWaveSide + j][1], DirectHeight(i, j, phase));
}

TEST_F(WaveSurfaceTest, ZoomTurnsAtTheEndsOfItsRange) {
    // Falling through -0.5: the first value below it turns the zoom round,
    // and the next frame is above it again by one step.
    waveSurface.zoom = -0.4998f;
    float expected = -0.4998f;
    bool rising = false;
    int turns = 0;
    for (int frame = 0; frame < 6; ++frame) {
        UpdateWaveSurface();
        expected = rising ? expected + kWaveZoomStep : expected - kWaveZoomStep;
        if (!rising && expected < -0.5f) {
            rising = true;
            ++turns;
        }
        ASSERT_EQ(waveSurface.zoom, expected) << frame;
        ASSERT_EQ(waveSurface.zoomRising, rising) << frame;
        // The texture coordinates use the stepped zoom: mirrored tiling.
        ASSERT_FLOAT_EQ(waveSurface.texCoords[10][0], 10 * expected / 8.0f);
    }
    EXPECT_EQ(turns, 1);
    EXPECT_LT(waveSurface.zoom, -0.4995f);

    // And the same at the top: the first value above 0.5 turns it down.
    waveSurface.zoom = 0.4998f;
    waveSurface.zoomRising = true;
    expected = 0.4998f;
    rising = true;
    turns = 0;
    for (int frame = 0; frame < 6; ++frame) {
        UpdateWaveSurface();
        expected = rising ? expected + kWaveZoomStep : expected - kWaveZoomStep;
        if (rising && expected > 0.5f) {
            rising = false;
            ++turns;
        }
        ASSERT_EQ(waveSurface.zoom, expected) << frame;
        ASSERT_EQ(waveSurface.zoomRising, rising) << frame;
    }
    EXPECT_EQ(turns, 1);
    EXPECT_LT(waveSurface.zoom, 0.5f);
}

TEST_F(WaveSurfaceTest, StripsGiveTheCellListTrianglesWithTheirWinding) {
    UpdateWaveSurface();
    // Triangle k of a strip is (s[k], s[k+1], s[k+2]) for even k and
    // (s[k+1], s[k], s[k+2]) for odd k.
    for (int r = 1; r < kWaveSide; ++r) {
        const GLuint* strip = waveSurface.strips[r - 1];
        for (int c = 0; c < kWaveCells; ++c) {
            const GLuint v = static_cast<GLuint>(r * kWaveSide + c);
            const int k = 2 * c;
            ASSERT_EQ(strip[k], v - 256);
            ASSERT_EQ(strip[k + 1], v);
            ASSERT_EQ(strip[k + 2], v - 255);
            // Odd triangle k + 1: (s[k+2], s[k+1], s[k+3]) = (v-255, v, v+1).
            ASSERT_EQ(strip[k + 3], v + 1);
        }
    }
}

}  // namespace
