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
#define VELMORA_CONFIG_GROUP_PLACE 29, 20, 129, 47
#define VELMORA_CONFIG_MUSIC 1002
#define VELMORA_CONFIG_MUSIC_TEXT "Enable music"
#define VELMORA_CONFIG_MUSIC_PLACE 63, 36, 60, 15
