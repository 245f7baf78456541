// The pieces of the frame that the frame composition calls.
#pragma once

// Reserves the 96 font lists from character 32 on and fills them from the
// platform's bold Courier-like font.
void BuildFontLists();

// The cube's turn in degrees: 1, 2, ..., 360, 0, 1, ... (361 frames a turn).
extern float cubeAngle;
void AdvanceCubeAngle();
