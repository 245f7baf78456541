// The configuration dialog: edits the music setting.
#pragma once

#include "platform/dialog.h"
#include "resource.h"

// Identifiers shared with the Windows resource script (resources/resource.h).
constexpr int kConfigDialogId = VELMORA_CONFIG_DIALOG;
constexpr int kConfigOkId = VELMORA_CONFIG_OK;
constexpr int kMusicCheckBoxId = VELMORA_CONFIG_MUSIC;
constexpr int kConfigBitmapId = VELMORA_CONFIG_BITMAP;
constexpr int kMusicSourceId = VELMORA_CONFIG_SOURCE;
constexpr int kMusicFileButtonId = VELMORA_CONFIG_FILE;
constexpr int kMusicFolderButtonId = VELMORA_CONFIG_FOLDER;
constexpr int kMusicBuiltInButtonId = VELMORA_CONFIG_BUILT_IN;
constexpr int kVolumeSliderId = VELMORA_CONFIG_VOLUME;

// What the "Music:" row shows while the built-in track is chosen.
constexpr const char kBuiltInMusicName[] = "Built-in music";

// Dialog 101: the OK button, the picture, the "Settings" frame, the
// "Enable music" check box, then in the frame the "Music:" row (its name box
// and the File..., Folder... and Built-in buttons) and the "Volume" slider,
// in tab order.
const platform::DialogTemplate& ConfigDialogTemplate();

// Where the picture is looked for: the file beside the data made at build
// time, then the one made on first use in the user's cache folder, which is
// rendered in the background when neither exists.
platform::DialogPicture ConfigDialogPicture();

// The dialog's results: OK stored the setting, or could not.
constexpr int kConfigSaved = 0;
constexpr int kConfigNotSaved = 1;

// The exit code of a configuration run whose OK could not store the setting
// (0 and 1 are the normal ends, 2 a bad command line).
constexpr int kSettingsNotSavedExitCode = 3;

// Init reads the stored music setting into musicSetting and checks the box
// only for '1', and shows the stored music choice and volume; File... and
// Folder... open the system's chooser and show what was picked, Built-in
// goes back to the built-in track (nothing is stored until OK). OK stores
// the box as '0' or '1', the choice and the volume, and ends the dialog with
// kConfigSaved (after a message box and a line on stderr saying where a
// settings file that could not be used was moved aside, when one was), or,
// when the store fails, shows an error message box naming
// the settings file (key) and the reason, writes the same on stderr and ends
// with kConfigNotSaved. Every other command, Escape and the window manager's
// close included, leaves the dialog open and stores nothing.
bool ConfigDialogProc(platform::DialogControls& dialog, platform::DialogMessage message, int id);

// Shows the modal dialog, owned by `owner` when it is not 0, and returns when
// OK has closed it (at once, after a line on stderr, when it can't be shown).
// False only when OK could not store the setting.
bool RunConfigDialog(platform::WindowId owner);
