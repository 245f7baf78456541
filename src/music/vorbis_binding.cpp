#include "music/vorbis_binding.h"

#include <cstdio>
#include <cstdlib>
#include <limits>

VorbisBinding vorbisBinding;

namespace {

template <typename Function>
Function LookUp(const char* name) {
    return reinterpret_cast<Function>(platform::LibrarySymbol(vorbisBinding.library, name));
}

std::size_t ReadMusicFile(void* destination, std::size_t size, std::size_t count, void* stream) {
    return std::fread(destination, size, count, static_cast<std::FILE*>(stream));
}

int CloseMusicFile(void* stream) { return std::fclose(static_cast<std::FILE*>(stream)); }

long TellMusicFile(void* stream) { return std::ftell(static_cast<std::FILE*>(stream)); }

}  // namespace

const char* VorbisLibraryName() {
    return platform::RuntimeLibraryName(kVorbisLibraryVariable, "libvorbisfile.so.3", "vorbisfile.dll");
}

void BindVorbisLibrary() {
    if (vorbisBinding.bound) return;
    vorbisBinding.library = platform::OpenLibrary(VorbisLibraryName());
    if (vorbisBinding.library == nullptr) return;
    vorbisBinding.ov_clear = LookUp<OvClearFunction>("ov_clear");
    vorbisBinding.ov_read = LookUp<OvReadFunction>("ov_read");
    vorbisBinding.ov_pcm_total = LookUp<OvPcmTotalFunction>("ov_pcm_total");
    vorbisBinding.ov_info = LookUp<OvInfoFunction>("ov_info");
    vorbisBinding.ov_comment = LookUp<OvCommentFunction>("ov_comment");
    vorbisBinding.ov_open_callbacks = LookUp<OvOpenCallbacksFunction>("ov_open_callbacks");
    vorbisBinding.bound = vorbisBinding.ov_clear != nullptr && vorbisBinding.ov_read != nullptr &&
                          vorbisBinding.ov_pcm_total != nullptr && vorbisBinding.ov_info != nullptr &&
                          vorbisBinding.ov_comment != nullptr && vorbisBinding.ov_open_callbacks != nullptr;
}

void UnbindVorbisLibrary() {
    if (vorbisBinding.library != nullptr) {
        platform::CloseLibrary(vorbisBinding.library);
        vorbisBinding.library = nullptr;
    }
    vorbisBinding.bound = false;
}

int SeekMusicFile(void* stream, ogg_int64_t offset, int origin) {
    if (offset > std::numeric_limits<long>::max() || offset < std::numeric_limits<long>::min()) return -1;
    return std::fseek(static_cast<std::FILE*>(stream), static_cast<long>(offset), origin);
}

ov_callbacks MusicFileCallbacks() {
    ov_callbacks callbacks{};
    callbacks.read_func = ReadMusicFile;
    callbacks.seek_func = SeekMusicFile;
    callbacks.close_func = CloseMusicFile;
    callbacks.tell_func = TellMusicFile;
    return callbacks;
}
