#include <GL/gl.h>

#include "scene/backdrop.h"
#include "scene/textured_quad.h"

const float kGroundCorners[4][3] = {
    {-128.0f, 1.0f, 128.0f}, {128.0f, 1.0f, 128.0f}, {128.0f, 1.0f, -128.0f}, {-128.0f, 1.0f, -128.0f}};

namespace {
constexpr GLuint kGroundSlot = 8;
}

void DrawGroundPlane() {
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.1f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_BLEND);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glPushMatrix();
    // The grey stays current: the wave, the cube and the next frame's sky box
    // are drawn with it.
    glColor3f(0.5f, 0.5f, 0.5f);
    glTranslatef(0.0f, -7.1f, 0.0f);
    DrawTexturedQuad(kGroundSlot, kGroundCorners[0], kGroundCorners[1], kGroundCorners[2], kGroundCorners[3]);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glPopMatrix();
    glDisable(GL_TEXTURE_2D);
}
