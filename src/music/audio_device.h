// The one OpenAL output device the music plays on.
#pragma once

// Opens the default device of the device list with a context made current
// for the whole process. False when no device could be set up.
bool InitAudioDevice();

// Closes what InitAudioDevice opened: the current context and its device.
bool ShutdownAudioDevice();
