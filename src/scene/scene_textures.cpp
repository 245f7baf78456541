#include "scene/scene_textures.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "scene/scene.h"
#include "settings/data_names.h"
#include "settings/data_paths.h"

const SceneTexture kSceneTextures[kSceneTextureCount] = {
    {dataName::kWater, GL_RGBA, 512, 7},          {dataName::kGround, GL_RGBA, 1024, 8},
    {dataName::kCubePanels[0], GL_RGBA, 256, 17}, {dataName::kCubePanels[1], GL_RGBA, 256, 18},
    {dataName::kCubePanels[2], GL_RGBA, 512, 19}, {dataName::kCubePanels[3], GL_RGBA, 256, 10},
    {dataName::kCubePanels[4], GL_RGBA, 256, 16}, {dataName::kSkyFaces[0], GL_RGB, 512, 5},
    {dataName::kSkyFaces[1], GL_RGB, 512, 4},     {dataName::kSkyFaces[2], GL_RGB, 512, 1},
    {dataName::kSkyFaces[3], GL_RGB, 512, 3},     {dataName::kSkyFaces[4], GL_RGB, 512, 2},
    {dataName::kSkyFaces[5], GL_RGB, 512, 6},
};

namespace {

// The loader's own pixel area, which every load fills and every upload
// reads: one image of the largest size, tightly packed, bottom row first (the
// file's last row comes first). Nothing else uses it.
std::uint8_t uploadBuffer[kRawImageMaxSide * kRawImageMaxSide * 4];

// The grey every additive piece is drawn with; the ground sets it each frame.
constexpr GLfloat kGrey[4] = {0.5f, 0.5f, 0.5f, 1.0f};

// Names of the grey copies, in table order; made once the table's own names
// are taken, so that none can be one of them.
GLuint greyCopies[kSceneTextureCount];
bool replacing = false;

// What GL_MODULATE makes of a byte times the grey: the renderer's own float
// steps, so that nearest sampling gives the very same pixels.
std::uint8_t Greyed(std::uint8_t byte) {
    const float modulated = static_cast<float>(byte) * (1.0f / 255.0f) * kGrey[0];
    return static_cast<std::uint8_t>(std::lrintf(modulated * 255.0f));
}

// The colour channels of an image in the upload buffer times the grey, each
// pixel widened to four bytes: alpha, which the grey's alpha of 1 leaves as
// it is, stays, and an RGB image gets an opaque one. Last pixel first, so a
// widened pixel never overwrites one not yet read. Some 12 million bytes at
// start-up: each of the 256 values is worked out once.
void GreyPixels(int bytesPerPixel, int width, int height) {
    std::uint8_t greyed[256];
    for (int value = 0; value < 256; ++value) greyed[value] = Greyed(static_cast<std::uint8_t>(value));
    for (std::size_t pixel = static_cast<std::size_t>(width) * height; pixel-- > 0;) {
        const std::uint8_t* in = uploadBuffer + pixel * bytesPerPixel;
        std::uint8_t* out = uploadBuffer + pixel * 4;
        out[3] = bytesPerPixel == 4 ? in[3] : 255;
        for (int channel = 2; channel >= 0; --channel) out[channel] = greyed[in[channel]];
    }
}

bool DrawnInGrey() {
    if (glIsEnabled(GL_LIGHTING)) return false;
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    return std::memcmp(colour, kGrey, sizeof colour) == 0;
}

[[noreturn]] void ExitCantOpen(const char* path) {
    std::printf("***Can't open %s!\n ", path);
    std::exit(11);
}

[[noreturn]] void ExitTooShort(const char* message, const char* path) {
    std::printf(message, path);
    std::fflush(stdout);
    // Started by the system as a screensaver nobody reads the console, and
    // waiting there would hang the run; nor can a key reach the console while
    // the full-screen window holds the keyboard.
    if (platform::StdinIsTerminal() && !platform::ScreenWindowHoldsInput()) platform::ReadConsoleKey();
    std::exit(1);
}

// Every scene texture upload: one level, bytes tightly packed, modulated.
void UploadTexture(const std::uint8_t* pixels, GLuint slot, int width, int height, GLenum format, GLint minFilter,
                   GLint magFilter, GLint wrapMode) {
    glBindTexture(GL_TEXTURE_2D, slot);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrapMode);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapMode);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
}

