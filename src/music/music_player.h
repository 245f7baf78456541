// Streaming playback of the music through one OpenAL source and four
// rotating buffers of a quarter second each, at the chosen volume (the
// source's gain), fading in over the first second.
#pragma once

#include "music/openal_table.h"
#include "music/vorbis_binding.h"
#include "settings/music_setting.h"

// The OpenAL sample format for a channel count and the size of a block of a
// quarter second of whole 16-bit frames.
struct MusicFormat {
    int alFormat = 0;
    unsigned blockSize = 0;
};

// False for a channel count other than 1, 2, 4 or 6, for quad or 5.1 when
// OpenAL (asked through `al`) does not know the format, and for a rate whose quarter second does
// not fit one OpenAL buffer (or holds no frame).
bool ChooseMusicFormat(const OpenALFunctionTable& al, int channels, long rate, MusicFormat* format);

// Decodes up to `capacity` bytes of 16-bit little-endian signed samples into
// `buffer`, stopping early at the end of the stream or a decoder error, and
// returns the byte count (0 at the end). Six-channel frames are reordered
// from the decoder's order to OpenAL's 5.1 order.
unsigned DecodeMusicBlock(OggVorbis_File* stream, char* buffer, unsigned capacity, int channels);

// The whole playback of `choice` on the calling thread, the decoder bindings
// and the audio device included, until the music has played out or
// musicStopRequested is seen; then the gain ramps down before the source
// stops. Prints each failure on standard output. Returns 0.
int PlayMusicStream(const MusicChoice& choice = MusicChoice{});

// Prints one of the player's messages on standard output at once.
void PrintMusicMessage(const char* format, const char* argument = nullptr);
