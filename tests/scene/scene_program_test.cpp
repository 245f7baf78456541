// The real executable's snapshots on prepared program folders: the whole
// frame against reference pictures, the textures' messages and exit codes,
// and what the sky, ground and cube add to a picture of plain colours.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
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

// The scene's textures in the order they are loaded: water, ground, the cube's
// panels, the sky's faces.
std::vector<const char*> SceneTextures() {
    std::vector<const char*> names = {dataName::kWater, dataName::kGround};
    names.insert(names.end(), std::begin(dataName::kCubePanels), std::end(dataName::kCubePanels));
    names.insert(names.end(), std::begin(dataName::kSkyFaces), std::end(dataName::kSkyFaces));
    return names;
}

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
        std::vector<const char*> names = SceneTextures();
        names.push_back(dataName::kCameraPath);
        for (const char* name : names) fs::copy_file(std::string(VELMORA_BUILD_DIR) + "/data/" + name, DataPath(name));
    }
    std::string SnapshotFile() const { return program.Path() + "/snapshot.png"; }
    ProcessResult Snapshot(int width, int height, int frames, RgbImage* image = nullptr) const {
        const std::string out = SnapshotFile();
        ProcessResult result =
            RunProcess({VELMORA_EXE, "--snapshot", out, "--size", std::to_string(width) + "x" + std::to_string(height),
                        "--frames", std::to_string(frames)},
                       {"XDG_CONFIG_HOME=" + config.Path()}, program.Path(),
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
        if (std::getenv("VELMORA_UPDATE_REFERENCES") != nullptr)
            fs::copy_file(folder.SnapshotFile(), reference, fs::copy_options::overwrite_existing);
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
    const std::vector<const char*> table = SceneTextures();
    ASSERT_EQ(table.size(), 13u);
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
