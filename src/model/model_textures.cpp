#include "model/model_textures.h"

#include <GL/gl.h>
#define ILUT_USE_OPENGL
#include <IL/il.h>
#include <IL/ilut.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>
#include <vector>

#include "model/image_header.h"
#include "model/texture_decode.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The model's folder: the path cut before its last separator, without the
// separators that end it. A bare file name lies in the current folder.
std::string ModelFolder(const std::string& modelPath) {
    const size_t cut = modelPath.find_last_of("/\\");
    if (cut == std::string::npos) return "";
    std::string folder = modelPath.substr(0, cut);
    while (!folder.empty() && IsSeparator(folder.back())) folder.pop_back();
    // "/model" lies in the root folder
    return folder.empty() ? "/" : folder + "/";
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

bool Exists(const std::string& path) {
    std::error_code error;
    return fs::exists(path, error);
}

// The entry of `folder` named `name` (exactly or, failing that, in any case).
bool FindEntry(const std::string& folder, const std::string& name, std::string& found) {
    const std::string base = folder.empty() ? "." : folder;
    if (Exists(base + "/" + name)) {
        found = name;
        return true;
    }
    std::error_code error;
    for (fs::directory_iterator it(base, error), end; !error && it != end; it.increment(error)) {
        const std::string entry = it->path().filename().string();
        if (SameIgnoringCase(entry, name)) {
            found = entry;
            return true;
        }
    }
    return false;
}

// `relative` (components separated by '/') under `folder`, each component
// matched without regard to case.
bool FindIgnoringCase(const std::string& folder, const std::string& relative, std::string& found) {
    std::string path = folder;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find('/', start);
        if (end == std::string::npos) end = relative.size();
        const std::string part = relative.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        std::string entry;
        if (part == "..") {
            entry = part;
        } else if (!FindEntry(path, part, entry)) {
            return false;
        }
        path += entry;
        if (end < relative.size()) path += "/";
    }
    found = path;
    return Exists(path);
}

}  // namespace

std::string FindTextureFile(const char* modelPath, const char (&textureFile)[128]) {
    std::string name = NameText(textureFile);
    if (name.empty() || modelPath == nullptr) return "";
    for (char& c : name) {
        if (c == '\\') c = '/';
    }
    // the name is relative to the model's folder even when it starts with a separator
    name.erase(0, name.find_first_not_of('/'));
    if (name.empty()) return "";
    const std::string folder = ModelFolder(modelPath);
    const std::string path = folder + name;
    // too long a path is refused, never cut to a different file's name
    if (path.size() >= kTexturePathSize) return "";
    if (Exists(path)) return path;

    std::string found;
    if (FindIgnoringCase(folder, name, found) && found.size() < kTexturePathSize) return found;
    const std::string last = name.substr(name.find_last_of('/') + 1);
    if (!last.empty() && FindEntry(folder, last, found) && (folder + found).size() < kTexturePathSize) {
        return folder + found;
    }
    return "";
}

namespace {

void ReportRefused(const std::string& path, const std::string& reason) {
    std::printf("***Texture not loaded: %s (%s)\n", path.c_str(), reason.c_str());
    std::fflush(stdout);
}

// The whole image file, when it is a regular file of at most
// kMaxTextureFileBytes. DevIL opens files by name with fopen, which would wait
// on a FIFO for good; it reads the bytes from memory instead.
bool ReadImageFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::FILE* file = platform::OpenRegularFile(path.c_str(), "rb");
    if (file == nullptr) return false;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    bool ok = size >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok && static_cast<unsigned long>(size) > kMaxTextureFileBytes) {
        ReportRefused(path, "more than " + std::to_string(kMaxTextureFileBytes) + " bytes");
        ok = false;
    }
    if (ok) {
        bytes.resize(static_cast<size_t>(size));
        // a file that shrank meanwhile is read as far as it goes
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
        if (bytes.empty()) ReportRefused(path, "empty");
        ok = !bytes.empty();
    }
    std::fclose(file);
    return ok;
}

// One texture as ilutGLLoadImage makes it, but decoded only when its header
// passes CheckImageFile and by the decoder of the format checked, and made
// only while the model's textures stay within `budget` bytes (taken from it).
GLuint LoadTextureImage(const std::string& path, std::uint32_t limit, std::uint64_t* budget) {
    std::vector<std::uint8_t> bytes;
    if (!ReadImageFile(path, bytes)) return 0;
    // the budget is told by the header, before anything is decoded
    const ImageCheck check = CheckImageFile(bytes.data(), bytes.size(), limit);
    const std::uint64_t textureBytes = std::uint64_t{4} * check.width * check.height;
    if (check.accepted && textureBytes > *budget) {
        ReportRefused(
            path, "the model's textures would take more than " + std::to_string(kMaxModelTextureBytes >> 20) + " MiB");
        return 0;
    }
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    std::string reason;
    const bool decoded = DecodeImageFile(bytes.data(), bytes.size(), limit, &reason);
    std::vector<std::uint8_t>().swap(bytes);  // not kept through the upload
    GLuint name = 0;
    if (decoded) {
        name = ilutGLBindTexImage();
        if (name == 0) reason = "OpenGL took no texture of it";
    }
    if (name == 0) ReportRefused(path, reason);
    if (name != 0) *budget -= textureBytes;
    ilBindImage(0);
    ilDeleteImages(1, &image);
    return name;
}

}  // namespace

void LoadModelTextures(const char* modelPath, Ms3dModel& model) {
    ilutRenderer(ILUT_OPENGL);
    GLint glLargest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &glLargest);
    const std::uint32_t limit =
        glLargest > 0 ? std::min(kMaxTextureSide, static_cast<std::uint32_t>(glLargest)) : kMaxTextureSide;
    std::uint64_t budget = kMaxModelTextureBytes;
    // a file that several materials name is made (or refused) once
    std::map<std::string, GLuint> made;
    for (Ms3dMaterial& material : model.materials) {
        const std::string path = FindTextureFile(modelPath, material.textureFile);
        material.textureName = 0;
        if (path.empty()) continue;
        const auto known = made.find(path);
        material.textureName = known != made.end() ? known->second : LoadTextureImage(path, limit, &budget);
        made[path] = material.textureName;
        // DevIL keeps its error stack per process; don't let one bad image
        // leave errors for the next caller to misread
        while (ilGetError() != IL_NO_ERROR) {
        }
    }
}
