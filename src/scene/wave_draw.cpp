#include <GL/gl.h>

#include "scene/scene.h"
#include "scene/scene_textures.h"
#include "scene/wave_surface.h"

namespace {
constexpr GLuint kWaveSlot = 7;
}

void DrawWaveMesh() {
    WaveSurface& wave = waveSurface;
    // Normals change nothing unless lighting reads them.
    const bool lit = glIsEnabled(GL_LIGHTING) == GL_TRUE;
    if (lit && !wave.normalsCurrent) ComputeWaveNormals();
    glEnableClientState(GL_VERTEX_ARRAY);
    if (lit) glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, wave.vertices);
    glNormalPointer(GL_FLOAT, 0, wave.normals);
    glTexCoordPointer(2, GL_FLOAT, 0, wave.texCoords);
    if (!sceneFullDetail) {
        // Additive blending without depth test: the order of the triangles
        // doesn't change the sum, and a triangle outside the view adds nothing.
        ChooseWaveDetail(&wave.detail);
        BuildWaveIndices(&wave.detail);
        // The arrays are read during the call, so the seams can go back at once.
        FitWaveSeams(wave.detail, true);
        glDrawElements(GL_TRIANGLES, wave.detail.indexCount, GL_UNSIGNED_SHORT, wave.detail.indices);
        FitWaveSeams(wave.detail, false);
    } else {
        // The strips' own triangle order gives the same picture as the cell list.
        for (const GLuint* strip : wave.strips)
            glDrawElements(GL_TRIANGLE_STRIP, 2 * kWaveSide, GL_UNSIGNED_INT, strip);
    }
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (lit) glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void DrawWaveMeshPerCorner() {
    WaveSurface& wave = waveSurface;
    if (!wave.normalsCurrent) ComputeWaveNormals();
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
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    BindSceneTexture(kWaveSlot);
}

void EndWaveState() {
    UnbindSceneTexture();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

void DrawWaveSurface() {
    BeginWaveState();
    DrawWaveMesh();
    EndWaveState();
}
