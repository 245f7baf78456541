#include <cmath>

#include "scene/wave_surface.h"

// The grid's x and z steps are 1, so the cross products of the two triangles
// of a cell reduce to differences of heights. Each reduced term is exactly
// what the full cross product rounds to (products with 0 and +-1 are exact),
// and the sums below keep the order of the cell list, so the normals are the
// same floats as the triangle-by-triangle accumulation gives.
void ComputeWaveNormals() {
    WaveSurface& wave = waveSurface;
    for (int r = 1; r < kWaveSide; ++r) {
        const float* above = wave.meshHeights + (r - 1) * kWaveSide;
        const float* below = wave.meshHeights + r * kWaveSide;
        float* x1 = wave.first[0][r] + 1;
        float* y1 = wave.first[1][r] + 1;
        float* z1 = wave.first[2][r] + 1;
        float* x2 = wave.second[0][r] + 1;
        float* y2 = wave.second[1][r] + 1;
        float* z2 = wave.second[2][r] + 1;
        for (int c = 0; c < kWaveCells; ++c) {
            // First triangle (r-1, c), (r, c), (r-1, c+1):
            // u = (0, above[c] - below[c], -1), w = (-1, below[c] - above[c+1], 1).
            const float u1 = above[c] - below[c];
            const float w1 = below[c] - above[c + 1];
            const float nx1 = u1 + w1;
            const float nz1 = u1;
            float length1 = std::sqrt(nx1 * nx1 + 1.0f + nz1 * nz1);
            length1 = length1 == 0.0f ? 1.0f : length1;
            x1[c] = nx1 / length1;
            y1[c] = 1.0f / length1;
            z1[c] = nz1 / length1;
            // Second triangle (r-1, c+1), (r, c), (r, c+1):
            // u = (1, above[c+1] - below[c], -1), w = (-1, below[c] - below[c+1], 0).
            const float u2 = above[c + 1] - below[c];
            const float w2 = below[c] - below[c + 1];
            const float nx2 = w2;
            const float nz2 = w2 + u2;
            float length2 = std::sqrt(nx2 * nx2 + 1.0f + nz2 * nz2);
            length2 = length2 == 0.0f ? 1.0f : length2;
            x2[c] = nx2 / length2;
            y2[c] = 1.0f / length2;
            z2[c] = nz2 / length2;
        }
    }
    // A vertex (i, j) touches, in cell list order: the second triangle of
    // cell (i, j-1), both of cell (i, j), both of cell (i+1, j-1) and the first
    // of cell (i+1, j). Cells off the grid read the zero ring.
    for (int i = 0; i < kWaveSide; ++i) {
        float (*normal)[3] = wave.normals + i * kWaveSide;
        for (int k = 0; k < 3; ++k) {
            const float* firstHere = wave.first[k][i];
            const float* secondHere = wave.second[k][i];
            const float* firstNext = wave.first[k][i + 1];
            const float* secondNext = wave.second[k][i + 1];
            for (int j = 0; j < kWaveSide; ++j) {
                // Column c of a cell row sits at index c + 1.
                normal[j][k] = secondHere[j] + firstHere[j + 1] + secondHere[j + 1] + firstNext[j] + secondNext[j] +
                               firstNext[j + 1];
            }
        }
        for (int j = 0; j < kWaveSide; ++j) {
            float* n = normal[j];
            float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            length = length == 0.0f ? 1.0f : length;
            n[0] /= length;
            n[1] /= length;
            n[2] /= length;
        }
    }
}
