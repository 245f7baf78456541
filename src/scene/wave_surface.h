// The wave surface: a 256 x 256 mesh whose heights follow two travelling
// sines, one along each grid axis, drawn additively with a texture whose
// tiling zooms in through zero to a mirrored tiling and back.
#pragma once

#include <GL/gl.h>

constexpr int kWaveSide = 256;
constexpr int kWaveVertices = kWaveSide * kWaveSide;
constexpr int kWaveCells = kWaveSide - 1;
constexpr int kWaveTriangles = kWaveCells * kWaveCells * 2;

constexpr float kWaveNumber = 0.029452432f;   // 3 pi / 320 per grid step
constexpr float kWavePhaseStep = 0.08726647f;  // 5 degrees a frame
constexpr float kWavePhaseWrap = 6.2831855f;
constexpr float kWaveZoomStep = 0.0001f;

// Triangle normals of one kind, padded with a zero ring: entry [r][c + 1]
// belongs to the cell between rows r - 1, r and columns c, c + 1.
using WaveCellNormals = float[kWaveSide + 1][kWaveSide + 1];

struct WaveSurface {
    // Heights for the next frame's mesh, row i by column j.
    float heights[kWaveVertices];
    // The heights the mesh shows this frame (the field one frame late).
    float meshHeights[kWaveVertices];
    // Vertex i * 256 + j is (j - 128, height, i - 128).
    float vertices[kWaveVertices][3];
    float normals[kWaveVertices][3];
    float texCoords[kWaveVertices][2];
    // Each grid row r (1..255) as one triangle strip: (r - 1, c), (r, c), ...
    // which yields the triangles of the cell list with the same winding.
    GLuint strips[kWaveCells][2 * kWaveSide];
    // x, y, z of the first (upper-left) and second triangle of every cell.
    WaveCellNormals first[3];
    WaveCellNormals second[3];
    float phase = 0.0f;
    float zoom = 0.5f;
    bool zoomRising = false;
    bool gridBuilt = false;
};

extern WaveSurface waveSurface;

// Flat field, phase 0, zoom 0.5 falling: the state at start-up.
void ResetWaveSurface();

// One frame's CPU work: the mesh from the heights made a frame earlier, the
// next heights, the smooth normals, the zoom step and the texture coordinates.
void UpdateWaveSurface();

// Smooth vertex normals of the mesh (from meshHeights): the sum of the unit
// normals of the triangles around each vertex, added in the order of the
// cell list, then made unit length.
void ComputeWaveNormals();

// Sends the mesh as it stands: client arrays, one strip per grid row.
void DrawWaveMesh();

// The same triangles with one normal, texture coordinate and vertex call per
// corner, in cell list order; kept as the reference the frame benchmark
// measures the strips against.
void DrawWaveMeshPerCorner();

// The mesh as the last UpdateWaveSurface left it, in its state (texture slot
// 7, source alpha + one); drawing it again changes nothing of the wave.
void DrawWaveSurface();

// The state the wave is drawn in (textured from slot 7, additive blending)
// and its removal afterwards: DrawWaveSurface's first and last steps.
void BeginWaveState();
void EndWaveState();
