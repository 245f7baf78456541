#include "music/sndfile_binding.h"

SndfileBinding sndfileBinding;

namespace {
template <typename Function>
Function LookUp(const char* name) {
    return reinterpret_cast<Function>(platform::LibrarySymbol(sndfileBinding.library, name));
}
}  // namespace

const char* SndfileLibraryName() {
    return platform::RuntimeLibraryName(kSndfileLibraryVariable, "libsndfile.so.1", "libsndfile-1.dll");
}

void BindSndfileLibrary() {
    if (sndfileBinding.bound) return;
    if (sndfileBinding.library == nullptr) sndfileBinding.library = platform::OpenLibrary(SndfileLibraryName());
    if (sndfileBinding.library == nullptr) return;
    sndfileBinding.sf_open_virtual = LookUp<sndfile::OpenVirtualFunction>("sf_open_virtual");
    sndfileBinding.sf_readf_short = LookUp<sndfile::ReadShortFunction>("sf_readf_short");
    sndfileBinding.sf_close = LookUp<sndfile::CloseFunction>("sf_close");
    sndfileBinding.sf_error = LookUp<sndfile::ErrorFunction>("sf_error");
    sndfileBinding.bound = sndfileBinding.sf_open_virtual != nullptr && sndfileBinding.sf_readf_short != nullptr &&
                           sndfileBinding.sf_close != nullptr && sndfileBinding.sf_error != nullptr;
}

void UnbindSndfileLibrary() {
    if (sndfileBinding.library != nullptr) platform::CloseLibrary(sndfileBinding.library);
    sndfileBinding = SndfileBinding{};
}
