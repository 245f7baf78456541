// The wave surface: a 256 x 256 mesh whose heights follow two travelling
// sines, one along each grid axis, drawn additively with a texture whose
// tiling zooms in through zero to a mirrored tiling and back.
#pragma once

#include <GL/gl.h>

constexpr int kWaveSide = 256;
constexpr int kWaveVertices = kWaveSide * kWaveSide;
constexpr int kWaveCells = kWaveSide - 1;
constexpr int kWaveTriangles = kWaveCells * kWaveCells * 2;

constexpr float kWaveNumber = 0.029452432f;    // 3 pi / 320 per grid step
constexpr float kWavePhaseStep = 0.08726647f;  // 5 degrees a frame
constexpr float kWavePhaseWrap = 6.2831855f;
constexpr float kWaveZoomStep = 0.0001f;

// Triangle normals of one kind, padded with a zero ring: entry [r][c + 1]
// belongs to the cell between rows r - 1, r and columns c, c + 1.
using WaveCellNormals = float[kWaveSide + 1][kWaveSide + 1];

// One view's choice of what to draw. The mesh is cut into 17 x 17 blocks of
// 15 x 15 cells; each block is drawn on every step-th grid line, or not at
// all when it lies wholly outside the view.
constexpr int kWaveBlockCells = 15;
constexpr int kWaveBlocks = kWaveCells / kWaveBlockCells;
constexpr int kWaveCoarseSteps[] = {15, 5, 3};  // the coarser first; each divides 15

struct WaveDetail {
    // Grid step of each block, [block row][block column]; 0: outside the view.
    unsigned char steps[kWaveBlocks][kWaveBlocks];
    // The triangles of every block drawn, three corners each, in the cell
    // list's corner order and winding.
    GLushort indices[kWaveTriangles * 3];
    int indexCount;
};

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
    // The normals match meshHeights. They are made only when a view is drawn
    // with lighting on: without it nothing reads them.
    bool normalsCurrent = false;
    WaveDetail detail;
};

extern WaveSurface waveSurface;

// Flat field, phase 0, zoom 0.5 falling: the state at start-up.
void ResetWaveSurface();

// One frame's CPU work: the mesh from the heights made a frame earlier, the
// next heights, the zoom step and the texture coordinates. The normals wait
// for a view drawn with lighting (normalsCurrent).
void UpdateWaveSurface();

// Smooth vertex normals of the mesh (from meshHeights): the sum of the unit
// normals of the triangles around each vertex, added in the order of the
// cell list, then made unit length.
void ComputeWaveNormals();

// Fills `detail` for the current view (viewport, projection and model-view
// as they stand, the mesh in object coordinates): blocks wholly outside the
// frustum get step 0, so leaving them out changes no pixel; every other block
// the coarsest step of kWaveCoarseSteps whose grid, by the field's known bound
// on how far a coarse grid departs from it, moves no point of the block more
// than half a pixel on screen nor what a pixel samples of the bound texture
// by more than a texel; step 1 where none does.
void ChooseWaveDetail(WaveDetail* detail);

// Where two drawn blocks of different steps meet, the finer block's vertices
// on their shared edge are moved onto the coarser block's edge, so that no
// crack opens between them (fit), and back to the field (!fit).
void FitWaveSeams(const WaveDetail& detail, bool fit);

// The index list of the drawn blocks; each block at its step gives the cell
// list's triangles of the coarser grid, in the same corner order.
void BuildWaveIndices(WaveDetail* detail);

// Sends the mesh as it stands for the current view: client arrays, the
// blocks ChooseWaveDetail picks at their steps (every cell, one strip per grid
// row, with sceneFullDetail); normals only with lighting on.
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
