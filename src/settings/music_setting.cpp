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

MusicChoice ReadMusicChoice() {
    RegistryKey key;
    MusicChoice choice;
    if (!key.Query("music", &choice.path, platform::SettingsType::Text)) choice.path.clear();
    std::string volume;
    if (key.Query("volume", &volume, platform::SettingsType::Number) && volume.size() == 4) {
        unsigned number = 0;
        for (int i = 3; i >= 0; --i) number = number << 8 | static_cast<unsigned char>(volume[i]);
        if (number <= kFullVolume) choice.volume = static_cast<int>(number);
    }
    return choice;
}

bool WriteMusicChoice(const MusicChoice& choice, std::string* error) {
    RegistryKey key;
    std::string volume(4, '\0');
    for (int i = 0; i < 4; ++i) volume[i] = static_cast<char>(static_cast<unsigned>(choice.volume) >> (8 * i) & 0xFF);
    return key.Set("music", choice.path, error, platform::SettingsType::Text) &&
           key.Set("volume", volume, error, platform::SettingsType::Number);
}
