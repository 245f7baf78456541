// Run-time libraries through dlopen.
#include <dlfcn.h>

#include <cstdlib>

#include "platform/platform.h"

namespace platform {

const char* RuntimeLibraryName(const char* overrideVariable, const char* posixName, const char*) {
    const char* chosen = std::getenv(overrideVariable);
    return chosen != nullptr && chosen[0] != '\0' ? chosen : posixName;
}

LibraryHandle OpenLibrary(const char* name) { return dlopen(name, RTLD_NOW | RTLD_LOCAL); }

void* LibrarySymbol(LibraryHandle library, const char* name) {
    return library != nullptr ? dlsym(library, name) : nullptr;
}

void CloseLibrary(LibraryHandle library) {
    if (library != nullptr) dlclose(library);
}

}  // namespace platform
