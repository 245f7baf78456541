#include <GL/gl.h>

#include "scene/backdrop.h"
#include "scene/camera_path.h"
#include "scene/textured_quad.h"

const QuadFace kSkyBoxFaces[6] = {
    {5, {4, 5, 6, 7}}, {4, {5, 1, 2, 6}}, {1, {1, 0, 3, 2}}, {3, {0, 4, 7, 3}}, {2, {7, 6, 2, 3}}, {6, {4, 5, 1, 0}},
};

void DrawSkyBox() {
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glPushMatrix();
    // Follows the camera over the ground but not up and down.
    glTranslatef(eyePoint[0], 0.0f, eyePoint[2]);
    glScalef(250.0f, 250.0f, 250.0f);
    for (const QuadFace& face : kSkyBoxFaces) {
        DrawTexturedQuad(face.slot, kCubeCorners[face.corners[0]], kCubeCorners[face.corners[1]],
                         kCubeCorners[face.corners[2]], kCubeCorners[face.corners[3]]);
    }
    glPopMatrix();
}
