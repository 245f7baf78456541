#include <GL/gl.h>

#include "platform/platform.h"
#include "scene/scene.h"
#include "scene/scene_frame.h"

namespace {
constexpr int kFontFirstChar = 32;
constexpr int kFontListCount = 96;
GLuint fontListBase = 0;
}  // namespace

void BuildFontLists() {
    fontListBase = glGenLists(kFontListCount);
    // Without a core font (an off-screen context) the lists stay empty;
    // nothing in the scene calls them.
    if (fontListBase != 0) platform::UseFontBitmaps(fontListBase, kFontFirstChar, kFontListCount);
}

void DeleteFontLists() {
    if (fontListBase == 0) return;
    glDeleteLists(fontListBase, kFontListCount);
    fontListBase = 0;
}

void DrawCornerText(const char* text) {
    if (fontListBase == 0) return;
    PushPixelOverlayState();
    glColor3f(1.0f, 1.0f, 1.0f);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    // Eight pixels in from the corner, whatever the window's size.
    glRasterPos2f(-1.0f + 16.0f / float(viewport[2] > 0 ? viewport[2] : 1),
                  -1.0f + 16.0f / float(viewport[3] > 0 ? viewport[3] : 1));
    for (const char* c = text; *c != '\0'; ++c) {
        // Some core fonts give the blank no advance: move the raster position by hand.
        if (*c == ' ')
            glBitmap(0, 0, 0.0f, 0.0f, 10.0f, 0.0f, nullptr);
        else if (*c > ' ' && *c < ' ' + kFontListCount)
            glCallList(fontListBase + static_cast<GLuint>(*c - kFontFirstChar));
    }
    PopPixelOverlayState();
}
