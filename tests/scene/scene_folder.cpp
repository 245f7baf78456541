#include "scene_folder.h"

#include <png.h>

#include <cstring>
#include <filesystem>

#include "platform/posix/settings_file.h"

namespace {

struct TableEntry {
    const char* file;
    bool rgb;
};
const TableEntry kTable[13] = {{"9", false}, {"3", false}, {"4", false}, {"8", false}, {"5", false},
                               {"2", false}, {"1", false}, {"d", true},  {"f", true},  {"b", true},
                               {"e", true},  {"g", true},  {"c", true}};

}  // namespace

SceneFolder::SceneFolder() { config.Write("velmora/settings", EncodeSettings({{"install", Folder()}})); }

void SceneFolder::CopyBuildData() const {
    std::filesystem::create_directories(Folder() + "data");
    for (const char* name : {"1", "2", "3", "4", "5", "8", "9", "b", "c", "d", "e", "f", "g", "p"})
        std::filesystem::copy_file(std::string(VELMORA_BUILD_DIR) + "/data/" + name, DataPath(name),
                                   std::filesystem::copy_options::overwrite_existing);
}

void SceneFolder::WriteSolid(const std::string& name, int size, const std::string& pixel) const {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(size) * size * pixel.size());
    for (int k = 0; k < size * size; ++k) bytes += pixel;
    Write(name, bytes);
}

ProcessResult SceneFolder::Snapshot(const std::string& size, int frames, std::string* png) const {
    const std::string out = program.Path() + "/snapshot.png";
    if (png != nullptr) *png = out;
    return RunProcess({VELMORA_EXE, "--snapshot", out, "--size", size, "--frames", std::to_string(frames)},
                      Environment(), program.Path(), 60000);
}

std::string LoadedLines(const std::string& folder, int count) {
    std::string lines;
    for (int k = 0; k < count; ++k)
        lines += "File path: " + folder + "data/" + kTable[k].file + "\n \n" + (kTable[k].rgb ? "RGB" : "RGBA") +
                 " Image input completed!\n";
    return lines;
}

RgbImage ReadPng(const std::string& path) {
    RgbImage image;
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return image;
    png.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr)) {
        png_image_free(&png);
        return image;
    }
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.rgb = std::move(rgb);
    return image;
}
