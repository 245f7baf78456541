// The music setting: value "ini" of the settings key, one byte. Only the
// single byte '1' means music on; a missing value, any other length and any
// other byte mean off.
#pragma once

#include <string>

// The last music setting read or chosen (0 when nothing could be read).
extern unsigned char musicSetting;

void ReadMusicSetting(unsigned char* destination);
// False, with `error` naming the settings file or key and the reason, when
// the byte could not be stored; the stored setting is then unchanged.
bool WriteMusicSetting(unsigned char source, std::string* error);
