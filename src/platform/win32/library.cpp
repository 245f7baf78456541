// Run-time libraries through LoadLibraryA.
#include <cstdlib>

#include "platform/platform.h"
#include "platform/win32/win32_state.h"

namespace platform {

const char* RuntimeLibraryName(const char* overrideVariable, const char*, const char* windowsName) {
    const char* chosen = std::getenv(overrideVariable);
    return chosen != nullptr && chosen[0] != '\0' ? chosen : windowsName;
}

LibraryHandle OpenLibrary(const char* name) { return LoadLibraryA(name); }

void* LibrarySymbol(LibraryHandle library, const char* name) {
    if (library == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(LibraryHandle library) {
    if (library != nullptr) FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace platform
