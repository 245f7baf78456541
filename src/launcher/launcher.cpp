// The velmora.scr that the installer puts into System32, where the system's
// list of screensavers looks. The program itself stays in its folder with its
// DLLs and data: a copy in System32 would not find the DLLs it imports, and
// they don't belong in System32. So this one only starts the program in the
// folder that the installer's "install" value names, read as the program
// reads it, with the same arguments and window handles, and hands back its
// exit code.
#include <windows.h>

#include <string>

#include "settings/install_value.h"
#include "settings/registry.h"

namespace {
// The argument string after the program's own name, blank included, exactly
// as the system passed it.
const char* ArgumentsOf(const char* commandLine) {
    const char* c = commandLine;
    if (*c == '"') {
        for (++c; *c != '\0' && *c != '"'; ++c) {
        }
        if (*c == '"') ++c;
    } else {
        while (*c != '\0' && *c != ' ' && *c != '\t') ++c;
    }
    return c;
}

// A screensaver that can't start says so rather than leave the screen as it
// is without a word.
int CannotStart(const std::string& why) {
    const std::string text = "Velmora! can't start: " + why + "\nInstall Velmora! Screensaver again.";
    MessageBoxA(nullptr, text.c_str(), "Velmora!", MB_OK | MB_ICONERROR);
    return 1;
}

std::string SystemMessage(DWORD error) {
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, sizeof text,
                   nullptr);
    return text;
}

std::string FullPath(const std::string& path) {
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(full, length) : path;
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    std::string stored, folder;
    // The machine's record first: the program it names runs for whoever opens
    // the screensaver settings, so a value in the user's own key, which any
    // program of the user's can write, must not override what the installer wrote.
    if (!RegistryKey().QueryInstalled("install", &stored) || !InstallFolderOfValue(stored, &folder))
        return CannotStart("its settings key names no program folder (\"install\").");
    const std::string program = folder + "velmora.scr";
    char self[MAX_PATH];
    const DWORD selfLength = GetModuleFileNameA(nullptr, self, MAX_PATH);
    // A folder that names this launcher would start it again and again.
    if (selfLength > 0 && selfLength < MAX_PATH && lstrcmpiA(FullPath(program).c_str(), FullPath(self).c_str()) == 0)
        return CannotStart(program + " is this launcher, not the program.");

    std::string commandLine = "\"" + program + "\"" + ArgumentsOf(GetCommandLineA());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    // Messages (bad data, --help) reach whoever reads this launcher's output.
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started = {};
    // The program folder is the working folder, where the music file is looked for first.
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &startup,
                        &started))
        return CannotStart(program + ": " + SystemMessage(GetLastError()));
    CloseHandle(started.hThread);
    WaitForSingleObject(started.hProcess, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(started.hProcess, &exitCode);
    CloseHandle(started.hProcess);
    return static_cast<int>(exitCode);
}
