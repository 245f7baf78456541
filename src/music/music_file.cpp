#include "music/music_file.h"

#include "platform/platform.h"
#include "settings/data_paths.h"

std::FILE* OpenMusicFile() {
    std::FILE* file = platform::OpenRegularFile(kMusicFileName, "rb");
    if (file != nullptr) return file;
    char path[kDataPathSize];
    if (!FormDataPath(kMusicFileName, path)) return nullptr;
    return platform::OpenRegularFile(path, "rb");
}
