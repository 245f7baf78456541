/* The resources' identifiers and dialog 101's layout (in dialog units),
 * shared by the resource script and the program, which builds the same
 * dialog from them where there are no resources (GTK on Linux). Plain
 * defines, so that the resource compiler reads them too. */
#pragma once

#define VELMORA_STRING_NAME 1
#define VELMORA_ICON 139
#define VELMORA_CONFIG_BITMAP 138

#define VELMORA_CONFIG_DIALOG 101
#define VELMORA_CONFIG_CAPTION "Velmora! Configuration"
#define VELMORA_CONFIG_FONT_NAME "MS Sans Serif"
#define VELMORA_CONFIG_FONT_POINTS 8
#define VELMORA_CONFIG_WIDTH 387
#define VELMORA_CONFIG_HEIGHT 210

/* The controls in tab order: x, y, width, height. IDOK is 1. */
#define VELMORA_CONFIG_OK 1
#define VELMORA_CONFIG_OK_PLACE 319, 182, 50, 16
#define VELMORA_CONFIG_PICTURE_PLACE 203, 11, 173, 160
#define VELMORA_CONFIG_GROUP_TEXT "Settings"
/* The frame has grown downward to hold the music's source and volume. */
#define VELMORA_CONFIG_GROUP_PLACE 29, 20, 129, 128
#define VELMORA_CONFIG_MUSIC 1002
#define VELMORA_CONFIG_MUSIC_TEXT "Enable music"
#define VELMORA_CONFIG_MUSIC_PLACE 63, 36, 60, 15
/* The "Music:" row: a label, the chosen name in a sunken box, and below it
 * the buttons that choose a file, a folder or the built-in track. */
#define VELMORA_CONFIG_SOURCE_LABEL_TEXT "Music:"
#define VELMORA_CONFIG_SOURCE_LABEL_PLACE 37, 58, 40, 9
#define VELMORA_CONFIG_SOURCE 1003
#define VELMORA_CONFIG_SOURCE_PLACE 37, 69, 113, 12
#define VELMORA_CONFIG_FILE 1004
#define VELMORA_CONFIG_FILE_TEXT "File..."
#define VELMORA_CONFIG_FILE_PLACE 37, 85, 35, 14
#define VELMORA_CONFIG_FOLDER 1005
#define VELMORA_CONFIG_FOLDER_TEXT "Folder..."
#define VELMORA_CONFIG_FOLDER_PLACE 76, 85, 35, 14
#define VELMORA_CONFIG_BUILT_IN 1006
#define VELMORA_CONFIG_BUILT_IN_TEXT "Built-in"
#define VELMORA_CONFIG_BUILT_IN_PLACE 115, 85, 35, 14
/* The "Volume" slider, 0 to 100 percent. */
#define VELMORA_CONFIG_VOLUME_LABEL_TEXT "Volume"
#define VELMORA_CONFIG_VOLUME_LABEL_PLACE 37, 108, 40, 9
#define VELMORA_CONFIG_VOLUME 1007
#define VELMORA_CONFIG_VOLUME_PLACE 37, 119, 113, 22
