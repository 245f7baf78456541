#include "platform/posix/lock_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace platform {

namespace {

// Why a folder or file can't be trusted; null when it can.
const char* Untrusted(const struct stat& info) {
    if (info.st_uid != geteuid()) return "owned by another user";
    if ((info.st_mode & 077) != 0) return "open to other users";
    return nullptr;
}

// Opens `path` as a folder of this user's that only this user may enter,
// making it (mode 0700) when `create` and it is missing. The checks look at
// what was opened, so a folder swapped in after them is never used.
int OpenPrivateFolder(int parent, const char* path, bool create, std::string* error) {
    if (create && mkdirat(parent, path, 0700) != 0 && errno != EEXIST) {
        *error = std::strerror(errno);
        return -1;
    }
    int fd = openat(parent, path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        *error = errno == ENOTDIR || errno == ELOOP ? "not a folder" : std::strerror(errno);
        return -1;
    }
    struct stat info;
    const char* reason = fstat(fd, &info) != 0 ? "can't be examined" : Untrusted(info);
    if (reason != nullptr) {
        *error = reason;
        close(fd);
        return -1;
    }
    return fd;
}

int OpenLockFolder() {
    std::string error;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        // The runtime folder itself must be private too: one inherited from
        // another user (after su) is not ours to use.
        int base = OpenPrivateFolder(AT_FDCWD, runtime, false, &error);
        if (base >= 0) {
            int fd = OpenPrivateFolder(base, "velmora", true, &error);
            close(base);
            if (fd >= 0) return fd;
        }
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string path = (tmp != nullptr && tmp[0] == '/') ? tmp : "/tmp";
    path += "/velmora-" + std::to_string(geteuid());
    int fd = OpenPrivateFolder(AT_FDCWD, path.c_str(), true, &error);
    if (fd < 0)
        std::fprintf(stderr, "velmora: %s can't hold the locks (%s): other runs of this user can't be found\n",
                     path.c_str(), error.c_str());
    return fd;
}

}  // namespace

int LockFolder() {
    static const int folder = OpenLockFolder();
    return folder;
}

std::string DisplayScopedName(const char* name) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr) return name;
    // ":0.1" is the display ":0" too: its screens share one user's session.
    std::string server = display;
    const size_t colon = server.rfind(':');
    const size_t dot = server.find('.', colon == std::string::npos ? 0 : colon);
    if (colon != std::string::npos && dot != std::string::npos) server.erase(dot);
    std::string scoped = std::string(name) + '-';
    for (char c : server.substr(0, 200)) scoped += c == '/' ? '_' : c;
    return scoped;
}

int OpenLockFile(int folder, const std::string& name) {
    if (folder < 0) return -1;
    int fd = openat(folder, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1 || Untrusted(info) != nullptr) {
        close(fd);
        return -1;
    }
    return fd;
}

bool FlockWithin(int fd, int operation, int timeoutMs) {
    for (int waited = 0;; waited += 5) {
        if (flock(fd, operation | LOCK_NB) == 0) return true;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK || waited >= timeoutMs) return false;
        const struct timespec pause = {0, 5 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
}

}  // namespace platform
