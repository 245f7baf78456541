// A temporary folder removed with everything in it at the end of its scope.
#pragma once

#include <map>
#include <string>

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
// bytes, a link as "-> target", a folder as kFolderEntry.
constexpr char kFolderEntry[] = "(folder)";
std::map<std::string, std::string> FileTree(const std::string& folder);
