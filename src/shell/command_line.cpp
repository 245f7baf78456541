#include "shell/command_line.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

const char kUsageLine[] =
    "usage: velmora [/s | /p WINDOW | /c [WINDOW] | -root | -window-id WINDOW | "
    "--snapshot FILE.png [--size WxH] [--frames N]] [--music | --no-music] [--fps]\n";

const char kHelpText[] =
    "usage: velmora [MODE] [--music | --no-music] [--fps]\n"
    "A 3D OpenGL screensaver: a camera flight past a model, waves and a spinning cube.\n"
    "\n"
    "Modes:\n"
    "  (none), or any word not starting with /   the configuration dialog\n"
    "  /s, -s, s                                 full screen; a key, a click or a move ends it\n"
    "  /p WINDOW                                 a preview inside WINDOW\n"
    "  /c [WINDOW], /c:WINDOW                    the configuration dialog owned by WINDOW\n"
    "  -root                                     for XScreenSaver: $XSCREENSAVER_WINDOW or the root\n"
    "  -window-id WINDOW                         for XScreenSaver: draw into WINDOW\n"
    "  --snapshot FILE.png [--size WxH] [--frames N]\n"
    "                                            render off screen and write the last frame\n"
    "Options:\n"
    "  --music, --no-music   play the music or not in this run, whatever the setting says\n"
    "  --fps, -fps           show frames per second and the last frame's time\n"
    "  --help, --version     this text; the version\n"
    "\n"
    "The music setting is kept in $XDG_CONFIG_HOME/velmora/settings (on Windows in the\n"
    "registry); the data lies in data/ beside the program, in the folder of the settings'\n"
    "\"install\" value, or in ../share/velmora/ from an installed program's folder.\n";

std::string JoinArguments(int argc, char** argv) {
    std::string joined;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) joined += ' ';
        joined += argv[i];
    }
    return joined;
}

std::int32_t AtoiRule(const char* text) {
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    std::uint32_t value = 0;
    while (*text >= '0' && *text <= '9') value = value * 10u + static_cast<std::uint32_t>(*text++ - '0');
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

namespace {
bool EqualsIgnoringCase(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The handle after the switch, by the atoi rule: from the first blank on, or
// after the first colon, whichever comes first (Windows' own screensaver
// settings start a configuration with "/c:HWND").
std::uint64_t HandleAfterSwitch(const std::string& arguments) {
    size_t separator = arguments.find_first_of(" :", 1);
    if (separator == std::string::npos) return 0;
    if (arguments[separator] == ':') ++separator;
    // A window id is an unsigned 32-bit number, as atoi's int reinterpreted.
    return static_cast<std::uint32_t>(AtoiRule(arguments.c_str() + separator));
}

// XScreenSaver passes window ids in hex ("0x1c00007") or decimal.
bool ParseWindowId(const char* text, std::uint64_t* id) {
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    unsigned long long value = std::strtoull(text, &end, 0);
    if (*end != '\0' || value == 0) return false;
    *id = value;
    return true;
}
}  // namespace

CommandLine ParseArgumentString(const std::string& arguments) {
    CommandLine line;
    if (EqualsIgnoringCase(arguments, "/s") || EqualsIgnoringCase(arguments, "-s") ||
        EqualsIgnoringCase(arguments, "s")) {
        line.mode = RunMode::FullScreen;
        return line;
    }
    if (arguments.empty() || arguments[0] != '/') {
        line.mode = RunMode::Configure;
        return line;
    }
    char second = arguments.size() > 1 ? arguments[1] : '\0';
    if (second == 'p' || second == 'P') {
        line.mode = RunMode::Preview;
        line.window = HandleAfterSwitch(arguments);
    } else if (second == 'c' || second == 'C') {
        line.mode = RunMode::ConfigureOwned;
        line.window = HandleAfterSwitch(arguments);
    }
    return line;
}

namespace {
// Takes the options out of argv[1..argc-1] into `options`, keeping the other
// words in order; false when none was there.
bool TakeOptions(int argc, char** argv, CommandLine* options, std::vector<char*>* rest) {
    bool found = false;
    rest->assign(argv, argv + (argc > 0 ? 1 : 0));
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--help" && options->mode != RunMode::Version) {
            options->mode = RunMode::Help;
        } else if (word == "--version" && options->mode != RunMode::Help) {
            options->mode = RunMode::Version;
        } else if (word == "--music" || word == "--no-music") {
            options->music = word == "--music" ? 1 : 0;
        } else if (word == "--fps" || word == "-fps") {
            options->showFps = true;
        } else {
            rest->push_back(argv[i]);
            continue;
        }
        found = true;
    }
    return found;
}

CommandLine WithOptions(CommandLine line, const CommandLine& options) {
    if (options.mode == RunMode::Help || options.mode == RunMode::Version) line.mode = options.mode;
    line.music = options.music;
    line.showFps = options.showFps;
    return line;
}

CommandLine ParseSwitches(int argc, char** argv, const char* xscreensaverWindow) {
    CommandLine line;
    if (argc >= 2) {
        std::string first = argv[1];
        if (first == "--snapshot") {
            line.mode = RunMode::Snapshot;
            return line;
        }
        if (first == "-root" || first == "--root") {
            line.mode = argc == 2 ? RunMode::XScreenSaverRoot : RunMode::Invalid;
            if (line.mode == RunMode::XScreenSaverRoot && xscreensaverWindow != nullptr &&
                !ParseWindowId(xscreensaverWindow, &line.window))
                line.window = 0;
            return line;
        }
        if (first == "-window-id" || first == "--window-id") {
            if (argc == 3 && ParseWindowId(argv[2], &line.window)) line.mode = RunMode::XScreenSaverWindow;
            return line;
        }
    }
    return ParseArgumentString(JoinArguments(argc, argv));
}
}  // namespace

CommandLine ParseCommandLine(int argc, char** argv, const char* xscreensaverWindow) {
    CommandLine options;
    std::vector<char*> rest;
    TakeOptions(argc, argv, &options, &rest);
    return WithOptions(ParseSwitches(static_cast<int>(rest.size()), rest.data(), xscreensaverWindow), options);
}

CommandLine ParseWindowsCommandLine(const std::string& arguments, int argc, char** argv) {
    CommandLine options;
    std::vector<char*> rest;
    // The system's string is read as it stands unless an option had to be taken out of it.
    const bool hadOptions = TakeOptions(argc, argv, &options, &rest);
    CommandLine line;
    if (rest.size() >= 2 && std::string(rest[1]) == "--snapshot")
        line.mode = RunMode::Snapshot;
    else
        line = ParseArgumentString(hadOptions ? JoinArguments(static_cast<int>(rest.size()), rest.data()) : arguments);
    return WithOptions(line, options);
}
