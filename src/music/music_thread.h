// The music thread: plays the music chosen (the built-in track once through,
// a chosen file or folder over and over), streamed through OpenAL, on a
// detached thread of its own.
#pragma once

#include <atomic>

#include "settings/music_setting.h"

// Set once by the main thread at the end of a full-screen run; the music
// thread stops playback at its next poll (within about 20 ms) once it sees it.
extern std::atomic<bool> musicStopRequested;

// Starts the detached music thread playing `choice`; a second call does
// nothing. When no thread can be made, prints "CreateThread failed (<code>)"
// and returns.
void StartMusicThread(const MusicChoice& choice = MusicChoice{});

// The thread's entry: the playback of the choice StartMusicThread was given
// (the built-in track when called alone), then the closing prompt. Returns 0.
unsigned long MusicThreadProc(void* unused);

// After musicStopRequested is set: waits at most `timeoutMs` for a started
// music thread to release OpenAL and the decoder. True when no music thread
// holds them any more (or none was started). On false the thread is still
// inside OpenAL or the decoder, and the process must end without running
// static destructors (platform::EndProcessNow), or the libraries'
// own exit handlers would pull their state from under it.
bool WaitForMusicThreadEnd(int timeoutMs);

// "\nPress a key to quit\n" on standard output, then one key read without
// echo, only when standard input is a terminal (a screensaver has none).
void ShowClosingPrompt();
