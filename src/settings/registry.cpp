#include "settings/registry.h"

#include "platform/platform.h"
#include "settings/settings_file.h"

// The file is read once when the key opens; a missing or corrupt file reads
// as a key without values.
RegistryKey::RegistryKey() {
    std::string text;
    if (platform::ReadSettingsFile(&text)) {
        DecodeSettings(text, &values);
        open = true;
        return;
    }
    open = platform::WriteSettingsFile(EncodeSettings({}));
}

RegistryValue RegistryKey::Value(const std::string& name) {
    return RegistryValue(this, name);
}

bool RegistryKey::Query(const std::string& name, std::string* data) const {
    if (!open) return false;
    auto found = values.find(name);
    if (found == values.end()) return false;
    *data = found->second;
    return true;
}

bool RegistryKey::Set(const std::string& name, const std::string& data) {
    if (!open) return false;
    SettingsValues changed = values;
    changed[name] = data;
    if (!platform::WriteSettingsFile(EncodeSettings(changed))) return false;
    values = std::move(changed);
    return true;
}

RegistryValue::RegistryValue(RegistryKey* key, std::string name) : key(key), name(std::move(name)) {}

RegistryValue::RegistryValue(RegistryValue&& other) noexcept
    : loaded(other.loaded), dirty(other.dirty), key(other.key),
      name(std::move(other.name)), data(std::move(other.data)) {
    other.dirty = false;
}

RegistryValue::~RegistryValue() {
    if (!dirty || key == nullptr) return;
    if (key->Set(name, data)) {
        dirty = false;
        loaded = true;
    }
}

const std::string& RegistryValue::Load() {
    std::string stored;
    if (key != nullptr && key->Query(name, &stored) && stored.size() <= kMaxLoadBytes) {
        data = std::move(stored);
        loaded = true;
        dirty = false;
    }
    return data;
}

void RegistryValue::SetByte(unsigned char byte) {
    data.assign(1, static_cast<char>(byte));
    loaded = true;
    dirty = true;
}
