// make-data DIR: writes the default data set into DIR (created if missing).
// make-data --icon FILE.ico: writes the program's icon (resource 139).
// make-data --icon-png SIZE FILE.png: the same picture as a desktop icon.
// make-data --bitmap IN.png OUT.bmp: the dialog picture as bitmap 138.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "make_data.h"

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--icon") return WriteIconFile(argv[2]) ? 0 : 1;
    if (argc == 4 && std::string(argv[1]) == "--icon-png") return WriteIconPng(std::atoi(argv[2]), argv[3]) ? 0 : 1;
    if (argc == 4 && std::string(argv[1]) == "--bitmap") return ConvertPictureToBitmap(argv[2], argv[3]) ? 0 : 1;
    if (argc != 2) {
        std::fprintf(stderr,
                     "usage: make-data DIR | --icon FILE.ico | --icon-png SIZE FILE.png | --bitmap IN.png OUT.bmp\n");
        return 2;
    }
    std::string dir = argv[1];
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        std::fprintf(stderr, "make-data: can't create %s: %s\n", dir.c_str(), error.message().c_str());
        return 1;
    }
    if (dir.back() != '/') dir += '/';
    bool ok = WriteSceneTextures(dir) && WriteCameraPath(dir) && WriteDefaultModel(dir) && WriteMusic(dir);
    return ok ? 0 : 1;
}
