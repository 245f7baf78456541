#include "shell/xscreensaver_command.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// XScreenSaver's defaults, the text of the first file that reads; false when none does.
bool ReadDefaults(std::string* defaults, const char** defaultsPath) {
    *defaultsPath = kAppDefaults[0];
    for (const char* candidate : kAppDefaults) {
        std::string ignored;
        if (platform::ReadSmallFile(candidate, kMaxFileBytes, defaults, &ignored) == platform::ReadResult::Read) {
            *defaultsPath = candidate;
            return true;
        }
    }
    return false;
}

}  // namespace

int RunXScreenSaverListCommand(bool add) {
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') return Fail("HOME is not set, so there is no ~/.xscreensaver to edit");
    std::string shown = home;
    if (shown.back() != '/') shown += '/';
    shown += ".xscreensaver";
    const std::string backup = shown + ".velmora-backup";
    // XScreenSaver writes through a link to its file, and so does this, when
    // the file linked to is the user's (root may run this with a user's HOME).
    std::string path, error;
    if (!platform::ResolveUserFile(shown, &path, &error))
        return Fail(shown + " is " + error + ", so it is left as it is");

    std::string bytes;
    platform::ReadResult read = platform::ReadSmallFile(path, kMaxFileBytes, &bytes, &error);
    if (read == platform::ReadResult::Unreadable) return Fail("can't read " + shown + ": " + error);
    const bool exists = read == platform::ReadResult::Read;

    std::string defaults;
    const char* defaultsPath = nullptr;
    const bool haveDefaults = ReadDefaults(&defaults, &defaultsPath);
    ListEdit edit;
    if (add) {
        edit = AddToXScreenSaverList(exists ? &bytes : nullptr, haveDefaults ? &defaults : nullptr);
        if (edit.change == ListChange::NoSystemList)
            return Fail(std::string("XScreenSaver's list of screensavers (the programs of ") + defaultsPath +
                        ") was not found, and " + shown + (exists ? " holds no list" : " does not exist") +
                        ": is XScreenSaver installed?");
    } else if (!exists) {
        std::printf("There is no %s, so Velmora! is on no list of yours: nothing to do.\n", shown.c_str());
        return 0;
    } else {
        // The backup holds the file as it was before the last change: when
        // that change was the addition, removing gives those bytes back.
        std::string before, backupTarget, ignored;
        const bool haveBefore =
            platform::ResolveUserFile(backup, &backupTarget, &ignored) &&
            platform::ReadSmallFile(backupTarget, kMaxFileBytes, &before, &ignored) == platform::ReadResult::Read;
        edit = RemoveFromXScreenSaverList(bytes, haveBefore ? &before : nullptr, haveDefaults ? &defaults : nullptr);
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
    if (exists && !platform::WriteUserFile(backup, bytes, &error))
        return Fail("can't write the backup " + backup + ": " + error + "; " + shown + " is unchanged");
    // A file that adding made from nothing goes again, unless it is a link
    // the user made to keep it.
    const bool removeFile = edit.noFile && path == shown;
    if (edit.noFile && !removeFile) edit = RemoveFromXScreenSaverList(bytes);
    if (removeFile ? std::remove(path.c_str()) != 0 : !platform::ReplaceFileSafely(path, edit.text, &error))
        return Fail("can't write " + shown + ": " + (removeFile ? std::strerror(errno) : error));

    if (removeFile)
        std::printf(
            "Took Velmora! out of XScreenSaver's list: %s held only what --xscreensaver-add had "
            "made, so it is removed again.\n",
            shown.c_str());
    else if (edit.change == ListChange::Removed)
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
