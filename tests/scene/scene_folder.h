// A prepared program folder for the real executable: data/ with the scene's
// files, a settings folder whose "install" value names it, and snapshots.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/temp_dir.h"

class SceneFolder {
public:
    SceneFolder();
    // The program folder, ending in '/'.
    std::string Folder() const { return program.Path() + "/"; }
    std::string DataPath(const std::string& name) const { return Folder() + "data/" + name; }
    void Write(const std::string& name, const std::string& bytes) const { program.Write("data/" + name, bytes); }
    // Copies the build's generated textures and camera path.
    void CopyBuildData() const;
    // A solid image of size x size pixels of `pixel` (3 or 4 bytes).
    void WriteSolid(const std::string& name, int size, const std::string& pixel) const;
    std::vector<std::string> Environment() const { return {"XDG_CONFIG_HOME=" + config.Path()}; }
    // velmora --snapshot into the folder; the PNG's path is `*png`.
    ProcessResult Snapshot(const std::string& size, int frames, std::string* png = nullptr) const;

private:
    TempDir program;
    TempDir config;
};

// The lines loading the first `count` textures of the table print.
std::string LoadedLines(const std::string& folder, int count);

// A PNG as RGB rows, top row first; empty when it can't be read.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
    const std::uint8_t* At(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};
RgbImage ReadPng(const std::string& path);
