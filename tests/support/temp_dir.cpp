#include "support/temp_dir.h"

#include <sys/inotify.h>
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
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file.string();
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::map<std::string, std::string> FileTree(const std::string& folder) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        tree[fs::relative(entry.path(), folder).string()] =
            entry.is_symlink()        ? "-> " + fs::read_symlink(entry).string()
            : entry.is_regular_file() ? ReadFileBytes(entry.path().string())
                                      : kFolderEntry;
    return tree;
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
