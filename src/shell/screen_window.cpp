#include "shell/screen_window.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstdlib>

#include "scene/scene.h"

bool saverActive = false;
ScreenWindowState screenWindow;

namespace {
void PostQuit(int code) {
    screenWindow.quitPosted = true;
    screenWindow.quitCode = code;
}
}  // namespace

bool MouseRule::Moved(int x, int y) {
    if (firstMove) {
        referenceX = x;
        referenceY = y;
        firstMove = false;
        return false;
    }
    return std::abs(x - referenceX) > kThreshold || std::abs(y - referenceY) > kThreshold;
}

void ScreenWindowProc(const platform::Event& event) {
    using platform::EventType;
    switch (event.type) {
        case EventType::Destroy:
            saverActive = false;
            DeleteFontLists();
            PostQuit(0);
            break;
        case EventType::DisplayLost:
            // The server took the window, its grabs and the context's
            // drawable with it: nothing of them is touched again, and the
            // run ends through the same end sequence as on a key.
            saverActive = false;
            DeleteFontLists();
            PostQuit(kDisplayLostExitCode);
            break;
        case EventType::Resize:
        case EventType::DisplayChange: {
            platform::MonitorList monitors;
            platform::QueryWindowMonitors(&monitors);
            LayOutViews(monitors, event.width, event.height, &screenWindow.views);
            SetFirstView();
            break;
        }
        case EventType::KeyDown:
        case EventType::ButtonDown:
            // Only the three main buttons count; the wheel and the extra
            // buttons arrive as buttons 4 to 9.
            if (event.type == EventType::ButtonDown && (event.button < 1 || event.button > 3)) break;
            if (!saverActive) break;
            DeleteFontLists();
            platform::ReleaseGLContext();
            saverActive = false;
            platform::SetCursorHidden(false);
            PostQuit(0);
            break;
        case EventType::MouseMove: {
            if (!saverActive) break;
            int x = 0;
            int y = 0;
            if (!platform::QueryPointerPosition(&x, &y)) break;
            if (screenWindow.mouse.Moved(x, y)) {
                // The context stays current and the run stays "active" here.
                DeleteFontLists();
                PostQuit(0);
            }
            break;
        }
        case EventType::Visibility:
            screenWindow.visible = event.visible;
            break;
        case EventType::SystemKeyDown:
        case EventType::KeyUp:
        case EventType::ButtonUp:
        case EventType::FocusChange:
            break;
    }
}

namespace {
bool Contains(const platform::MonitorRect& outer, const platform::MonitorRect& inner) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
}
}  // namespace

void LayOutViews(const platform::MonitorList& monitors, int width, int height, ScreenViews* views) {
    platform::MonitorRect cut[platform::kMaxMonitors];
    int count = 0;
    for (int k = 0; k < monitors.count && k < platform::kMaxMonitors; ++k) {
        const platform::MonitorRect& m = monitors.monitors[k];
        platform::MonitorRect& c = cut[count];
        c.x = std::max(m.x, 0);
        c.y = std::max(m.y, 0);
        c.width = std::min(m.x + m.width, width) - c.x;
        c.height = std::min(m.y + m.height, height) - c.y;
        if (c.width > 0 && c.height > 0) ++count;
    }
    views->count = 0;
    for (int k = 0; k < count; ++k) {
        bool within = false;
        // Of two equal monitors the first one stays.
        for (int other = 0; other < count && !within; ++other)
            within = other != k && Contains(cut[other], cut[k]) && (other < k || !Contains(cut[k], cut[other]));
        if (within) continue;
        platform::MonitorRect& view = views->viewports[views->count++];
        view = cut[k];
        view.y = height - (cut[k].y + cut[k].height);
    }
    if (views->count == 0) views->viewports[views->count++] = platform::MonitorRect{0, 0, width, height};
    long long area = 0;
    bool overlap = false;
    for (int k = 0; k < views->count; ++k) {
        const platform::MonitorRect& a = views->viewports[k];
        area += static_cast<long long>(a.width) * a.height;
        for (int other = 0; other < k; ++other) {
            const platform::MonitorRect& b = views->viewports[other];
            overlap =
                overlap || (a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height);
        }
    }
    views->coverWindow = !overlap && area == static_cast<long long>(width) * height;
}

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

void DrawFrameOnEveryMonitor() {
    const ScreenViews& views = screenWindow.views;
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
        if (views.count > 1) SetViewport(view.x, view.y, view.width, view.height);
        DrawSceneView();
    }
}

void SetFirstView() {
    const platform::MonitorRect& first = screenWindow.views.viewports[0];
    SetViewport(first.x, first.y, first.width, first.height);
}

void ResizeViewport(int width, int height) { SetViewport(0, 0, width, height); }

void SetViewport(int x, int y, int width, int height) {
    if (height == 0) height = 1;
    glViewport(x, y, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(70.0, static_cast<double>(width) / static_cast<double>(height), 1.0, 1525.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
