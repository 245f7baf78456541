// A temporary folder removed with everything in it at the end of its scope.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>
#include <tuple>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, without a trailing '/'.
    const std::string& Path() const { return path; }
    // Writes `bytes` to Path()/name (folders created) and returns that path.
    std::string Write(const std::string& name, const std::string& bytes) const;

private:
    std::string path;
};

// The whole content of a file; empty when it can't be read.
std::string ReadFileBytes(const std::string& path);

// Everything below `folder`, by its path relative to `folder`: a file's
// bytes (past `whole` bytes, its size and first 64 bytes), a link as
// "-> target", a folder as kFolderEntry.
constexpr char kFolderEntry[] = "(folder)";
std::map<std::string, std::string> FileTree(const std::string& folder, std::uintmax_t whole = UINTMAX_MAX);

// A file's owner, group and mode (with its type), of a link the link's own;
// zeros when there is none.
std::tuple<uid_t, gid_t, mode_t> Owner(const std::string& path);
// The same and its bytes, or what a link links to; "(missing)" when there is none.
std::tuple<uid_t, gid_t, mode_t, std::string> FileState(const std::string& path);

// Counts the opens of one file (its inode, by whatever path) from its
// construction on, through inotify: a FIFO or device that must never be
// opened can be watched without opening it.
class OpenWatch {
public:
    explicit OpenWatch(const std::string& path);
    ~OpenWatch();
    OpenWatch(const OpenWatch&) = delete;
    OpenWatch& operator=(const OpenWatch&) = delete;
    bool Watching() const { return watch >= 0; }
    int Opens();  // so far

private:
    int fd = -1, watch = -1, opens = 0;
};
