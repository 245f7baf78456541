// The commands that put Velmora! into the user's XScreenSaver list and take
// it out again (Linux).
#pragma once

// Edits ~/.xscreensaver ($HOME's): adds the entry when `add`, else removes
// every entry of the program. The file is replaced atomically and keeps its
// owner, group and mode (a new one is its folder's owner's); a symbolic link
// is followed only to a regular file of the owner of $HOME, any other link is
// refused. Before a change the old bytes go to ~/.xscreensaver.velmora-backup.
// Without a file, adding makes one from the system's list (XScreenSaver's
// app-defaults) and the entry. Removing right after adding gives back the
// bytes that were there, or no file when there was none. Says what it did on standard output, errors
// on standard error. Returns the exit code: 0, also when there was nothing
// to do; 1 when a file could not be read or written.
int RunXScreenSaverListCommand(bool add);
