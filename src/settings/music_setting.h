// The music settings, values of the settings key.
//
// "ini", one byte: only the single byte '1' means music on; a missing value,
// any other length and any other byte mean off.
// "music", text: the file or folder the user chose, as the file system
// spells it (UTF-8); missing or empty means the built-in track.
// "volume", a 32-bit number (four bytes, little-endian, where the store has
// no types): 0 to 100 percent; missing or anything else means 100.
#pragma once

#include <string>

// The last music setting read or chosen (0 when nothing could be read).
extern unsigned char musicSetting;

void ReadMusicSetting(unsigned char* destination);
// False, with `error` naming the settings file or key and the reason, when
// the byte could not be stored; the stored setting is then unchanged.
bool WriteMusicSetting(unsigned char source, std::string* error);

constexpr int kFullVolume = 100;

// What plays and how loud.
struct MusicChoice {
    std::string path;  // empty: the built-in track
    int volume = kFullVolume;
};

MusicChoice ReadMusicChoice();
// Stores both values; false, with `error` as above, when either could not be
// stored.
bool WriteMusicChoice(const MusicChoice& choice, std::string* error);
