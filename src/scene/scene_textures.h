// The scene's textures: headerless raw images uploaded under fixed names.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>  // GL_CLAMP_TO_EDGE: Windows' own gl.h stops at 1.1

#include <cstdint>
#include <cstdio>

// The sky box faces' side and filters: nearest where magnified, so their
// texels stay sharp close up.
constexpr int kSkyTextureSide = 512;
constexpr GLint kSkyMinFilter = GL_LINEAR;
constexpr GLint kSkyMagFilter = GL_NEAREST;

// Largest side of a raw image; the upload buffer holds one such RGBA image.
constexpr int kRawImageMaxSide = 1024;

struct SceneTexture {
    const char* file;  // name below data/
    GLenum format;     // GL_RGB or GL_RGBA
    int size;          // square images: rows = columns = size
    GLuint slot;       // the fixed texture name the drawing code binds
};

constexpr int kSceneTextureCount = 13;
// In load order: the additive RGBA panels, then the six sky box faces.
extern const SceneTexture kSceneTextures[kSceneTextureCount];

// Reads rows x columns pixels of bytesPerPixel bytes from `file` into
// `destination`, file row r landing at destination row rows - 1 - r. The end
// of the file counts only at a pixel's first byte: then the result is false.
// Later bytes of a pixel cut short are 255. Sides outside 1..1024 read nothing
// and give false.
bool ReadRawPixels(std::FILE* file, std::uint8_t* destination, int bytesPerPixel, int rows, int columns);

// Opens and reads one raw image into `destination`, reporting on standard
// output. A file that can't be opened ends the process with code 11; one that
// ends before a pixel's first byte ends it with code 1 (after waiting for a
// key when standard input is a terminal). Formats other than GL_RGB and
// GL_RGBA read nothing.
void LoadRawImage(std::uint8_t* destination, const char* path, GLenum format, int rows, int columns);

// Linear, repeating, modulated RGBA texture under `slot`, level 0 only.
void UploadRgbaTexture(const std::uint8_t* pixels, GLuint slot, int width, int height);

// Binds `slot` to draw with. Where the colour the texture would be modulated
// with is the ground's grey, unlit (every additive piece, and the sky box from
// the second frame on), the texture's grey copy is bound instead with
// GL_REPLACE: the same pixels to within a unit of rounding, for one multiply a
// pixel fewer. Not with sceneFullDetail.
void BindSceneTexture(GLuint slot);
// Back to GL_MODULATE after BindSceneTexture, as the model's textures and the
// next piece expect.
void UnbindSceneTexture();
// The texture BindSceneTexture would bind for `slot` in the state as it
// stands: `slot` or its grey copy.
GLuint SceneTextureName(GLuint slot);
// The grey copy of the texture under `slot`; `slot` itself for a name that
// isn't a scene texture's.
GLuint GreyCopyName(GLuint slot);

// Loads and uploads the whole texture table from the program folder's data/,
// each texture with its grey copy.
// A path too long for the data path buffer counts as a file that can't be
// opened.
void LoadSceneTextures();
