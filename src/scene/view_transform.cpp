#include "scene/view_transform.h"

#include <GL/gl.h>

#include <cmath>

void ReadViewTransform(ViewTransform* view) {
    glGetFloatv(GL_MODELVIEW_MATRIX, view->modelView);
    glGetFloatv(GL_PROJECTION_MATRIX, view->projection);
    glGetIntegerv(GL_VIEWPORT, view->viewport);
    const float* a = view->projection;
    const float* b = view->modelView;
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[column * 4 + k];
            view->modelViewProjection[column * 4 + row] = sum;
        }
}

void ToClip(const ViewTransform& view, const float* p, float* clip) {
    const float* m = view.modelViewProjection;
    for (int row = 0; row < 4; ++row) clip[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row];
}

void ToClipDirection(const ViewTransform& view, const float* d, float* clip) {
    const float* m = view.modelViewProjection;
    for (int row = 0; row < 4; ++row) clip[row] = m[row] * d[0] + m[4 + row] * d[1] + m[8 + row] * d[2];
}

void ToEye(const ViewTransform& view, const float* p, float* eye) {
    const float* m = view.modelView;
    for (int row = 0; row < 3; ++row) eye[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row];
}

float Length3(const float* v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }
