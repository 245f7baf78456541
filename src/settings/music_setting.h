// The music setting: value "ini" of the settings key, one byte. Only the
// single byte '1' means music on; a missing value, any other length and any
// other byte mean off.
#pragma once

// The last music setting read or chosen (0 when nothing could be read).
extern unsigned char musicSetting;

void ReadMusicSetting(unsigned char* destination);
void WriteMusicSetting(unsigned char source);
