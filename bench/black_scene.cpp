// A scene of black frames, for measuring what the shell's loop costs by itself.
#include <GL/gl.h>

#include "scene/scene.h"

void InitSceneGL() { glClearColor(0.0f, 0.0f, 0.0f, 1.0f); }
void ClearSceneBuffers(bool) { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); }
void AdvanceSceneFrame() {}
void DrawSceneView() {}
void DrawSceneFrame() { ClearSceneBuffers(); }
void DeleteFontLists() {}
void DrawCornerText(const char*) {}
bool ReadFramePixels(int width, int height, unsigned char* rgba) {
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return true;
}
void PushPixelOverlayState() {}
void PopPixelOverlayState() {}
