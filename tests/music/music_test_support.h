// Test files, OpenAL Soft configurations, WAV captures and their comparison
// with a direct decode, for the music tests.
#pragma once

#include <string>
#include <vector>

// Interleaved PCM as floats (-1..1).
struct Pcm {
    int channels = 0;
    long rate = 0;
    std::vector<float> samples;
    long Frames() const { return channels > 0 ? static_cast<long>(samples.size()) / channels : 0; }
};

// An Ogg Vorbis file of `seconds` with a different pseudo-random tone
// sequence in each channel (so that channels and time offsets can be told
// apart), encoded by the data tool's encoder. `seconds` 0 gives a stream
// with headers and no audio.
std::string MakeTestMusic(int channels, long rate, double seconds, int serial = 1);

// The file decoded by libvorbisfile directly (16-bit, as the player asks),
// read on past holes.
bool DecodeWithVorbisfile(const std::string& path, Pcm* pcm);

// A WAV file as written by OpenAL Soft's wave backend (16-bit or float).
bool ReadWav(const std::string& path, Pcm* pcm);

// An OpenAL Soft configuration file in `folder` (returned path) that plays
// into `wavPath` with the wave backend ("wave"), into nothing ("null"), or
// through a backend list given as is (anything else).
std::string WriteAlsoftConfig(const std::string& folder, const std::string& drivers, const std::string& wavPath,
                              long rate = 44100, const std::string& channels = "stereo");

// How a capture relates to the reference: captured frame (lag + i) of
// output channel o = sum over input channels c of gain[o][c] * reference
// frame (start + i) channel c, up to `residual` (rms of the misfit relative
// to the rms of the capture, over the compared frames).
struct CaptureFit {
    long lag = 0;
    std::vector<std::vector<double>> gain;
    double residual = 1.0;
};

// Where to look for the reference frames: near the first sound of the
// capture (for the start of the music) or near its last sound (for the end).
enum class Anchor { FirstSound, LastSound };

// Finds where reference frames [start, start + frames) appear in the capture
// and fits the channel gains there. False when the capture is silent or too
// short.
bool FitCapture(const Pcm& capture, const Pcm& reference, long start, long frames, CaptureFit* fit,
                Anchor anchor = Anchor::FirstSound);

// The output channel that carries most of input channel `input`.
int LoudestOutputOf(const CaptureFit& fit, int input);

// Frames of the capture in which some channel exceeds `threshold`.
long LoudFrames(const Pcm& pcm, float threshold = 1e-3f);
// Index of the first / last frame above `threshold`, -1 when none.
long FirstLoudFrame(const Pcm& pcm, float threshold = 1e-3f);
long LastLoudFrame(const Pcm& pcm, float threshold = 1e-3f);

// Paths of the built helpers.
std::string ProbePath();

// "TSAN_OPTIONS=..." for child processes of a ThreadSanitizer build: OpenAL
// Soft's internal hand-offs are invisible to it (see tsan.supp).
std::string TsanOptions();
