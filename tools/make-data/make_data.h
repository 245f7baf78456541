// The generators of the default data set. Each writes its files into
// `dataDir` (ending in '/') and returns false, after a line on stderr, when a
// file can't be written. Everything is deterministic: the same bytes every run.
#pragma once

#include <string>

bool WriteSceneTextures(const std::string& dataDir);  // data/1-5, 8, 9, b-g
bool WriteCameraPath(const std::string& dataDir);     // data/p
bool WriteDefaultModel(const std::string& dataDir);   // data/6 and its textures
bool WriteMusic(const std::string& dataDir);          // data/xt

// The Windows resources' images (resources/velmora.rc).
bool WriteIconFile(const std::string& path);           // icon group 139: one 64 x 64, 24-bit image
bool WriteIconPng(int size, const std::string& path);  // the same picture for desktops, size x size
// Bitmap 138: the 256 x 256 dialog picture (a PNG) as a 24-bit uncompressed BMP.
bool ConvertPictureToBitmap(const std::string& pngPath, const std::string& bmpPath);
