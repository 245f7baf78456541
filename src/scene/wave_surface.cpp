#include "scene/wave_surface.h"

#include <cmath>
#include <cstring>

WaveSurface waveSurface;

namespace {

// x, z of the grid and the strip indices never change; they are made once.
void BuildGrid(WaveSurface& wave) {
    for (int i = 0; i < kWaveSide; ++i) {
        for (int j = 0; j < kWaveSide; ++j) {
            float* vertex = wave.vertices[i * kWaveSide + j];
            vertex[0] = static_cast<float>(j - 128);
            vertex[2] = static_cast<float>(i - 128);
        }
    }
    for (int r = 1; r < kWaveSide; ++r) {
        GLuint* strip = wave.strips[r - 1];
        for (int c = 0; c < kWaveSide; ++c) {
            strip[2 * c] = static_cast<GLuint>((r - 1) * kWaveSide + c);
            strip[2 * c + 1] = static_cast<GLuint>(r * kWaveSide + c);
        }
    }
    wave.gridBuilt = true;
}

// The field is separable: height(i, j) = s(i) + s(j) with one table of sines,
// the same double-precision sums as the sine pair per vertex.
void ComputeHeights(WaveSurface& wave) {
    double sines[kWaveSide];
    for (int i = 0; i < kWaveSide; ++i)
        sines[i] =
            std::sin(static_cast<double>(i) * static_cast<double>(kWaveNumber) + static_cast<double>(wave.phase));
    for (int i = 0; i < kWaveSide; ++i) {
        float* row = wave.heights + i * kWaveSide;
        const double rowSine = sines[i];
        for (int j = 0; j < kWaveSide; ++j) row[j] = static_cast<float>(rowSine + sines[j]);
    }
    wave.phase += kWavePhaseStep;
    // Continues from the remainder, not from 0.
    if (wave.phase > kWavePhaseWrap) wave.phase -= kWavePhaseWrap;
}

void StepZoom(WaveSurface& wave) {
    if (!wave.zoomRising) {
        wave.zoom -= kWaveZoomStep;
        if (wave.zoom < -0.5f) wave.zoomRising = true;
    } else {
        wave.zoom += kWaveZoomStep;
        if (wave.zoom > 0.5f) wave.zoomRising = false;
    }
}

void ComputeTexCoords(WaveSurface& wave) {
    // (x + 128) * (zoom * 256) / 2048 for x = j - 128, per column and row.
    float scaled[kWaveSide];
    const float zoomScale = wave.zoom * 256.0f;
    for (int j = 0; j < kWaveSide; ++j) scaled[j] = static_cast<float>(j) * zoomScale * (1.0f / 2048.0f);
    for (int i = 0; i < kWaveSide; ++i) {
        float(*row)[2] = wave.texCoords + i * kWaveSide;
        for (int j = 0; j < kWaveSide; ++j) {
            row[j][0] = scaled[j];
            row[j][1] = scaled[i];
        }
    }
}

}  // namespace

void ResetWaveSurface() {
    std::memset(waveSurface.heights, 0, sizeof waveSurface.heights);
    waveSurface.phase = 0.0f;
    waveSurface.zoom = 0.5f;
    waveSurface.zoomRising = false;
}

void UpdateWaveSurface() {
    WaveSurface& wave = waveSurface;
    if (!wave.gridBuilt) BuildGrid(wave);
    // The mesh shows the heights of the previous frame's update.
    std::memcpy(wave.meshHeights, wave.heights, sizeof wave.heights);
    for (int v = 0; v < kWaveVertices; ++v) wave.vertices[v][1] = wave.meshHeights[v];
    wave.normalsCurrent = false;
    ComputeHeights(wave);
    // Stepped before use: the first frame draws with 0.4999.
    StepZoom(wave);
    ComputeTexCoords(wave);
}
