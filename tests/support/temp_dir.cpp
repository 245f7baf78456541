#include "support/temp_dir.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velmora-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const {
    std::filesystem::path file = std::filesystem::path(path) / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
    return file.string();
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::map<std::string, std::string> FileTree(const std::string& folder, std::uintmax_t whole) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        std::string& item = tree[entry.path().lexically_relative(folder).string()];  // links not followed
        if (entry.is_symlink()) {
            item = "-> " + fs::read_symlink(entry).string();
        } else if (!entry.is_regular_file()) {
            item = kFolderEntry;
        } else if (entry.file_size() <= whole) {
            item = ReadFileBytes(entry.path().string());
        } else {
            std::string start(64, '\0');
            std::ifstream(entry.path(), std::ios::binary).read(start.data(), 64);
            item = std::to_string(entry.file_size()) + " bytes: " + start;
        }
    }
    return tree;
}

std::tuple<uid_t, gid_t, mode_t> Owner(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) return {0, 0, 0};
    return {info.st_uid, info.st_gid, info.st_mode};
}

std::tuple<uid_t, gid_t, mode_t, std::string> FileState(const std::string& path) {
    const auto [uid, gid, mode] = Owner(path);
    if (mode == 0) return {0, 0, 0, "(missing)"};
    return {uid, gid, mode, S_ISLNK(mode) ? "-> " + std::filesystem::read_symlink(path).string() : ReadFileBytes(path)};
}

OpenWatch::OpenWatch(const std::string& path) : fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (fd >= 0) watch = inotify_add_watch(fd, path.c_str(), IN_OPEN | IN_DONT_FOLLOW);
}

OpenWatch::~OpenWatch() {
    if (fd >= 0) close(fd);
}

int OpenWatch::Opens() {
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; fd >= 0 && (n = read(fd, buffer, sizeof buffer)) > 0;)
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->mask & IN_OPEN) ++opens;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    return opens;
}
