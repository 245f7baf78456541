#include "music/music_file.h"

#include "settings/data_paths.h"

std::FILE* OpenMusicFile() {
    std::FILE* file = std::fopen(kMusicFileName, "rb");
    if (file != nullptr) return file;
    char path[kDataPathSize];
    if (!FormDataPath(kMusicFileName, path)) return nullptr;
    return std::fopen(path, "rb");
}