// `stored`: the layout of the bytes in the upload buffer. A sky face is read
// as RGB; its grey copy is stored as RGBA, which the renderer samples in its
// 8-bit path (three-byte texels go through floats). Drawn unblended with
// GL_REPLACE, its opaque alpha is the grey's alpha of 1.
void Upload(const SceneTexture& texture, GLuint name, GLenum stored) {
    if (texture.format == GL_RGBA)
        UploadRgbaTexture(uploadBuffer, name, texture.size, texture.size);
    else
        UploadTexture(uploadBuffer, name, texture.size, texture.size, stored, kSkyMinFilter, kSkyMagFilter,
                      GL_CLAMP_TO_EDGE);
}

}  // namespace

bool ReadRawPixels(std::FILE* file, std::uint8_t* destination, int bytesPerPixel, int rows, int columns) {
    if (rows < 1 || rows > kRawImageMaxSide || columns < 1 || columns > kRawImageMaxSide) return false;
    const std::size_t rowBytes = static_cast<std::size_t>(columns) * bytesPerPixel;
    for (int r = 0; r < rows; ++r) {
        std::uint8_t* row = destination + static_cast<std::size_t>(rows - 1 - r) * rowBytes;
        const std::size_t got = std::fread(row, 1, rowBytes, file);
        if (got == rowBytes) continue;
        // The end met at a pixel's first byte fails the image; inside a pixel
        // the missing bytes are 255 and the end is met again at the next pixel.
        if (got % bytesPerPixel == 0) return false;
        std::memset(row + got, 255, bytesPerPixel - got % bytesPerPixel);
        return got + bytesPerPixel - got % bytesPerPixel == rowBytes && r == rows - 1;
    }
    return true;
}

void LoadRawImage(std::uint8_t* destination, const char* path, GLenum format, int rows, int columns) {
    // A FIFO or a device would hold the run (and the grabbed keyboard) in the
    // open or the read: such a file counts as missing.
    std::FILE* file = platform::OpenRegularFile(path, "rb");
    if (file == nullptr) ExitCantOpen(path);
    std::printf("File path: %s\n ", path);
    if (format == GL_RGB) {
        if (!ReadRawPixels(file, destination, 3, rows, columns)) ExitTooShort("***File reading failed! %s\n", path);
        std::printf("\nRGB Image input completed!\n");
    } else if (format == GL_RGBA) {
        if (!ReadRawPixels(file, destination, 4, rows, columns)) ExitTooShort("***File reading failed! %s \n", path);
        std::printf("\nRGBA Image input completed!\n");
    }
    std::fclose(file);
}

void UploadRgbaTexture(const std::uint8_t* pixels, GLuint slot, int width, int height) {
    UploadTexture(pixels, slot, width, height, GL_RGBA, GL_LINEAR, GL_LINEAR, GL_REPEAT);
}

GLuint GreyCopyName(GLuint slot) {
    for (int k = 0; k < kSceneTextureCount; ++k)
        if (kSceneTextures[k].slot == slot) return greyCopies[k];
    return slot;
}

GLuint SceneTextureName(GLuint slot) { return sceneFullDetail || !DrawnInGrey() ? slot : GreyCopyName(slot); }

void BindSceneTexture(GLuint slot) {
    const GLuint name = SceneTextureName(slot);
    replacing = name != slot;
    glBindTexture(GL_TEXTURE_2D, name);
    if (replacing) glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
}

void UnbindSceneTexture() {
    if (replacing) glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    replacing = false;
}

void LoadSceneTextures() {
    // The fixed names in use first: a generated name can't be one of them.
    for (const SceneTexture& texture : kSceneTextures) glBindTexture(GL_TEXTURE_2D, texture.slot);
    glGenTextures(kSceneTextureCount, greyCopies);
    for (int k = 0; k < kSceneTextureCount; ++k) {
        const SceneTexture& texture = kSceneTextures[k];
        char path[kDataPathSize];
        if (!FormDataPath(texture.file, path)) {
            // Too long for the buffer: reported like a file that isn't there,
            // under the whole name it would have had.
            const std::string wanted = programFolder + "data" + platform::PathSeparator() + texture.file;
            ExitCantOpen(wanted.c_str());
        }
        LoadRawImage(uploadBuffer, path, texture.format, texture.size, texture.size);
        Upload(texture, texture.slot, texture.format);
        GreyPixels(texture.format == GL_RGBA ? 4 : 3, texture.size, texture.size);
        Upload(texture, greyCopies[k], GL_RGBA);
    }
}
