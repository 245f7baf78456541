#include "music_test_support.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>

#include "music_encoder.h"
#include "support/temp_dir.h"

std::string MakeTestMusic(int channels, long rate, double seconds, int serial) {
    OggVorbisInput input;
    input.channels = channels;
    input.rate = rate;
    input.quality = 0.4f;
    input.serial = serial;
    const long frames = static_cast<long>(seconds * rate);
    input.samples.assign(static_cast<std::size_t>(frames) * channels, 0.0f);
    std::uint32_t random = 12345u + 977u * static_cast<std::uint32_t>(serial);
    const long step = rate / 25;  // a new tone every 40 ms
    for (int c = 0; c < channels; ++c) {
        double phase = 0;
        double frequency = 0;
        for (long i = 0; i < frames; ++i) {
            if (i % step == 0) {
                random = random * 1664525u + 1013904223u;
                // Each channel keeps to its own band.
                frequency = 200.0 * (c + 1) + static_cast<double>((random >> 16) % 180);
            }
            phase += frequency / rate;
            input.samples[static_cast<std::size_t>(i) * channels + c] =
                static_cast<float>(0.3 * std::sin(6.283185307179586 * phase));
        }
    }
    std::string bytes;
    if (!EncodeOggVorbis(input, &bytes)) return "";
    return bytes;
}

bool DecodeWithVorbisfile(const std::string& path, Pcm* pcm) {
    OggVorbis_File file;
    if (ov_fopen(path.c_str(), &file) != 0) return false;
    vorbis_info* info = ov_info(&file, -1);
    pcm->channels = info->channels;
    pcm->rate = info->rate;
    pcm->samples.clear();
    char block[8192];
    int section = 0;
    long got = 0;
    while ((got = ov_read(&file, block, sizeof block, 0, 2, 1, &section)) != 0) {
        if (got == OV_HOLE) continue;  // a damaged page: what follows still plays
        if (got < 0) break;
        const auto* words = reinterpret_cast<const std::int16_t*>(block);
        for (long i = 0; i < got / 2; ++i) pcm->samples.push_back(words[i] / 32768.0f);
    }
    ov_clear(&file);
    return got == 0;
}

namespace {

std::uint32_t Le32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

std::uint16_t Le16(const std::string& bytes, std::size_t at) {
    std::uint16_t value = 0;
    std::memcpy(&value, bytes.data() + at, 2);
    return value;
}

}  // namespace

bool ReadWav(const std::string& path, Pcm* pcm) {
    std::string bytes = ReadFileBytes(path);
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return false;
    int format = 0, bits = 0;
    pcm->samples.clear();
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        std::string id = bytes.substr(at, 4);
        std::size_t size = Le32(bytes, at + 4);
        std::size_t body = at + 8;
        if (id == "fmt ") {
            format = Le16(bytes, body);
            pcm->channels = Le16(bytes, body + 2);
            pcm->rate = static_cast<long>(Le32(bytes, body + 4));
            bits = Le16(bytes, body + 14);
            // WAVE_FORMAT_EXTENSIBLE: the real format is the sub-format's first word.
            if (format == 0xFFFE) format = Le16(bytes, body + 24);
        } else if (id == "data") {
            // The writer may not have patched the size if it was cut short.
            std::size_t available = std::min(size, bytes.size() - body);
            if (format == 3 && bits == 32) {
                for (std::size_t i = 0; i + 4 <= available; i += 4) {
                    float value = 0;
                    std::memcpy(&value, bytes.data() + body + i, 4);
                    pcm->samples.push_back(value);
                }
            } else if (format == 1 && bits == 16) {
                for (std::size_t i = 0; i + 2 <= available; i += 2)
                    pcm->samples.push_back(static_cast<std::int16_t>(Le16(bytes, body + i)) / 32768.0f);
            } else {
                return false;
            }
            return pcm->channels > 0;
        }
        at = body + size + (size & 1);
    }
    return false;
}

