#include "scene/textured_quad.h"

#include <cmath>

#include "scene/scene_textures.h"

const float kCubeCorners[8][3] = {
    {-1, -1, -1}, {+1, -1, -1}, {+1, +1, -1}, {-1, +1, -1}, {-1, -1, +1}, {+1, -1, +1}, {+1, +1, +1}, {-1, +1, +1},
};

void QuadNormal(const float* c0, const float* c1, const float* c2, float* normal) {
    const float u[3] = {c0[0] - c1[0], c0[1] - c1[1], c0[2] - c1[2]};
    const float w[3] = {c1[0] - c2[0], c1[1] - c2[1], c1[2] - c2[2]};
    normal[0] = u[1] * w[2] - u[2] * w[1];
    normal[1] = u[2] * w[0] - u[0] * w[2];
    normal[2] = u[0] * w[1] - u[1] * w[0];
    float length = std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
    if (length == 0.0f) length = 1.0f;
    for (int k = 0; k < 3; ++k) normal[k] /= length;
}

void DrawTexturedQuad(GLuint slot, const float* c0, const float* c1, const float* c2, const float* c3) {
    float normal[3];
    QuadNormal(c0, c1, c2, normal);
    glEnable(GL_TEXTURE_2D);
    BindSceneTexture(slot);
    glBegin(GL_POLYGON);
    glNormal3fv(normal);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3fv(c0);
    glNormal3fv(normal);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3fv(c1);
    glNormal3fv(normal);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3fv(c2);
    glNormal3fv(normal);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3fv(c3);
    glEnd();
    UnbindSceneTexture();
    glDisable(GL_TEXTURE_2D);
}
