// The music a user chose: files and folders by their UTF-8 names, opened
// through the wide-character calls so that any name the file system holds
// opens, whatever the system's code page.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>

#include "platform/platform.h"
#include "platform/win32/wide_text.h"

namespace platform {

ChosenPathKind ExamineChosenPath(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return ChosenPathKind::Missing;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ChosenPathKind::Folder;
    if (attributes & FILE_ATTRIBUTE_DEVICE) return ChosenPathKind::Other;
    return ChosenPathKind::File;
}

// As OpenRegularFile: CreateFileW never waits, and GetFileType tells a disk
// file from a console or a pipe.
std::FILE* OpenChosenFile(const std::string& path, std::string* why) {
    HANDLE file =
        CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        *why = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? "no such file"
                   : "can't be opened (Windows error " + std::to_string(error) + ")";
        return nullptr;
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        *why = "not a regular file";
        return nullptr;
    }
    int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(file), _O_RDONLY | _O_BINARY);
    if (fd == -1) {
        CloseHandle(file);
        *why = "can't be opened";
        return nullptr;
    }
    std::FILE* stream = _fdopen(fd, "rb");
    if (stream == nullptr) {
        _close(fd);
        *why = "can't be opened";
    }
    return stream;
}

bool ListChosenFolder(const std::string& folder, std::size_t limit, std::vector<std::string>* names, bool* more) {
    names->clear();
    *more = false;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(WideFromUtf8(folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (names->size() == limit) {
            *more = true;
            break;
        }
        names->push_back(Utf8FromWide(name));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return true;
}

}  // namespace platform
