#include "music/openal_table.h"

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

namespace {

// One per process, kept outside the table: the list that owns a table unloads
// the library without knowing where the table came from.
platform::LibraryHandle openALLibrary = nullptr;

template <typename Function>
bool LookUp(const char* name, Function* field) {
    *field = reinterpret_cast<Function>(platform::LibrarySymbol(openALLibrary, name));
    if (*field != nullptr) return true;
    char message[96];
    std::snprintf(message, sizeof message, "Failed to retrieve '%s' function address\n", name);
    platform::DebugOutput(message);
    return false;
}

}  // namespace

const char* const kOpenALFunctionNames[kOpenALFunctionCount] = {
#define VELMORA_OPENAL_NAME(name, type) #name,
    VELMORA_OPENAL_FUNCTIONS(VELMORA_OPENAL_NAME)
#undef VELMORA_OPENAL_NAME
};

const char* OpenALLibraryName() {
    return platform::RuntimeLibraryName(kOpenALLibraryVariable, "libopenal.so.1", "openal32.dll");
}

bool LoadOpenALFunctionTable(const char* libraryName, OpenALFunctionTable* table) {
    if (table == nullptr) return false;
    platform::LibraryHandle loaded = platform::OpenLibrary(libraryName != nullptr ? libraryName : OpenALLibraryName());
    if (loaded == nullptr) return false;
    // One reference per stored handle: a second load gives back the first one's.
    if (openALLibrary != nullptr) platform::CloseLibrary(openALLibrary);
    openALLibrary = loaded;
    *table = OpenALFunctionTable{};
#define VELMORA_OPENAL_LOOK_UP(name, type) \
    if (!LookUp(#name, &table->name)) return false;
    VELMORA_OPENAL_FUNCTIONS(VELMORA_OPENAL_LOOK_UP)
#undef VELMORA_OPENAL_LOOK_UP
    return true;
}

void UnloadOpenALLibrary() {
    if (openALLibrary == nullptr) return;
    platform::CloseLibrary(openALLibrary);
    openALLibrary = nullptr;
}
