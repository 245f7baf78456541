// The folder that holds this user's locks, and the files in it, trusted only
// after checking them: another account can't create, replace, redirect or
// shrink anything a lock relies on, and nothing here waits without a bound.
#pragma once

#include <string>

namespace platform {

// The lock folder, opened as a directory: $XDG_RUNTIME_DIR/velmora when
// XDG_RUNTIME_DIR is a folder of this user's that no one else may enter,
// else ${TMPDIR:-/tmp}/velmora-UID. Each is made with mode 0700 when missing
// and used only when what was opened (no symbolic link followed) is a
// directory owned by this user with no access for group or others. The
// descriptor is the process's for good; -1 when neither folder is usable,
// said once on standard error.
int LockFolder();

// `name` followed by "-" and the display without its screen number ("/" read
// as "_"), so that each X display has locks of its own; `name` alone without
// DISPLAY.
std::string DisplayScopedName(const char* name);

// Opens (creating it, mode 0600) the lock file `name` in `folder` for reading
// and writing, without following a symbolic link and without blocking; -1
// unless it is a regular file of this user's with one link and no access for
// group or others.
int OpenLockFile(int folder, const std::string& name);

// flock(fd, operation) retried without blocking for at most `timeoutMs`;
// false when the lock could not be had by then.
bool FlockWithin(int fd, int operation, int timeoutMs);

}  // namespace platform
