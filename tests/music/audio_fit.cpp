#include "audio_fit.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include "music_encoder.h"
#include "support/process.h"
#include "support/temp_dir.h"

bool WriteTone(const std::string& path, double hz, double seconds, long rate) {
    std::vector<float> samples(static_cast<std::size_t>(seconds * rate) * 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<float>(0.3 * std::sin(6.2831853 * hz * static_cast<double>(i / 2) / rate));
    std::filesystem::create_directories(path.substr(0, path.rfind('/')));
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".ogg") == 0) {
        std::string bytes;
        return EncodeOggVorbis({samples, 2, rate, 0.4f, 1}, &bytes) && std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string wav = "RIFF....WAVEfmt ", data;
    auto put = [](std::string* to, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) to->push_back(static_cast<char>(value >> (8 * i) & 0xFF));
    };
    for (float sample : samples) put(&data, static_cast<std::uint32_t>(static_cast<std::int16_t>(sample * 32767)), 2);
    put(&wav, 16, 4), put(&wav, 1, 2), put(&wav, 2, 2), put(&wav, rate, 4), put(&wav, rate * 4, 4), put(&wav, 4, 2);
    put(&wav, 16, 2), wav += "data", put(&wav, static_cast<std::uint32_t>(data.size()), 4), wav += data;
    TempDir scratch;
    const std::string in = scratch.Write("in.wav", wav), ending = path.substr(path.rfind('.'));
    const std::string command = ending == ".opus"   ? "opusenc --quiet '" + in + "' '" + path + "'"
                                : ending == ".flac" ? "flac -s -f '" + in + "' -o '" + path + "'"
                                : ending == ".mp3"  ? "lame --quiet '" + in + "' '" + path + "'"
                                                    : "cp '" + in + "' '" + path + "'";
    return Shell(command + " && echo made") == "made\n";
}

Pcm Decode(const std::string& path) {
    Pcm pcm;
    OggVorbis_File file;
    if (ov_fopen(path.c_str(), &file) != 0) return pcm;
    pcm = {ov_info(&file, -1)->channels, ov_info(&file, -1)->rate, {}};
    std::int16_t block[4096];
    int section = 0;
    for (long got; (got = ov_read(&file, reinterpret_cast<char*>(block), sizeof block, 0, 2, 1, &section)) != 0;) {
        if (got < 0 && got != OV_HOLE) break;
        for (long i = 0; i < got / 2; ++i) pcm.samples.push_back(block[i] / 32768.0f);
    }
    ov_clear(&file);
    return pcm;
}

std::vector<std::string> AlsoftEnv(const std::string& folder, const std::string& drivers, long rate,
                                   const std::string& channels, bool wine) {
    const auto named = [wine](std::string path) {
        if (wine) path = "Z:" + path, std::replace(path.begin(), path.end(), '/', '\\');
        return path;
    };
    std::ofstream(folder + "/alsoft.conf")
        << "[general]\ndrivers=" << drivers << "\nfrequency=" << rate << "\nchannels=" << channels
        << "\nsample-type=float32\noutput-limiter=false\ndither=false\nhrtf=false"
        << "\n[wave]\nfile=" << named(folder + "/out.wav") << "\n";
    // OpenAL Soft's own hand-offs are invisible to ThreadSanitizer.
    return {"ALSOFT_CONF=" + named(folder + "/alsoft.conf"), "ALSOFT_LOGLEVEL=0",
            "TSAN_OPTIONS=suppressions=" MUSIC_TSAN_SUPPRESSIONS};
}

Pcm FadedIn(Pcm pcm) {
    for (long f = 0; f < pcm.rate && f < pcm.Frames(); ++f)
        for (int c = 0; c < pcm.channels; ++c) {
            float& sample = pcm.samples[static_cast<std::size_t>(f * pcm.channels + c)];
            // As the player does it: on 16-bit samples, toward zero.
            sample =
                static_cast<float>(static_cast<short>(sample * 32768.0f * static_cast<float>(f) / pcm.rate)) / 32768.0f;
        }
    return pcm;
}

