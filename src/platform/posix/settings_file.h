// The byte layout of the settings file that backs the settings key.
//
//   velmora-settings 1\n
//   <name> <length>\n<length bytes>\n      (once per value)
//
// Names are printable without blanks; a value may hold any bytes, zero
// included. A text that does not follow the layout decodes as no values.
#pragma once

#include <map>
#include <string>

using SettingsValues = std::map<std::string, std::string>;

std::string EncodeSettings(const SettingsValues& values);
// False (and `values` empty) for a text that is not a settings file.
bool DecodeSettings(const std::string& text, SettingsValues* values);
