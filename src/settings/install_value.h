// The "install" value of the settings key: the program folder an installer
// recorded. The program and the installer's launcher read it alike.
#pragma once

#include <string>

// The folder that the value's stored bytes name: a value stored as a string
// ends at its zero, one without a zero must still leave room for it, and a
// value of more than 255 bytes names nothing. False when it names nothing.
bool InstallFolderOfValue(const std::string& stored, std::string* folder);
