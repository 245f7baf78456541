// The one OpenAL output device the music plays on.
#pragma once

#include "music/openal_table.h"

// Loads the OpenAL library for one playback, fills `openAL` and opens the
// default device of the device list built over it, with a context made
// current for the whole process. False when no device could be set up; the
// library is unloaded again then.
bool InitAudioDevice(OpenALFunctionTable* openAL);

// Closes what InitAudioDevice opened (the current context and its device)
// and unloads the library: `openAL` must not be called afterwards.
bool ShutdownAudioDevice(const OpenALFunctionTable& openAL);
