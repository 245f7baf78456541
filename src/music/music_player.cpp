#include "music/music_player.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "music/audio_device.h"
#include "music/music_file.h"
#include "music/music_thread.h"
#include "platform/platform.h"

namespace {

constexpr int kBufferCount = 4;
constexpr int kPollMilliseconds = 20;

// The format of the first logical stream, kept for the whole playback.
struct StreamFormat {
    MusicFormat music;
    int channels = 0;
    ALsizei rate = 0;
};

// Only whole frames may go to alBufferData: a later part of a chained file
// with fewer channels can leave a partial frame at the end of a block.
ALsizei WholeFrames(unsigned bytes, int channels) {
    unsigned frame = 2u * static_cast<unsigned>(channels);
    return static_cast<ALsizei>(bytes - bytes % frame);
}

// Decodes the next block into `buffer` and queues it. False when nothing was
// decoded: the buffer then stays out of the rotation.
bool RefillBuffer(const OpenALFunctionTable& al, OggVorbis_File* stream, char* block, const StreamFormat& format,
                  ALuint source, ALuint buffer) {
    ALsizei bytes =
        WholeFrames(DecodeMusicBlock(stream, block, format.music.blockSize, format.channels), format.channels);
    if (bytes <= 0) return false;
    al.alBufferData(buffer, format.music.alFormat, block, bytes, format.rate);
    al.alSourceQueueBuffers(source, 1, &buffer);
    return true;
}

// Refills what was played; false once the music is over.
bool PollStream(const OpenALFunctionTable& al, OggVorbis_File* stream, char* block, const StreamFormat& format,
                ALuint source) {
    ALint processed = 0;
    al.alGetSourcei(source, AL_BUFFERS_PROCESSED, &processed);
    for (; processed > 0; --processed) {
        ALuint buffer = 0;
        al.alSourceUnqueueBuffers(source, 1, &buffer);
        RefillBuffer(al, stream, block, format, source, buffer);
    }
    ALint state = 0;
    al.alGetSourcei(source, AL_SOURCE_STATE, &state);
    if (state == AL_PLAYING) return true;
    ALint queued = 0;
    al.alGetSourcei(source, AL_BUFFERS_QUEUED, &queued);
    if (queued == 0) return false;
    // The source ran dry before the refill came: play on from what is queued.
    al.alSourcePlay(source);
    return true;
}

// Steps from the fill to the teardown of the streaming objects; owns `block`.
void StreamMusic(const OpenALFunctionTable& al, OggVorbis_File* stream, char* block, const StreamFormat& format) {
    ALuint buffers[kBufferCount] = {};
    ALuint source = 0;
    al.alGenBuffers(kBufferCount, buffers);
    al.alGenSources(1, &source);
    for (ALuint buffer : buffers) RefillBuffer(al, stream, block, format, source, buffer);
    al.alSourcePlay(source);
    while (!musicStopRequested.load()) {
        platform::SleepMilliseconds(kPollMilliseconds);
        if (!PollStream(al, stream, block, format, source)) break;
    }
    al.alSourceStop(source);
    al.alSourcei(source, AL_BUFFER, 0);
    std::free(block);
    al.alDeleteSources(1, &source);
    al.alDeleteBuffers(kBufferCount, buffers);
}

// From the decoder open to its release; the file is closed on every path.
void PlayMusicFile(const OpenALFunctionTable& al, std::FILE* file) {
    OggVorbis_File stream;
    if (vorbisBinding.ov_open_callbacks(file, &stream, nullptr, 0, MusicFileCallbacks()) != 0) {
        // Until the open succeeds the file is still ours.
        std::fclose(file);
        return;
    }
    const vorbis_info* info = vorbisBinding.ov_info(&stream, -1);
    StreamFormat format;
    if (info == nullptr || !ChooseMusicFormat(al, info->channels, info->rate, &format.music)) {
        PrintMusicMessage("Failed to find format information, or unsupported format\n");
    } else {
        format.channels = info->channels;
        format.rate = static_cast<ALsizei>(info->rate);
        char* block = static_cast<char*>(std::malloc(format.music.blockSize));
        if (block == nullptr)
            PrintMusicMessage("Failed to allocate memory for decoded OggVorbis data\n");
        else
            StreamMusic(al, &stream, block, format);
    }
    vorbisBinding.ov_clear(&stream);
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

int PlayMusicStream() {
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
    std::FILE* file = OpenMusicFile();
    if (file == nullptr)
        PrintMusicMessage("Could not find %s\n", kMusicFileName);
    else
        PlayMusicFile(al, file);
    UnbindVorbisLibrary();
    ShutdownAudioDevice(al);
    return 0;
}
