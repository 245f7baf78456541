// Reading and replacing small files of the user's own without trusting what
// lies at their paths: a FIFO or device never blocks a read, a planted
// symbolic link never redirects a write, and a failed write leaves the old
// file whole.
#pragma once

#include <sys/stat.h>

#include <string>

namespace platform {

enum class ReadResult {
    Read,        // `bytes` holds the whole file
    Missing,     // nothing at the path (or a dangling symbolic link, or a
                 // plain file where the path needs a folder)
    Unreadable,  // it exists but is not a regular file, can't be read, or is
                 // larger than the limit; `error` says why
};

// Opens `path` for reading when it is a regular file, without waiting on a
// FIFO; -1 otherwise, with `result` Missing or Unreadable and `error` saying
// why. `info` holds the file's status.
int OpenRegularFileDescriptor(const std::string& path, ReadResult* result, std::string* error, struct stat* info);

// Reads a regular file of at most `maxBytes` bytes. Opens without blocking,
// so a FIFO at the path is refused, not waited on.
ReadResult ReadSmallFile(const std::string& path, size_t maxBytes, std::string* bytes, std::string* error);

// Replaces `path` with `bytes`: a fresh temporary file (mkstemp) in the same
// folder, written, flushed and renamed over the path. It keeps the mode of
// the file it replaces (a new file gets 0600). On failure the old file is
// unchanged, no temporary file is left and `error` holds the reason
// (strerror's text).
bool ReplaceFileSafely(const std::string& path, const std::string& bytes, std::string* error);

// The path with its symbolic links resolved, so that a replacement lands
// where a link points instead of replacing the link; the path itself when it
// can't be resolved (nothing there yet).
std::string ResolveLinks(const std::string& path);

}  // namespace platform
