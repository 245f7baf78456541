// The C library's heap for a process that draws with a software renderer.
#pragma once

namespace platform {

// Mesa's software renderer allocates its per-frame work (vertex uploads,
// binned triangles) and frees it when the frame is done. With glibc's
// defaults the freed top of the heap went back to the system after every
// frame and was faulted in, page by page, on the next: some tenths of a
// millisecond of kernel time a frame. Called once before the GL context is
// made, this keeps up to 64 MiB of freed memory for the next frame and
// serves requests of up to 32 MiB from the heap. No effect without glibc.
void KeepFrameHeap();

}  // namespace platform
