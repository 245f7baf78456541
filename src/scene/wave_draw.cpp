#include <GL/gl.h>

#include "scene/wave_surface.h"

namespace {
constexpr GLuint kWaveSlot = 7;
}

void DrawWaveMesh() {
    const WaveSurface& wave = waveSurface;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, wave.vertices);
    glNormalPointer(GL_FLOAT, 0, wave.normals);
    glTexCoordPointer(2, GL_FLOAT, 0, wave.texCoords);
    // Additive blending without depth test: the order of the rows and the
    // strips' own triangle order give the same picture as the cell list.
    for (const GLuint* strip : wave.strips) glDrawElements(GL_TRIANGLE_STRIP, 2 * kWaveSide, GL_UNSIGNED_INT, strip);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void DrawWaveMeshPerCorner() {
    const WaveSurface& wave = waveSurface;
    glBegin(GL_TRIANGLES);
    for (int r = 1; r < kWaveSide; ++r) {
        for (int c = 0; c < kWaveCells; ++c) {
            const int v = r * kWaveSide + c;
            const int corners[6] = {v - 256, v, v - 255, v - 255, v, v + 1};
            for (int corner : corners) {
                glNormal3fv(wave.normals[corner]);
                glTexCoord2fv(wave.texCoords[corner]);
                glVertex3fv(wave.vertices[corner]);
            }
        }
    }
    glEnd();
}

void BeginWaveState() {
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, kWaveSlot);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void EndWaveState() {
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

void DrawWaveSurface() {
    BeginWaveState();
    DrawWaveMesh();
    EndWaveState();
}
