#include "settings/registry.h"

RegistryKey::RegistryKey() : key(platform::OpenSettingsKey()) {}

RegistryKey::~RegistryKey() { platform::CloseSettingsKey(key); }

RegistryValue RegistryKey::Value(const std::string& name) {
    return RegistryValue(this, name);
}

bool RegistryKey::Query(const std::string& name, std::string* data) const {
    return platform::QuerySettingsValue(key, name, data);
}

bool RegistryKey::Set(const std::string& name, const std::string& data) {
    return platform::SetSettingsValue(key, name, data);
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
