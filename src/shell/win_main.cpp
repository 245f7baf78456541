// velmora.scr: the screensaver's entry on Windows. The system passes the
// argument string with the program's name already removed; the snapshot's
// options are read from its words.
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"
#include "platform/win32/windows_backend.h"
#include "shell/command_line.h"
#include "shell/entry.h"

namespace {
// Words split at blanks; double quotes keep a file name with blanks whole.
std::vector<std::string> SplitWords(const char* text) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    bool inWord = false;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (*c == ' ' || *c == '\t')) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += *c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

// The argument string as the wide command line has it, in UTF-8: a
// --music-file outside the system's code page keeps its name (the string the
// system passes to WinMain has lost it). The program's name goes as Windows
// takes it off for WinMain.
std::string Utf8Arguments() {
    const wchar_t* line = GetCommandLineW();
    if (*line == L'"') {
        for (++line; *line != L'\0' && *line != L'"'; ++line) {
        }
        if (*line == L'"') ++line;
    } else {
        while (*line > L' ') ++line;
    }
    while (*line == L' ' || *line == L'\t') ++line;
    return platform::Utf8FromWide(line);
}

// Every library loaded by name from now on, by this program or by the
// libraries it uses, comes from the program's folder or System32, never
// from the current folder or PATH. Looked up, not imported: a Windows 7
// without KB2533623 lacks it and must still start.
void RestrictLibrarySearch() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    auto setDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDirectories != nullptr) setDirectories(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int showCommand) {
    RestrictLibrarySearch();
    if (!platform::StartWindowsBackend(instance, showCommand)) {
        MessageBoxA(nullptr, "cannot register class", "orvane", MB_OKCANCEL);
        return 0;
    }
    std::vector<std::string> words = SplitWords(Utf8Arguments().c_str());
    std::vector<char*> argv;
    char program[] = "velmora.scr";
    argv.push_back(program);
    for (std::string& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    const int argc = static_cast<int>(argv.size()) - 1;
    return RunProgram(ParseWindowsCommandLine(arguments, argc, argv.data()), argc, argv.data());
}
