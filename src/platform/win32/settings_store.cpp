// The settings key in the registry.
//
// Reads see the key as HKEY_CLASSES_ROOT shows it: the user's own values
// (HKEY_CURRENT_USER\Software\Classes) over the machine's. The installer's
// "install" is asked of the machine's key first (QueryMachineSettingsValue).
// Writes go to the user's key, which any account may change; the machine's
// key needs administrator rights.
#include "platform/platform.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_state.h"

namespace platform {

namespace {
const char kClassKey[] = "CLSID\\{6B2E7C91-5DA4-4f3e-9C07-E1A85F2D3B60}";
// Below HKEY_CURRENT_USER (the user's) and HKEY_LOCAL_MACHINE (the machine's).
const char kClassesKey[] = "Software\\Classes\\CLSID\\{6B2E7C91-5DA4-4f3e-9C07-E1A85F2D3B60}";

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

// A REG_SZ value read through the wide call, as UTF-8 without its end mark.
bool QueryText(HKEY key, const std::string& name, std::string* data) {
    if (key == nullptr) return false;
    const std::wstring wideName = WideFromUtf8(name);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return false;
    std::wstring read(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, wideName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&read[0]), &size) !=
        ERROR_SUCCESS)
        return false;
    read.resize(size / sizeof(wchar_t));
    while (!read.empty() && read.back() == L'\0') read.pop_back();
    *data = Utf8FromWide(read);
    return true;
}

// "HKEY_CURRENT_USER\...: <the system's text for the error>"
std::string UserKeyError(LONG status) {
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(status), 0,
                   text, sizeof text, nullptr);
    std::string why = text;
    while (!why.empty() && (why.back() == '\n' || why.back() == '\r' || why.back() == ' ')) why.pop_back();
    if (why.empty()) why = "error " + std::to_string(status);
    return std::string("HKEY_CURRENT_USER\\") + kClassesKey + ": " + why;
}
}  // namespace

struct SettingsKey {
    HKEY user = nullptr;              // written, and read first
    HKEY merged = nullptr;            // HKEY_CLASSES_ROOT's view, read only
    HKEY machine = nullptr;           // HKEY_LOCAL_MACHINE's, the installer's record
    LONG userStatus = ERROR_SUCCESS;  // why `user` could not be opened
};

SettingsKey* OpenSettingsKey(std::string* error) {
    SettingsKey key;
    key.userStatus = RegCreateKeyExA(HKEY_CURRENT_USER, kClassesKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key.user, nullptr);
    if (key.userStatus != ERROR_SUCCESS) key.user = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kClassKey, 0, KEY_READ, &key.merged) != ERROR_SUCCESS) key.merged = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kClassesKey, 0, KEY_READ, &key.machine) != ERROR_SUCCESS)
        key.machine = nullptr;
    if (key.user == nullptr && key.merged == nullptr && key.machine == nullptr) {
        *error = UserKeyError(key.userStatus);
        return nullptr;
    }
    return new SettingsKey(key);
}

void CloseSettingsKey(SettingsKey* key) {
    if (key == nullptr) return;
    for (HKEY open : {key->user, key->merged, key->machine})
        if (open != nullptr) RegCloseKey(open);
    delete key;
}

bool QuerySettingsValue(SettingsKey* key, const std::string& name, std::string* data, SettingsType type) {
    if (key == nullptr) return false;
    if (type == SettingsType::Text) return QueryText(key->user, name, data) || QueryText(key->merged, name, data);
    return QueryValue(key->user, name, data) || QueryValue(key->merged, name, data);
}

bool QueryMachineSettingsValue(SettingsKey* key, const std::string& name, std::string* data) {
    return key != nullptr && QueryValue(key->machine, name, data);
}

bool SetSettingsValue(SettingsKey* key, const std::string& name, const std::string& data, std::string* error,
                      SettingsType type) {
    if (key == nullptr) return false;
    if (key->user == nullptr) {
        *error = UserKeyError(key->userStatus);
        return false;
    }
    LONG status;
    if (type == SettingsType::Text) {
        // The wide call: a path outside the system's code page is kept as it is.
        const std::wstring text = WideFromUtf8(data);
        status = RegSetValueExW(key->user, WideFromUtf8(name).c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    } else {
        const bool number = type == SettingsType::Number && data.size() == sizeof(DWORD);
        status = RegSetValueExA(key->user, name.c_str(), 0, number ? REG_DWORD : REG_BINARY,
                                reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    }
    if (status == ERROR_SUCCESS) return true;
    *error = UserKeyError(status);
    return false;
}

// A registry key is never unusable as a whole file can be: nothing is set aside.
std::string SettingsFileSetAside() { return ""; }

}  // namespace platform
