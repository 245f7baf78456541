// libsndfile, bound at run time by name like the Vorbis decoder: it reads the
// music a user chooses in the formats people keep it in (Ogg Opus, FLAC, MP3
// and Ogg Vorbis among them). A machine without it plays only Vorbis files.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// The few types of sndfile.h the player uses, in libsndfile 1.x's stable
// layout, so that a build without its headers still compiles (the tests
// compare them with the real header).
namespace sndfile {
using Count = std::int64_t;  // sf_count_t
struct Info {                // SF_INFO
    Count frames = 0;        // the frame count the file declares (INT64_MAX: unknown)
    int samplerate = 0;
    int channels = 0;
    int format = 0;
    int sections = 0;
    int seekable = 0;
};
struct VirtualIo {  // SF_VIRTUAL_IO
    Count (*get_filelen)(void* user);
    Count (*seek)(Count offset, int whence, void* user);
    Count (*read)(void* destination, Count count, void* user);
    Count (*write)(const void* source, Count count, void* user);
    Count (*tell)(void* user);
};
struct File;                 // SNDFILE
constexpr int kRead = 0x10;  // SFM_READ

using OpenVirtualFunction = File* (*)(VirtualIo* io, int mode, Info* info, void* user);
using ReadShortFunction = Count (*)(File* file, short* destination, Count frames);
using CloseFunction = int (*)(File* file);
using ErrorFunction = int (*)(File* file);
}  // namespace sndfile

// Used by the music thread only; `bound` is true only while the library is
// loaded and all four entry points were found.
struct SndfileBinding {
    platform::LibraryHandle library = nullptr;
    sndfile::OpenVirtualFunction sf_open_virtual = nullptr;
    sndfile::ReadShortFunction sf_readf_short = nullptr;
    sndfile::CloseFunction sf_close = nullptr;
    sndfile::ErrorFunction sf_error = nullptr;
    bool bound = false;
};

extern SndfileBinding sndfileBinding;

// Names the library in the environment, for tests and unusual installs.
constexpr const char* kSndfileLibraryVariable = "VELMORA_SNDFILE_LIBRARY";

// The variable above when set and not empty, else the system's name.
const char* SndfileLibraryName();

// Loads the library and looks up its four names; nothing when already bound.
// A missing library or name leaves `bound` false and prints nothing.
void BindSndfileLibrary();
void UnbindSndfileLibrary();
