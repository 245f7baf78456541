// What the command line asks for.
//
// The program's arguments are joined by single blanks into one argument
// string, read by the rules a screensaver's switches follow: "/s", "-s" or
// "s" in any case for full-screen, "/p ID" for a preview in window ID,
// "/c ID" or anything not starting with '/' for the configuration; a colon
// may stand for the blank before ID ("/c:ID"). The options --help, --version,
// --music, --no-music, --fps (also -fps), --music-file PATH and --volume N
// (0 to 100; anything else makes the line invalid) are taken out first,
// wherever they stand; then, on Linux, --snapshot, --xscreensaver-add and --xscreensaver-remove
// as the first word, and XScreenSaver's options: when any word is -root,
// -window or -window-id (one dash or two), every word must be one of those or
// a display option (-install, -noinstall, -visual NAME, -mono, -pair), in any
// order.
#pragma once

#include <cstdint>
#include <string>

enum class RunMode {
    FullScreen,
    Preview,             // window: the parent to draw in
    Configure,           // no owner
    ConfigureOwned,      // window: the owner
    XScreenSaverRoot,    // window: XSCREENSAVER_WINDOW or 0 for the root window
    XScreenSaverWindow,  // window: the window to draw in
    XScreenSaverAdd,     // put Velmora! into the user's XScreenSaver list
    XScreenSaverRemove,  // take it out again
    Snapshot,
    Help,  // a short usage on standard output, exit code 0
    Version,
    Invalid,  // a switch nobody knows: usage, exit code 2
};

struct CommandLine {
    RunMode mode = RunMode::Invalid;
    std::uint64_t window = 0;
    int music = -1;               // --music 1, --no-music 0: this run only; -1 the stored setting
    bool showFps = false;         // --fps: frames per second in a corner
    bool musicFileGiven = false;  // --music-file PATH: this run's music ("" the built-in track)
    std::string musicFile;
    int volume = -1;       // --volume N, 0 to 100: this run only; -1 the stored volume
    bool invalid = false;  // an option without its value, or a volume out of range
};

// The largest X window id: the X protocol keeps the top three bits of every
// resource id zero. Larger numbers are refused, never cut short.
constexpr std::uint64_t kMaxXWindowId = 0x1FFFFFFF;

// argv[1..argc-1] joined by single blanks.
std::string JoinArguments(int argc, char** argv);

// Reads a screensaver argument string.
CommandLine ParseArgumentString(const std::string& arguments);

// Reads the program's arguments: XScreenSaver switches and --snapshot, else
// the joined argument string. `xscreensaverWindow` is the environment's
// XSCREENSAVER_WINDOW (null when unset).
CommandLine ParseCommandLine(int argc, char** argv, const char* xscreensaverWindow);

// Reads a Windows start: --snapshot as the first of the words `argv` (split
// from the argument string, argv[0] the program), else the argument string
// itself, exactly as the system passed it.
CommandLine ParseWindowsCommandLine(const std::string& arguments, int argc, char** argv);

// The number at the start of `text` by the rules of atoi: leading white
// space, an optional sign, decimal digits up to the first other character;
// no digits give 0. Wraps like a 32-bit int instead of overflowing.
std::int32_t AtoiRule(const char* text);

extern const char kUsageLine[];
// The --help text.
extern const char kHelpText[];
