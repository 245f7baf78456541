// The music a user chose: files and folders by their UTF-8 names.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/platform.h"
#include "platform/posix/safe_file.h"

namespace platform {

ChosenPathKind ExamineChosenPath(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return ChosenPathKind::Missing;
    if (S_ISREG(info.st_mode)) return ChosenPathKind::File;
    if (S_ISDIR(info.st_mode)) return ChosenPathKind::Folder;
    return ChosenPathKind::Other;
}

std::FILE* OpenChosenFile(const std::string& path, std::string* why) {
    ReadResult result;
    struct stat info;
    int fd = OpenRegularFileDescriptor(path, &result, why, &info);
    if (fd < 0) {
        if (result == ReadResult::Missing) *why = "no such file";
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* stream = fdopen(fd, "rb");
    if (stream == nullptr) {
        *why = std::strerror(errno);
        close(fd);
    }
    return stream;
}

bool ListChosenFolder(const std::string& folder, std::size_t limit, std::vector<std::string>* names, bool* more) {
    names->clear();
    *more = false;
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    DIR* listing = fdopendir(fd);
    if (listing == nullptr) {
        close(fd);
        return false;
    }
    while (const dirent* entry = readdir(listing)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        if (names->size() == limit) {
            *more = true;
            break;
        }
        names->emplace_back(entry->d_name);
    }
    closedir(listing);
    return true;
}

}  // namespace platform
