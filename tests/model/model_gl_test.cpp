// The model as the screensaver shows it: files and texture images on disk,
// DevIL, the viewer's Draw on Mesa's off-screen context, checked by the pixels
// it leaves.
#include <GL/gl.h>
#include <IL/il.h>
#include <gtest/gtest.h>

#include "model/model_textures.h"
#include "model/model_viewer.h"
#include "sample_file.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "support/temp_dir.h"

using namespace ms3d_writer;

namespace {

std::string Tga(char r, char g, char b) {  // 2 x 2, 32 bits
    std::string tga("\0\0\2\0\0\0\0\0\0\0\0\0\2\0\2\0\x20\x08", 18);
    for (int i = 0; i < 4; ++i) tga += {b, g, r, '\xff'};
    return tga;
}

// A quad facing +z on cell (col, row) of a 4 x 4 grid over [-4, 4]^2, moved
// by (10, 20): the viewer must centre it.
void AddQuad(File& f, int group, int col, int row, float z) {
    const int n = static_cast<int>(f.vertices.size());
    for (int c = 0; c < 4; ++c) f.vertices.push_back({0, {6.0f + 2 * col + 2 * (c == 1 || c == 2), 16.0f + 2 * row + 2 * (c >= 2), z}});
    for (int first : {1, 2}) {
        f.triangles.push_back({0, {uint16_t(n), uint16_t(n + first), uint16_t(n + first + 1)}});
        f.groups[group].triangleIndices.push_back(static_cast<uint16_t>(f.triangles.size() - 1));
    }
}

// Lit by a light of half strength; the host's texture 0 holds a blue image.
TEST(ModelPicture, MaterialsAsDrawn) {
    std::string error;
    ASSERT_TRUE(platform::CreateOffscreenContext(64, 64, &error)) << error;
    TempDir dir;
    dir.Write("maps/Red.tga", Tga('\xff', 0, 0));
    dir.Write("white.tga", Tga('\xff', '\xff', '\xff')), dir.Write("broken.tga", "not an image");
    File f;
    f.materials.resize(5);
    const char* names[] = {"Maps\\RED.TGA", "C:\\Art\\WHITE.TGA", "\\white.tga", "white.tga", "broken.tga"};
    for (int i = 0; i < 5; ++i) f.materials[i].textureFile = names[i];
    f.materials[1].emissive[1] = 0.5f, f.materials[2].transparency = 0.25f;
    f.groups = {{0, "red", {}, 0}, {0, "plain", {}, -1}, {0, "glow", {}, 1}, {0, "glass", {}, 2}, {0, "behind", {}, 3}};
    AddQuad(f, 0, 0, 0, 0), AddQuad(f, 1, 1, 0, 0), AddQuad(f, 2, 2, 0, 0);
    AddQuad(f, 3, 0, 1, 1), AddQuad(f, 3, 1, 1, 1), AddQuad(f, 4, 0, 1, -1);
    f.vertices.push_back({0, {14, 24, 0}});  // the far corner of the box framed

    glBindTexture(GL_TEXTURE_2D, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, "\0\0\xff\xff");
    glEnable(GL_COLOR_MATERIAL);  // as the scene sets it
    const float half[4] = {0.5f, 0.5f, 0.5f, 1};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, half);
    glMatrixMode(GL_PROJECTION);
    glOrtho(-4, 4, -4, 4, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    struct Probe { const char* what; int mode, col, row, rgb[3]; };  // mode: the model's transparency mode
    const Probe probes[] = {
        {"an opaque material shows its texture, named on Windows in another case", 0, 0, 0, {178, 0, 0}},
        {"no material: untextured white", 0, 1, 0, {178, 178, 178}},
        {"emission adds to the light; a drive path's last component is found beside the model", 0, 2, 0, {178, 255, 178}},
        {"mode 0: a transparent group writes no depth, what is drawn behind shows", 0, 0, 1, {178, 178, 178}},
        {"mode 0: blended by its transparency", 0, 1, 1, {45, 45, 45}},
        {"mode 2: below the alpha reference nothing is drawn", 2, 1, 1, {0, 0, 0}},
        {"after Draw, the next piece draws plain yellow: no light, texture or blending", 2, 3, 3, {255, 255, 0}},
    };
    for (int mode : {0, 2}) {
        f.transparencyMode = mode;
        modelViewer.LoadModel(dir.Write("model.ms3d", Encode(f)).c_str());
        modelViewer.UploadModel();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        modelViewer.Draw();
        glLoadIdentity();
        glRectf(2.5f, 2.5f, 3.5f, 3.5f);
        std::vector<uint8_t> pixels(64 * 64 * 4);
        ASSERT_TRUE(ReadFramePixels(64, 64, pixels.data()));
        for (const Probe& p : probes) {
            const uint8_t* at = &pixels[((p.row * 16 + 8) * 64 + p.col * 16 + 8) * 4];
            for (int c = 0; c < 3 && p.mode == mode; ++c) EXPECT_NEAR(at[c], p.rgb[c], 12) << p.what << ", channel " << c;
        }
    }
    EXPECT_EQ(ilGetError(), IL_NO_ERROR) << "a broken image leaves no DevIL error behind";
    platform::DestroyOffscreenContext();
}

// A path too long to keep is refused, not cut to another file's name.
TEST(ModelViewer, PathsThatLoadNothingEmptyTheModel) {
    TempDir dir;
    const std::string good = dir.Write("good", Encode(SampleFile()));
    const std::string tooLong = dir.Write(std::string(260 - dir.Path().size(), 'x'), Encode(SampleFile()));
    const std::string cut = dir.Write(tooLong.substr(dir.Path().size() + 1, 258 - dir.Path().size()), Encode(SampleFile()));
    const std::string broken = dir.Write("broken", Encode(SampleFile()).substr(0, 100));
    for (const char* path : {static_cast<const char*>(nullptr), "", tooLong.c_str(), broken.c_str(), "/nonexistent/model"}) {
        modelViewer.LoadModel(good.c_str());
        ASSERT_EQ(modelViewer.State().model.GetVertexCount(), 4);
        modelViewer.LoadModel(path);
        EXPECT_EQ(modelViewer.State().model.GetVertexCount(), 0) << (path ? path : "null");
    }
    modelViewer.LoadModel(cut.c_str());
    EXPECT_EQ(modelViewer.State().model.GetVertexCount(), 4) << "259 characters still fit";
}

// A texture path past 255 characters is refused, never cut to another name.
TEST(ModelTextures, TooLongAPathIsRefused) {
    TempDir dir;
    const std::string folder = dir.Path() + "/" + std::string(120, 'a') + "/" + std::string(120, 'b');
    dir.Write(folder.substr(dir.Path().size() + 1) + "/t.tga", "x");
    const char name[128] = "t.tga";
    EXPECT_EQ(FindTextureFile((folder + "/model").c_str(), name), "");
}

}  // namespace
