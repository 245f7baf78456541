// The single-instance mutex and the window handle that all instances share.
#include "platform/platform.h"
#include "platform/win32/win32_state.h"

namespace platform {

namespace {
// One copy for every process of this executable: a shared, writable section
// of the image.
__attribute__((section(".shared"), shared)) volatile std::uint64_t sharedWindow = 0;
}  // namespace

bool JoinInstanceLock(const char* name, bool* alreadyExisted) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, name);
    *alreadyExisted = GetLastError() == ERROR_ALREADY_EXISTS;
    if (mutex == nullptr) return false;
    // Only its existence counts; the handle stays open until the process ends.
    ReleaseMutex(mutex);
    return true;
}

WindowId ReadSharedWindow() { return sharedWindow; }

void WriteSharedWindow(WindowId window) { sharedWindow = window; }

bool TryHoldLock(const char* name) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    // A name another account holds with no access for us: nobody of ours has it.
    if (mutex == nullptr) return true;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);  // so that it goes with its holder
        return false;
    }
    return true;  // the handle stays open until the process ends
}

}  // namespace platform
