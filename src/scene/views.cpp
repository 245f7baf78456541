#include "scene/views.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "scene/scene.h"

namespace {
bool SameSize(const platform::MonitorRect& a, const platform::MonitorRect& b) {
    return a.width == b.width && a.height == b.height;
}

// An earlier view's picture, pixel for pixel, into a view of the same size.
void CopyView(const platform::MonitorRect& from, const platform::MonitorRect& to) {
    PushPixelOverlayState();
    glViewport(to.x, to.y, to.width, to.height);
    glRasterPos2f(-1.0f, -1.0f);  // the view's lower left corner
    glCopyPixels(from.x, from.y, from.width, from.height, GL_COLOR);
    PopPixelOverlayState();
}
}  // namespace

void SetViewport(int x, int y, int width, int height) {
    if (height == 0) height = 1;
    glViewport(x, y, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(70.0, static_cast<double>(width) / static_cast<double>(height), 1.0, 1525.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void DrawSceneInViews(const ScreenViews& views) {
    ClearSceneBuffers(views.count > 0 && views.coverWindow);
    AdvanceSceneFrame();
    if (views.count == 0) DrawSceneView();  // no size yet: the viewport as it stands
    for (int k = 0; k < views.count; ++k) {
        const platform::MonitorRect& view = views.viewports[k];
        // A monitor of the size of one already drawn shows the same picture:
        // a copy costs a fraction of drawing the scene again on a software
        // renderer (bench/monitors-frame-time).
        int drawn = 0;
        while (drawn < k && !SameSize(views.viewports[drawn], view)) ++drawn;
        if (drawn < k) {
            CopyView(views.viewports[drawn], view);
            continue;
        }
        // A single view keeps the viewport set when the views were laid out.
        if (views.count > 1) SetViewport(view.x, view.y, view.width, view.height);
        DrawSceneView();
    }
}

void FinishFrame() { glFinish(); }

void FlushFrame() { glFlush(); }
