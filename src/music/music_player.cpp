#include "music/music_player.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>

#include "music/audio_device.h"
#include "music/music_decoder.h"
#include "music/music_playlist.h"
#include "music/music_thread.h"
#include "platform/platform.h"

namespace {

constexpr int kBufferCount = 4;
constexpr int kPollMilliseconds = 20;
// When the run ends the music's gain falls to nothing over this time, a step
// every few milliseconds (OpenAL Soft glides between them), and the source
// stops once the mixer has reached silence: within 100 ms, with no click.
// The steps follow the clock, so a late wake-up shortens the ramp instead of
// stretching it.
constexpr std::uint32_t kRampMilliseconds = 80;
constexpr int kRampStepMilliseconds = 5;
constexpr int kRampSettleMilliseconds = 15;
// A hole in an Ogg stream yields nothing once; only this many empty reads in
// a row end a file.
constexpr int kEmptyReadsAtEnd = 8;

// The format of what is queued; files of another format wait until the
// queue has played out, since a source plays one format.
struct StreamFormat {
    MusicFormat music;
    int channels = 0;
    ALsizei rate = 0;
    bool operator==(const StreamFormat& other) const {
        return music.alFormat == other.music.alFormat && channels == other.channels && rate == other.rate;
    }
};

// Only whole frames may go to alBufferData: a later part of a chained file
// with fewer channels can leave a partial frame at the end of a block.
unsigned WholeFrames(unsigned bytes, int channels) {
    unsigned frame = 2u * static_cast<unsigned>(channels);
    return bytes - bytes % frame;
}

// One playback: the playlist's files streamed through one source and four
// rotating buffers. It owns everything it makes, the block buffer included.
class MusicStream {
public:
    MusicStream(const OpenALFunctionTable& al, const MusicChoice& choice)
        : al(al), playlist(choice.path), gain(static_cast<float>(choice.volume) / kFullVolume) {}
    ~MusicStream() { CloseMusicDecoder(&decoder); }
    MusicStream(const MusicStream&) = delete;
    MusicStream& operator=(const MusicStream&) = delete;

    void Play();

private:
    bool OpenNext();
    bool TakeFormat();
    unsigned DecodeBlock();
    void FadeIn(unsigned bytes);
    void Refill(ALuint buffer);
    bool Poll();
    void RampDown();

