#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "scene/scene_textures.h"
#include "scene/wave_surface.h"
#include "support/gl_context.h"

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;

// The wave as the frame draws it: additive, textured, under the scale.
std::vector<std::uint8_t> DrawWave(TestGLContext& context, void (*draw)(), bool cullBackFaces) {
    glClearColor(0.1f, 0.05f, 0.2f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    if (cullBackFaces) glEnable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(70.0, static_cast<double>(kWidth) / kHeight, 1.0, 1525.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(-30.0, 40.0, 160.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    glScalef(3.0f, 2.0f, 3.0f);
    glColor3f(0.5f, 0.5f, 0.5f);
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, 7);
    draw();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    return context.ReadPixels();
}

class WaveDraw : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(context.Ok());
        glViewport(0, 0, kWidth, kHeight);
        // A checker of two colours with partial alpha in slot 7.
        std::vector<std::uint8_t> texels(16 * 16 * 4);
        for (int k = 0; k < 16 * 16; ++k) {
            const bool odd = ((k % 16) / 4 + (k / 16) / 4) % 2 == 1;
            texels[k * 4 + 0] = odd ? 255 : 40;
            texels[k * 4 + 1] = odd ? 200 : 120;
            texels[k * 4 + 2] = odd ? 60 : 255;
            texels[k * 4 + 3] = odd ? 200 : 120;
        }
        UploadRgbaTexture(texels.data(), 7, 16, 16);
        ResetWaveSurface();
        for (int frame = 0; frame < 5; ++frame) UpdateWaveSurface();
    }
    TestGLContext context{kWidth, kHeight};
};

TEST_F(WaveDraw, StripsDrawTheSamePictureAsOneCallPerCorner) {
    for (bool cull : {false, true}) {
        const std::vector<std::uint8_t> strips = DrawWave(context, DrawWaveMesh, cull);
        const std::vector<std::uint8_t> corners = DrawWave(context, DrawWaveMeshPerCorner, cull);
        int differing = 0;
        int lit = 0;
        for (std::size_t k = 0; k < strips.size(); k += 4) {
            int worst = 0;
            for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(strips[k + c] - corners[k + c]));
            if (worst > 1) ++differing;
            if (strips[k] > 60 || strips[k + 2] > 80) ++lit;
        }
        EXPECT_EQ(differing, 0) << "cull " << cull;
        // The wave covers a good part of the view.
        EXPECT_GT(lit, kWidth * kHeight / 4) << "cull " << cull;
    }
}

TEST_F(WaveDraw, SeenFromAboveOnlyWhenCulling) {
    // Counter-clockwise from above: from below, culling removes all of it.
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(70.0, static_cast<double>(kWidth) / kHeight, 1.0, 1525.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0.0, -60.0, 100.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    glColor3f(1, 1, 1);
    DrawWaveSurface();
    glDisable(GL_CULL_FACE);
    const std::vector<std::uint8_t> pixels = context.ReadPixels();
    for (std::size_t k = 0; k < pixels.size(); k += 4) ASSERT_EQ(pixels[k] + pixels[k + 1] + pixels[k + 2], 0);
    // DrawWaveSurface leaves its state as it found it.
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
}

}  // namespace
