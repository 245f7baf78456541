// Little-endian reads for the MS3D loader, over bytes in memory or over a
// file through a small window. Every read fails, rather than run past the
// end, when fewer bytes remain than it needs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "model/ms3d_math.h"

inline uint16_t LoadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t LoadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
inline int32_t LoadI32(const uint8_t* p) {
    const uint32_t u = LoadU32(p);
    int32_t v;
    std::memcpy(&v, &u, 4);
    return v;
}
inline float LoadF32(const uint8_t* p) {
    const uint32_t u = LoadU32(p);
    float v;
    std::memcpy(&v, &u, 4);
    return v;
}
inline Vec3 LoadVec3(const uint8_t* p) { return {LoadF32(p), LoadF32(p + 4), LoadF32(p + 8)}; }

class Ms3dByteReader {
public:
    Ms3dByteReader(const uint8_t* data, size_t size) : at_(data), end_(data + size) {}
    // `size` is the file's measured size; a file that turns out shorter
    // fails. Take() hands out at most `windowBytes` at once.
    Ms3dByteReader(std::FILE* file, size_t size, size_t windowBytes)
        : file_(file),
          fileLeft_(size),
          windowBytes_(windowBytes),
          window_(new uint8_t[windowBytes]),
          at_(window_.get()),
          end_(at_) {}

    size_t Remaining() const { return static_cast<size_t>(end_ - at_) + fileLeft_; }
    bool AtEnd() const { return Remaining() == 0; }
    // True when `count` records of `bytes` each still fit.
    bool Holds(size_t count, size_t bytes) const { return count <= Remaining() / bytes; }

    // The next n bytes, contiguous, or nullptr when fewer remain (or, for a
    // file, n is larger than the window).
    const uint8_t* Take(size_t n) {
        if (static_cast<size_t>(end_ - at_) < n && !Refill(n)) return nullptr;
        const uint8_t* p = at_;
        at_ += n;
        return p;
    }
    // Up to `most` whole records of `bytes` each, contiguous: sets `got` to
    // how many (at least one when one remains) and returns the first, or
    // nullptr when not even one remains.
    const uint8_t* TakeRecords(size_t bytes, size_t most, size_t& got) {
        if (static_cast<size_t>(end_ - at_) < bytes && !Refill(bytes)) return nullptr;
        got = static_cast<size_t>(end_ - at_) / bytes;
        if (got > most) got = most;
        const uint8_t* p = at_;
        at_ += got * bytes;
        return p;
    }
    // The next n bytes copied to `out`, any n.
    bool Bytes(void* out, size_t n) {
        uint8_t* to = static_cast<uint8_t*>(out);
        while (n > 0) {
            if (at_ == end_ && !Refill(1)) return false;
            const size_t part = n < static_cast<size_t>(end_ - at_) ? n : static_cast<size_t>(end_ - at_);
            std::memcpy(to, at_, part);
            at_ += part;
            to += part;
            n -= part;
        }
        return true;
    }

    bool U8(uint8_t& v) { return Bytes(&v, 1); }
    bool I8(int8_t& v) { return Bytes(&v, 1); }
    bool U16(uint16_t& v) {
        const uint8_t* p = Take(2);
        if (p != nullptr) v = LoadU16(p);
        return p != nullptr;
    }
    bool I32(int32_t& v) {
        const uint8_t* p = Take(4);
        if (p != nullptr) v = LoadI32(p);
        return p != nullptr;
    }

private:
    // Moves what is left of the window to its start and fills the rest from
    // the file; true when n bytes are then at hand. Out of line, so that
    // Take stays small enough to inline.
    bool Refill(size_t n);

    std::FILE* file_ = nullptr;
    size_t fileLeft_ = 0;  // bytes of the file not yet in the window
    size_t windowBytes_ = 0;
    std::unique_ptr<uint8_t[]> window_;
    const uint8_t* at_;
    const uint8_t* end_;
};