    const OpenALFunctionTable& al;
    MusicPlaylist playlist;
    const float gain;
    MusicDecoder decoder;
    StreamFormat next;    // the open decoder's
    StreamFormat format;  // what is queued
    bool ended = false;   // nothing more to play
    unsigned fileBytes = 0;
    std::unique_ptr<char[]> block;
    unsigned blockCapacity = 0;
    ALuint buffers[kBufferCount] = {};
    ALuint idle[kBufferCount] = {};  // buffers out of the queue, waiting for music
    int idleCount = 0;
    ALuint source = 0;
    long fadeFrames = 0;  // a second of the first file's rate
    long fadeDone = 0;
};

bool MusicStream::OpenNext() {
    const OpenALFunctionTable& table = al;
    StreamFormat* chosen = &next;
    fileBytes = 0;
    ended = !playlist.OpenNext(&decoder, [&table, chosen](const MusicDecoder& opened) {
        if (!ChooseMusicFormat(table, opened.channels, opened.rate, &chosen->music)) return false;
        chosen->channels = opened.channels;
        chosen->rate = static_cast<ALsizei>(opened.rate);
        return true;
    });
    return !ended;
}

// The open decoder's format becomes the stream's; its block is made once
// for every format that needs no larger one.
bool MusicStream::TakeFormat() {
    format = next;
    if (format.music.blockSize <= blockCapacity) return true;
    block.reset(new (std::nothrow) char[format.music.blockSize]);
    blockCapacity = block != nullptr ? format.music.blockSize : 0;
    if (block != nullptr) return true;
    PrintMusicMessage("Failed to allocate memory for decoded OggVorbis data\n");
    ended = true;
    return false;
}

// The next block of the current format, across the ends of files; 0 when
// the music is over or the next file has another format.
unsigned MusicStream::DecodeBlock() {
    while (!ended && next == format) {
        for (int empty = 0; empty < kEmptyReadsAtEnd; ++empty) {
            unsigned bytes =
                WholeFrames(ReadMusicDecoder(&decoder, block.get(), format.music.blockSize), format.channels);
            if (bytes > 0) {
                fileBytes += bytes;
                FadeIn(bytes);
                return bytes;
            }
        }
        if (EndedEarly(decoder))
            playlist.Drop("it stops short of its end, cut short or damaged");
        else if (fileBytes == 0)
            playlist.Drop("it holds no sound");
        CloseMusicDecoder(&decoder);
        OpenNext();
    }
    return 0;
}

// The first second of the run rises from silence, whatever the file.
void MusicStream::FadeIn(unsigned bytes) {
    if (fadeDone >= fadeFrames) return;
    auto* samples = reinterpret_cast<short*>(block.get());
    const long frames = static_cast<long>(bytes / (2u * static_cast<unsigned>(format.channels)));
    for (long f = 0; f < frames && fadeDone < fadeFrames; ++f, ++fadeDone) {
        const float level = static_cast<float>(fadeDone) / static_cast<float>(fadeFrames);
        for (int c = 0; c < format.channels; ++c) {
            short& sample = samples[f * format.channels + c];
            sample = static_cast<short>(static_cast<float>(sample) * level);
        }
    }
}

void MusicStream::Refill(ALuint buffer) {
    unsigned bytes = DecodeBlock();
    if (bytes == 0) {
        idle[idleCount++] = buffer;
        return;
    }
    al.alBufferData(buffer, format.music.alFormat, block.get(), static_cast<ALsizei>(bytes), format.rate);
    al.alSourceQueueBuffers(source, 1, &buffer);
}

// Refills what was played; false once the music is over.
bool MusicStream::Poll() {
    ALint processed = 0;
    al.alGetSourcei(source, AL_BUFFERS_PROCESSED, &processed);
    for (; processed > 0; --processed) {
        ALuint buffer = 0;
        al.alSourceUnqueueBuffers(source, 1, &buffer);
        Refill(buffer);
    }
    ALint state = 0;
    al.alGetSourcei(source, AL_SOURCE_STATE, &state);
    if (state == AL_PLAYING) return true;
    ALint queued = 0;
    al.alGetSourcei(source, AL_BUFFERS_QUEUED, &queued);
    if (queued == 0) {
        if (ended) return false;
        // What was queued has played out and the next file has a format of
        // its own: the source starts over with it.
        if (!TakeFormat()) return false;
        int waiting = idleCount;
        idleCount = 0;
        for (int i = 0; i < waiting; ++i) Refill(idle[i]);
    }
    // The source ran dry before the refill came (or starts a new format):
    // play on from what is queued.
    al.alSourcePlay(source);
    return true;
}

void MusicStream::RampDown() {
    ALint state = 0;
    al.alGetSourcei(source, AL_SOURCE_STATE, &state);
    if (state != AL_PLAYING) return;
    const std::uint32_t start = platform::MonotonicMilliseconds();
    for (std::uint32_t elapsed = 0; elapsed < kRampMilliseconds; elapsed = platform::MonotonicMilliseconds() - start) {
        platform::SleepMilliseconds(kRampStepMilliseconds);
        const std::uint32_t now = std::min(platform::MonotonicMilliseconds() - start, kRampMilliseconds);
        al.alSourcef(source, AL_GAIN, gain * static_cast<float>(kRampMilliseconds - now) / kRampMilliseconds);
    }
    platform::SleepMilliseconds(kRampSettleMilliseconds);
}

// Names what OpenAL refused, with its error code.
void PrintOpenALFailure(const char* what, ALenum error) {
    char line[128];
    std::snprintf(line, sizeof line, "OpenAL could not make the music's %s (error 0x%04X)\n", what,
                  static_cast<unsigned>(error));
    PrintMusicMessage("%s", line);
}

void MusicStream::Play() {
    if (!OpenNext() || !TakeFormat()) return;
    fadeFrames = format.rate;
    al.alGetError();
    al.alGenBuffers(kBufferCount, buffers);
    if (ALenum error = al.alGetError(); error != AL_NO_ERROR) return PrintOpenALFailure("buffers", error);
    al.alGenSources(1, &source);
    if (ALenum error = al.alGetError(); error != AL_NO_ERROR) {
        al.alDeleteBuffers(kBufferCount, buffers);
        return PrintOpenALFailure("source", error);
    }
    al.alSourcef(source, AL_GAIN, gain);
    for (ALuint buffer : buffers) Refill(buffer);
    al.alSourcePlay(source);
    bool playing = true;
    while (!musicStopRequested.load()) {
        platform::SleepMilliseconds(kPollMilliseconds);
        if (!(playing = Poll())) break;
    }
    if (playing) RampDown();
    al.alSourceStop(source);
    al.alSourcei(source, AL_BUFFER, 0);
    al.alDeleteSources(1, &source);
    al.alDeleteBuffers(kBufferCount, buffers);
}

}  // namespace

