#include "settings/registry.h"

RegistryKey::RegistryKey() : key(platform::OpenSettingsKey(&openError)) {}

RegistryKey::~RegistryKey() { platform::CloseSettingsKey(key); }

RegistryValue RegistryKey::Value(const std::string& name) { return RegistryValue(this, name); }

bool RegistryKey::Query(const std::string& name, std::string* data, platform::SettingsType type) const {
    return platform::QuerySettingsValue(key, name, data, type);
}

bool RegistryKey::QueryInstalled(const std::string& name, std::string* data) const {
    return platform::QueryMachineSettingsValue(key, name, data) || platform::QuerySettingsValue(key, name, data);
}

bool RegistryKey::Set(const std::string& name, const std::string& data, std::string* error,
                      platform::SettingsType type) {
    if (key == nullptr) {
        *error = openError;
        return false;
    }
    return platform::SetSettingsValue(key, name, data, error, type);
}

RegistryValue::RegistryValue(RegistryKey* key, std::string name) : key(key), name(std::move(name)) {}

RegistryValue::RegistryValue(RegistryValue&& other) noexcept
    : loaded(other.loaded),
      dirty(other.dirty),
      key(other.key),
      name(std::move(other.name)),
      data(std::move(other.data)) {
    other.dirty = false;
}

RegistryValue::~RegistryValue() {
    std::string ignored;
    Store(&ignored);
}

bool RegistryValue::Store(std::string* error) {
    if (!dirty) return true;
    dirty = false;
    if (key == nullptr) {
        *error = "no settings key";
        return false;
    }
    if (!key->Set(name, data, error)) return false;
    loaded = true;
    return true;
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
