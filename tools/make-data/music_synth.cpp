#include "music_synth.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int kTableBits = 12;
constexpr int kTableSize = 1 << kTableBits;
constexpr double kTwoPi = 6.283185307179586;

struct Wavetable {
    std::array<float, kTableSize + 1> values{};
    explicit Wavetable(const std::vector<float>& partials) {
        for (int i = 0; i <= kTableSize; ++i) {
            double phase = kTwoPi * i / kTableSize;
            double sum = 0;
            for (std::size_t h = 0; h < partials.size(); ++h) sum += partials[h] * std::sin(phase * (h + 1));
            values[i] = static_cast<float>(sum);
        }
    }
    // `phase` in cycles, any value >= 0.
    float At(double phase) const {
        double cycles = phase - std::floor(phase);
        double position = cycles * kTableSize;
        int index = static_cast<int>(position);
        float fraction = static_cast<float>(position - index);
        return values[index] + (values[index + 1] - values[index]) * fraction;
    }
};

const Wavetable& Sine() {
    static const Wavetable table({1.0f});
    return table;
}

const Wavetable& Soft() {
    static const Wavetable table({1.0f, 0.28f, 0.1f, 0.04f});
    return table;
}

void PanGains(float pan, float* left, float* right) {
    double angle = (pan + 1.0) * 0.25 * 3.141592653589793;
    *left = static_cast<float>(std::cos(angle));
    *right = static_cast<float>(std::sin(angle));
}

// Frame range of a note with its release, clipped to the mix.
bool NoteFrames(const NoteSpec& note, double release, const StereoMix& mix, long* first, long* count) {
    *first = static_cast<long>(note.start * kMusicRate);
    long end = static_cast<long>((note.start + note.length + release) * kMusicRate);
    end = std::min(end, mix.Frames());
    *count = end - *first;
    return *first >= 0 && *count > 0;
}

// Linear attack, hold, then an exponential-looking release that reaches zero.
float HeldEnvelope(double t, double attack, double length, double release) {
    if (t < attack) return static_cast<float>(t / attack);
    if (t < length) return 1.0f;
    double r = (t - length) / release;
    if (r >= 1.0) return 0.0f;
    return static_cast<float>((1.0 - r) * (1.0 - r));
}

// Two one-pole-damped feedback combs per side and two all-passes, Freeverb-like.
struct Comb {
    std::vector<float> line;
    std::size_t position = 0;
    float store = 0;
    float Process(float input, float feedback, float damping) {
        float output = line[position];
        store = output * (1 - damping) + store * damping;
        line[position] = input + store * feedback;
        position = (position + 1) % line.size();
        return output;
    }
};

struct AllPass {
    std::vector<float> line;
    std::size_t position = 0;
    float Process(float input) {
        float delayed = line[position];
        float output = delayed - input;
        line[position] = input + delayed * 0.5f;
        position = (position + 1) % line.size();
        return output;
    }
};

struct StereoSample {
    float left, right;
};

// Adds `voice(t)`, t in seconds from the note's start, over the note's frames
// and its release, panned.
template <typename Voice>
void AddVoice(const NoteSpec& note, double release, StereoMix* mix, Voice voice) {
    long first = 0, count = 0;
    if (!NoteFrames(note, release, *mix, &first, &count)) return;
    float left = 0, right = 0;
    PanGains(note.pan, &left, &right);
    for (long i = 0; i < count; ++i) {
        const StereoSample sample = voice(static_cast<double>(i) / kMusicRate);
        mix->samples[2 * (first + i)] += sample.left * left;
        mix->samples[2 * (first + i) + 1] += sample.right * right;
    }
}

}  // namespace

double MidiFrequency(int midiNote) { return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0); }

void AddPadNote(const NoteSpec& note, StereoMix* mix) {
    const double release = 1.6;
    const double f = MidiFrequency(note.midiNote);
    // Each side beats slowly against itself: a chorus without a delay line.
    const double detune[4] = {f * 0.9968, f * 1.0029, f * 0.9981, f * 1.0041};
    const Wavetable& table = Soft();
    AddVoice(note, release, mix, [&](double t) {
        float envelope = HeldEnvelope(t, 1.1, note.length, release) * note.gain * 0.5f;
        float l = table.At(detune[0] * t + 0.13) + table.At(detune[1] * t + 0.71);
        float r = table.At(detune[2] * t + 0.37) + table.At(detune[3] * t + 0.52);
        return StereoSample{l * envelope, r * envelope};
    });
}

