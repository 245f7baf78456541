// Where the music comes from.
#pragma once

#include <cstdio>

#include "settings/data_names.h"

// The music file's name.
constexpr const char* kMusicFileName = dataName::kMusic;

// Opens "xt" in the current folder for binary reading or, when it is not
// there, "xt" in the data folder of the program folder, so that an installed
// screensaver started from any folder finds its music. Only a regular file
// counts: a FIFO or a device reads as missing. Null when neither opens.
std::FILE* OpenMusicFile();
