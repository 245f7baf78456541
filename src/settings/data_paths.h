// The program folder and the paths of the data files below it.
#pragma once

#include <cstddef>
#include <string>

// Every data path is formed in a buffer of this size, its zero included.
constexpr std::size_t kDataPathSize = 320;

// The program folder, ending in the path separator.
extern std::string programFolder;

// Fills programFolder; called once at start-up.
void ResolveProgramFolder();

// The "install" record of the settings key (at most 255 bytes with its zero),
// else the folder the backend names (platform::DefaultProgramFolder).
std::string ReadInstallFolder();

// programFolder + "data" + separator + name into `path`. False, with `path`
// empty, when the result would not fit in kDataPathSize bytes: a path is
// refused, never cut short.
bool FormDataPath(const char* name, char (&path)[kDataPathSize]);
