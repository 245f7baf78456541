// Ogg Vorbis encoding of synthesised PCM (libvorbisenc), for the default
// music and for the music tests' own files.
#pragma once

#include <string>
#include <vector>

struct OggVorbisInput {
    std::vector<float> samples;  // interleaved, -1..1
    int channels = 2;
    long rate = 44100;
    float quality = 0.3f;  // libvorbisenc's VBR quality, -0.1..1
    int serial = 1;        // the logical stream's serial number (fixed: same bytes every run)
};

// Encodes `input` as one complete logical stream appended to `out`. Chained
// files are two streams of different serials, one after the other. False
// when libvorbisenc refuses the parameters.
bool EncodeOggVorbis(const OggVorbisInput& input, std::string* out);
