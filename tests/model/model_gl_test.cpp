// The model as the screensaver shows it: files and texture images on disk,
// DevIL, the viewer's Draw on Mesa's off-screen context, checked by the pixels
// it leaves.
#include <GL/gl.h>
#include <IL/il.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <tuple>
#include <utility>

#include "model/image_header.h"
#include "model/model_textures.h"
#include "model/model_viewer.h"
#include "platform/platform.h"
#include "sample_file.h"
#include "scene/scene.h"
#include "support/temp_dir.h"

using namespace ms3d_writer;

namespace {

std::string Big16(int v) { return std::string{char(v >> 8), char(v)}; }
std::string Big32(uint32_t v) { return Big16(int(v >> 16)) + Big16(int(v & 0xffff)); }
std::string Little(uint32_t v, int bytes) {
    std::string out;
    for (int k = 0; k < bytes; ++k) out += char(v >> 8 * k);
    return out;
}
const std::string kPngSignature("\x89PNG\r\n\x1a\n", 8), kSoi("\xff\xd8", 2);
std::string PngHeader(uint32_t width, uint32_t height) {
    return kPngSignature + Big32(13) + "IHDR" + Big32(width) + Big32(height) + std::string("\x08\x02\0\0\0", 5);
}
std::string JpegSegment(int marker, const std::string& body) {
    return std::string{'\xff', char(marker)} + Big16(int(body.size()) + 2) + body;
}
std::string JpegFrame(int marker, int width, int height) {
    return JpegSegment(marker, "\x08" + Big16(height) + Big16(width) + std::string("\x01\x01\x11\0", 4));
}
std::string TgaHeader(int width, int height) {  // 32 bits
    return std::string("\0\0\2\0\0\0\0\0\0\0\0\0", 12) + Little(width, 2) + Little(height, 2) + "\x20\x08";
}

std::string BmpHeader(uint32_t infoSize, uint32_t width, uint32_t height) {
    return "BM" + std::string(12, '\0') + Little(infoSize, 4) + Little(width, 4) + Little(height, 4);
}
std::string Os2Header(int width, int height) {
    return "BM" + std::string(12, '\0') + Little(12, 4) + Little(width, 2) + Little(height, 2) + Little(1, 2) +
           Little(24, 2);
}

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
    struct Probe {
        const char* what;
        int mode, col, row, rgb[3];
    };  // mode: the model's transparency mode
    const Probe probes[] = {
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
        for (const Probe& p : probes) {
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

// A path too long to keep is refused, not cut to another file's name.
TEST(ModelViewer, PathsThatLoadNothingEmptyTheModel) {
    TempDir dir;
    const std::string good = dir.Write("good", Encode(SampleFile()));
    const std::string tooLong = dir.Write(std::string(260 - dir.Path().size(), 'x'), Encode(SampleFile()));
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

// Sides up to the limit load; a larger one is refused with one line, PNG and
// JPEG by their headers before decoding (these two are nothing else), and
// what is not a regular file is never waited on.
TEST(ModelTextures, LargeImagesAreRefusedAndOnlyRegularFilesAreRead) {
    std::string error;
    ASSERT_TRUE(platform::CreateOffscreenContext(16, 16, &error)) << error;
    TempDir dir;
    auto targa = [](int width, int height) { return TgaHeader(width, height) + std::string(width * height * 4, 'x'); };
    auto bitmap = [](int height) {  // 1 pixel wide, 24 bits: rows padded to 4 bytes
        return "BM" + Little(54 + 4 * height, 4) + Little(0, 4) + Little(54, 4) + BmpHeader(40, 1, height).substr(14) +
               Little(1 | 24 << 16, 4) + std::string(24, '\0') + std::string(4 * height, '\x40');
    };
    const struct {
        const char* name;
        std::string bytes;  // empty: a FIFO
        bool loads;
    } cases[] = {
        {"edge.tga", targa(4096, 1), true},
        {"wide.tga", targa(4097, 1), false},
        {"edge.bmp", bitmap(4096), true},
        {"tall.bmp", bitmap(4097), false},
        {"fifo.tga", "", false},
        {"big.png", PngHeader(16384, 16384), false},
        {"big.jpg", kSoi + JpegFrame(0xc0, 1, 4097), false},
    };
    File f;
    for (const auto& c : cases) {
        f.materials.emplace_back().textureFile = c.name;
        if (c.bytes.empty())
            ASSERT_EQ(mkfifo((dir.Path() + "/" + c.name).c_str(), 0600), 0);
        else
            dir.Write(c.name, c.bytes);
    }
    Ms3dModel model;
    const std::string modelPath = dir.Write("model.ms3d", Encode(f));
    ASSERT_TRUE(model.Load(modelPath.c_str()));
    testing::internal::CaptureStdout();
    LoadModelTextures(modelPath.c_str(), model);
    const std::string limit = " pixels, at most 4096 x 4096)\n",
                      line = "***Texture too large, not loaded: " + dir.Path();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              line + "/wide.tga (4097 x 1" + limit + line + "/tall.bmp (1 x 4097" + limit + line +
                  "/big.png (16384 x 16384" + limit + line + "/big.jpg (1 x 4097" + limit);
    for (int i = 0; i < model.GetMaterialCount(); ++i)
        EXPECT_EQ(model.GetMaterial(i).textureName != 0, cases[i].loads) << cases[i].name;
    platform::DestroyOffscreenContext();
}

// The sizes image headers declare, hostile ones among them.
TEST(ImageHeader, SizesAsTheDecodersReadThem) {
    using F = ImageFormat;
    const struct {
        const char* what;
        F format;
        std::string bytes;
        uint32_t width, height;  // 0: refused
    } cases[] = {
        {"PNG", F::Png, PngHeader(16384, 16384), 16384, 16384},
        {"PNG 1 x 1", F::Png, PngHeader(1, 1), 1, 1},
        {"PNG cut in IHDR", F::Png, PngHeader(3, 3).substr(0, 23), 0, 0},
        {"PNG, wrong signature", F::Png, "\x89PNG\r\n\x1a\r" + PngHeader(3, 3).substr(8), 0, 0},
        {"PNG, IHDR of 12 bytes", F::Png, kPngSignature + Big32(12) + PngHeader(3, 3).substr(12), 0, 0},
        {"PNG, another chunk first", F::Png, kPngSignature + Big32(13) + "IDAT" + PngHeader(3, 3).substr(16), 0, 0},
        {"PNG, no width", F::Png, PngHeader(0, 3), 0, 0},
        {"PNG, 2^31 high", F::Png, PngHeader(3, 0x80000000u), 0, 0},
        {"JPEG after JFIF", F::Jpeg,
         kSoi + JpegSegment(0xe0, "JFIF" + std::string(10, '\0')) + JpegFrame(0xc0, 16384, 16384), 16384, 16384},
        {"JPEG, progressive after fill bytes and RST3", F::Jpeg, kSoi + "\xff\xff\xff\xd3" + JpegFrame(0xc2, 640, 480),
         640, 480},
        {"JPEG, a table (DHT) is no frame", F::Jpeg,
         kSoi + JpegSegment(0xc4, std::string(8, '\x7f')) + JpegFrame(0xc1, 9, 7), 9, 7},
        {"JPEG, a long segment walked over", F::Jpeg,
         kSoi + JpegSegment(0xe1, std::string(65533, '\xff')) + JpegFrame(0xcf, 5000, 2), 5000, 2},
        {"JPEG, scan before a frame", F::Jpeg, kSoi + JpegSegment(0xda, "x") + JpegFrame(0xc0, 9, 9), 0, 0},
        {"JPEG, end before a frame", F::Jpeg, kSoi + "\xff\xd9" + JpegFrame(0xc0, 9, 9), 0, 0},
        {"JPEG, second SOI", F::Jpeg, kSoi + kSoi + JpegFrame(0xc0, 9, 9), 0, 0},
        {"JPEG, segment length 1", F::Jpeg, kSoi + "\xff\xe0" + Big16(1) + JpegFrame(0xc0, 9, 9), 0, 0},
        {"JPEG, segment past the end", F::Jpeg, kSoi + "\xff\xe0" + Big16(60000) + JpegFrame(0xc0, 9, 9), 0, 0},
        {"JPEG, frame cut short", F::Jpeg, kSoi + JpegFrame(0xc0, 9, 9).substr(0, 8), 0, 0},
        {"JPEG, frame length under 8", F::Jpeg, kSoi + "\xff\xc0" + Big16(7) + "\x08" + Big16(9) + Big16(9), 0, 0},
        {"JPEG, a byte between segments", F::Jpeg, kSoi + "x" + JpegFrame(0xc0, 9, 9), 0, 0},
        {"JPEG, stuffed zero outside a scan", F::Jpeg, kSoi + std::string("\xff\0", 2) + JpegFrame(0xc0, 9, 9), 0, 0},
        {"JPEG, height from a DNL (0)", F::Jpeg, kSoi + JpegFrame(0xc0, 9, 0), 0, 0},
        {"JPEG, SOI alone", F::Jpeg, kSoi, 0, 0},
        {"JPEG, fill bytes to the end", F::Jpeg, kSoi + std::string(5, '\xff'), 0, 0},
        {"Targa", F::Targa, TgaHeader(4097, 1), 4097, 1},
        {"Targa, largest", F::Targa, TgaHeader(65535, 65535), 65535, 65535},
        {"Targa cut", F::Targa, TgaHeader(3, 3).substr(0, 17), 0, 0},
        {"Targa, no height", F::Targa, TgaHeader(3, 0), 0, 0},
        {"BMP, top-down", F::Bitmap, BmpHeader(40, 16384, uint32_t(-16384)), 16384, 16384},
        {"BMP, lowest height", F::Bitmap, BmpHeader(40, 1, 0x80000000u), 1, 0x80000000u},
        {"BMP, no width", F::Bitmap, BmpHeader(40, 0, 5), 0, 0},
        {"BMP, negative width", F::Bitmap, BmpHeader(40, uint32_t(-5), 5), 0, 0},
        {"BMP, OS/2 sides of 16 bits", F::Bitmap, Os2Header(300, 200), 300, 200},
        {"BMP, OS/2 without pixels", F::Bitmap, Os2Header(0, 200), 0, 0},
        {"BMP v4: either reading of its sides", F::Bitmap, BmpHeader(108, 0x11000, 0x20010), 0x11000, 0x20010},
        {"BMP v4 read as OS/2 alone", F::Bitmap, BmpHeader(108, 0xffff0100u, 3), 0x100, 0xffff},
        {"BMP, wrong magic", F::Bitmap, "BA" + BmpHeader(40, 3, 3).substr(2), 0, 0},
        {"BMP cut", F::Bitmap, BmpHeader(40, 3, 3).substr(0, 25), 0, 0},
    };
    for (const auto& c : cases) {
        ImageSize size;
        const bool read =
            ReadImageSize(c.format, reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), &size);
        EXPECT_EQ(std::make_tuple(read, size.width, size.height), std::make_tuple(c.width != 0, c.width, c.height))
            << c.what;
    }
}

}  // namespace
