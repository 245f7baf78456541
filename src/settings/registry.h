// The settings key and its values.
//
// A RegistryKey stands for the one settings key; opening it creates it when
// it does not exist. A RegistryValue loads its bytes on demand and writes them
// back when it goes out of scope, if the program changed them. A read that
// fails finds nothing; a write that fails leaves the stored value as it was,
// and only Store tells the caller why.
#pragma once

#include <string>

#include "platform/platform.h"

class RegistryValue;

class RegistryKey {
public:
    // Opens (creating if needed) the settings key. When that fails the key is
    // null: its values read nothing and their writes are lost.
    RegistryKey();
    ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool IsOpen() const { return key != nullptr; }
    RegistryValue Value(const std::string& name);

    // The raw store behind the key; false when the key is null or the value
    // is missing.
    bool Query(const std::string& name, std::string* data,
               platform::SettingsType type = platform::SettingsType::Binary) const;
    // A value an installer records ("install"): the machine's record first,
    // which the user's own key can't override, then the key's value.
    bool QueryInstalled(const std::string& name, std::string* data) const;
    // False, with `error` naming the file or key and the reason, when the
    // value could not be stored; what is stored is then unchanged.
    bool Set(const std::string& name, const std::string& data, std::string* error,
             platform::SettingsType type = platform::SettingsType::Binary);

private:
    std::string openError;       // why the key is null; before `key`, which fills it
    platform::SettingsKey* key;  // null when the key could not be opened
};

class RegistryValue {
public:
    static constexpr size_t kMaxLoadBytes = 1024;

    RegistryValue(RegistryKey* key, std::string name);
    ~RegistryValue();
    RegistryValue(RegistryValue&& other) noexcept;
    RegistryValue(const RegistryValue&) = delete;
    RegistryValue& operator=(const RegistryValue&) = delete;
    RegistryValue& operator=(RegistryValue&&) = delete;

    // Reads the stored bytes (at most kMaxLoadBytes); on failure nothing changes.
    const std::string& Load();
    void SetByte(unsigned char byte);
    // Writes the data now if they are dirty; false, with `error` saying
    // where and why, when they could not be written. Either way nothing is
    // left for the destructor to write: a failed change is dropped.
    bool Store(std::string* error);

    bool IsLoaded() const { return loaded; }
    bool IsDirty() const { return dirty; }
    const std::string& Data() const { return data; }

private:
    bool loaded = false;
    bool dirty = false;
    RegistryKey* key;  // not owned; may be null
    std::string name;
    std::string data = std::string(4, '\0');
};
