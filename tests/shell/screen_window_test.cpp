#include "shell/screen_window.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "support/gl_context.h"

namespace {

TEST(MouseRule, FirstMoveOnlySetsTheReference) {
    MouseRule rule;
    EXPECT_FALSE(rule.Moved(1000, 900));  // however far from anything
    EXPECT_EQ(rule.referenceX, 1000);
    EXPECT_EQ(rule.referenceY, 900);
}

TEST(MouseRule, MoreThanFivePixelsInEitherAxisEnds) {
    const struct {
        int dx, dy;
        bool ends;
    } cases[] = {
        {5, 5, false}, {-5, -5, false}, {5, -5, false}, {0, 0, false}, {6, 0, true},
        {-6, 0, true}, {0, 6, true},    {0, -6, true},  {6, 6, true},  {3, -40, true},
    };
    for (const auto& c : cases) {
        MouseRule rule;
        rule.Moved(100, 100);
        EXPECT_EQ(rule.Moved(100 + c.dx, 100 + c.dy), c.ends) << c.dx << "," << c.dy;
    }
}

TEST(MouseRule, ReferenceDoesNotFollowASlowDrift) {
    MouseRule rule;
    rule.Moved(100, 100);
    for (int x = 101; x <= 105; ++x) EXPECT_FALSE(rule.Moved(x, 100));
    EXPECT_TRUE(rule.Moved(106, 100));
    rule.Arm();
    EXPECT_FALSE(rule.Moved(500, 500));
}

struct InputCase {
    platform::EventType type;
    int button;
    bool ends;
};

TEST(ScreenWindowProc, WhichInputEndsAFullScreenRun) {
    using platform::EventType;
    const InputCase cases[] = {
        {EventType::KeyDown, 0, true},         {EventType::ButtonDown, 1, true},
        {EventType::ButtonDown, 2, true},      {EventType::ButtonDown, 3, true},
        {EventType::ButtonDown, 4, false},     {EventType::ButtonDown, 5, false},
        {EventType::ButtonDown, 8, false},     {EventType::ButtonDown, 9, false},
        {EventType::SystemKeyDown, 0, false},  {EventType::KeyUp, 0, false},
        {EventType::ButtonUp, 1, false},       {EventType::FocusChange, 0, false},
    };
    for (const InputCase& c : cases) {
        for (bool active : {true, false}) {
            screenWindow = ScreenWindowState{};
            saverActive = active;
            platform::Event event;
            event.type = c.type;
            event.button = c.button;
            ScreenWindowProc(event);
            bool ends = active && c.ends;
            EXPECT_EQ(screenWindow.quitPosted, ends) << static_cast<int>(c.type) << " " << c.button;
            // Ending by a key or a button also ends the active state.
            EXPECT_EQ(saverActive, active && !ends);
        }
    }
}

TEST(ScreenWindowProc, DestroyEndsEveryRun) {
    for (bool active : {true, false}) {
        screenWindow = ScreenWindowState{};
        saverActive = active;
        platform::Event event;
        event.type = platform::EventType::Destroy;
        ScreenWindowProc(event);
        EXPECT_TRUE(screenWindow.quitPosted);
        EXPECT_EQ(screenWindow.quitCode, 0);
        EXPECT_FALSE(saverActive);
    }
}

TEST(ResizeViewport, PerspectiveAndViewportOnARealContext) {
    TestGLContext gl(64, 64);
    ASSERT_TRUE(gl.Ok());
    const struct {
        int width, height;
        int viewportHeight;
        double aspect;
    } cases[] = {{640, 480, 480, 640.0 / 480.0}, {320, 0, 1, 320.0}, {100, 200, 200, 0.5}};
    for (const auto& c : cases) {
        ResizeViewport(c.width, c.height);
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[2], c.width);
        EXPECT_EQ(viewport[3], c.viewportHeight);
        GLdouble projection[16];
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        double f = 1.0 / std::tan(35.0 * M_PI / 180.0);
        EXPECT_NEAR(projection[5], f, 1e-6);
        EXPECT_NEAR(projection[0], f / c.aspect, 1e-6);
        EXPECT_NEAR(projection[10], -(1525.0 + 1.0) / (1525.0 - 1.0), 1e-6);
        EXPECT_NEAR(projection[14], -2.0 * 1525.0 * 1.0 / (1525.0 - 1.0), 1e-6);
        EXPECT_EQ(projection[11], -1.0);
        GLint mode;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);
        GLdouble modelview[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(modelview[i], i % 5 == 0 ? 1.0 : 0.0);
    }
}

}  // namespace
