#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>

#include "scene/camera_path.h"
#include "scene/scene.h"
#include "scene/scene_frame.h"
#include "scene/wave_surface.h"
#include "settings/data_paths.h"
#include "shell/screen_window.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"

namespace {

using Vec4 = std::array<float, 4>;

Vec4 GetFloats(GLenum name) {
    Vec4 v{};
    glGetFloatv(name, v.data());
    return v;
}

Vec4 Light(GLenum light, GLenum name) {
    Vec4 v{};
    glGetLightfv(light, name, v.data());
    return v;
}

void ExpectNear(const Vec4& actual, const Vec4& expected, const char* what) {
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(actual[k], expected[k], 1e-5f) << what << " [" << k << "]";
}

std::array<double, 16> LookAtMatrix(const float* eye, double cx, double cy, double cz) {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    gluLookAt(eye[0], eye[1], eye[2], cx, cy, cz, 0.0, 1.0, 0.0);
    std::array<double, 16> m{};
    glGetDoublev(GL_MODELVIEW_MATRIX, m.data());
    glPopMatrix();
    return m;
}

std::array<double, 16> ModelView() {
    std::array<double, 16> m{};
    glGetDoublev(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

void ExpectMatrix(const std::array<double, 16>& actual, const std::array<double, 16>& expected, const char* what) {
    for (int k = 0; k < 16; ++k) EXPECT_NEAR(actual[k], expected[k], 1e-4) << what << " [" << k << "]";
}

// A real context with the scene set up from the build's generated data and
// a camera path file of the test's own.
class SceneFrame : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(context.Ok());
        saved = programFolder;
        // The textures come from the build's data set, the path from here.
        folder.Write("data/p", "5,50,200\n6,50,190");
        for (const char* name : {"1", "2", "3", "4", "5", "8", "9", "b", "c", "d", "e", "f", "g"})
            std::filesystem::create_symlink(std::string(VELMORA_BUILD_DIR) + "/data/" + name,
                                            folder.Path() + "/data/" + name);
        programFolder = folder.Path() + "/";
        ResetCameraPath();
        ResetWaveSurface();
        cubeAngle = 0.0f;
        ResizeViewport(96, 64);
        testing::internal::CaptureStdout();
        InitSceneGL();
        testing::internal::GetCapturedStdout();
        // glXUseXFont on the test server's "fixed" font may leave an error
        // flag of its own; what follows checks the scene's calls only.
        while (glGetError() != GL_NO_ERROR) {
        }
    }
    void TearDown() override {
        DeleteFontLists();
        ResetCameraPath();
        programFolder = saved;
    }
    TestGLContext context{96, 64};
    TempDir folder;
    std::string saved;
};

TEST_F(SceneFrame, SetUpState) {
    ExpectNear(GetFloats(GL_COLOR_CLEAR_VALUE), {0, 0, 0, 1}, "clear colour");
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    GLint value = 0;
    glGetIntegerv(GL_FRONT_FACE, &value);
    EXPECT_EQ(value, GL_CCW);
    ExpectNear(Light(GL_LIGHT0, GL_AMBIENT), {0.9f, 0.7f, 1.0f, 1.0f}, "light 0 ambient");
    ExpectNear(Light(GL_LIGHT0, GL_DIFFUSE), {1.0f, 0.6f, 0.8f, 1.0f}, "light 0 diffuse");
    ExpectNear(Light(GL_LIGHT0, GL_SPECULAR), {1.0f, 0.1f, 0.1f, 1.0f}, "light 0 specular");
    ExpectNear(Light(GL_LIGHT0, GL_POSITION), {0, 100, 0, 1}, "light 0 position");
    ExpectNear(Light(GL_LIGHT1, GL_AMBIENT), {0, 0, 0.1f, 1}, "light 1 ambient");
    ExpectNear(Light(GL_LIGHT1, GL_DIFFUSE), {0, 0, 0, 1}, "light 1 diffuse");
    ExpectNear(Light(GL_LIGHT1, GL_SPECULAR), {0, 0, 0, 1}, "light 1 specular");
    ExpectNear(Light(GL_LIGHT1, GL_POSITION), {0, 50, -60, 1}, "light 1 position");
    glGetIntegerv(GL_COLOR_MATERIAL_FACE, &value);
    EXPECT_EQ(value, GL_FRONT);
    glGetIntegerv(GL_COLOR_MATERIAL_PARAMETER, &value);
    EXPECT_EQ(value, GL_AMBIENT_AND_DIFFUSE);
    Vec4 specular{};
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular.data());
    ExpectNear(specular, {1, 1, 1, 1}, "material specular");
    GLfloat shininess = 0;
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    EXPECT_EQ(shininess, 128.0f);
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &value);
    EXPECT_EQ(value, GL_NICEST);
    glGetIntegerv(GL_POLYGON_SMOOTH_HINT, &value);
    EXPECT_EQ(value, GL_NICEST);
    glGetIntegerv(GL_SHADE_MODEL, &value);
    EXPECT_EQ(value, GL_SMOOTH);
}

