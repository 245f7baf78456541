#include "platform/posix/safe_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace platform {

namespace {
bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}
}  // namespace

// A FIFO opened for reading would wait for a writer, and a terminal could
// become the controlling one: O_NONBLOCK and O_NOCTTY keep the open from
// either, and anything but a regular file is refused before it is read.
int OpenRegularFileDescriptor(const std::string& path, ReadResult* result, std::string* error, struct stat* info) {
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *result = errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Unreadable;
        *error = std::strerror(errno);
        return -1;
    }
    if (fstat(fd, info) != 0 || !S_ISREG(info->st_mode)) {
        *result = ReadResult::Unreadable;
        *error = "not a regular file";
        close(fd);
        return -1;
    }
    *result = ReadResult::Read;
    return fd;
}

std::FILE* OpenRegularFile(const char* path, const char* mode) {
    ReadResult result;
    std::string error;
    struct stat info;
    int fd = OpenRegularFileDescriptor(path, &result, &error, &info);
    if (fd < 0) return nullptr;
    // Reads of a regular file never wait anyway; the stream gets ordinary
    // blocking semantics back.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* stream = fdopen(fd, mode);
    if (stream == nullptr) close(fd);
    return stream;
}

ReadResult ReadSmallFile(const std::string& path, size_t maxBytes, std::string* bytes, std::string* error) {
    bytes->clear();
    ReadResult opened;
    struct stat info;
    int fd = OpenRegularFileDescriptor(path, &opened, error, &info);
    if (fd < 0) return opened;
    if (static_cast<unsigned long long>(info.st_size) > maxBytes) {
        *error = "larger than " + std::to_string(maxBytes) + " bytes";
        close(fd);
        return ReadResult::Unreadable;
    }
    char buffer[4096];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *error = std::strerror(errno);
            bytes->clear();
            close(fd);
            return ReadResult::Unreadable;
        }
        if (n == 0) break;
        if (bytes->size() + static_cast<size_t>(n) > maxBytes) {
            // It grew while being read.
            *error = "larger than " + std::to_string(maxBytes) + " bytes";
            bytes->clear();
            close(fd);
            return ReadResult::Unreadable;
        }
        bytes->append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return ReadResult::Read;
}

bool ReplaceFileSafely(const std::string& path, const std::string& bytes, std::string* error) {
    std::string folder = FolderOf(path);
    std::string pattern = path + ".XXXXXX";
    // mkstemp creates with O_EXCL, so a link planted under the name is never followed.
    int fd = mkstemp(pattern.data());
    if (fd < 0) {
        *error = std::strerror(errno);
        return false;
    }
    // The replaced file's permissions are the user's choice (and others may
    // rely on them), so the new file takes them over.
    struct stat old;
    bool ok = stat(path.c_str(), &old) != 0 || fchmod(fd, old.st_mode & 07777) == 0;
    ok = ok && WriteAll(fd, bytes) && fsync(fd) == 0;
    int savedErrno = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && rename(pattern.c_str(), path.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        unlink(pattern.c_str());
        *error = std::strerror(savedErrno);
        return false;
    }
    // The rename itself reaches the disk with the folder.
    int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

std::string ResolveLinks(const std::string& path) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string result = resolved;
    free(resolved);
    return result;
}

}  // namespace platform
