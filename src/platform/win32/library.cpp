// Run-time libraries through LoadLibraryExA.
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/win32/win32_state.h"

namespace platform {

namespace {
bool HasFolder(const char* name) { return std::strpbrk(name, "\\/:") != nullptr; }

// System32, with its trailing backslash; empty when unknown.
std::string SystemFolder() {
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(folder, length) + "\\" : "";
}
}  // namespace

const char* RuntimeLibraryName(const char* overrideVariable, const char*, const char* windowsName) {
    const char* chosen = std::getenv(overrideVariable);
    return chosen != nullptr && chosen[0] != '\0' ? chosen : windowsName;
}

// A bare name is looked for beside the executable and in System32 only: the
// plain search would go on into the current folder and PATH, where anyone
// who can write there would have the library of their choice loaded when
// ours is missing. A name with a folder (an override) is that file, and its
// own imports are found beside it or in those two places.
LibraryHandle OpenLibrary(const char* name) {
    if (!HasFolder(name)) {
        HMODULE library =
            LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (library != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return library;
        // A system without the search flags (Windows 7 before KB2533623):
        // the same two places, as whole paths.
        for (const std::string& folder : {ExecutableFolder(), SystemFolder()}) {
            if (folder.empty()) continue;
            library = LoadLibraryExA((folder + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
            if (library != nullptr) return library;
        }
        return nullptr;
    }
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(name, MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    return LoadLibraryExA(full, nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}

void* LibrarySymbol(LibraryHandle library, const char* name) {
    if (library == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(LibraryHandle library) {
    if (library != nullptr) FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace platform
