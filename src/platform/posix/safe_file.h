// Reading and replacing small files of the user's own without trusting what
// lies at their paths: a FIFO or device is never opened, a symbolic link
// leads a write only to a file of the user's, a failed write leaves the old
// file whole, and what is written keeps the owner it had or takes the
// folder's, also when root writes in a user's home.
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

// Opens `path` for reading when it is a regular file, or a symbolic link to
// one. What the path names is looked at before the open, so a FIFO or device
// is never opened, and the open file is checked to be the one looked at. -1
// otherwise, with `result` Missing or Unreadable and `error` saying why.
// `info` holds the file's status.
int OpenRegularFileDescriptor(const std::string& path, ReadResult* result, std::string* error, struct stat* info);

// Reads a regular file of at most `maxBytes` bytes.
ReadResult ReadSmallFile(const std::string& path, size_t maxBytes, std::string* bytes, std::string* error);

// Where a write meant for the user's file `path` lands, by one rule for every
// file written for a user: `path` itself when it is no symbolic link (or
// nothing is there yet); for a link, the regular file it finally leads to when
// that file is owned by the owner of `path`'s folder, so the link stays. False
// for a link to anything else (another user's file, a device, a folder,
// nothing), with `error` saying why in a few words.
bool ResolveUserFile(const std::string& path, std::string* target, std::string* error);

// Replaces `target` (no symbolic link: see ResolveUserFile) with `bytes`: a
// fresh temporary file in the same folder, written, flushed and renamed over
// it. The new file keeps the owner, group and mode of the file it replaces; a
// file that did not exist gets the owner and group of its folder and mode
// 0600 (root writing in a user's home writes the user's file), or, when
// `successorOf` names a file, that file's owner and group and its mode with
// the owner's reading and writing added. On failure the old file is
// unchanged, no temporary file is left and `error` holds the reason
// (strerror's text).
bool ReplaceFileSafely(const std::string& target, const std::string& bytes, std::string* error,
                       const std::string& successorOf = "");

// ResolveUserFile, then ReplaceFileSafely on what it gives; `error` names
// neither path.
bool WriteUserFile(const std::string& path, const std::string& bytes, std::string* error);

// Renames `target` to a name beside it that nothing has yet (".unusable",
// then ".unusable-2" ...), so that a file the program can't use keeps every
// byte, its owner and its mode where the user can find it. `movedTo` gets the
// new path.
bool MoveAside(const std::string& target, std::string* movedTo, std::string* error);

// Makes the missing folders of `folder` (mode 0700), each owned by the owner
// and group of the folder it is made in.
bool MakeUserFolders(const std::string& folder, std::string* error);

// Gives the regular file `path`, just made by this program, to the owner and
// group of its folder (root rendering into a user's home); true also where
// only root could, since the file is then the writer's own.
bool GiveToFolderOwner(const std::string& path);

}  // namespace platform
