#include "platform/posix/safe_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/random.h>
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

std::string NameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string UserName(uid_t uid) {
    const passwd* user = getpwuid(uid);
    return user != nullptr ? user->pw_name : "user " + std::to_string(uid);
}

// The path with every symbolic link resolved; false (errno set) for a
// dangling link or a loop.
bool RealPath(const std::string& path, std::string* real) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return false;
    *real = resolved;
    free(resolved);
    return true;
}

// A name for a temporary file beside `name` that no one can guess beforehand.
std::string TemporaryName(const std::string& name) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char random[8];
    if (getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random))
        for (unsigned char& byte : random) byte = static_cast<unsigned char>(std::rand());
    std::string result = name + ".";
    for (unsigned char byte : random) result += kLetters[byte % (sizeof kLetters - 1)];
    return result;
}

// Gives what was just made to `owner` and `group`. Root can give a file
// away; anyone else can't, and what they make is their own anyway.
bool GiveTo(int fd, const struct stat& made, uid_t owner, gid_t group) {
    if (made.st_uid == owner && made.st_gid == group) return true;
    return fchown(fd, owner, group) == 0 || errno == EPERM;
}

void SyncFolder(const std::string& folder) {
    int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
}

void SetFailure(ReadResult* result, std::string* error) {
    *result = errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Unreadable;
    *error = std::strerror(errno);
}
}  // namespace

// Opening a FIFO could wait for a writer, opening a device acts on it (the
// terminal multiplexer hands out a new terminal): what the path names is
// looked at first and only a regular file is opened. The open itself follows
// no link (the links were resolved just before) and can neither block nor
// take a terminal, and what it opened must be the file looked at.
int OpenRegularFileDescriptor(const std::string& path, ReadResult* result, std::string* error, struct stat* info) {
    std::string real = path;
    struct stat named;
    if (lstat(real.c_str(), &named) != 0 ||
        (S_ISLNK(named.st_mode) && (!RealPath(path, &real) || lstat(real.c_str(), &named) != 0))) {
        SetFailure(result, error);
        return -1;
    }
    *result = ReadResult::Unreadable;
    *error = "not a regular file";
    if (!S_ISREG(named.st_mode)) return -1;
    int fd = open(real.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ELOOP) SetFailure(result, error);
        return -1;
    }
    if (fstat(fd, info) != 0 || !S_ISREG(info->st_mode) || info->st_dev != named.st_dev ||
        info->st_ino != named.st_ino) {
        close(fd);
        return -1;
    }
    // Reads of a regular file never wait anyway; readers get ordinary
    // blocking semantics back.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    *result = ReadResult::Read;
    error->clear();
    return fd;
}

