// Where the program's data lies when no install record says: beside the
// executable, or in the installed layout's share folder.
#include <filesystem>
#include <system_error>

#include "platform/platform.h"

namespace platform {

std::string DefaultProgramFolder() {
    const std::string beside = ExecutableFolder();
    std::error_code error;
    if (std::filesystem::is_directory(beside + "data", error)) return beside;
    // ExecutableFolder is the real path's, so a link in bin/ leads here too.
    const std::filesystem::path shared = std::filesystem::path(beside + "../../share/velmora/").lexically_normal();
    if (std::filesystem::is_directory(shared / "data", error)) return shared.string();
    return beside;
}

}  // namespace platform
