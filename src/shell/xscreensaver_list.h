// Velmora!'s entry in XScreenSaver's list of screensavers, edited in the text
// of the user's ~/.xscreensaver.
//
// The list is the value of the "programs" resource ("*programs" in
// XScreenSaver's app-defaults file, the system's list): its lines are joined
// by a backslash at their end, and its entries are separated by "\n" escapes.
// An entry reads [-][VISUAL:] ["NAME"] COMMAND, a leading '-' turning it off;
// an entry is Velmora!'s when its command's program is "velmora" (or a path
// ending in "/velmora"). The editor touches nothing but the list: every other
// line keeps its bytes, line breaks (LF or CRLF) included.
#pragma once

#include <string>

// The entry put into the list, as XScreenSaver's settings write one.
extern const char kXScreenSaverEntry[];

enum class ListChange {
    Added,         // the entry was appended to the user's list
    Created,       // the user had no list: the system's list and the entry
    AlreadyThere,  // an entry of the program is on the list, turned on
    AlreadyOff,    // it is there, but every one of its entries is turned off
    Removed,       // the program's entries were taken out
    NotThere,      // nothing to take out
    NoSystemList,  // a list was needed and the system's defaults hold none
};

struct ListEdit {
    ListChange change = ListChange::NotThere;
    std::string text;     // the file's new text; the old one when nothing changed
    int entries = 0;      // Removed: how many entries went
    bool noFile = false;  // Removed: there was no file before the entry was added
};

// Adds the entry at the end of the user's list. `userFile` is the text of
// ~/.xscreensaver, null when there is none; without a file, or without a
// "programs" resource in it, the list written is the system's (from
// `systemDefaults`, the app-defaults text, null when unreadable) followed by
// the entry, so that nothing the user saw before disappears.
ListEdit AddToXScreenSaverList(const std::string* userFile, const std::string* systemDefaults);

// Takes every entry of the program out of the user's list. The "selected"
// resource, an index into the list, is moved down past the entries removed
// before it, so the same screensaver stays selected. When the file is just
// what AddToXScreenSaverList made of `before` (the file before the last
// change, null when unknown), the result is `before` byte for byte; when it is
// just what adding made of no file (with `systemDefaults`), `noFile` says so.
// Otherwise the entries' lines go, and a list that ended with the entry ends
// with the line before it, without the backslash that joined the entry.
ListEdit RemoveFromXScreenSaverList(const std::string& userFile, const std::string* before = nullptr,
                                    const std::string* systemDefaults = nullptr);
