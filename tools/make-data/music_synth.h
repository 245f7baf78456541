// Small instruments for the default music: each adds one note into a stereo
// mix (interleaved L R floats at 44100 Hz). Deterministic, no allocation per
// sample; table oscillators keep a 100-second piece to a fraction of a second.
#pragma once

#include <vector>

constexpr long kMusicRate = 44100;

struct StereoMix {
    std::vector<float> samples;  // interleaved L R
    long Frames() const { return static_cast<long>(samples.size() / 2); }
};

struct NoteSpec {
    double start = 0;   // seconds
    double length = 0;  // seconds held before the release
    int midiNote = 60;
    float gain = 0.1f;
    float pan = 0;  // -1 left .. 1 right
};

double MidiFrequency(int midiNote);

// Slow-breathing chorus pad: two detuned soft oscillators per side.
void AddPadNote(const NoteSpec& note, StereoMix* mix);
// Round bass with a short attack.
void AddBassNote(const NoteSpec& note, StereoMix* mix);
// Plucked string: bright onset, partials fading at different speeds.
void AddPluckNote(const NoteSpec& note, StereoMix* mix);
// Electric-piano-like FM tone for the melody and the bells.
void AddKeysNote(const NoteSpec& note, float brightness, StereoMix* mix);

// A room around everything: parallel damped combs and two all-passes per
// side, mixed in at `wet`.
void AddReverb(float wet, StereoMix* mix);

// Raised-sine fade-in and fade-out, then scaling to `peak`.
void FadeAndNormalise(double fadeIn, double fadeOut, float peak, StereoMix* mix);
