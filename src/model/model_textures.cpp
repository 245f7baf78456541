#include "model/model_textures.h"

#include <GL/gl.h>
#define ILUT_USE_OPENGL
#include <IL/il.h>
#include <IL/ilut.h>

#include <cctype>
#include <filesystem>
#include <system_error>

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

void LoadModelTextures(const char* modelPath, Ms3dModel& model) {
    ilutRenderer(ILUT_OPENGL);
    for (Ms3dMaterial& material : model.materials) {
        const std::string path = FindTextureFile(modelPath, material.textureFile);
        material.textureName = 0;
        if (path.empty()) continue;
        material.textureName = ilutGLLoadImage(const_cast<char*>(path.c_str()));
        // DevIL keeps its error stack per process; don't let one bad image
        // leave errors for the next caller to misread
        while (ilGetError() != IL_NO_ERROR) {
        }
    }
}