void PrintMusicMessage(const char* format, const char* argument) {
    if (argument != nullptr)
        std::printf(format, argument);
    else
        std::fputs(format, stdout);
    std::fflush(stdout);
}

bool ChooseMusicFormat(const OpenALFunctionTable& al, int channels, long rate, MusicFormat* format) {
    long long bytes = 0;
    int alFormat = 0;
    switch (channels) {
        case 1:
            alFormat = AL_FORMAT_MONO16;
            bytes = rate / 2;
            break;
        case 2:
            alFormat = AL_FORMAT_STEREO16;
            bytes = rate;
            break;
        case 4:
            alFormat = al.alGetEnumValue("AL_FORMAT_QUAD16");
            bytes = 2LL * rate;
            break;
        case 6:
            alFormat = al.alGetEnumValue("AL_FORMAT_51CHN16");
            bytes = 3LL * rate;
            break;
        default:
            return false;
    }
    if (alFormat == 0) return false;
    bytes -= bytes % (2LL * channels);
    if (bytes <= 0 || bytes > INT_MAX) return false;
    format->alFormat = alFormat;
    format->blockSize = static_cast<unsigned>(bytes);
    return true;
}

unsigned DecodeMusicBlock(OggVorbis_File* stream, char* buffer, unsigned capacity, int channels) {
    unsigned done = 0;
    while (done < capacity) {
        int section = 0;
        long read = vorbisBinding.ov_read(stream, buffer + done, static_cast<int>(capacity - done), 0, 2, 1, &section);
        if (read <= 0) break;
        done += static_cast<unsigned>(read);
    }
    if (channels == 6) {
        // The decoder gives FL FC FR RL RR LFE; OpenAL wants FL FR FC LFE RL RR.
        auto* samples = reinterpret_cast<short*>(buffer);
        for (unsigned frame = 0; frame < done / 12; ++frame) {
            short* s = samples + 6u * frame;
            short centre = s[1], rearLeft = s[3], rearRight = s[4];
            s[1] = s[2];
            s[2] = centre;
            s[3] = s[5];
            s[4] = rearLeft;
            s[5] = rearRight;
        }
    }
    return done;
}

int PlayMusicStream(const MusicChoice& choice) {
    BindVorbisLibrary();
    if (!vorbisBinding.bound) {
        PrintMusicMessage("Failed to find OggVorbis DLLs (vorbisfile.dll, ogg.dll, or vorbis.dll)\n");
        return 0;
    }
    OpenALFunctionTable al;  // loaded for this playback by InitAudioDevice
    if (!InitAudioDevice(&al)) {
        PrintMusicMessage("Failed to initialize OpenAL\n");
        return 0;
    }
    // Only the music a user chose may be in another format than Vorbis.
    if (!choice.path.empty()) BindSndfileLibrary();
    MusicStream(al, choice).Play();
    UnbindSndfileLibrary();
    UnbindVorbisLibrary();
    ShutdownAudioDevice(al);
    return 0;
}
