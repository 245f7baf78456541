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

// The filters the sky's faces are loaded with; the minifying one only applies
// where a face has more than one texel to a pixel. Where only one of them can
// apply, the other is set to it: the renderer then skips choosing between
// them for every pixel, and no pixel changes. (Cutting a face on which both
// apply into patches, each with its own choice, cost more in draws than it
// saved.)
void ChooseSkyFilters(const ViewTransform& view, const QuadFace& face) {
    GLint minFilter = kSkyMinFilter, magFilter = kSkyMagFilter;
    if (!sceneFullDetail) {
        const TexelScale scale = MeasureTexelScale(view, kCubeCorners[face.corners[0]], kCubeCorners[face.corners[1]],
                                                   kCubeCorners[face.corners[3]], kSkyTextureSide, kSkyTextureSide);
        if (scale.known && scale.most <= kSurelyMagnified) minFilter = magFilter;
        if (scale.known && scale.least >= kSurelyMinified) magFilter = minFilter;
    }
    // Only the texture drawn next: each draw sets its own filters first.
    glBindTexture(GL_TEXTURE_2D, SceneTextureName(face.slot));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
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
    for (const QuadFace& face : kSkyBoxFaces) {
        ChooseSkyFilters(view, face);
        DrawTexturedQuad(face.slot, kCubeCorners[face.corners[0]], kCubeCorners[face.corners[1]],
                         kCubeCorners[face.corners[2]], kCubeCorners[face.corners[3]]);
    }
    glPopMatrix();
}
