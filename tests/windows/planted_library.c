/* A stand-in for a library planted where the program must not look: loaded
 * anywhere, it writes "loaded" to the file that PLANTED_MARKER names. Built
 * as vorbisfile.dll and copied as OpenAL32.dll by the Windows end-to-end
 * tests, never shipped. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char marker[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("PLANTED_MARKER", marker, sizeof marker);
    if (length == 0 || length >= sizeof marker) return TRUE;
    HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, "loaded", 6, &written, NULL);
        CloseHandle(file);
    }
    return TRUE;
}
