// The settings key as a file under $XDG_CONFIG_HOME/velmora (default
// ~/.config/velmora), in the layout of settings_file.h.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/posix/safe_file.h"
#include "platform/posix/settings_file.h"

namespace platform {

namespace {
std::string SettingsFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config != nullptr && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] == '\0') return "";
        base = std::string(home) + "/.config";
    }
    return base + "/velmora";
}

bool MakeFolders(const std::string& folder) {
    for (size_t slash = 1; slash <= folder.size(); ++slash) {
        if (slash != folder.size() && folder[slash] != '/') continue;
        std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

// A settings file is a few dozen bytes; anything this large is not ours, and
// is refused whole rather than read in part.
constexpr size_t kMaxSettingsBytes = 1u << 20;

// One line per process: the key is opened several times in a run.
void ReportUnusableFile(const std::string& path, const std::string& why) {
    static bool reported = false;
    if (reported) return;
    reported = true;
    std::fprintf(stderr,
                 "velmora: the settings file %s can't be used (%s); it is left as it is and no settings are read\n",
                 path.c_str(), why.c_str());
}

}  // namespace

struct SettingsKey {
    std::string path;
    SettingsValues values;  // as read when the key opened, plus what it wrote
    std::string unusable;   // why the file that exists can't be used; empty when it can
};

// The file is read once when the key opens. Only a missing file is created:
// one that exists but can't be read or understood (another version's, a
// damaged disk's, one the user locked) keeps every byte, so nothing of it
// is lost to a run that could not read it.
SettingsKey* OpenSettingsKey(std::string* error) {
    const std::string folder = SettingsFolder();
    if (folder.empty()) {
        *error = "no settings folder: neither XDG_CONFIG_HOME nor HOME is set";
        return nullptr;
    }
    const std::string path = folder + "/settings";
    std::string text, why;
    SettingsValues values;
    switch (ReadSmallFile(path, kMaxSettingsBytes, &text, &why)) {
        case ReadResult::Read:
            if (DecodeSettings(text, &values)) return new SettingsKey{path, std::move(values), ""};
            why = "not a settings file of this version";
            break;
        case ReadResult::Missing:
            if (!MakeFolders(folder)) {
                *error = path + ": " + std::strerror(errno);
                return nullptr;
            }
            if (!ReplaceFileSafely(path, EncodeSettings({}), &why)) {
                *error = path + ": " + why;
                return nullptr;
            }
            return new SettingsKey{path, {}, ""};
        case ReadResult::Unreadable:
            break;
    }
    ReportUnusableFile(path, why);
    return new SettingsKey{path, {}, why};
}

void CloseSettingsKey(SettingsKey* key) { delete key; }

bool QuerySettingsValue(SettingsKey* key, const std::string& name, std::string* data, SettingsType) {
    if (key == nullptr) return false;
    auto found = key->values.find(name);
    if (found == key->values.end()) return false;
    *data = found->second;
    return true;
}

bool QueryMachineSettingsValue(SettingsKey*, const std::string&, std::string*) { return false; }

bool SetSettingsValue(SettingsKey* key, const std::string& name, const std::string& data, std::string* error,
                      SettingsType) {
    if (key == nullptr) return false;
    if (!key->unusable.empty()) {
        *error = key->path + " can't be used (" + key->unusable + "), so it is left as it is";
        return false;
    }
    SettingsValues changed = key->values;
    changed[name] = data;
    std::string why;
    if (!ReplaceFileSafely(key->path, EncodeSettings(changed), &why)) {
        *error = key->path + ": " + why;
        return false;
    }
    key->values = std::move(changed);
    return true;
}

}  // namespace platform
