// The model as the screensaver shows it: files and texture images on disk,
// DevIL, the viewer's Draw on Mesa's off-screen context, checked by the pixels
// it leaves.
#include <GL/gl.h>
#include <IL/il.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "model/model_textures.h"
#include "model/model_viewer.h"
#include "platform/platform.h"
#include "sample_file.h"
#include "scene/scene.h"
#include "support/image_files.h"
#include "support/temp_dir.h"

using namespace ms3d_writer;

namespace {

std::string TgaHeader(int width, int height) { return TargaHeader({2, 0, 0, 0, width, height}); }  // 32 bits

std::string Tga(char r, char g, char b) {  // 2 x 2
    std::string tga = TgaHeader(2, 2);
    for (int i = 0; i < 4; ++i) tga += {b, g, r, '\xff'};
    return tga;
}

// A quad facing +z on cell (col, row) of a 4 x 4 grid over [-4, 4]^2, moved
// by (10, 20): the viewer must centre it.
void AddQuad(File& f, int group, int col, int row, float z) {
    const int n = static_cast<int>(f.vertices.size());
    for (int c = 0; c < 4; ++c)
        f.vertices.push_back({0, {6.0f + 2 * col + 2 * (c == 1 || c == 2), 16.0f + 2 * row + 2 * (c >= 2), z}});
    for (int first : {1, 2}) {
        f.triangles.push_back({0, {uint16_t(n), uint16_t(n + first), uint16_t(n + first + 1)}});
        f.groups[group].triangleIndices.push_back(static_cast<uint16_t>(f.triangles.size() - 1));
    }
}

// The model of `f` written to `dir` and loaded with its textures; what the
// texture loader printed.
std::string LoadWithTextures(const TempDir& dir, const File& f, Ms3dModel& model) {
    const std::string path = dir.Write("model.ms3d", Encode(f));
    EXPECT_TRUE(model.Load(path.c_str()));
    testing::internal::CaptureStdout();
    LoadModelTextures(path.c_str(), model);
    return testing::internal::GetCapturedStdout();
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
    f.alphaRef = 1.0f;  // cuts every pixel while its test is on: the next piece must find it off
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
    const struct {
        const char* what;
        int mode, col, row, rgb[3];  // mode: the model's transparency mode
    } probes[] = {
        {"an opaque material shows its texture, named on Windows in another case", 0, 0, 0, {178, 0, 0}},
        {"no material: untextured white", 0, 1, 0, {178, 178, 178}},
        // A drive path's last component is found beside the model.
        {"emission adds to the light", 0, 2, 0, {178, 255, 178}},
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
        for (const auto& p : probes) {
            const uint8_t* at = &pixels[((p.row * 16 + 8) * 64 + p.col * 16 + 8) * 4];
            for (int c = 0; c < 3 && p.mode == mode; ++c)
                EXPECT_NEAR(at[c], p.rgb[c], 12) << p.what << ", channel " << c;
        }
    }
    EXPECT_EQ(ilGetError(), IL_NO_ERROR) << "a broken image leaves no DevIL error behind";
    int lists = 0;
    for (GLuint name = 1; name < 100; ++name) lists += glIsList(name);
    EXPECT_EQ(lists, 5) << "one list per group: each upload frees the lists of the one before";
    platform::DestroyOffscreenContext();
}

// A path too long to keep (260 characters and its zero) is refused, not cut to
// another file's name.
TEST(ModelViewer, PathsThatLoadNothingEmptyTheModel) {
    TempDir dir;
    const std::string good = dir.Write("good", Encode(SampleFile()));
    const std::string tooLong = dir.Write(std::string(259 - dir.Path().size(), 'x'), Encode(SampleFile()));
    const std::string cut =
        dir.Write(tooLong.substr(dir.Path().size() + 1, 258 - dir.Path().size()), Encode(SampleFile()));
    const std::string broken = dir.Write("broken", Encode(SampleFile()).substr(0, 100));
    for (const char* path :
         {static_cast<const char*>(nullptr), "", tooLong.c_str(), broken.c_str(), "/nonexistent/model"}) {
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

// Sides up to the limit load; a larger one, a format not read (whatever the
// file's name) or a file the decoder can't read is refused with one line, and
// what is not a regular file is never waited on.
TEST(ModelTextures, RefusedImagesAreOneLineAndOnlyRegularFilesAreRead) {
    std::string error;
    ASSERT_TRUE(platform::CreateOffscreenContext(16, 16, &error)) << error;
    TempDir dir;
    auto targa = [](int width, int height) { return TgaHeader(width, height) + std::string(width * height * 4, 'x'); };
    auto bitmap = [](int height) {  // 1 pixel wide, 24 bits: rows padded to 4 bytes
        return BitmapHeader({40, 1, static_cast<std::uint32_t>(height)}) + std::string(4 * height, '\x40');
    };
    const std::string psd = HostileImageFiles().at(0).bytes,
                      png = PngHeader(16, 16) + PngChunk("IDAT", std::string(200, '\x01')) + PngChunk("IEND", "");
    const std::string limit = " pixels, at most 4096 x 4096)";
    const struct {
        const char* name;
        std::string bytes;  // "fifo": a FIFO; "huge": a Targa header, sparse to 65 MiB and a byte
        bool loads;
        std::string line;  // what follows the path on the line, if any
    } cases[] = {
        {"edge.tga", targa(4096, 1), true, ""},
        {"wide.tga", targa(4097, 1), false, " (4097 x 1" + limit},
        {"edge.bmp", bitmap(4096), true, ""},
        {"tall.bmp", bitmap(4097), false, " (1 x 4097" + limit},
        {"fifo.tga", "fifo", false, ""},
        {"huge.tga", "huge", false, " (more than 68157440 bytes)"},
        {"big.png", PngHeader(16384, 16384) + std::string(100, '\0'), false, " (16384 x 16384" + limit},
        {"big.jpg", "\xff\xd8" + JpegFrame(0xc0, 1, 4097) + JpegSegment(0xda, std::string(8, 0)), false,
         " (1 x 4097" + limit},
        {"targa.psd", targa(2, 2), true, ""},
        {"photoshop.tga", psd, false, " (a PSD image; only PNG, JPEG, Targa and BMP are read)"},
        {"garbled.png", png, false, " (the decoder could not read it)"},
        {"empty.tga", "", false, " (empty)"},
    };
    File f;
    std::string expected;
    for (const auto& c : cases) {
        f.materials.emplace_back().textureFile = c.name;
        if (c.bytes == "fifo")
            ASSERT_EQ(mkfifo((dir.Path() + "/" + c.name).c_str(), 0600), 0);
        else if (c.bytes == "huge")
            std::filesystem::resize_file(dir.Write(c.name, TgaHeader(4096, 4096)), 68157441);
        else
            dir.Write(c.name, c.bytes);
        if (!c.line.empty()) expected += "***Texture not loaded: " + dir.Path() + "/" + c.name + c.line + "\n";
    }
    Ms3dModel model;
    EXPECT_EQ(LoadWithTextures(dir, f, model), expected);
    for (int i = 0; i < model.GetMaterialCount(); ++i)
        EXPECT_EQ(model.GetMaterial(i).textureName != 0, cases[i].loads) << cases[i].name;
    platform::DestroyOffscreenContext();
}

// Materials naming one file share its texture (and a refused file is one
// line), and the textures of one model stay within their budget: beside one
// 4096 x 4096 image another fits only half as large.
TEST(ModelTextures, OneFileIsOneTextureAndAModelsTexturesHaveABudget) {
    std::string error;
    ASSERT_TRUE(platform::CreateOffscreenContext(16, 16, &error)) << error;
    TempDir dir;
    TargaFields big{10, 0, 0, 0, 4096, 4096};  // run-length coded, one colour a file
    File f;
    for (const char* name : {"a.tga", "b.tga", "A.TGA", "c.tga", "bad.tga", "bad.tga"}) {
        f.materials.emplace_back().textureFile = name;
        big.height = name[0] == 'c' ? 2048 : 4096;  // c.tga fills what a.tga leaves
        std::string runs;
        for (int packet = 0; packet < 4096 * big.height / 128; ++packet)
            runs += std::string("\xff\x10\x20", 3) + name[0] + '\xff';
        if (name[0] != 'A') dir.Write(name, name[1] == 'a' ? std::string("not an image") : TargaHeader(big) + runs);
    }
    Ms3dModel model;
    EXPECT_EQ(LoadWithTextures(dir, f, model),
              "***Texture not loaded: " + dir.Path() + "/b.tga (the model's textures would take more than 96 MiB)\n" +
                  "***Texture not loaded: " + dir.Path() + "/bad.tga (not a PNG, JPEG, Targa or BMP image)\n");
    const auto name = [&](int i) { return model.GetMaterial(i).textureName; };
    // A.TGA is the same file as a.tga, named in another case.
    EXPECT_EQ(std::make_tuple(name(0) != 0, name(1), name(2), name(3) != 0, name(4)),
              std::make_tuple(true, 0u, name(0), true, 0u));
    platform::DestroyOffscreenContext();
}

}  // namespace
