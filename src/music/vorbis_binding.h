// The Ogg Vorbis decoder (libvorbisfile), bound at run time by name so that a
// machine without it only loses the music.
#pragma once

#ifndef OV_EXCLUDE_STATIC_CALLBACKS
#define OV_EXCLUDE_STATIC_CALLBACKS
#endif
#include <vorbis/vorbisfile.h>

#include "platform/platform.h"

using OvClearFunction = decltype(&::ov_clear);
using OvReadFunction = decltype(&::ov_read);
using OvPcmTotalFunction = decltype(&::ov_pcm_total);
using OvInfoFunction = decltype(&::ov_info);
using OvCommentFunction = decltype(&::ov_comment);
using OvOpenCallbacksFunction = decltype(&::ov_open_callbacks);

// Used by the music thread only. `bound` is true only while the library is
// loaded and all six entry points were found.
struct VorbisBinding {
    platform::LibraryHandle library = nullptr;
    OvClearFunction ov_clear = nullptr;
    OvReadFunction ov_read = nullptr;
    OvPcmTotalFunction ov_pcm_total = nullptr;
    OvInfoFunction ov_info = nullptr;
    OvCommentFunction ov_comment = nullptr;
    OvOpenCallbacksFunction ov_open_callbacks = nullptr;
    bool bound = false;
};

extern VorbisBinding vorbisBinding;

// Names the decoder library in the environment, for tests and unusual installs.
constexpr const char* kVorbisLibraryVariable = "VELMORA_VORBISFILE_LIBRARY";

// The library file to load: the variable above when set and not empty, else
// the system's name for libvorbisfile.
const char* VorbisLibraryName();

// Loads the library and looks up all six names, in a fixed order, every time.
// Does nothing when already bound. A missing name leaves the library loaded,
// the names found stored, and `bound` false.
void BindVorbisLibrary();

// Frees the library if one is loaded; `bound` is false afterwards.
void UnbindVorbisLibrary();

// fseek with the decoder's 64-bit offset. An offset that the C library's
// `long` cannot hold fails (-1) instead of seeking somewhere else.
int SeekMusicFile(void* stream, ogg_int64_t offset, int origin);

// read / seek / close / tell over a FILE* opened for binary reading.
ov_callbacks MusicFileCallbacks();