void AddBassNote(const NoteSpec& note, StereoMix* mix) {
    const double release = 0.35;
    const double f = MidiFrequency(note.midiNote);
    const Wavetable& table = Soft();
    AddVoice(note, release, mix, [&](double t) {
        float swell = 0.75f + 0.25f * static_cast<float>(std::exp(-t / 0.25));
        float value = table.At(f * t) * HeldEnvelope(t, 0.015, note.length, release) * swell * note.gain;
        return StereoSample{value, value};
    });
}

void AddPluckNote(const NoteSpec& note, StereoMix* mix) {
    const double f = MidiFrequency(note.midiNote);
    const Wavetable& sine = Sine();
    AddVoice(note, 1.4, mix, [&](double t) {
        float onset = std::min(1.0f, static_cast<float>(t / 0.004));
        float value = sine.At(f * t) * static_cast<float>(std::exp(-t / 0.55)) +
                      0.45f * sine.At(2 * f * t) * static_cast<float>(std::exp(-t / 0.22)) +
                      0.2f * sine.At(3 * f * t) * static_cast<float>(std::exp(-t / 0.1));
        value *= onset * note.gain;
        return StereoSample{value, value};
    });
}

void AddKeysNote(const NoteSpec& note, float brightness, StereoMix* mix) {
    const double release = 0.5;
    const double f = MidiFrequency(note.midiNote);
    const Wavetable& sine = Sine();
    AddVoice(note, release, mix, [&](double t) {
        double index = brightness * (0.25 + 1.4 * std::exp(-t / 0.35));
        double modulator = sine.At(f * t) * index / kTwoPi;
        float body = static_cast<float>(std::exp(-t / 1.6));
        float envelope =
            std::min(1.0f, static_cast<float>(t / 0.006)) * body * HeldEnvelope(t, 1e-9, note.length, release);
        float value = sine.At(f * t + modulator) * envelope * note.gain;
        return StereoSample{value, value};
    });
}

void AddReverb(float wet, StereoMix* mix) {
    const std::size_t combLengths[4] = {1116, 1188, 1277, 1356};
    const std::size_t allPassLengths[2] = {556, 441};
    const std::size_t spread[2] = {0, 23};
    std::vector<float> dry(static_cast<std::size_t>(mix->Frames()));
    for (long frame = 0; frame < mix->Frames(); ++frame)
        dry[frame] = 0.15f * (mix->samples[2 * frame] + mix->samples[2 * frame + 1]);
    for (int side = 0; side < 2; ++side) {
        Comb combs[4];
        AllPass allPasses[2];
        for (int i = 0; i < 4; ++i) combs[i].line.assign(combLengths[i] + spread[side], 0.0f);
        for (int i = 0; i < 2; ++i) allPasses[i].line.assign(allPassLengths[i] + spread[side], 0.0f);
        for (long frame = 0; frame < mix->Frames(); ++frame) {
            float out = 0;
            for (Comb& comb : combs) out += comb.Process(dry[frame], 0.8f, 0.3f);
            for (AllPass& pass : allPasses) out = pass.Process(out);
            mix->samples[2 * frame + side] += out * wet;
        }
    }
}

void FadeAndNormalise(double fadeIn, double fadeOut, float peak, StereoMix* mix) {
    const long frames = mix->Frames();
    float highest = 1e-9f;
    for (long frame = 0; frame < frames; ++frame) {
        double t = static_cast<double>(frame) / kMusicRate;
        double remaining = static_cast<double>(frames - frame) / kMusicRate;
        double gain = 1.0;
        if (t < fadeIn) gain *= 0.5 - 0.5 * std::cos(3.141592653589793 * t / fadeIn);
        if (remaining < fadeOut) gain *= 0.5 - 0.5 * std::cos(3.141592653589793 * remaining / fadeOut);
        for (int side = 0; side < 2; ++side) {
            float& value = mix->samples[2 * frame + side];
            value = static_cast<float>(value * gain);
            highest = std::max(highest, std::fabs(value));
        }
    }
    float scale = peak / highest;
    for (float& value : mix->samples) value *= scale;
}
