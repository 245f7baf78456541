// velmora.scr: the screensaver's entry on Windows. The system passes the
// argument string with the program's name already removed; the snapshot's
// options are read from its words.
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/win32_state.h"
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
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int showCommand) {
    platform::screen.showCommand = showCommand;
    if (!platform::RegisterScreenWindowClass(instance)) {
        MessageBoxA(nullptr, "cannot register class", "orvane", MB_OKCANCEL);
        return 0;
    }
    std::vector<std::string> words = SplitWords(arguments);
    std::vector<char*> argv;
    char program[] = "velmora.scr";
    argv.push_back(program);
    for (std::string& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    const int argc = static_cast<int>(argv.size()) - 1;
    return RunProgram(ParseWindowsCommandLine(arguments, argc, argv.data()), argc, argv.data());
}
