#include "settings/data_paths.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/platform.h"
#include "settings/install_value.h"
#include "settings/registry.h"

std::string systemRoot;
std::string programFolder;

void ResolveProgramFolder() {
    const char* root = std::getenv("SYSTEMROOT");
    systemRoot = root != nullptr ? root : "";
    programFolder = ReadInstallFolder();
}

std::string ReadInstallFolder() {
    RegistryKey key;
    std::string stored, folder;
    if (key.QueryInstalled("install", &stored) && InstallFolderOfValue(stored, &folder)) return folder;
    // A copied, not installed, folder finds the data beside the executable.
    const std::string beside = platform::ExecutableFolder();
    std::error_code error;
    if (std::filesystem::is_directory(beside + "data", error)) return beside;
    if (platform::PathSeparator() == '\\') return systemRoot.substr(0, 2) + "\\Program Files\\Velmora! Screensaver\\";
    // An installed program lives in <prefix>/libexec/xscreensaver/ (its real
    // path, whatever link started it) and its data in <prefix>/share/velmora/.
    const std::filesystem::path shared = std::filesystem::path(beside + "../../share/velmora/").lexically_normal();
    if (std::filesystem::is_directory(shared / "data", error)) return shared.string();
    return beside;
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
