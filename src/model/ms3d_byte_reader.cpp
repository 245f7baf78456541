#include "model/ms3d_byte_reader.h"

bool Ms3dByteReader::Refill(size_t n) {
    if (file_ == nullptr || n > windowBytes_) return false;
    const size_t kept = static_cast<size_t>(end_ - at_);
    std::memmove(window_.get(), at_, kept);
    size_t want = windowBytes_ - kept;
    if (want > fileLeft_) want = fileLeft_;
    const size_t got = std::fread(window_.get() + kept, 1, want, file_);
    // a file shorter than measured has nothing more to give
    fileLeft_ = got == want ? fileLeft_ - got : 0;
    at_ = window_.get();
    end_ = at_ + kept + got;
    return kept + got >= n;
}
