// The real executable's snapshots on prepared program folders: the whole
// frame against reference pictures, the textures' messages and exit codes,
// and what the sky, ground and cube add to a picture of plain colours.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/settings_file.h"
#include "settings/data_names.h"
#include "support/image.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// A program folder named by the settings' "install" value.
class SceneFolder {
public:
    SceneFolder() { config.Write("velmora/settings", EncodeSettings({{"install", Folder()}})); }
    std::string Folder() const { return program.Path() + "/"; }
    std::string DataPath(const std::string& name) const { return Folder() + "data/" + name; }
    void Write(const std::string& name, const std::string& bytes) const { program.Write("data/" + name, bytes); }
    void WriteSolid(const std::string& name, int size, const std::string& pixel) const {
        std::string bytes;
        for (int k = 0; k < size * size; ++k) bytes += pixel;
        Write(name, bytes);
    }
    void CopyBuildData() const {
        fs::create_directories(Folder() + "data");
        std::vector<const char*> names = {dataName::kGround, dataName::kWater, dataName::kCameraPath};
        names.insert(names.end(), std::begin(dataName::kCubePanels), std::end(dataName::kCubePanels));
        names.insert(names.end(), std::begin(dataName::kSkyFaces), std::end(dataName::kSkyFaces));
        for (const char* name : names) fs::copy_file(std::string(VELMORA_BUILD_DIR) + "/data/" + name, DataPath(name));
    }
    // `wrapper`: a program that runs the snapshot, /usr/bin/time for one.
    ProcessResult Snapshot(int width, int height, int frames, RgbImage* image = nullptr,
                           std::vector<std::string> wrapper = {}) const {
        const std::string out = program.Path() + "/snapshot.png";
        wrapper.insert(wrapper.end(),
                       {VELMORA_EXE, "--snapshot", out, "--size", std::to_string(width) + "x" + std::to_string(height),
                        "--frames", std::to_string(frames)});
        ProcessResult result = RunProcess(wrapper, {"XDG_CONFIG_HOME=" + config.Path()}, program.Path(),
                                          300000);  // 2401 frames under a sanitizer take a while
        if (image != nullptr) *image = ReadPng(out);
        return result;
    }

private:
    TempDir program, config;
};

// Frames of the generated data set against pictures of the same frames made
// when they were checked by eye; VELMORA_UPDATE_REFERENCES=1 writes them anew
// (after a deliberate change to the picture or to the generated data). The
// first frame reads no path step and looks at the centre; frame 2401 is deep
// in the flight, looking at the path's target.
TEST(SceneProgram, FramesMatchTheReferencePictures) {
    for (int frames : {1, 40, 2401}) {
        SCOPED_TRACE("frame " + std::to_string(frames));
        SceneFolder folder;
        folder.CopyBuildData();
        RgbImage picture;
        const ProcessResult result = folder.Snapshot(160, 120, frames, &picture);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const std::string reference =
            std::string(VELMORA_SOURCE_DIR) + "/tests/scene/reference/frame-" + std::to_string(frames) + ".png";
        if (std::getenv("VELMORA_UPDATE_REFERENCES") != nullptr) WritePng(reference, picture);
        const RgbImage expected = ReadPng(reference);
        ASSERT_FALSE(expected.Empty()) << reference;
        // Both come from llvmpipe: only rounding may differ, a few levels on a
        // few pixels; a missing piece or a wrong state changes many.
        int differing = 0;
        for (size_t k = 0; k < picture.rgb.size() && picture.rgb.size() == expected.rgb.size(); ++k)
            differing += std::abs(picture.rgb[k] - expected.rgb[k]) > 8;
        EXPECT_LT(Rmse(picture, expected), 0.004);
        EXPECT_LT(differing, 40);
    }
}

