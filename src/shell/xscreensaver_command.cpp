#include "shell/xscreensaver_command.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/posix/safe_file.h"
#include "shell/xscreensaver_list.h"

namespace {

// Where XScreenSaver's defaults live: Debian's folder first, then X11's own.
const char* const kAppDefaults[] = {"/etc/X11/app-defaults/XScreenSaver", "/usr/share/X11/app-defaults/XScreenSaver"};

// Far more than any list of screensavers.
constexpr size_t kMaxFileBytes = 1 << 20;

int Fail(const std::string& message) {
    std::fprintf(stderr, "velmora: %s\n", message.c_str());
    return 1;
}

}  // namespace

int RunXScreenSaverListCommand(bool add) {
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') return Fail("HOME is not set, so there is no ~/.xscreensaver to edit");
    std::string shown = home;
    if (shown.back() != '/') shown += '/';
    shown += ".xscreensaver";
    // XScreenSaver writes through a link to its file, and so does this.
    const std::string path = platform::ResolveLinks(shown);
    const std::string backup = shown + ".velmora-backup";

    std::string bytes, error;
    platform::ReadResult read = platform::ReadSmallFile(path, kMaxFileBytes, &bytes, &error);
    if (read == platform::ReadResult::Unreadable) return Fail("can't read " + shown + ": " + error);
    const bool exists = read == platform::ReadResult::Read;

    ListEdit edit;
    if (add) {
        std::string defaults;
        const char* defaultsPath = kAppDefaults[0];
        bool haveDefaults = false;
        for (const char* candidate : kAppDefaults) {
            std::string ignored;
            if (platform::ReadSmallFile(candidate, kMaxFileBytes, &defaults, &ignored) == platform::ReadResult::Read) {
                defaultsPath = candidate;
                haveDefaults = true;
                break;
            }
        }
        edit = AddToXScreenSaverList(exists ? &bytes : nullptr, haveDefaults ? &defaults : nullptr);
        if (edit.change == ListChange::NoSystemList)
            return Fail(std::string("XScreenSaver's list of screensavers (the programs of ") + defaultsPath +
                        ") was not found, and " + shown + (exists ? " holds no list" : " does not exist") +
                        ": is XScreenSaver installed?");
    } else if (!exists) {
        std::printf("There is no %s, so Velmora! is on no list of yours: nothing to do.\n", shown.c_str());
        return 0;
    } else {
        edit = RemoveFromXScreenSaverList(bytes);
    }

    switch (edit.change) {
        case ListChange::AlreadyThere:
            std::printf("Velmora! is already in XScreenSaver's list in %s: nothing to do.\n", shown.c_str());
            return 0;
        case ListChange::AlreadyOff:
            std::printf(
                "Velmora! is already in XScreenSaver's list in %s, turned off: tick it in "
                "xscreensaver-settings to use it.\n",
                shown.c_str());
            return 0;
        case ListChange::NotThere:
            std::printf("Velmora! is not in XScreenSaver's list in %s: nothing to do.\n", shown.c_str());
            return 0;
        default:
            break;
    }
    if (exists && !platform::ReplaceFileSafely(backup, bytes, &error))
        return Fail("can't write the backup " + backup + ": " + error + "; " + shown + " is unchanged");
    if (!platform::ReplaceFileSafely(path, edit.text, &error)) return Fail("can't write " + shown + ": " + error);

    if (edit.change == ListChange::Removed)
        std::printf("Took Velmora! out of XScreenSaver's list in %s.\n", shown.c_str());
    else if (!exists)
        std::printf("Made %s with XScreenSaver's list of screensavers and Velmora! at its end.\n", shown.c_str());
    else if (edit.change == ListChange::Created)
        std::printf(
            "Added XScreenSaver's list of screensavers with Velmora! at its end to %s, "
            "which had no list.\n",
            shown.c_str());
    else
        std::printf("Added Velmora! at the end of XScreenSaver's list in %s.\n", shown.c_str());
    if (exists) std::printf("The file as it was is in %s.\n", backup.c_str());
    std::printf(edit.change == ListChange::Removed ? "A running XScreenSaver reads the change by itself.\n"
                                                   : "A running XScreenSaver reads the change by itself; pick "
                                                     "Velmora! in xscreensaver-settings.\n");
    return 0;
}
