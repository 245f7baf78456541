#include <cmath>

#include "scene/wave_surface.h"

namespace {

// Unit normals of the two triangles of every cell of one grid row, from the
// heights of the rows above (r - 1) and below (r).
void CellNormals(const float* __restrict above, const float* __restrict below, float* __restrict x1,
                 float* __restrict y1, float* __restrict z1, float* __restrict x2, float* __restrict y2,
                 float* __restrict z2) {
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

// One component of the sums around the vertices of grid row i: the second
// triangle of cell (i, j-1), both of cell (i, j), both of cell (i+1, j-1)
// and the first of cell (i+1, j), in the cell list's order. Column c of a
// cell row sits at index c + 1; cells off the grid read the zero ring.
void SumRow(const float* __restrict firstHere, const float* __restrict secondHere, const float* __restrict firstNext,
            const float* __restrict secondNext, float* __restrict sum) {
    for (int j = 0; j < kWaveSide; ++j)
        sum[j] = secondHere[j] + firstHere[j + 1] + secondHere[j + 1] + firstNext[j] + secondNext[j] + firstNext[j + 1];
}

void NormaliseRow(const float* __restrict sx, const float* __restrict sy, const float* __restrict sz,
                  float (*__restrict normal)[3]) {
    float ux[kWaveSide], uy[kWaveSide], uz[kWaveSide];
    for (int j = 0; j < kWaveSide; ++j) {
        float length = std::sqrt(sx[j] * sx[j] + sy[j] * sy[j] + sz[j] * sz[j]);
        length = length == 0.0f ? 1.0f : length;
        ux[j] = sx[j] / length;
        uy[j] = sy[j] / length;
        uz[j] = sz[j] / length;
    }
    for (int j = 0; j < kWaveSide; ++j) {
        normal[j][0] = ux[j];
        normal[j][1] = uy[j];
        normal[j][2] = uz[j];
    }
}

}  // namespace

// The grid's x and z steps are 1, so the cross products of the two triangles
// of a cell reduce to differences of heights. Each reduced term is exactly
// what the full cross product rounds to (products with 0 and +-1 are exact),
// and the sums keep the order of the cell list, so the normals are the same
// floats as the triangle-by-triangle accumulation gives. Row by row and
// component by component, the loops run four lanes at a time.
void ComputeWaveNormals() {
    WaveSurface& wave = waveSurface;
    for (int r = 1; r < kWaveSide; ++r) {
        CellNormals(wave.meshHeights + (r - 1) * kWaveSide, wave.meshHeights + r * kWaveSide, wave.first[0][r] + 1,
                    wave.first[1][r] + 1, wave.first[2][r] + 1, wave.second[0][r] + 1, wave.second[1][r] + 1,
                    wave.second[2][r] + 1);
    }
    for (int i = 0; i < kWaveSide; ++i) {
        float sums[3][kWaveSide];
        for (int k = 0; k < 3; ++k)
            SumRow(wave.first[k][i], wave.second[k][i], wave.first[k][i + 1], wave.second[k][i + 1], sums[k]);
        NormaliseRow(sums[0], sums[1], sums[2], wave.normals + i * kWaveSide);
    }
    wave.normalsCurrent = true;
}
