// Scene pieces on a real context (Mesa under the test's Xvfb).
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "scene/camera_path.h"
#include "scene/scene.h"
#include "scene/scene_frame.h"
#include "scene/scene_textures.h"
#include "scene/wave_surface.h"
#include "settings/data_paths.h"
#include "shell/screen_window.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"

namespace {

constexpr int kWidth = 160, kHeight = 120;

// The wave as the frame draws it: additive and textured, under the scale.
std::vector<std::uint8_t> DrawWave(TestGLContext& context, void (*draw)(), bool cull) {
    glClearColor(0.1f, 0.05f, 0.2f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    if (cull) glEnable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(70.0, double(kWidth) / kHeight, 1.0, 1525.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(-30.0, 40.0, 160.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    glScalef(3.0f, 2.0f, 3.0f);
    glColor3f(0.5f, 0.5f, 0.5f);
    BeginWaveState();
    draw();
    EndWaveState();
    glDisable(GL_CULL_FACE);
    return context.ReadPixels();
}

TEST(SceneGL, WaveStripsDrawTheSamePictureAsOneCallPerCorner) {
    TestGLContext context(kWidth, kHeight);
    ASSERT_TRUE(context.Ok());
    std::vector<std::uint8_t> texels(16 * 16 * 4);  // a checker with partial alpha
    for (int k = 0; k < 16 * 16; ++k) {
        const bool odd = ((k % 16) / 4 + (k / 16) / 4) % 2 == 1;
        const std::uint8_t texel[4] = {std::uint8_t(odd ? 255 : 40), std::uint8_t(odd ? 200 : 120),
                                       std::uint8_t(odd ? 60 : 255), std::uint8_t(odd ? 200 : 120)};
        std::copy(texel, texel + 4, &texels[k * 4]);
    }
    UploadRgbaTexture(texels.data(), 7, 16, 16);
    ResetWaveSurface();
    for (int frame = 0; frame < 5; ++frame) UpdateWaveSurface();
    for (bool cull : {false, true}) {
        const std::vector<std::uint8_t> strips = DrawWave(context, DrawWaveMesh, cull);
        const std::vector<std::uint8_t> corners = DrawWave(context, DrawWaveMeshPerCorner, cull);
        int differing = 0, lit = 0;
        for (size_t k = 0; k < strips.size(); k += 4) {
            for (int c = 0; c < 3; ++c) differing += std::abs(strips[k + c] - corners[k + c]) > 1;
            lit += strips[k] > 60 || strips[k + 2] > 80;
        }
        EXPECT_EQ(differing, 0) << "cull " << cull;
        EXPECT_GT(lit, kWidth * kHeight / 4) << "cull " << cull;
    }
    // Seen from below with culling, nothing shows: the mesh faces up.
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_CULL_FACE);
    glLoadIdentity();
    gluLookAt(0.0, -60.0, 100.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    DrawWaveSurface();
    glDisable(GL_CULL_FACE);
    int shown = 0;
    for (std::uint8_t value : context.ReadPixels()) shown += value != 0 && value != 255;
    EXPECT_EQ(shown, 0);
}

TEST(SceneGL, TheCameraLooksAtTheCentreThenAtThePathTargetFromStep2000) {
    TestGLContext context(96, 64);
    ASSERT_TRUE(context.Ok());
    TempDir folder;
    folder.Write("data/p", "5,50,200\n6,50,190");
    for (const char* name : {"1", "2", "3", "4", "5", "8", "9", "b", "c", "d", "e", "f", "g"})
        std::filesystem::create_symlink(std::string(VELMORA_BUILD_DIR) + "/data/" + name,
                                        folder.Path() + "/data/" + name);
    programFolder = folder.Path() + "/";
    ResetCameraPath();
    ResizeViewport(96, 64);
    testing::internal::CaptureStdout();
    InitSceneGL();
    testing::internal::GetCapturedStdout();
    auto lookAt = [](std::array<float, 3> eye, std::array<float, 3> centre) {
        std::array<double, 16> m{};
        glPushMatrix();
        glLoadIdentity();
        gluLookAt(eye[0], eye[1], eye[2], centre[0], centre[1], centre[2], 0.0, 1.0, 0.0);
        glGetDoublev(GL_MODELVIEW_MATRIX, m.data());
        glPopMatrix();
        return m;
    };
    const struct {
        int steps;  // path steps taken before the frame
        int counter;
        std::array<float, 3> eye, centre;
    } cases[] = {
        {0, 0, {-1.2607f, 60.0682f, 129.0309f}, {0, 40, 0}},  // the first frame reads no step
        {1998, 1999, {5, 50, 200}, {0, 40, 0}},
        {0, 2000, {5, 50, 200}, {6, 50, 190}},
        {1099, 3100, {5, 50, 200}, {6, 50, 190}},
        {0, 0, {5, 50, 200}, {0, 40, 0}},
    };
    for (const auto& c : cases) {
        for (int k = 0; k < c.steps; ++k) StepCameraPath();
        DrawSceneFrame();
        EXPECT_EQ(frameCounter, c.counter);
        std::array<double, 16> m{};
        glGetDoublev(GL_MODELVIEW_MATRIX, m.data());
        const std::array<double, 16> expected = lookAt(c.eye, c.centre);
        for (int k = 0; k < 16; ++k) EXPECT_NEAR(m[k], expected[k], 1e-4) << "counter " << c.counter << " [" << k << "]";
        GLint depth = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, 1) << "every piece pops what it pushes";
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    DrawSceneFrame();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    DeleteFontLists();
    DeleteFontLists();  // on every way out, so twice is harmless
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    ResetCameraPath();
}

}  // namespace
