// Console, clock, executable location and termination requests on Windows.
#include <conio.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "platform/win32/win32_state.h"

namespace platform {

namespace {
std::atomic<bool> terminationRequested{false};
HANDLE terminationEvent = nullptr;

BOOL WINAPI OnConsoleControl(DWORD) {
    terminationRequested.store(true);
    if (terminationEvent != nullptr) SetEvent(terminationEvent);
    // The main loop ends the run; the system waits for the process to end.
    return TRUE;
}
}  // namespace

void DebugOutput(const char* text) { OutputDebugStringA(text); }

// A screensaver has no console; one started from a console has a keyboard
// only when its standard input is that console.
bool StdinIsTerminal() {
    return GetConsoleWindow() != nullptr && GetFileType(GetStdHandle(STD_INPUT_HANDLE)) == FILE_TYPE_CHAR;
}

void ReadConsoleKey() { _getch(); }

void EndProcessNow(int exitCode) {
    std::fflush(nullptr);
    // No exit handler and no library's detach code may run while the music
    // thread is inside OpenAL.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode));
    for (;;) Sleep(INFINITE);
}

std::uint32_t MonotonicMilliseconds() {
    static const LONGLONG frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const LONGLONG whole = now.QuadPart / frequency;
    const LONGLONG part = now.QuadPart % frequency;
    return static_cast<std::uint32_t>(whole * 1000 + part * 1000 / frequency);
}

void SleepMilliseconds(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

void NameCurrentThread(const char* name) {
    // Windows 10 1607 and later; older systems keep threads unnamed.
    using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    auto set = reinterpret_cast<SetDescription>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetThreadDescription")));
    if (set == nullptr) return;
    wchar_t wide[32];
    int length = MultiByteToWideChar(CP_UTF8, 0, name, -1, wide, 32);
    if (length > 0) set(GetCurrentThread(), wide);
}

std::string ExecutableFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return ".\\";
    std::string folder(path, length);
    size_t last = folder.find_last_of("\\/");
    return last == std::string::npos ? ".\\" : folder.substr(0, last + 1);
}

std::string DefaultProgramFolder() {
    const std::string beside = ExecutableFolder();
    const DWORD attributes = GetFileAttributesA((beside + "data").c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return beside;
    const char* root = std::getenv("SYSTEMROOT");
    return std::string(root != nullptr ? root : "").substr(0, 2) + "\\Program Files\\Velmora! Screensaver\\";
}

char PathSeparator() { return '\\'; }

void InstallTerminationHandler() {
    if (terminationEvent == nullptr) terminationEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool TerminationRequested() { return terminationRequested.load(); }

HANDLE TerminationEvent() { return terminationEvent; }

}  // namespace platform
