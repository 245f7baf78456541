// The settings key as a file under $XDG_CONFIG_HOME/velmora (default
// ~/.config/velmora), in the layout of settings_file.h.
#include <sys/stat.h>

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

// A settings file is a few dozen bytes; anything this large is not ours, and
// is refused whole rather than read in part.
constexpr size_t kMaxSettingsBytes = 1u << 20;

// Where the last write moved an unusable file; the dialog tells the user.
std::string lastSetAside;

// One line per process: the key is opened several times in a run.
void ReportUnusableFile(const std::string& path, const std::string& why) {
    static bool reported = false;
    if (reported) return;
    reported = true;
    std::fprintf(stderr, "velmora: the settings file %s can't be used (%s); no settings are read from it\n",
                 path.c_str(), why.c_str());
}

}  // namespace

struct SettingsKey {
    std::string path;
    std::string target;     // where writes land: `path`, or the user's file it links to
    SettingsValues values;  // as read when the key opened, plus what it wrote
    std::string unusable;   // why the file that exists can't be used; empty when it can
    bool refused = false;   // a link the program may not follow: never written
};

// The file is read once when the key opens. Only a missing file is created:
// one that exists but can't be read or understood (another version's, a
// damaged disk's, one the user locked) keeps every byte until the user asks
// to store a value, and is then moved aside whole.
SettingsKey* OpenSettingsKey(std::string* error) {
    const std::string folder = SettingsFolder();
    if (folder.empty()) {
        *error = "no settings folder: neither XDG_CONFIG_HOME nor HOME is set";
        return nullptr;
    }
    const std::string path = folder + "/settings";
    std::string target, text, why;
    if (!ResolveUserFile(path, &target, &why)) {
        ReportUnusableFile(path, why);
        return new SettingsKey{path, path, {}, why, true};
    }
    SettingsValues values;
    switch (ReadSmallFile(target, kMaxSettingsBytes, &text, &why)) {
        case ReadResult::Read:
            if (DecodeSettings(text, &values)) return new SettingsKey{path, target, std::move(values), "", false};
            why = "not a settings file of this version";
            break;
        case ReadResult::Missing:
            if (!MakeUserFolders(folder, &why) || !ReplaceFileSafely(target, EncodeSettings({}), &why)) {
                *error = path + ": " + why;
                return nullptr;
            }
            return new SettingsKey{path, target, {}, "", false};
        case ReadResult::Unreadable:
            break;
    }
    ReportUnusableFile(path, why);
    return new SettingsKey{path, target, {}, why, false};
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
    lastSetAside.clear();
    if (key->refused) {
        *error = key->path + " is " + key->unusable + ", so it is left as it is";
        return false;
    }
    std::string why;
    if (!key->unusable.empty()) {
        // The user asked to store a value: a file nothing can read must not
        // stop that forever, nor be lost. It goes aside whole, and the new
        // file starts from no values.
        if (!MoveAside(key->target, &lastSetAside, &why)) {
            *error = key->path + ": it can't be used (" + key->unusable + ") nor moved aside: " + why;
            return false;
        }
        key->unusable.clear();
    }
    SettingsValues changed = key->values;
    changed[name] = data;
    if (!ReplaceFileSafely(key->target, EncodeSettings(changed), &why, lastSetAside)) {
        *error = key->path + ": " + why;
        if (!lastSetAside.empty()) *error += "; the unusable file is now " + lastSetAside;
        return false;
    }
    key->values = std::move(changed);
    return true;
}

std::string SettingsFileSetAside() { return lastSetAside; }

}  // namespace platform
