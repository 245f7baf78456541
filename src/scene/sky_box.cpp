#include <GL/gl.h>

#include "scene/backdrop.h"
#include "scene/camera_path.h"
#include "scene/scene.h"
#include "scene/scene_textures.h"
#include "scene/texel_scale.h"
#include "scene/textured_quad.h"

const QuadFace kSkyBoxFaces[6] = {
    {5, {4, 5, 6, 7}}, {4, {5, 1, 2, 6}}, {1, {1, 0, 3, 2}}, {3, {0, 4, 7, 3}}, {2, {7, 6, 2, 3}}, {6, {4, 5, 1, 0}},
};

namespace {

// Away from one texel a pixel by these shares, a face counts as magnified or
// minified everywhere in view: the renderer measures the scale per group of
// pixels, and the samples lie apart.
constexpr float kSurelyMagnified = 0.8f;
constexpr float kSurelyMinified = 1.25f;

// Each face of the sky, where both its filters apply, as this many patches a
// side: most patches then lie wholly on one side of one texel a pixel.
constexpr int kSkyPatches = 4;
// Samples of the texel scale along a face's side: a patch takes its share.
constexpr int kFaceSamples = 16;

// The filters the sky's faces are loaded with; the minifying one only applies
// where a face has more than one texel to a pixel. Where only one of them can
// apply over the quad c0 c1 c3 (a face or a patch of it, `texels` a side),
// the other is set to it: the renderer then skips choosing between them for
// every pixel, and no pixel changes.
enum class SkyFilters { kUnmeasured, kBoth, kOne };
SkyFilters ChooseSkyFilters(const ViewTransform& view, GLuint slot, const float* c0, const float* c1, const float* c3,
                            int texels) {
    GLint minFilter = kSkyMinFilter, magFilter = kSkyMagFilter;
    TexelScale scale{false, 0.0f, 0.0f};
    if (!sceneFullDetail) {
        scale = MeasureTexelScale(view, c0, c1, c3, texels, texels, kFaceSamples * texels / kSkyTextureSide);
        if (scale.known && scale.most <= kSurelyMagnified) minFilter = magFilter;
        if (scale.known && scale.least >= kSurelyMinified) magFilter = minFilter;
    }
    // Only the texture drawn next: each draw sets its own filters first.
    glBindTexture(GL_TEXTURE_2D, SceneTextureName(slot));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    if (!scale.known) return SkyFilters::kUnmeasured;
    return minFilter == magFilter ? SkyFilters::kOne : SkyFilters::kBoth;
}

// A point of the face c0 c1 c2 c3 (a parallelogram) at its texture
// coordinates (s, t).
void FacePoint(const float* c0, const float* c1, const float* c3, float s, float t, float* p) {
    for (int k = 0; k < 3; ++k) p[k] = c0[k] + s * (c1[k] - c0[k]) + t * (c3[k] - c0[k]);
}

void DrawSkyFace(const ViewTransform& view, const QuadFace& face) {
    const float* c0 = kCubeCorners[face.corners[0]];
    const float* c1 = kCubeCorners[face.corners[1]];
    const float* c2 = kCubeCorners[face.corners[2]];
    const float* c3 = kCubeCorners[face.corners[3]];
    // Lit (the first frame), the colour is lit at each corner and spread over
    // the polygon: patches would light it differently.
    if (ChooseSkyFilters(view, face.slot, c0, c1, c3, kSkyTextureSide) != SkyFilters::kBoth ||
        glIsEnabled(GL_LIGHTING)) {
        DrawTexturedQuad(face.slot, c0, c1, c2, c3);
        return;
    }
    constexpr float kSide = 1.0f / kSkyPatches;
    for (int i = 0; i < kSkyPatches; ++i)
        for (int j = 0; j < kSkyPatches; ++j) {
            const float s0 = kSide * static_cast<float>(i), s1 = kSide * static_cast<float>(i + 1);
            const float t0 = kSide * static_cast<float>(j), t1 = kSide * static_cast<float>(j + 1);
            float p0[3], p1[3], p2[3], p3[3];
            FacePoint(c0, c1, c3, s0, t0, p0);
            FacePoint(c0, c1, c3, s1, t0, p1);
            FacePoint(c0, c1, c3, s1, t1, p2);
            FacePoint(c0, c1, c3, s0, t1, p3);
            ChooseSkyFilters(view, face.slot, p0, p1, p3, kSkyTextureSide / kSkyPatches);
            DrawTexturedPatch(face.slot, p0, p1, p2, p3, s0, t0, s1, t1);
        }
}

}  // namespace

void DrawSkyBox() {
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glPushMatrix();
    // Follows the camera over the ground but not up and down.
    glTranslatef(eyePoint[0], 0.0f, eyePoint[2]);
    glScalef(250.0f, 250.0f, 250.0f);
    ViewTransform view;
    ReadViewTransform(&view);
    for (const QuadFace& face : kSkyBoxFaces) DrawSkyFace(view, face);
    glPopMatrix();
}
