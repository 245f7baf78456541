// The default model's texture images, written as 32-bit TGA files.
#pragma once

#include <string>

// Writes the three images the default model names into `dataDir`.
bool WriteModelTextures(const std::string& dataDir);

// The file names the model's materials store.
extern const char kBellTextureFile[];
extern const char kTentacleTextureFile[];
extern const char kGlowTextureFile[];
