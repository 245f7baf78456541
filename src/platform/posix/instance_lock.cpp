// The single-instance lock, the shared window id, and the other named locks.
//
// Every process of one user on one display holds a shared flock on a lock
// file in the user's private lock folder; the file's first 8 bytes are the
// shared window id, read and written with pread/pwrite (a mapping could be
// cut short under us). The kernel drops a crashed process's lock, so "another
// instance runs" is always "someone holds the lock". The first process to join
// clears the window id and the last one to leave removes the file, so no stale
// id survives. A second, never-removed guard file serialises joining and
// leaving; it is only ever held for a moment, and waited for with a bound.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "platform/posix/lock_folder.h"

namespace platform {

namespace {
constexpr int kGuardTimeoutMs = 2000;

int blockFd = -1;
std::string blockName;
std::string guardName;

int LockGuard() {
    int guard = OpenLockFile(LockFolder(), guardName);
    if (guard >= 0 && !FlockWithin(guard, LOCK_EX, kGuardTimeoutMs)) {
        close(guard);
        return -1;
    }
    return guard;
}

void LeaveInstanceLock() {
    if (blockFd < 0) return;
    int guard = LockGuard();
    // Without the guard a joiner could open the file just before it goes.
    if (guard >= 0 && flock(blockFd, LOCK_EX | LOCK_NB) == 0) unlinkat(LockFolder(), blockName.c_str(), 0);
    close(blockFd);
    blockFd = -1;
    if (guard >= 0) close(guard);  // closing drops the flock
}
}  // namespace

bool JoinInstanceLock(const char* name, bool* alreadyExisted) {
    *alreadyExisted = false;
    if (blockFd >= 0) return true;
    blockName = DisplayScopedName(name);
    guardName = blockName + ".guard";
    int guard = LockGuard();
    if (guard < 0) return false;
    int fd = OpenLockFile(LockFolder(), blockName);
    bool first = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (first) {
        const std::uint64_t none = 0;
        bool cleared = ftruncate(fd, sizeof none) == 0 && pwrite(fd, &none, sizeof none, 0) == sizeof none;
        (void)cleared;  // a file that can't hold the id reads as "no window"
    }
    // Under the guard only a joiner or leaver ever holds it exclusively, so
    // this never has to wait.
    if (fd >= 0 && flock(fd, LOCK_SH | LOCK_NB) != 0) {
        close(fd);
        fd = -1;
    }
    close(guard);
    if (fd < 0) return false;
    blockFd = fd;
    *alreadyExisted = !first;
    std::atexit(LeaveInstanceLock);
    return true;
}

WindowId ReadSharedWindow() {
    std::uint64_t id = 0;
    if (blockFd < 0 || pread(blockFd, &id, sizeof id, 0) != sizeof id) return 0;
    return id;
}

void WriteSharedWindow(WindowId window) {
    if (blockFd < 0) return;
    const std::uint64_t id = window;
    ssize_t written = pwrite(blockFd, &id, sizeof id, 0);
    (void)written;  // nothing to do about a full disk: the id then reads as 0
}

bool TryHoldLock(const char* name) {
    int folder = LockFolder();
    if (folder < 0) return true;  // nowhere safe to keep it: nobody else holds it
    int fd = OpenLockFile(folder, DisplayScopedName(name));
    if (fd < 0) return true;
    // The file stays: removing it would let a second holder lock a new file
    // while the first still holds the old one.
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;  // kept open until the process ends
    close(fd);
    return false;
}

}  // namespace platform
