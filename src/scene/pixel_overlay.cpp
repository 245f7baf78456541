#include <GL/gl.h>

#include <initializer_list>

#include "scene/scene.h"

void PushPixelOverlayState() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    // Raster positions and copied pixels go through the fragment steps and
    // lighting: none may touch them.
    for (GLenum step :
         {GL_LIGHTING, GL_TEXTURE_2D, GL_BLEND, GL_ALPHA_TEST, GL_DEPTH_TEST, GL_STENCIL_TEST, GL_FOG, GL_SCISSOR_TEST})
        glDisable(step);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void PopPixelOverlayState() {
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}

bool ReadFramePixels(int width, int height, unsigned char* rgba) {
    while (glGetError() != GL_NO_ERROR) {
        // Errors of earlier drawing are not this read's.
    }
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return glGetError() == GL_NO_ERROR;
}