TEST(SceneProgram, TextureFilesMessagesAndExitCodes) {
    // The load order: water, ground, the cube's panels, the sky's faces.
    const char* table[13] = {dataName::kWater,         dataName::kGround,        dataName::kCubePanels[0],
                             dataName::kCubePanels[1], dataName::kCubePanels[2], dataName::kCubePanels[3],
                             dataName::kCubePanels[4], dataName::kSkyFaces[0],   dataName::kSkyFaces[1],
                             dataName::kSkyFaces[2],   dataName::kSkyFaces[3],   dataName::kSkyFaces[4],
                             dataName::kSkyFaces[5]};
    const struct {
        const char* what;
        const char* file;
        long delta;  // bytes added, removed when negative; LONG_MIN removes the file
        int exitCode;
        int loadedBefore;     // table entries loaded before the file
        const char* failure;  // printed after them; nullptr: everything loads
    } cases[] = {
        {"all files", "9", 0, 0, 13, nullptr},
        {"first file missing", "9", LONG_MIN, 11, 0, "***Can't open %s!\n "},
        {"sky face missing", "g", LONG_MIN, 11, 11, "***Can't open %s!\n "},
        {"RGBA one pixel short", "4", -4, 1, 2, "File path: %s\n ***File reading failed! %s \n"},
        {"RGBA one byte short", "4", -1, 0, 13, nullptr},
        {"RGBA empty", "1", -262144, 1, 6, "File path: %s\n ***File reading failed! %s \n"},
        {"RGB two bytes short", "d", -2, 0, 13, nullptr},
        {"RGB one pixel short", "d", -3, 1, 7, "File path: %s\n ***File reading failed! %s\n"},
        {"RGB longer", "c", 100, 0, 13, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SceneFolder folder;
        folder.CopyBuildData();
        const std::string path = folder.DataPath(c.file);
        const std::string bytes = ReadFileBytes(path);
        if (c.delta == LONG_MIN)
            fs::remove(path);
        else if (c.delta != 0)
            folder.Write(c.file, c.delta > 0 ? bytes + std::string(size_t(c.delta), 'B')
                                             : bytes.substr(0, bytes.size() + c.delta));
        const ProcessResult result = folder.Snapshot(64, 48, 1);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        std::string expected;
        for (int k = 0; k < c.loadedBefore; ++k)
            expected += "File path: " + folder.DataPath(table[k]) + "\n \n" + (k < 7 ? "RGBA" : "RGB") +
                        " Image input completed!\n";
        if (c.failure == nullptr) {
            EXPECT_EQ(result.out.substr(0, expected.size()), expected);  // the model may report after them
            continue;
        }
        std::string failure = c.failure;
        for (size_t at; (at = failure.find("%s")) != std::string::npos;) failure.replace(at, 2, path);
        EXPECT_EQ(result.out, expected + failure);
    }
}

TEST(SceneProgram, AFolderTooLongForTheDataPathCountsAsMissing) {
    // Without an "install" value the program folder is the executable's own.
    TempDir root;
    const std::string folder = root.Path() + "/" + std::string(150, 'f') + "/" + std::string(150, 'g') + "/";
    fs::create_directories(folder);
    fs::copy_file(VELMORA_EXE, folder + "velmora");
    const ProcessResult result =
        RunProcess({folder + "velmora", "--snapshot", root.Path() + "/out.png", "--size", "32x32"},
                   {"XDG_CONFIG_HOME=" + root.Path()}, root.Path(), 60000);
    EXPECT_EQ(result.exitCode, 11) << result.err;
    EXPECT_EQ(result.out, "***Can't open " + folder + "data/9!\n ");
}

// side x side pixels of 8-bit grey, written a row at a time: ImageMagick
// refuses images of more than 16K a side, and whole they would take 256 MiB.
bool WriteGreyJpeg(const std::string& path, int side) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    jpeg_compress_struct jpeg;
    jpeg_error_mgr errors;
    jpeg.err = jpeg_std_error(&errors);
    jpeg_create_compress(&jpeg);
    jpeg_stdio_dest(&jpeg, file);
    jpeg.image_width = jpeg.image_height = static_cast<JDIMENSION>(side);
    jpeg.input_components = 1;
    jpeg.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&jpeg);
    jpeg.dct_method = JDCT_IFAST;
    jpeg_start_compress(&jpeg, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(side));
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) row[x] = static_cast<JSAMPLE>((x + y) >> 6);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&jpeg, rows, 1);
    }
    jpeg_finish_compress(&jpeg);
    jpeg_destroy_compress(&jpeg);
    return std::fclose(file) == 0;
}

