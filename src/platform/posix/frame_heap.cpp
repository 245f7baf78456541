#include "platform/posix/frame_heap.h"

#include <cstddef>  // defines __GLIBC__ under glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

void KeepFrameHeap() {
#if defined(__GLIBC__)
    // The largest mmap threshold glibc accepts on 64-bit systems; setting it
    // also stops glibc from moving it, which setting the trim threshold alone
    // would do too, leaving large blocks mmapped afresh each frame.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
#endif
}

}  // namespace platform
