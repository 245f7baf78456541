#include "music/music_decoder.h"

#include <limits>

#include "music/music_player.h"

namespace {

// libsndfile reads through these, so that the file is the one the player
// opened (only a regular file, never a FIFO; a wide name on Windows).
sndfile::Count FileLength(void* user) {
    auto* file = static_cast<std::FILE*>(user);
    long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    long length = std::ftell(file);
    std::fseek(file, here, SEEK_SET);
    return length;
}

sndfile::Count Seek(sndfile::Count offset, int whence, void* user) {
    if (offset > std::numeric_limits<long>::max() || offset < std::numeric_limits<long>::min()) return -1;
    auto* file = static_cast<std::FILE*>(user);
    if (std::fseek(file, static_cast<long>(offset), whence) != 0) return -1;
    return std::ftell(file);
}

sndfile::Count Read(void* destination, sndfile::Count count, void* user) {
    if (count <= 0) return 0;
    return static_cast<sndfile::Count>(
        std::fread(destination, 1, static_cast<std::size_t>(count), static_cast<std::FILE*>(user)));
}

sndfile::Count Write(const void*, sndfile::Count, void*) { return 0; }

sndfile::Count Tell(void* user) { return std::ftell(static_cast<std::FILE*>(user)); }

sndfile::VirtualIo fileIo = {FileLength, Seek, Read, Write, Tell};

bool OpenWithSndfile(std::FILE* file, MusicDecoder* decoder) {
    if (!sndfileBinding.bound || std::fseek(file, 0, SEEK_SET) != 0) return false;
    sndfile::Info info;
    sndfile::File* sound = sndfileBinding.sf_open_virtual(&fileIo, sndfile::kRead, &info, file);
    if (sound == nullptr) return false;
    decoder->kind = MusicDecoder::Kind::Sndfile;
    decoder->sound = sound;
    decoder->file = file;
    decoder->channels = info.channels;
    decoder->rate = info.samplerate;
    const bool declared = info.frames > 0 && info.frames < std::numeric_limits<sndfile::Count>::max();
    decoder->declaredFrames = declared ? info.frames : -1;
    return true;
}

}  // namespace

bool OpenMusicDecoder(std::FILE* file, bool anyFormat, MusicDecoder* decoder) {
    *decoder = MusicDecoder{};
    if (vorbisBinding.ov_open_callbacks(file, &decoder->vorbis, nullptr, 0, MusicFileCallbacks()) == 0) {
        decoder->kind = MusicDecoder::Kind::Vorbis;
        const vorbis_info* info = vorbisBinding.ov_info(&decoder->vorbis, -1);
        decoder->channels = info != nullptr ? info->channels : 0;
        decoder->rate = info != nullptr ? info->rate : 0;
        return true;
    }
    // Until an open succeeds the file is still ours.
    if (anyFormat && OpenWithSndfile(file, decoder)) return true;
    std::fclose(file);
    return false;
}

unsigned ReadMusicDecoder(MusicDecoder* decoder, char* buffer, unsigned capacity) {
    if (decoder->kind == MusicDecoder::Kind::Vorbis)
        return DecodeMusicBlock(&decoder->vorbis, buffer, capacity, decoder->channels);
    if (decoder->kind != MusicDecoder::Kind::Sndfile || decoder->channels <= 0) return 0;
    const unsigned frameBytes = 2u * static_cast<unsigned>(decoder->channels);
    unsigned done = 0;
    while (capacity - done >= frameBytes) {
        sndfile::Count frames = sndfileBinding.sf_readf_short(decoder->sound, reinterpret_cast<short*>(buffer + done),
                                                              (capacity - done) / frameBytes);
        if (frames <= 0) break;
        decoder->framesRead += frames;
        done += static_cast<unsigned>(frames) * frameBytes;
    }
    return done;
}

bool EndedEarly(const MusicDecoder& decoder) {
    if (decoder.kind != MusicDecoder::Kind::Sndfile) return false;
    if (sndfileBinding.sf_error(decoder.sound) != 0) return true;
    // An MP3's declared length is an estimate from its header or bit rate:
    // only a shortfall of more than a tenth of a second counts.
    return decoder.declaredFrames > 0 && decoder.framesRead + decoder.rate / 10 < decoder.declaredFrames;
}

void CloseMusicDecoder(MusicDecoder* decoder) {
    if (decoder->kind == MusicDecoder::Kind::Vorbis) vorbisBinding.ov_clear(&decoder->vorbis);
    if (decoder->kind == MusicDecoder::Kind::Sndfile) {
        sndfileBinding.sf_close(decoder->sound);
        std::fclose(decoder->file);
    }
    *decoder = MusicDecoder{};
}
