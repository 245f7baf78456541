// The model's texture images, found beside the model file and made into
// OpenGL textures by DevIL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "model/ms3d_model.h"

// The longest texture path, terminator included, that is looked up.
constexpr size_t kTexturePathSize = 256;

// The file that a material's stored texture name refers to: the name taken
// relative to the model file's folder, with backslashes read as separators
// (files written on Windows). When that file doesn't exist, the same path is
// looked up without regard to case, and then the name's last component alone
// in the model's folder. Returns "" for an empty name, a path that doesn't
// fit kTexturePathSize, or a file that can't be found.
std::string FindTextureFile(const char* modelPath, const char (&textureFile)[128]);

// The largest side of a model texture: decoded as RGBA such an image takes
// 64 MiB, and DevIL and OpenGL each hold a copy.
constexpr std::uint32_t kMaxTextureSide = 4096;
// The largest image file read: a 4096 x 4096 RGBA image stored uncompressed,
// with room for its header and palette.
constexpr size_t kMaxTextureFileBytes = size_t{kMaxTextureSide} * kMaxTextureSide * 4 + (size_t{1} << 20);

// The most texture memory (4 bytes a pixel) one model's textures take: one
// image of the largest size and half as much beside it. Making the largest
// image takes about twice its size again for a moment (DevIL's copy and the
// upload's), so a run stays under 300 MB.
constexpr std::uint64_t kMaxModelTextureBytes = std::uint64_t{3} * kMaxTextureSide * kMaxTextureSide * 2;

// Makes each material's texture (in material order) and stores its OpenGL
// name in the material; 0 when its image can't be found, is not a regular
// file, or is refused. Materials that name the same file share its texture.
// A refused image (a file of more than kMaxTextureFileBytes, one that fails
// CheckImageFile with sides of at most kMaxTextureSide or the OpenGL maximum,
// one the decoder can't read, or one past kMaxModelTextureBytes with the
// textures made before it) is one line on standard output:
// "***Texture not loaded: PATH (REASON)". Needs the OpenGL context current
// and DevIL initialised.
void LoadModelTextures(const char* modelPath, Ms3dModel& model);
