// OpenAL entry points loaded from the library at run time. Every OpenAL call
// of the program goes through such a table and the program never links
// OpenAL: on Windows a load-time import would be searched for in the current
// folder and on PATH before the program could restrict the search.
#pragma once

#include <AL/al.h>
#include <AL/alc.h>

// The 65 entry points in the order in which they are looked up.
#define VELMORA_OPENAL_FUNCTIONS(X)                     \
    X(alEnable, LPALENABLE)                             \
    X(alDisable, LPALDISABLE)                           \
    X(alIsEnabled, LPALISENABLED)                       \
    X(alGetBoolean, LPALGETBOOLEAN)                     \
    X(alGetInteger, LPALGETINTEGER)                     \
    X(alGetFloat, LPALGETFLOAT)                         \
    X(alGetDouble, LPALGETDOUBLE)                       \
    X(alGetBooleanv, LPALGETBOOLEANV)                   \
    X(alGetIntegerv, LPALGETINTEGERV)                   \
    X(alGetFloatv, LPALGETFLOATV)                       \
    X(alGetDoublev, LPALGETDOUBLEV)                     \
    X(alGetString, LPALGETSTRING)                       \
    X(alGetError, LPALGETERROR)                         \
    X(alIsExtensionPresent, LPALISEXTENSIONPRESENT)     \
    X(alGetProcAddress, LPALGETPROCADDRESS)             \
    X(alGetEnumValue, LPALGETENUMVALUE)                 \
    X(alListeneri, LPALLISTENERI)                       \
    X(alListenerf, LPALLISTENERF)                       \
    X(alListener3f, LPALLISTENER3F)                     \
    X(alListenerfv, LPALLISTENERFV)                     \
    X(alGetListeneri, LPALGETLISTENERI)                 \
    X(alGetListenerf, LPALGETLISTENERF)                 \
    X(alGetListener3f, LPALGETLISTENER3F)               \
    X(alGetListenerfv, LPALGETLISTENERFV)               \
    X(alGenSources, LPALGENSOURCES)                     \
    X(alDeleteSources, LPALDELETESOURCES)               \
    X(alIsSource, LPALISSOURCE)                         \
    X(alSourcei, LPALSOURCEI)                           \
    X(alSourcef, LPALSOURCEF)                           \
    X(alSource3f, LPALSOURCE3F)                         \
    X(alSourcefv, LPALSOURCEFV)                         \
    X(alGetSourcei, LPALGETSOURCEI)                     \
    X(alGetSourcef, LPALGETSOURCEF)                     \
    X(alGetSourcefv, LPALGETSOURCEFV)                   \
    X(alSourcePlayv, LPALSOURCEPLAYV)                   \
    X(alSourceStopv, LPALSOURCESTOPV)                   \
    X(alSourcePlay, LPALSOURCEPLAY)                     \
    X(alSourcePause, LPALSOURCEPAUSE)                   \
    X(alSourceStop, LPALSOURCESTOP)                     \
    X(alGenBuffers, LPALGENBUFFERS)                     \
    X(alDeleteBuffers, LPALDELETEBUFFERS)               \
    X(alIsBuffer, LPALISBUFFER)                         \
    X(alBufferData, LPALBUFFERDATA)                     \
    X(alGetBufferi, LPALGETBUFFERI)                     \
    X(alGetBufferf, LPALGETBUFFERF)                     \
    X(alSourceQueueBuffers, LPALSOURCEQUEUEBUFFERS)     \
    X(alSourceUnqueueBuffers, LPALSOURCEUNQUEUEBUFFERS) \
    X(alDistanceModel, LPALDISTANCEMODEL)               \
    X(alDopplerFactor, LPALDOPPLERFACTOR)               \
    X(alDopplerVelocity, LPALDOPPLERVELOCITY)           \
    X(alcGetString, LPALCGETSTRING)                     \
    X(alcGetIntegerv, LPALCGETINTEGERV)                 \
    X(alcOpenDevice, LPALCOPENDEVICE)                   \
    X(alcCloseDevice, LPALCCLOSEDEVICE)                 \
    X(alcCreateContext, LPALCCREATECONTEXT)             \
    X(alcMakeContextCurrent, LPALCMAKECONTEXTCURRENT)   \
    X(alcProcessContext, LPALCPROCESSCONTEXT)           \
    X(alcGetCurrentContext, LPALCGETCURRENTCONTEXT)     \
    X(alcGetContextsDevice, LPALCGETCONTEXTSDEVICE)     \
    X(alcSuspendContext, LPALCSUSPENDCONTEXT)           \
    X(alcDestroyContext, LPALCDESTROYCONTEXT)           \
    X(alcGetError, LPALCGETERROR)                       \
    X(alcIsExtensionPresent, LPALCISEXTENSIONPRESENT)   \
    X(alcGetProcAddress, LPALCGETPROCADDRESS)           \
    X(alcGetEnumValue, LPALCGETENUMVALUE)

// Each field is null until it is found.
struct OpenALFunctionTable {
#define VELMORA_OPENAL_FIELD(name, type) type name = nullptr;
    VELMORA_OPENAL_FUNCTIONS(VELMORA_OPENAL_FIELD)
#undef VELMORA_OPENAL_FIELD
};

constexpr int kOpenALFunctionCount = 65;
// The names of the table's fields, in lookup order.
extern const char* const kOpenALFunctionNames[kOpenALFunctionCount];

// Names the OpenAL library for the table in the environment (tests).
constexpr const char* kOpenALLibraryVariable = "VELMORA_OPENAL_LIBRARY";

// The library loaded when no name is given: the variable above when set and
// not empty, else the system's name for OpenAL.
const char* OpenALLibraryName();

// Loads `libraryName` (none: OpenALLibraryName()) and fills `table`. At the
// first name not found, sends "Failed to retrieve '<name>' function address\n"
// to the debugger output and returns false, leaving the later fields null and
// the library loaded. False without a message when `table` is null (nothing
// is loaded then) or the library does not load.
bool LoadOpenALFunctionTable(const char* libraryName, OpenALFunctionTable* table);

// Frees the library loaded for the table, if any.
void UnloadOpenALLibrary();
