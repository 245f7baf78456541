#include "shell/command_line.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

const char kUsageLine[] =
    "usage: velmora [/s | /p WINDOW | /c [WINDOW] | -root | -window-id WINDOW | "
    "--snapshot FILE.png [--size WxH] [--frames N] | --xscreensaver-add | --xscreensaver-remove] "
    "[--music | --no-music] [--music-file PATH] [--volume N] [--fps]\n";

const char kHelpText[] =
    "usage: velmora [MODE] [--music | --no-music] [--music-file PATH] [--volume N] [--fps]\n"
    "A 3D OpenGL screensaver: a camera flight past a model, waves and a spinning cube.\n"
    "\n"
    "Modes:\n"
    "  (none), or any word not starting with /   the configuration dialog\n"
    "  /s, -s, s                                 full screen; a key, a click or a move ends it\n"
    "  /p WINDOW                                 a preview inside WINDOW\n"
    "  /c [WINDOW], /c:WINDOW                    the configuration dialog owned by WINDOW\n"
    "  -root                                     for XScreenSaver: $XSCREENSAVER_WINDOW or the root\n"
    "  -window-id WINDOW                         for XScreenSaver: draw into WINDOW (hex 0x... or\n"
    "                                            decimal; it wins over -root)\n"
    "  -window                                   for XScreenSaver: the full-screen run\n"
    "                                            (XScreenSaver's options take one dash or two;\n"
    "                                            -install, -noinstall, -visual NAME, -mono and\n"
    "                                            -pair are accepted and change nothing)\n"
    "  --snapshot FILE.png [--size WxH] [--frames N]\n"
    "                                            render off screen and write the last frame\n"
    "  --xscreensaver-add                        put Velmora! into your XScreenSaver list\n"
    "                                            (~/.xscreensaver; run it once)\n"
    "  --xscreensaver-remove                     take it out of that list again\n"
    "Options:\n"
    "  --music, --no-music   play the music or not in this run, whatever the setting says\n"
    "  --music-file PATH     this run's music: an Ogg Vorbis, Ogg Opus, FLAC or MP3 file,\n"
    "                        which plays over and over, or a folder, whose files play in\n"
    "                        name order and then from the first again (\"\": the built-in\n"
    "                        music)\n"
    "  --volume N            this run's music volume, 0 to 100 percent\n"
    "  --fps, -fps           show frames per second and the last frame's time\n"
    "  --help, --version     this text; the version\n"
    "\n"
    "The music settings are kept in $XDG_CONFIG_HOME/velmora/settings (on Windows in the\n"
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

// XScreenSaver passes window ids in hex ("0x1c00007") or decimal. The X
// protocol keeps the top three bits of every resource id zero, so a larger
// number names no window and is refused rather than cut short.
bool ParseWindowId(const char* text, std::uint64_t* id) {
    if (text == nullptr) return false;
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* digit = hex ? text + 2 : text;
    if (*digit == '\0') return false;
    std::uint64_t value = 0;
    for (; *digit != '\0'; ++digit) {
        int d;
        if (*digit >= '0' && *digit <= '9')
            d = *digit - '0';
        else if (hex && *digit >= 'a' && *digit <= 'f')
            d = *digit - 'a' + 10;
        else if (hex && *digit >= 'A' && *digit <= 'F')
            d = *digit - 'A' + 10;
        else
            return false;
        value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(d);
        if (value > kMaxXWindowId) return false;
    }
    if (value == 0) return false;
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
// 0 to 100, decimal digits alone.
bool ParseVolume(const char* text, int* volume) {
    int value = 0;
    if (*text == '\0') return false;
    for (; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9') return false;
        value = value * 10 + (*text - '0');
        if (value > 100) return false;
    }
    *volume = value;
    return true;
}

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
        } else if (word == "--music-file" || word == "--volume") {
            // Without its value, or with a volume out of range, the line means nothing.
            const char* value = i + 1 < argc ? argv[++i] : nullptr;
            if (value == nullptr) {
                options->invalid = true;
            } else if (word == "--music-file") {
                options->musicFileGiven = true;
                options->musicFile = value;
            } else if (!ParseVolume(value, &options->volume)) {
                options->invalid = true;
            }
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
    if (options.invalid && line.mode != RunMode::Help) line.mode = RunMode::Invalid;
    line.music = options.music;
    line.showFps = options.showFps;
    line.musicFileGiven = options.musicFileGiven;
    line.musicFile = options.musicFile;
    line.volume = options.volume;
    return line;
}

// What a word is among the options XScreenSaver's programs take from the
// daemon and the settings program, with one dash or two.
enum class XOption { None, Root, Window, WindowId, DisplayOption, Visual };

XOption XScreenSaverOption(const char* word) {
    if (word[0] != '-') return XOption::None;
    const std::string name = word + (word[1] == '-' ? 2 : 1);
    if (name == "root") return XOption::Root;
    if (name == "window") return XOption::Window;
    if (name == "window-id") return XOption::WindowId;
    if (name == "visual") return XOption::Visual;
    // The colour map and visual choices mean nothing to a GLX window that
    // picks its own visual.
    if (name == "install" || name == "noinstall" || name == "mono" || name == "pair") return XOption::DisplayOption;
    return XOption::None;
}

// XScreenSaver's words, in any order; like its own programs, -window-id wins
// over -root, the later of -root and -window counts, and -window (a window of
// the program's own) is the full-screen run.
CommandLine ParseXScreenSaverWords(int argc, char** argv, const char* xscreensaverWindow) {
    CommandLine line;
    bool root = false;
    bool named = false;
    for (int i = 1; i < argc; ++i) {
        switch (XScreenSaverOption(argv[i])) {
            case XOption::Root:
                root = true;
                break;
            case XOption::Window:
                root = false;
                break;
            case XOption::WindowId:
                if (i + 1 == argc || !ParseWindowId(argv[++i], &line.window)) return CommandLine{};
                named = true;
                break;
            case XOption::Visual:
                if (i + 1 == argc) return CommandLine{};
                ++i;
                break;
            case XOption::DisplayOption:
                break;
            case XOption::None:
                return CommandLine{};
        }
    }
    if (named) {
        line.mode = RunMode::XScreenSaverWindow;
    } else if (root) {
        line.mode = RunMode::XScreenSaverRoot;
        if (xscreensaverWindow == nullptr || !ParseWindowId(xscreensaverWindow, &line.window)) line.window = 0;
    } else {
        line.mode = RunMode::FullScreen;
    }
    return line;
}

CommandLine ParseSwitches(int argc, char** argv, const char* xscreensaverWindow) {
    CommandLine line;
    if (argc >= 2) {
        const std::string first = argv[1];
        if (first == "--snapshot") {
            line.mode = RunMode::Snapshot;
            return line;
        }
        if (first == "--xscreensaver-add" || first == "--xscreensaver-remove") {
            if (argc == 2)
                line.mode = first == "--xscreensaver-add" ? RunMode::XScreenSaverAdd : RunMode::XScreenSaverRemove;
            return line;
        }
    }
    for (int i = 1; i < argc; ++i) {
        const XOption option = XScreenSaverOption(argv[i]);
        if (option == XOption::Root || option == XOption::Window || option == XOption::WindowId)
            return ParseXScreenSaverWords(argc, argv, xscreensaverWindow);
        if (option == XOption::Visual) ++i;  // its value is no switch
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