std::string WriteAlsoftConfig(const std::string& folder, const std::string& drivers, const std::string& wavPath,
                              long rate, const std::string& channels) {
    std::string text = "[general]\ndrivers=" + drivers + "\nfrequency=" + std::to_string(rate) +
                       "\nchannels=" + channels +
                       "\nsample-type=float32\noutput-limiter=false\ndither=false\nhrtf=false\n";
    if (!wavPath.empty()) text += "[wave]\nfile=" + wavPath + "\n";
    std::string path = folder + "/alsoft.conf";
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

namespace {

// Least squares: gains of each capture channel over the reference channels
// at a fixed lag; returns the relative rms misfit.
double FitAtLag(const Pcm& capture, const Pcm& reference, long start, long frames, long lag,
                std::vector<std::vector<double>>* gains) {
    const int in = reference.channels;
    const int out = capture.channels;
    std::vector<double> normal(static_cast<std::size_t>(in * in), 0.0);
    std::vector<double> cross(static_cast<std::size_t>(out * in), 0.0);
    double capturedEnergy = 0;
    for (long i = 0; i < frames; ++i) {
        const float* r = &reference.samples[static_cast<std::size_t>((start + i) * in)];
        const float* k = &capture.samples[static_cast<std::size_t>((lag + i) * out)];
        for (int a = 0; a < in; ++a) {
            for (int b = 0; b < in; ++b) normal[a * in + b] += r[a] * r[b];
            for (int o = 0; o < out; ++o) cross[o * in + a] += k[o] * r[a];
        }
        for (int o = 0; o < out; ++o) capturedEnergy += k[o] * k[o];
    }
    gains->assign(static_cast<std::size_t>(out), std::vector<double>(static_cast<std::size_t>(in), 0.0));
    double misfitEnergy = 0;
    for (int o = 0; o < out; ++o) {
        // Gaussian elimination on a copy of the normal equations.
        std::vector<double> m = normal;
        std::vector<double> v(cross.begin() + o * in, cross.begin() + (o + 1) * in);
        for (int p = 0; p < in; ++p) {
            int pivot = p;
            for (int r = p + 1; r < in; ++r)
                if (std::fabs(m[r * in + p]) > std::fabs(m[pivot * in + p])) pivot = r;
            for (int c = 0; c < in; ++c) std::swap(m[p * in + c], m[pivot * in + c]);
            std::swap(v[p], v[pivot]);
            if (std::fabs(m[p * in + p]) < 1e-12) continue;
            for (int r = 0; r < in; ++r) {
                if (r == p) continue;
                double factor = m[r * in + p] / m[p * in + p];
                for (int c = 0; c < in; ++c) m[r * in + c] -= factor * m[p * in + c];
                v[r] -= factor * v[p];
            }
        }
        for (int p = 0; p < in; ++p) (*gains)[o][p] = std::fabs(m[p * in + p]) < 1e-12 ? 0 : v[p] / m[p * in + p];
    }
    for (long i = 0; i < frames; ++i) {
        const float* r = &reference.samples[static_cast<std::size_t>((start + i) * in)];
        const float* k = &capture.samples[static_cast<std::size_t>((lag + i) * out)];
        for (int o = 0; o < out; ++o) {
            double predicted = 0;
            for (int a = 0; a < in; ++a) predicted += (*gains)[o][a] * r[a];
            misfitEnergy += (k[o] - predicted) * (k[o] - predicted);
        }
    }
    return capturedEnergy > 0 ? std::sqrt(misfitEnergy / capturedEnergy) : 1.0;
}

}  // namespace

bool FitCapture(const Pcm& capture, const Pcm& reference, long start, long frames, CaptureFit* fit,
                Anchor anchor) {
    long guess = 0;
    if (anchor == Anchor::FirstSound) {
        // Both begin to sound together; then search around that.
        long captureStart = FirstLoudFrame(capture, 1e-4f);
        long referenceStart = FirstLoudFrame(reference, 1e-4f);
        if (captureStart < 0 || referenceStart < 0) return false;
        guess = captureStart - referenceStart + start;
    } else {
        long captureEnd = LastLoudFrame(capture, 1e-4f);
        long referenceEnd = LastLoudFrame(reference, 1e-4f);
        if (captureEnd < 0 || referenceEnd < 0) return false;
        guess = captureEnd - referenceEnd + start;
    }
    const long window = std::min(frames, reference.rate / 8);
    const long reach = 400;
    double best = 2.0;
    std::vector<std::vector<double>> gains;
    for (long lag = std::max(0L, guess - reach); lag <= guess + reach; ++lag) {
        if (lag + frames > capture.Frames()) break;
        double misfit = FitAtLag(capture, reference, start, window, lag, &gains);
        if (misfit < best) {
            best = misfit;
            fit->lag = lag;
        }
    }
    if (best > 1.5 || fit->lag + frames > capture.Frames()) return false;
    fit->residual = FitAtLag(capture, reference, start, frames, fit->lag, &fit->gain);
    return true;
}

long LoudFrames(const Pcm& pcm, float threshold) {
    long count = 0;
    for (long f = 0; f < pcm.Frames(); ++f)
        for (int c = 0; c < pcm.channels; ++c)
            if (std::fabs(pcm.samples[static_cast<std::size_t>(f * pcm.channels + c)]) > threshold) {
                ++count;
                break;
            }
    return count;
}

long FirstLoudFrame(const Pcm& pcm, float threshold) {
    for (long f = 0; f < pcm.Frames(); ++f)
        for (int c = 0; c < pcm.channels; ++c)
            if (std::fabs(pcm.samples[static_cast<std::size_t>(f * pcm.channels + c)]) > threshold) return f;
    return -1;
}

long LastLoudFrame(const Pcm& pcm, float threshold) {
    for (long f = pcm.Frames() - 1; f >= 0; --f)
        for (int c = 0; c < pcm.channels; ++c)
            if (std::fabs(pcm.samples[static_cast<std::size_t>(f * pcm.channels + c)]) > threshold) return f;
    return -1;
}

std::string ProbePath() { return MUSIC_PROBE_EXE; }

std::string TsanOptions() { return "TSAN_OPTIONS=suppressions=" + std::string(MUSIC_TSAN_SUPPRESSIONS); }

int LoudestOutputOf(const CaptureFit& fit, int input) {
    int loudest = 0;
    for (std::size_t o = 1; o < fit.gain.size(); ++o)
        if (std::fabs(fit.gain[o][input]) > std::fabs(fit.gain[loudest][input])) loudest = static_cast<int>(o);
    return loudest;
}
