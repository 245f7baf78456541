// The current view's matrices as GL holds them, for choices made on the CPU
// before drawing (what is in view, how large it appears).
#pragma once

struct ViewTransform {
    float modelView[16];  // column-major, as GL keeps them
    float projection[16];
    float modelViewProjection[16];
    int viewport[4];  // x, y, width, height
};

// The model-view and projection matrices and the viewport as they stand.
void ReadViewTransform(ViewTransform* view);

// Clip coordinates of the object point p (w = 1), or of the direction d
// (w = 0) with ToClipDirection.
void ToClip(const ViewTransform& view, const float* p, float* clip);
void ToClipDirection(const ViewTransform& view, const float* d, float* clip);

// Eye coordinates of the object point p (w = 1).
void ToEye(const ViewTransform& view, const float* p, float* eye);

// Length of a 3-vector.
float Length3(const float* v);