bool WriteZeroPng(const std::string& path, int side) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(side), static_cast<png_uint_32>(side), 8, PNG_COLOR_TYPE_GRAY,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> zeros(static_cast<size_t>(side));
    for (int y = 0; y < side; ++y) png_write_row(png, zeros.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

// A model texture larger than 4096 pixels a side is refused from its header,
// before decoding: a JPEG of a few MB or a PNG of zeros of some hundred KB
// each stand for 256 MiB of pixels. The run goes on without them.
TEST(SceneProgram, OversizedModelTexturesAreRefusedBeforeTheyAreDecoded) {
    SceneFolder folder;
    folder.CopyBuildData();
    fs::copy_file(std::string(VELMORA_BUILD_DIR) + "/data/medusa_tentacle.tga", folder.DataPath("medusa_tentacle.tga"));
    // The default model, two of its texture names changed in place.
    std::string model = ReadFileBytes(std::string(VELMORA_BUILD_DIR) + "/data/6");
    for (auto [from, to] : {std::pair{"medusa_glow.tga", "medusa_glow.jpg"}, {"medusa_bell.tga", "medusa_bell.png"}}) {
        const size_t at = model.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        model.replace(at, std::strlen(to), to);
    }
    folder.Write("6", model);
    ASSERT_TRUE(WriteGreyJpeg(folder.DataPath("medusa_glow.jpg"), 16384));
    ASSERT_TRUE(WriteZeroPng(folder.DataPath("medusa_bell.png"), 16384));
    const ProcessResult result = folder.Snapshot(64, 48, 1, nullptr, {"/usr/bin/time", "-f", "%M"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const char* name : {"medusa_glow.jpg", "medusa_bell.png"})
        EXPECT_NE(result.out.find("***Texture too large, not loaded: " + folder.DataPath(name) +
                                  " (16384 x 16384 pixels, at most 4096 x 4096)\n"),
                  std::string::npos)
            << result.out;
    // /usr/bin/time's last line: the peak resident set in KB.
    const size_t line = result.err.find_last_of('\n', result.err.size() - 2);
    const long peakKb = std::atol(result.err.c_str() + (line == std::string::npos ? 0 : line + 1));
    EXPECT_GT(peakKb, 0) << result.err;
    EXPECT_LT(peakKb, 400 * 1024);
}

// Plain colours: each sky face its own, every additive texture fully cut, the
// camera at its first frame. Pixels named by where the first frame shows them.
TEST(SceneProgram, SkyFacesGroundAndCubePanelsOnPlainColours) {
    SceneFolder folder;
    const char* sky[6][2] = {{"b", "\x80\x00\x00"}, {"f", "\x00\x80\x00"}, {"e", "\x00\x00\x80"},
                             {"d", "\x80\x80\x00"}, {"g", "\x80\x00\x80"}, {"c", "\x00\x80\x80"}};
    for (auto& face : sky) folder.WriteSolid(face[0], 512, std::string(face[1], 3));
    const std::string cut("\xff\xff\xff\x00", 4), opaque("\xff\xff\xff\xff", 4);
    for (auto [name, size] :
         {std::pair{"9", 512}, {"3", 1024}, {"5", 512}, {"4", 256}, {"8", 256}, {"2", 256}, {"1", 256}})
        folder.WriteSolid(name, size, cut);
    folder.Write("p", "1.2607,60.0682,-129.0309\n0,40,0");  // the first frame reads no step
    RgbImage plain, changed;
    ASSERT_EQ(folder.Snapshot(160, 60, 1, &plain).exitCode, 0);
    auto sum = [](const RgbImage& image, int x, int y) {
        return image.At(x, y)[0] + image.At(x, y)[1] + image.At(x, y)[2];
    };
    // Ahead above the cube the z = -1 face (red), right x = +1 (green), left
    // x = -1 (blue); the faces behind (yellow) and above (magenta) never show
    // in the upper half.
    EXPECT_GT(plain.At(80, 8)[0], 90);
    EXPECT_LT(plain.At(80, 8)[1] + plain.At(80, 8)[2], 30);
    EXPECT_GT(plain.At(155, 25)[1], 90);
    EXPECT_GT(plain.At(4, 25)[2], 90);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 160; ++x) {
            const std::uint8_t* p = plain.At(x, y);
            ASSERT_FALSE(p[0] > 60 && (p[1] > 60 || p[2] > 60)) << x << "," << y;
        }
    // From the path's first step, on the other side, the face behind is ahead, whole.
    ASSERT_EQ(folder.Snapshot(160, 60, 2, &changed).exitCode, 0);
    for (int x : {40, 80, 120})
        for (int y : {4, 14})
            EXPECT_TRUE(changed.At(x, y)[0] > 40 && changed.At(x, y)[1] > 40 && changed.At(x, y)[2] < 20)
                << x << "," << y;
    // An opaque ground adds to what lies behind it, below the horizon only.
    folder.WriteSolid("3", 1024, opaque);
    ASSERT_EQ(folder.Snapshot(160, 60, 1, &changed).exitCode, 0);
    EXPECT_EQ(sum(changed, 80, 8), sum(plain, 80, 8));
    for (auto [x, y] : {std::pair{80, 40}, {20, 58}, {140, 58}}) EXPECT_GT(sum(changed, x, y), sum(plain, x, y) + 150);
    // The front cube panel's left half at alpha 25/255 (under 0.1) is cut; its
    // opaque right half adds about half of white (the ground's grey).
    folder.WriteSolid("3", 1024, cut);
    std::string panel;
    for (int k = 0; k < 256 * 256; ++k) panel += k % 256 < 128 ? std::string("\xff\xff\xff\x19", 4) : opaque;
    folder.Write("4", panel);
    ASSERT_EQ(folder.Snapshot(160, 60, 1, &changed).exitCode, 0);
    EXPECT_NEAR(sum(changed, 76, 36), sum(plain, 76, 36), 3) << "cut half";
    EXPECT_GT(sum(changed, 84, 36), sum(plain, 84, 36) + 270) << "opaque half";
}

}  // namespace
