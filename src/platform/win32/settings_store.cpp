// The settings key in the registry.
//
// Reads see the key as HKEY_CLASSES_ROOT shows it: the user's own values
// (HKEY_CURRENT_USER\Software\Classes) over the machine's, where an installer
// wrote "install". Writes go to the user's key, which any account may change;
// the machine's key needs administrator rights.
#include "platform/platform.h"
#include "platform/win32/win32_state.h"

namespace platform {

namespace {
const char kClassKey[] = "CLSID\\{6B2E7C91-5DA4-4f3e-9C07-E1A85F2D3B60}";
const char kUserKey[] = "Software\\Classes\\CLSID\\{6B2E7C91-5DA4-4f3e-9C07-E1A85F2D3B60}";

bool QueryValue(HKEY key, const std::string& name, std::string* data) {
    if (key == nullptr) return false;
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return false;
    std::string read(size, '\0');
    if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&read[0]), &size) !=
        ERROR_SUCCESS)
        return false;
    read.resize(size);
    *data = std::move(read);
    return true;
}
}  // namespace

struct SettingsKey {
    HKEY user = nullptr;    // written, and read first
    HKEY merged = nullptr;  // HKEY_CLASSES_ROOT's view, read only
};

SettingsKey* OpenSettingsKey() {
    SettingsKey key;
    RegCreateKeyExA(HKEY_CURRENT_USER, kUserKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                    KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key.user, nullptr);
    RegOpenKeyExA(HKEY_CLASSES_ROOT, kClassKey, 0, KEY_READ, &key.merged);
    if (key.user == nullptr && key.merged == nullptr) return nullptr;
    return new SettingsKey(key);
}

void CloseSettingsKey(SettingsKey* key) {
    if (key == nullptr) return;
    if (key->user != nullptr) RegCloseKey(key->user);
    if (key->merged != nullptr) RegCloseKey(key->merged);
    delete key;
}

bool QuerySettingsValue(SettingsKey* key, const std::string& name, std::string* data) {
    if (key == nullptr) return false;
    return QueryValue(key->user, name, data) || QueryValue(key->merged, name, data);
}

bool SetSettingsValue(SettingsKey* key, const std::string& name, const std::string& data) {
    if (key == nullptr || key->user == nullptr) return false;
    return RegSetValueExA(key->user, name.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

}  // namespace platform
