#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "scene_folder.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

std::string Shortened(const std::string& bytes, long delta) {
    if (delta >= 0) return bytes + std::string(static_cast<std::size_t>(delta), '\x42');
    return bytes.substr(0, bytes.size() - static_cast<std::size_t>(-delta));
}

TEST(TextureFiles, MessagesAndExitCodesThroughTheProgram) {
    const struct {
        const char* name;
        const char* file;
        bool remove;
        long delta;  // bytes added (or removed when negative)
        int exitCode;
        int loadedBefore;  // table entries loaded before the file
        const char* failure;  // printed after them; nullptr: everything loads
    } cases[] = {
        {"all files", "9", false, 0, 0, 13, nullptr},
        {"first file missing", "9", true, 0, 11, 0, "***Can't open %s!\n "},
        {"ground missing after the water", "3", true, 0, 11, 1, "***Can't open %s!\n "},
        {"sky face missing", "g", true, 0, 11, 11, "***Can't open %s!\n "},
        {"RGBA one pixel short", "4", false, -4, 1, 2, "File path: %s\n ***File reading failed! %s \n"},
        {"RGBA one byte short", "4", false, -1, 0, 13, nullptr},
        {"RGBA empty", "1", false, -262144, 1, 6, "File path: %s\n ***File reading failed! %s \n"},
        {"RGB one pixel short", "d", false, -3, 1, 7, "File path: %s\n ***File reading failed! %s\n"},
        {"RGB two bytes short", "d", false, -2, 0, 13, nullptr},
        {"RGB longer", "c", false, 100, 0, 13, nullptr},
    };
    for (const auto& c : cases) {
        SceneFolder folder;
        folder.CopyBuildData();
        const std::string path = folder.DataPath(c.file);
        if (c.remove)
            std::filesystem::remove(path);
        else if (c.delta != 0)
            folder.Write(c.file, Shortened(ReadFileBytes(path), c.delta));
        const ProcessResult result = folder.Snapshot("64x48", 1);
        ASSERT_FALSE(result.timedOut) << c.name;
        EXPECT_FALSE(result.signaled) << c.name;
        EXPECT_EQ(result.exitCode, c.exitCode) << c.name << "\n" << result.err;
        std::string expected = LoadedLines(folder.Folder(), c.loadedBefore);
        if (c.failure == nullptr) {
            // The model may report after the textures.
            EXPECT_EQ(result.out.substr(0, expected.size()), expected) << c.name;
            continue;
        }
        std::string failure = c.failure;
        for (std::size_t at; (at = failure.find("%s")) != std::string::npos;) failure.replace(at, 2, path);
        EXPECT_EQ(result.out, expected + failure) << c.name;
    }
}

TEST(TextureFiles, FolderTooLongForTheDataPathCountsAsMissing) {
    // Without an install record the program folder is the executable's own.
    TempDir root;
    const std::string folder = root.Path() + "/" + std::string(150, 'f') + "/" + std::string(150, 'g') + "/";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(VELMORA_EXE, folder + "velmora");
    TempDir config;
    const ProcessResult result =
        RunProcess({folder + "velmora", "--snapshot", root.Path() + "/out.png", "--size", "32x32"},
                   {"XDG_CONFIG_HOME=" + config.Path()}, root.Path(), 60000);
    EXPECT_EQ(result.exitCode, 11) << result.err;
    EXPECT_EQ(result.out, "***Can't open " + folder + "data/9!\n ");
}

TEST(CameraPathFile, MissingPathKeepsTheCameraWithOneMessage) {
    SceneFolder folder;
    folder.CopyBuildData();
    std::filesystem::remove(folder.DataPath("p"));
    const ProcessResult result = folder.Snapshot("64x48", 4);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::string message = "***Can't open the camera path " + folder.Folder() + "data/p, the camera stays still!\n";
    const std::size_t at = result.out.find(message);
    ASSERT_NE(at, std::string::npos) << result.out;
    EXPECT_EQ(result.out.find(message, at + 1), std::string::npos);
}

}  // namespace
