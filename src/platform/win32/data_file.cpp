// Data files opened only when they are files on a disk.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace platform {

// fopen would open "data\CON" as the console and a name under \\.\pipe\ as a
// pipe, whose reads wait for a key or a writer; CreateFileA itself never
// waits (a busy pipe fails), and GetFileType tells a disk file from them.
std::FILE* OpenRegularFile(const char* path, const char* mode) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return nullptr;
    }
    const int text = std::strchr(mode, 'b') == nullptr ? _O_TEXT : _O_BINARY;
    int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(file), _O_RDONLY | text);
    if (fd == -1) {
        CloseHandle(file);
        return nullptr;
    }
    std::FILE* stream = _fdopen(fd, mode);
    if (stream == nullptr) _close(fd);  // closes the handle too
    return stream;
}

}  // namespace platform