std::FILE* OpenRegularFile(const char* path, const char* mode) {
    ReadResult result;
    std::string error;
    struct stat info;
    int fd = OpenRegularFileDescriptor(path, &result, &error, &info);
    if (fd < 0) return nullptr;
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

// Dotfile managers keep the user's files elsewhere and link to them, and
// XScreenSaver writes through such a link: so do we, but only to a file of
// the link's owner. Root running with a user's HOME must not be led by the
// user's link to write root's files.
bool ResolveUserFile(const std::string& path, std::string* target, std::string* error) {
    *target = path;
    struct stat link;
    if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return true;  // the write says what is wrong
    struct stat folder, info;
    if (stat(FolderOf(path).c_str(), &folder) != 0) {
        *error = std::strerror(errno);
        return false;
    }
    std::string real;
    if (!RealPath(path, &real)) {
        const int why = errno;
        char to[4096];
        ssize_t n = readlink(path.c_str(), to, sizeof to - 1);
        *error = "a link to " + std::string(to, n > 0 ? static_cast<size_t>(n) : 0) + ", which " +
                 (why == ENOENT ? std::string("does not exist") : "can't be followed: " + std::string(strerror(why)));
        return false;
    }
    if (lstat(real.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        *error = "a link to " + real + ", which is not a regular file";
        return false;
    }
    if (info.st_uid != folder.st_uid) {
        *error = "a link to " + real + ", which belongs to " + UserName(info.st_uid) + ", not to " +
                 UserName(folder.st_uid) + " who owns the link's folder";
        return false;
    }
    *target = real;
    return true;
}

// Everything happens relative to the folder opened once, so the file checked
// is the file replaced.
bool ReplaceFileSafely(const std::string& target, const std::string& bytes, std::string* error,
                       const std::string& successorOf) {
    const std::string name = NameOf(target);
    int dir = open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat folder;
    if (dir < 0 || fstat(dir, &folder) != 0) {
        *error = std::strerror(errno);
        if (dir >= 0) close(dir);
        return false;
    }
    // The replaced file's owner and permissions are the user's choice (and
    // others may rely on them), so the new file takes them over.
    uid_t owner = folder.st_uid;
    gid_t group = folder.st_gid;
    mode_t mode = 0600;
    struct stat old;
    if (fstatat(dir, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISLNK(old.st_mode)) {
            *error = "a symbolic link took the file's place";
            close(dir);
            return false;
        }
        owner = old.st_uid;
        group = old.st_gid;
        mode = old.st_mode & 07777;
    } else if (!successorOf.empty() && lstat(successorOf.c_str(), &old) == 0) {
        // Its owner may read and write the new file, whatever kept it from the old one.
        owner = old.st_uid;
        group = old.st_gid;
        mode = (old.st_mode & 07777) | 0600;
    }
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = TemporaryName(name);
        // O_EXCL and O_NOFOLLOW: a file or link planted under the name is never used.
        fd = openat(dir, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        *error = std::strerror(errno);
        close(dir);
        return false;
    }
    struct stat made;
    bool ok = fstat(fd, &made) == 0 && GiveTo(fd, made, owner, group) && fchmod(fd, mode) == 0;
    ok = ok && WriteAll(fd, bytes) && fsync(fd) == 0;
    int savedErrno = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && renameat(dir, temporary.c_str(), dir, name.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        unlinkat(dir, temporary.c_str(), 0);
        *error = std::strerror(savedErrno);
        close(dir);
        return false;
    }
    // The rename itself reaches the disk with the folder.
    fsync(dir);
    close(dir);
    return true;
}

bool WriteUserFile(const std::string& path, const std::string& bytes, std::string* error) {
    std::string target;
    return ResolveUserFile(path, &target, error) && ReplaceFileSafely(target, bytes, error);
}

bool MoveAside(const std::string& target, std::string* movedTo, std::string* error) {
    for (int n = 1; n < 1000; ++n) {
        const std::string to = target + ".unusable" + (n > 1 ? "-" + std::to_string(n) : "");
        // Nothing of the user's is replaced: an earlier file set aside stays.
        int moved = renameat2(AT_FDCWD, target.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
        if (moved != 0 && errno == EINVAL && link(target.c_str(), to.c_str()) == 0) {
            // A file system without that rename: a new link never replaces either.
            moved = unlink(target.c_str());
            if (moved != 0) {
                const int why = errno;
                unlink(to.c_str());
                errno = why;
            }
        }
        if (moved == 0) {
            *movedTo = to;
            SyncFolder(FolderOf(target));
            return true;
        }
        if (errno != EEXIST) break;
    }
    *error = std::strerror(errno);
    return false;
}

bool MakeUserFolders(const std::string& folder, std::string* error) {
    for (size_t slash = 1; slash <= folder.size(); ++slash) {
        if (slash != folder.size() && folder[slash] != '/') continue;
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0) {
            if (errno == EEXIST) continue;
            *error = std::strerror(errno);
            return false;
        }
        struct stat parent, made;
        int fd = open(part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        bool ok = fd >= 0 && stat(FolderOf(part).c_str(), &parent) == 0 && fstat(fd, &made) == 0 &&
                  GiveTo(fd, made, parent.st_uid, parent.st_gid);
        if (!ok) *error = std::strerror(errno);
        if (fd >= 0) close(fd);
        if (!ok) return false;
    }
    return true;
}

bool GiveToFolderOwner(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat folder, made;
    bool ok = fd >= 0 && stat(FolderOf(path).c_str(), &folder) == 0 && fstat(fd, &made) == 0 && S_ISREG(made.st_mode) &&
              GiveTo(fd, made, folder.st_uid, folder.st_gid);
    if (fd >= 0) close(fd);
    return ok;
}

}  // namespace platform
