#include "scene/texel_scale.h"

#include <cmath>

namespace {

// Samples along each side of the quad. The scale varies smoothly over a flat
// quad, so its extremes in view lie within a sample step of a sample.
constexpr int kSamples = 16;
// The view's edges widened by this share of half the view: samples just
// outside still count, so a sliver in view between samples is covered.
constexpr float kViewMargin = 0.25f;

}  // namespace

TexelScale MeasureTexelScale(const ViewTransform& view, const float* c0, const float* c1, const float* c3, int width,
                             int height) {
    TexelScale scale{false, 0.0f, 0.0f};
    float origin[4], alongU[4], alongV[4];
    const float du[3] = {c1[0] - c0[0], c1[1] - c0[1], c1[2] - c0[2]};
    const float dv[3] = {c3[0] - c0[0], c3[1] - c0[1], c3[2] - c0[2]};
    ToClip(view, c0, origin);
    ToClipDirection(view, du, alongU);
    ToClipDirection(view, dv, alongV);
    const float halfWidth = static_cast<float>(view.viewport[2]) * 0.5f;
    const float halfHeight = static_cast<float>(view.viewport[3]) * 0.5f;
    const float near = 1.0f + kViewMargin;
    bool any = false;
    for (int i = 0; i <= kSamples; ++i)
        for (int j = 0; j <= kSamples; ++j) {
            const float u = static_cast<float>(i) / kSamples, v = static_cast<float>(j) / kSamples;
            float c[4];
            for (int k = 0; k < 4; ++k) c[k] = origin[k] + u * alongU[k] + v * alongV[k];
            const float w = c[3];
            if (!(w > 0.0f && std::fabs(c[0]) <= near * w && std::fabs(c[1]) <= near * w &&
                  std::fabs(c[2]) <= near * w)) {
                continue;
            }
            // Window position (x, y) = half view * clip / w; its derivatives
            // along the quad's u and v.
            const float xu = halfWidth * (alongU[0] * w - c[0] * alongU[3]) / (w * w);
            const float xv = halfWidth * (alongV[0] * w - c[0] * alongV[3]) / (w * w);
            const float yu = halfHeight * (alongU[1] * w - c[1] * alongU[3]) / (w * w);
            const float yv = halfHeight * (alongV[1] * w - c[1] * alongV[3]) / (w * w);
            const float det = xu * yv - xv * yu;
            if (det == 0.0f) return scale;  // seen edge on: no bound
            // Texels per pixel along x and y: the inverse Jacobian's columns
            // in texels.
            const float alongX = std::hypot(width * yv, height * yu) / std::fabs(det);
            const float alongY = std::hypot(width * xv, height * xu) / std::fabs(det);
            const float rho = std::fmax(alongX, alongY);
            scale.least = any ? std::fmin(scale.least, rho) : rho;
            scale.most = any ? std::fmax(scale.most, rho) : rho;
            any = true;
        }
    scale.known = any;
    return scale;
}