long FileSize(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : 0;
}

// An abrupt end leaves the capture's sizes unwritten: read to the end of the file.
Pcm ReadCapture(const std::string& path) {
    std::string bytes = ReadFileBytes(path);
    Pcm pcm;
    std::size_t data = bytes.find("data", 36);
    if (bytes.compare(0, 4, "RIFF") != 0 || data == std::string::npos) return pcm;
    std::memcpy(&pcm.channels, &bytes[22], 2);
    std::memcpy(&pcm.rate, &bytes[24], 4);
    pcm.samples.resize((bytes.size() - data - 8) / 4);
    // A device closed before its first period leaves a header alone.
    if (!pcm.samples.empty()) std::memcpy(pcm.samples.data(), &bytes[data + 8], pcm.samples.size() * 4);
    return pcm;
}

long LoudFrame(const Pcm& pcm, bool last) {
    for (long i = 0, f = last ? pcm.Frames() - 1 : 0; i < pcm.Frames(); ++i, f += last ? -1 : 1)
        for (int c = 0; c < pcm.channels; ++c)
            if (std::fabs(pcm.At(f, c)) > 1e-3) return f;
    return -1;
}

double Rms(const Pcm& pcm, long from, long frames) {
    double sum = 0;
    for (long f = from; f < from + frames; ++f) sum += pcm.At(f, 0) * pcm.At(f, 0);
    return std::sqrt(sum / static_cast<double>(frames));
}

double Hz(const Pcm& pcm, long from, long frames) {
    int crossings = 0;
    for (long f = from + 1; f < from + frames; ++f) crossings += (pcm.At(f - 1, 0) < 0) != (pcm.At(f, 0) < 0);
    return crossings / 2.0 * static_cast<double>(pcm.rate) / static_cast<double>(frames);
}

static double FitAt(const Pcm& capture, const Pcm& reference, long lag, long from, long to, CaptureFit* fit) {
    const int in = reference.channels;
    fit->gain.assign(static_cast<std::size_t>(capture.channels), {});
    double misfit = 0, energy = 0;
    for (int o = 0; o < capture.channels; ++o) {
        // Least squares: the normal equations, right side last. The matrix is
        // symmetric positive definite, so no pivoting is needed.
        std::vector<std::vector<double>> m(in, std::vector<double>(in + 1, 0.0));
        for (long i = from; i < to; ++i)
            for (int a = 0; a < in; ++a)
                for (int b = 0; b <= in; ++b)
                    m[a][b] += reference.At(i, a) * (b < in ? reference.At(i, b) : capture.At(lag + i, o));
        for (int p = 0; p < in; ++p)
            for (int q = 0; q < in && m[p][p] > 1e-12; ++q)
                for (int c = in; q != p && c >= p; --c) m[q][c] -= m[q][p] / m[p][p] * m[p][c];
        std::vector<double>& g = fit->gain[static_cast<std::size_t>(o)];
        for (int p = 0; p < in; ++p) g.push_back(m[p][p] > 1e-12 ? m[p][in] / m[p][p] : 0.0);
        for (long i = from; i < to; ++i) {
            double e = capture.At(lag + i, o);
            energy += e * e;
            for (int a = 0; a < in; ++a) e -= g[a] * reference.At(i, a);
            misfit += e * e;
        }
    }
    return energy > 0 ? std::sqrt(misfit / energy) : 1.0;
}

CaptureFit FitCapture(const Pcm& capture, const Pcm& reference, long frames) {
    CaptureFit fit, trial;
    long sound = LoudFrame(reference, false), guess = LoudFrame(capture, false) - sound;
    double best = 2.0;
    for (long lag = std::max(0L, guess - 400); lag <= guess + 400 && lag + frames <= capture.Frames(); ++lag) {
        double misfit = FitAt(capture, reference, lag, sound, std::min(sound + 4096, frames), &trial);
        if (misfit < best) best = misfit, fit.lag = lag;
    }
    if (best < 2.0 && sound >= 0) fit.residual = FitAt(capture, reference, fit.lag, 0, frames, &fit);
    return fit;
}
