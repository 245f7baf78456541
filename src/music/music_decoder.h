// One music file being decoded: Ogg Vorbis through libvorbisfile (the
// built-in track always), any other format libsndfile reads for the music a
// user chose.
#pragma once

#include <cstdint>
#include <cstdio>

#include "music/sndfile_binding.h"
#include "music/vorbis_binding.h"

struct MusicDecoder {
    enum class Kind { Closed, Vorbis, Sndfile };
    Kind kind = Kind::Closed;
    OggVorbis_File vorbis{};
    sndfile::File* sound = nullptr;
    std::FILE* file = nullptr;  // libsndfile's; libvorbisfile closes its own
    int channels = 0;
    long rate = 0;
    std::int64_t declaredFrames = -1;  // what the file says it holds; -1 when it doesn't say
    std::int64_t framesRead = 0;
};

// Takes `file` over (it is closed on every path): libvorbisfile first, then,
// when `anyFormat` and libsndfile is bound, libsndfile. False when neither
// reads it as audio.
bool OpenMusicDecoder(std::FILE* file, bool anyFormat, MusicDecoder* decoder);

// Up to `capacity` bytes of whole 16-bit frames in OpenAL's channel order;
// 0 at the end of the stream or at an error that ends it.
unsigned ReadMusicDecoder(MusicDecoder* decoder, char* buffer, unsigned capacity);

// After the end: true when the stream stopped well short of the frames its
// header declares (a file cut short or damaged), or on a decoder error.
bool EndedEarly(const MusicDecoder& decoder);

void CloseMusicDecoder(MusicDecoder* decoder);
