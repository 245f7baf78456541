#include "settings/music_setting.h"

#include "settings/registry.h"

unsigned char musicSetting = 0;

void ReadMusicSetting(unsigned char* destination) {
    RegistryKey key;
    RegistryValue value = key.Value("ini");
    if (!value.IsLoaded()) value.Load();
    const std::string& data = value.Data();
    *destination = data.size() == 1 ? static_cast<unsigned char>(data[0]) : 0;
}

bool WriteMusicSetting(unsigned char source, std::string* error) {
    RegistryKey key;
    RegistryValue value = key.Value("ini");
    value.SetByte(source);
    return value.Store(error);
}