TEST_F(SceneFrame, FirstFrameLeavesTheStateForTheNextPieces) {
    DrawSceneFrame();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // The first frame reads no path step and looks at the centre.
    const float initialEye[3] = {-1.2607f, 60.0682f, 129.0309f};
    ExpectMatrix(ModelView(), LookAtMatrix(initialEye, 0, 40, 0), "first frame view");
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    // The cube leaves culling off for the next frame's sky box, and the
    // ground's grey is the current colour.
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    ExpectNear(GetFloats(GL_CURRENT_COLOR), {0.5f, 0.5f, 0.5f, 1.0f}, "current colour");
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_NORMALIZE));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    GLint value = 0;
    glGetIntegerv(GL_BLEND_SRC, &value);
    EXPECT_EQ(value, GL_SRC_ALPHA);
    glGetIntegerv(GL_BLEND_DST, &value);
    EXPECT_EQ(value, GL_ONE);
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &value);
    EXPECT_EQ(value, GL_GREATER);
    EXPECT_NEAR(GetFloats(GL_ALPHA_TEST_REF)[0], 0.1f, 1e-6f);
    GLint modes[2] = {};
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_FILL);
    EXPECT_EQ(modes[1], GL_FILL);
    GLint envMode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
    EXPECT_EQ(envMode, GL_MODULATE);
    // The model viewer turns lighting and depth testing off before it
    // returns; nothing after it turns them on again.
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(cubeAngle, 1.0f);
}

TEST_F(SceneFrame, CameraTurnsToThePathTargetFromCounter2000) {
    DrawSceneFrame();  // opens the path
    for (int step = 1; step < 1999; ++step) StepCameraPath();
    const float eye[3] = {5, 50, 200};
    DrawSceneFrame();
    EXPECT_EQ(frameCounter, 1999);
    ExpectMatrix(ModelView(), LookAtMatrix(eye, 0, 40, 0), "counter 1999");
    DrawSceneFrame();
    EXPECT_EQ(frameCounter, 2000);
    ExpectMatrix(ModelView(), LookAtMatrix(eye, 6, 50, 190), "counter 2000");
    for (int step = 2001; step < 3100; ++step) StepCameraPath();
    DrawSceneFrame();
    EXPECT_EQ(frameCounter, 3100);
    ExpectMatrix(ModelView(), LookAtMatrix(eye, 6, 50, 190), "counter 3100");
    DrawSceneFrame();
    EXPECT_EQ(frameCounter, 0);
    ExpectMatrix(ModelView(), LookAtMatrix(eye, 0, 40, 0), "counter 0 again");
}

TEST_F(SceneFrame, CubeAngleTakes361FramesATurn) {
    const float expected[] = {1, 2, 3};
    for (float angle : expected) {
        AdvanceCubeAngle();
        EXPECT_EQ(cubeAngle, angle);
    }
    cubeAngle = 358.0f;
    const float around[] = {359, 360, 0, 1};
    for (float angle : around) {
        AdvanceCubeAngle();
        EXPECT_EQ(cubeAngle, angle);
    }
}

TEST_F(SceneFrame, FontListsCanBeDeletedOnEveryWayOut) {
    DeleteFontLists();
    DeleteFontLists();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
