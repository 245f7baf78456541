#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "scene/scene_textures.h"
#include "settings/data_paths.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"

namespace {

std::vector<std::uint8_t> TextureImage(GLuint slot, int width, int height, GLenum format) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * (format == GL_RGB ? 3 : 4));
    glBindTexture(GL_TEXTURE_2D, slot);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

GLint TexParameter(GLenum name) {
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

GLint LevelParameter(GLenum name) {
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, name, &value);
    return value;
}

TEST(TextureUpload, FileTopRowIsTheTextureTopEdge) {
    TestGLContext context(64, 64);
    ASSERT_TRUE(context.Ok());
    // 8 x 8 RGBA: the file's first four rows red, the last four blue.
    std::string bytes;
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) bytes += r < 4 ? std::string("\xff\x00\x00\xff", 4) : std::string("\x00\x00\xff\xff", 4);
    TempDir dir;
    const std::string path = dir.Write("rows", bytes);
    testing::internal::CaptureStdout();
    LoadRawImage(uploadBuffer, path.c_str(), GL_RGBA, 8, 8);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "File path: " + path + "\n \nRGBA Image input completed!\n");
    UploadRgbaTexture(uploadBuffer, 40, 8, 8);

    EXPECT_EQ(LevelParameter(GL_TEXTURE_WIDTH), 8);
    EXPECT_EQ(LevelParameter(GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA);
    EXPECT_EQ(TexParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(TexParameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(TexParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(TexParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    GLint envMode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
    EXPECT_EQ(envMode, GL_MODULATE);
    // The texture's row 0 is t = 0.
    const std::vector<std::uint8_t> image = TextureImage(40, 8, 8, GL_RGBA);
    EXPECT_EQ(image[2], 255);  // t = 0: blue
    EXPECT_EQ(image[0], 0);
    EXPECT_EQ(image[7 * 32 + 0], 255);  // t = 1: red
    EXPECT_EQ(image[7 * 32 + 2], 0);

    // Drawn with t rising up the screen, red is at the top.
    glViewport(0, 0, 64, 64);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 40);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    const std::vector<std::uint8_t> pixels = context.ReadPixels();
    const std::uint8_t* top = &pixels[(52 * 64 + 32) * 4];
    const std::uint8_t* bottom = &pixels[(12 * 64 + 32) * 4];
    EXPECT_GT(top[0], 240);
    EXPECT_LT(top[2], 15);
    EXPECT_GT(bottom[2], 240);
    EXPECT_LT(bottom[0], 15);
}

TEST(TextureUpload, RgbWithTheCallersFilterAndWrap) {
    TestGLContext context(16, 16);
    ASSERT_TRUE(context.Ok());
    const std::uint8_t pixels[4 * 3] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    UploadRgbTexture(pixels, 41, 2, 2, GL_NEAREST, GL_CLAMP_TO_EDGE);
    EXPECT_EQ(LevelParameter(GL_TEXTURE_INTERNAL_FORMAT), GL_RGB);
    EXPECT_EQ(TexParameter(GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(TexParameter(GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(TexParameter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(TexParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    // Tightly packed: 6-byte rows need an unpack alignment of 1.
    EXPECT_EQ(TextureImage(41, 2, 2, GL_RGB), std::vector<std::uint8_t>(pixels, pixels + 12));
}

TEST(TextureUpload, SceneTableLoadsEveryFileIntoItsSlot) {
    TestGLContext context(16, 16);
    ASSERT_TRUE(context.Ok());
    const std::string saved = programFolder;
    programFolder = std::string(VELMORA_BUILD_DIR) + "/";
    testing::internal::CaptureStdout();
    LoadSceneTextures();
    const std::string out = testing::internal::GetCapturedStdout();
    programFolder = saved;

    const struct {
        const char* file;
        GLuint slot;
        int size;
        bool rgb;
    } table[] = {
        {"9", 7, 512, false},  {"3", 8, 1024, false}, {"4", 17, 256, false}, {"8", 18, 256, false},
        {"5", 19, 512, false}, {"2", 10, 256, false}, {"1", 16, 256, false}, {"d", 5, 512, true},
        {"f", 4, 512, true},   {"b", 1, 512, true},   {"e", 3, 512, true},   {"g", 2, 512, true},
        {"c", 6, 512, true},
    };
    std::string expectedOut;
    for (const auto& t : table) {
        expectedOut += "File path: " + std::string(VELMORA_BUILD_DIR) + "/data/" + t.file + "\n \n" +
                       (t.rgb ? "RGB" : "RGBA") + " Image input completed!\n";
        glBindTexture(GL_TEXTURE_2D, t.slot);
        EXPECT_EQ(LevelParameter(GL_TEXTURE_WIDTH), t.size) << t.file;
        EXPECT_EQ(LevelParameter(GL_TEXTURE_HEIGHT), t.size) << t.file;
        EXPECT_EQ(LevelParameter(GL_TEXTURE_INTERNAL_FORMAT), t.rgb ? GL_RGB : GL_RGBA) << t.file;
        EXPECT_EQ(TexParameter(GL_TEXTURE_MAG_FILTER), t.rgb ? GL_NEAREST : GL_LINEAR) << t.file;
        EXPECT_EQ(TexParameter(GL_TEXTURE_WRAP_S), t.rgb ? GL_CLAMP_TO_EDGE : GL_REPEAT) << t.file;
        EXPECT_EQ(TexParameter(GL_TEXTURE_WRAP_T), t.rgb ? GL_CLAMP_TO_EDGE : GL_REPEAT) << t.file;
        // Level 0 only.
        GLint level1 = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &level1);
        EXPECT_EQ(level1, 0) << t.file;
        // The texture holds the file, last row first.
        const std::string bytes = ReadFileBytes(std::string(VELMORA_BUILD_DIR) + "/data/" + t.file);
        const std::vector<std::uint8_t> image = TextureImage(t.slot, t.size, t.size, t.rgb ? GL_RGB : GL_RGBA);
        const std::size_t rowBytes = static_cast<std::size_t>(t.size) * (t.rgb ? 3 : 4);
        ASSERT_EQ(bytes.size(), rowBytes * t.size) << t.file;
        EXPECT_EQ(0, std::memcmp(image.data(), bytes.data() + (t.size - 1) * rowBytes, rowBytes)) << t.file;
        EXPECT_EQ(0, std::memcmp(image.data() + (t.size - 1) * rowBytes, bytes.data(), rowBytes)) << t.file;
    }
    EXPECT_EQ(out, expectedOut);
}

}  // namespace
