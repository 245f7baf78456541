// The program folder and the paths of the data files below it.
#pragma once

#include <cstddef>
#include <string>

// Every data path is formed in a buffer of this size, its zero included.
constexpr std::size_t kDataPathSize = 320;

// The environment's SYSTEMROOT (empty when unset); only Windows uses it.
extern std::string systemRoot;
// The program folder, ending in the path separator.
extern std::string programFolder;

// Fills systemRoot and programFolder; called once at start-up.
void ResolveProgramFolder();

// The "install" record of the settings key (at most 255 bytes with its zero),
// else the default folder: the executable's folder on Linux; on Windows the
// executable's folder when it holds "data", else the standard installation
// folder.
std::string ReadInstallFolder();

// programFolder + "data" + separator + name into `path`. False, with `path`
// empty, when the result would not fit in kDataPathSize bytes: a path is
// refused, never cut short.
bool FormDataPath(const char* name, char (&path)[kDataPathSize]);
