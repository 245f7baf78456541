#include "settings/registry.h"

#include "platform/platform.h"
#include "settings/settings_file.h"

namespace {
// A missing or corrupt file reads as a key without values.
SettingsValues ReadValues() {
    std::string text;
    SettingsValues values;
    if (platform::ReadSettingsFile(&text)) DecodeSettings(text, &values);
    return values;
}
}  // namespace

RegistryKey::RegistryKey() {
    std::string text;
    if (platform::ReadSettingsFile(&text)) {
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
    SettingsValues values = ReadValues();
    auto found = values.find(name);
    if (found == values.end()) return false;
    *data = found->second;
    return true;
}

bool RegistryKey::Set(const std::string& name, const std::string& data) {
    if (!open) return false;
    SettingsValues values = ReadValues();
    values[name] = data;
    return platform::WriteSettingsFile(EncodeSettings(values));
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
