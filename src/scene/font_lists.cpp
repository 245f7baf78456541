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
