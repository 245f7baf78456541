// The default music: about a hundred seconds of a calm piece in D major at
// 80 beats a minute, 32 bars of 3 seconds: pads alone, then bass and a
// plucked arpeggio, then a melody heard twice, then the pads fading away.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "make_data.h"
#include "music_encoder.h"
#include "music_synth.h"
#include "settings/data_names.h"

namespace {

constexpr double kBeat = 0.75;
constexpr double kBar = 4 * kBeat;
constexpr int kBars = 32;
constexpr double kTail = 4.0;

struct Chord {
    int pad[4];  // a voicing around the middle of the keyboard
    int bass;
};

// Two four-bar phrases: Dmaj7 Bm9 Gmaj9 Aadd9 | F#m7 Bm9 Em9 A7.
constexpr Chord kChords[8] = {
    {{50, 57, 61, 66}, 38}, {{50, 54, 57, 61}, 47}, {{50, 54, 57, 59}, 43}, {{49, 52, 57, 59}, 45},
    {{49, 52, 54, 57}, 42}, {{50, 54, 57, 61}, 47}, {{50, 54, 55, 59}, 40}, {{49, 52, 55, 57}, 45},
};

// D major pentatonic from F#4 to B5.
constexpr int kScale[] = {66, 69, 71, 74, 76, 78, 81, 83};
constexpr int kScaleSize = sizeof kScale / sizeof kScale[0];

// Rhythms of one bar in eighths: a note starts at each 1, lasts to the next.
constexpr std::uint8_t kRhythms[][8] = {
    {1, 0, 0, 1, 0, 0, 1, 0}, {1, 0, 1, 0, 1, 0, 0, 0}, {1, 0, 0, 0, 1, 1, 1, 0},
    {1, 0, 0, 1, 0, 1, 0, 0}, {0, 0, 1, 0, 1, 0, 1, 0}, {1, 0, 0, 0, 0, 0, 0, 0},
};

struct Random {
    std::uint32_t state;
    std::uint32_t Next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
};

bool IsChordTone(int note, const Chord& chord) {
    for (int tone : chord.pad)
        if ((note - tone) % 12 == 0) return true;
    return (note - chord.bass) % 12 == 0;
}

struct MelodyNote {
    double beat;  // from the start of the eight bars
    double beats;
    int note;
};

// Eight bars of melody: a random walk on the scale that lands on chord tones
// at the start of each bar; every phrase ends long.
std::vector<MelodyNote> ComposeMelody(std::uint32_t seed) {
    Random random{seed};
    std::vector<MelodyNote> melody;
    int degree = 3;
    for (int bar = 0; bar < 8; ++bar) {
        const Chord& chord = kChords[bar];
        const std::uint8_t* rhythm = kRhythms[bar % 4 == 3 ? 5 : random.Below(5)];
        std::vector<int> starts;
        for (int eighth = 0; eighth < 8; ++eighth)
            if (rhythm[eighth] != 0) starts.push_back(eighth);
        for (std::size_t i = 0; i < starts.size(); ++i) {
            int step = random.Below(5) - 2;
            degree = std::min(kScaleSize - 1, std::max(0, degree + step));
            if (starts[i] == 0) {
                // Pull the downbeat onto the nearest chord tone.
                for (int reach = 0; reach < kScaleSize; ++reach) {
                    if (degree + reach < kScaleSize && IsChordTone(kScale[degree + reach], chord)) {
                        degree += reach;
                        break;
                    }
                    if (degree - reach >= 0 && IsChordTone(kScale[degree - reach], chord)) {
                        degree -= reach;
                        break;
                    }
                }
            }
            int end = i + 1 < starts.size() ? starts[i + 1] : 8;
            melody.push_back({bar * 4.0 + starts[i] * 0.5, (end - starts[i]) * 0.5, kScale[degree]});
        }
    }
    return melody;
}

void AddPads(StereoMix* mix) {
    for (int bar = 0; bar < kBars; ++bar) {
        const Chord& chord = kChords[bar % 8];
        bool last = bar == kBars - 1;
        for (int v = 0; v < 4; ++v) {
            NoteSpec note{bar * kBar, last ? kBar + kTail : kBar, chord.pad[v], 0.085f, -0.45f + 0.3f * v};
            AddPadNote(note, mix);
        }
    }
}

void AddBass(StereoMix* mix) {
    for (int bar = 4; bar < 30; ++bar) {
        const Chord& chord = kChords[bar % 8];
        AddBassNote({bar * kBar, 2 * kBeat - 0.1, chord.bass, 0.22f, 0.0f}, mix);
        AddBassNote({bar * kBar + 2.5 * kBeat, 1.4 * kBeat, chord.bass + (bar % 2 == 0 ? 7 : 12), 0.16f, 0.0f}, mix);
    }
}

void AddArpeggio(StereoMix* mix) {
    constexpr int kPattern[8] = {0, 1, 2, 3, 2, 1, 2, 3};
    for (int bar = 4; bar < 30; ++bar) {
        const Chord& chord = kChords[bar % 8];
        // Thinner while the melody sings.
        bool sparse = bar >= 12 && bar < 28;
        for (int eighth = 0; eighth < 8; ++eighth) {
            if (sparse && eighth % 2 == 1) continue;
            int note = chord.pad[kPattern[eighth]] + 12;
            float pan = eighth % 2 == 0 ? -0.35f : 0.35f;
            AddPluckNote({bar * kBar + eighth * 0.5 * kBeat, 0.3, note, 0.055f, pan}, mix);
        }
    }
}

void AddMelody(StereoMix* mix) {
    std::vector<MelodyNote> melody = ComposeMelody(0x5eed1234u);
    for (int pass = 0; pass < 2; ++pass) {
        double startBar = pass == 0 ? 12 : 20;
        for (const MelodyNote& m : melody) {
            // The second time through, the phrase endings rise an octave.
            int note = pass == 1 && m.beats >= 3.5 ? m.note + 12 : m.note;
            NoteSpec melodyNote{startBar * kBar + m.beat * kBeat, m.beats * kBeat * 0.9, note, 0.16f, 0.1f};
            AddKeysNote(melodyNote, 1.0f, mix);
        }
    }
}

void AddBells(StereoMix* mix) {
    const int bars[] = {1, 2, 3, 29, 30, 31};
    for (int bar : bars) {
        const Chord& chord = kChords[bar % 8];
        AddKeysNote({bar * kBar + kBeat, 2.0, chord.pad[3] + 12, 0.07f, -0.5f}, 2.2f, mix);
        AddKeysNote({bar * kBar + 2.5 * kBeat, 2.0, chord.pad[1] + 24, 0.05f, 0.5f}, 2.2f, mix);
    }
}

}  // namespace

bool WriteMusic(const std::string& dataDir) {
    StereoMix mix;
    mix.samples.assign(static_cast<std::size_t>((kBars * kBar + kTail) * kMusicRate) * 2, 0.0f);
    AddPads(&mix);
    AddBass(&mix);
    AddArpeggio(&mix);
    AddMelody(&mix);
    AddBells(&mix);
    AddReverb(0.35f, &mix);
    FadeAndNormalise(5.0, 9.0, 0.8f, &mix);

    OggVorbisInput input;
    input.samples = std::move(mix.samples);
    input.channels = 2;
    input.rate = kMusicRate;
    input.quality = 0.3f;
    input.serial = 0x7e1d0a;
    std::string bytes;
    const std::string path = dataDir + dataName::kMusic;
    if (!EncodeOggVorbis(input, &bytes)) {
        std::fprintf(stderr, "make-data: can't encode %s\n", path.c_str());
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    bool written = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file != nullptr && std::fclose(file) != 0) written = false;
    if (!written) std::fprintf(stderr, "make-data: can't write %s\n", path.c_str());
    return written;
}
