// The settings key as a file under $XDG_CONFIG_HOME/velmora (default
// ~/.config/velmora), in the layout of settings_file.h.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/platform.h"
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

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}
std::string SettingsFilePath() {
    std::string folder = SettingsFolder();
    return folder.empty() ? "" : folder + "/settings";
}

// False when the file is missing or unreadable; `bytes` is then empty.
bool ReadSettingsFile(std::string* bytes) {
    bytes->clear();
    std::string path = SettingsFilePath();
    if (path.empty()) return false;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buffer[4096];
    bool ok = true;
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        bytes->append(buffer, static_cast<size_t>(n));
        // A settings file is a few dozen bytes; anything huge is not ours.
        if (bytes->size() > (1u << 20)) {
            ok = false;
            break;
        }
    }
    close(fd);
    if (!ok) bytes->clear();
    return ok;
}

// Replaces the file atomically (a crash never leaves half a file).
bool WriteSettingsFile(const std::string& bytes) {
    std::string folder = SettingsFolder();
    if (folder.empty() || !MakeFolders(folder)) return false;
    std::string path = folder + "/settings";
    std::string temporary = path + ".tmp." + std::to_string(getpid());
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, bytes) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temporary.c_str(), path.c_str()) == 0) return true;
    unlink(temporary.c_str());
    return false;
}

}  // namespace

struct SettingsKey {
    SettingsValues values;  // as read when the key opened, plus what it wrote
};

// The file is read once when the key opens; a missing or corrupt file reads
// as a key without values, and a missing one is created.
SettingsKey* OpenSettingsKey() {
    std::string text;
    SettingsValues values;
    if (ReadSettingsFile(&text))
        DecodeSettings(text, &values);
    else if (!WriteSettingsFile(EncodeSettings({})))
        return nullptr;
    return new SettingsKey{std::move(values)};
}

void CloseSettingsKey(SettingsKey* key) { delete key; }

bool QuerySettingsValue(SettingsKey* key, const std::string& name, std::string* data) {
    if (key == nullptr) return false;
    auto found = key->values.find(name);
    if (found == key->values.end()) return false;
    *data = found->second;
    return true;
}

bool SetSettingsValue(SettingsKey* key, const std::string& name, const std::string& data) {
    if (key == nullptr) return false;
    SettingsValues changed = key->values;
    changed[name] = data;
    if (!WriteSettingsFile(EncodeSettings(changed))) return false;
    key->values = std::move(changed);
    return true;
}

}  // namespace platform
