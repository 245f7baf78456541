// Captured audio fitted against a direct decode, for the music tests on both systems.
#pragma once

#include <string>
#include <vector>

struct Pcm {  // interleaved, -1..1
    int channels = 0;
    long rate = 0;
    std::vector<float> samples;
    long Frames() const { return channels > 0 ? static_cast<long>(samples.size()) / channels : 0; }
    double At(long frame, int channel) const { return samples[static_cast<std::size_t>(frame * channels + channel)]; }
};

// A stereo sine of `hz` at amplitude 0.3 written to `path` (its folders made) in
// the format its ending names: .ogg, .opus, .flac, .mp3 or .wav, through each
// format's own encoder.
bool WriteTone(const std::string& path, double hz, double seconds, long rate = 44100);
// libvorbisfile's own decode, 16-bit as the player asks, on past holes.
Pcm Decode(const std::string& path);
// An OpenAL Soft configuration in `folder` for a child's environment: "wave"
// writes what it plays to folder/out.wav as 32-bit floats, "null" into nothing.
// `wine`: both files named as a Windows program under Wine names them (Z:\...).
std::vector<std::string> AlsoftEnv(const std::string& folder, const std::string& drivers, long rate = 44100,
                                   const std::string& channels = "stereo", bool wine = false);

// The music as a run plays it: rising from silence over its first second.
Pcm FadedIn(Pcm pcm);
// The size of a file, 0 when there is none.
long FileSize(const std::string& path);
// The wave backend's float capture, to the end of the file.
Pcm ReadCapture(const std::string& path);
// The first or last frame with a sample above 1e-3, -1 when silent.
long LoudFrame(const Pcm& pcm, bool last);
// The first channel's root mean square, and its frequency by zero crossings, over `frames` from `from`.
double Rms(const Pcm& pcm, long from, long frames);
double Hz(const Pcm& pcm, long from, long frames);

// Captured frame lag + i of output o = sum over c of gain[o][c] * reference frame i of
// channel c (i < frames), up to `residual`: the rms misfit over the capture's rms.
struct CaptureFit {
    long lag = 0;
    std::vector<std::vector<double>> gain;
    double residual = 1.0;
};
// The best lag near where both begin to sound, found on a short window there.
CaptureFit FitCapture(const Pcm& capture, const Pcm& reference, long frames);
