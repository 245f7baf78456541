#include "shell/command_line.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

const char kUsageLine[] =
    "usage: velmora [/s | /p WINDOW | /c [WINDOW] | -root | -window-id WINDOW | "
    "--snapshot FILE.png [--size WxH] [--frames N]]\n";

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

CommandLine ParseCommandLine(int argc, char** argv, const char* xscreensaverWindow) {
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

CommandLine ParseWindowsCommandLine(const std::string& arguments, int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "--snapshot") {
        CommandLine line;
        line.mode = RunMode::Snapshot;
        return line;
    }
    return ParseArgumentString(arguments);
}
