// The single-instance lock and the shared window id.
//
// Every process of one user on one display holds a shared flock on a named
// shared-memory block; the block's 8 bytes are the shared window id. The
// kernel drops a crashed process's lock, so "another instance runs" is always
// "someone holds the lock". The first process to join clears the window id,
// and the last one to leave removes the block, so no stale id survives. A
// second, never-removed guard block serialises joining and leaving.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include "platform/platform.h"

namespace platform {

namespace {
int blockFd = -1;
std::atomic<std::uint64_t>* sharedId = nullptr;
std::string blockName;
std::string guardName;

std::string ScopedName(const char* name) {
    // One lock per user and display, as each X session has its own saver.
    std::string scoped = std::string("/") + name + "-" + std::to_string(getuid());
    const char* display = std::getenv("DISPLAY");
    if (display != nullptr) {
        scoped += '-';
        for (const char* c = display; *c != '\0'; ++c) scoped += (*c == '/' ? '_' : *c);
    }
    return scoped;
}

int LockGuard() {
    int guard = shm_open(guardName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (guard >= 0) flock(guard, LOCK_EX);
    return guard;
}

void UnlockGuard(int guard) {
    if (guard >= 0) close(guard);  // closing drops the flock
}

void LeaveInstanceLock() {
    if (blockFd < 0) return;
    int guard = LockGuard();
    if (flock(blockFd, LOCK_EX | LOCK_NB) == 0) shm_unlink(blockName.c_str());
    close(blockFd);
    blockFd = -1;
    UnlockGuard(guard);
}
}  // namespace

bool JoinInstanceLock(const char* name, bool* alreadyExisted) {
    *alreadyExisted = false;
    if (blockFd >= 0) return true;
    blockName = ScopedName(name);
    guardName = blockName + ".guard";
    int guard = LockGuard();
    int fd = shm_open(blockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        UnlockGuard(guard);
        return false;
    }
    bool first = flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (first) {
        int resized = ftruncate(fd, sizeof(std::uint64_t));
        (void)resized;  // checked through the size below
    }
    flock(fd, LOCK_SH);
    // Mapping past the end of a block that could not be sized would fault.
    struct stat info {};
    void* mapped = MAP_FAILED;
    if (fstat(fd, &info) == 0 && info.st_size >= static_cast<off_t>(sizeof(std::uint64_t)))
        mapped = mmap(nullptr, sizeof(std::uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapped != MAP_FAILED) {
        sharedId = static_cast<std::atomic<std::uint64_t>*>(mapped);
        if (first) sharedId->store(0);
    }
    blockFd = fd;
    UnlockGuard(guard);
    *alreadyExisted = !first;
    std::atexit(LeaveInstanceLock);
    return true;
}

WindowId ReadSharedWindow() { return sharedId != nullptr ? sharedId->load() : 0; }

void WriteSharedWindow(WindowId window) {
    if (sharedId != nullptr) sharedId->store(window);
}

}  // namespace platform
