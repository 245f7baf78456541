#include "settings/data_paths.h"

#include <cstring>

#include "platform/platform.h"
#include "settings/install_value.h"
#include "settings/registry.h"

std::string programFolder;

void ResolveProgramFolder() { programFolder = ReadInstallFolder(); }

std::string ReadInstallFolder() {
    RegistryKey key;
    std::string stored, folder;
    if (key.QueryInstalled("install", &stored) && InstallFolderOfValue(stored, &folder)) return folder;
    return platform::DefaultProgramFolder();
}

bool FormDataPath(const char* name, char (&path)[kDataPathSize]) {
    const char separator[2] = {platform::PathSeparator(), '\0'};
    std::string formed = programFolder + "data" + separator + name;
    if (formed.size() >= kDataPathSize) {
        path[0] = '\0';
        return false;
    }
    std::memcpy(path, formed.c_str(), formed.size() + 1);
    return true;
}
