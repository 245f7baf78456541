#include "settings/install_value.h"

namespace {
constexpr std::size_t kInstallValueLimit = 255;
}

bool InstallFolderOfValue(const std::string& stored, std::string* folder) {
    if (stored.size() > kInstallValueLimit) return false;
    const std::size_t zero = stored.find('\0');
    if (zero != std::string::npos) {
        *folder = stored.substr(0, zero);
        return true;
    }
    if (stored.size() == kInstallValueLimit) return false;
    *folder = stored;
    return true;
}
