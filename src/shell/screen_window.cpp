#include "shell/screen_window.h"

#include <GL/gl.h>
#include <GL/glu.h>

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
        case EventType::Resize:
            ResizeViewport(event.width, event.height);
            break;
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
        case EventType::SystemKeyDown:
        case EventType::KeyUp:
        case EventType::ButtonUp:
        case EventType::FocusChange:
            break;
    }
}

void ResizeViewport(int width, int height) {
    if (height == 0) height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(70.0, static_cast<double>(width) / static_cast<double>(height), 1.0, 1525.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
