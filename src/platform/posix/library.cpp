// Run-time libraries through dlopen.
#include <dlfcn.h>

#include "platform/platform.h"

namespace platform {

LibraryHandle OpenLibrary(const char* name) { return dlopen(name, RTLD_NOW | RTLD_LOCAL); }

void* LibrarySymbol(LibraryHandle library, const char* name) {
    return library != nullptr ? dlsym(library, name) : nullptr;
}

void CloseLibrary(LibraryHandle library) {
    if (library != nullptr) dlclose(library);
}

}  // namespace platform
