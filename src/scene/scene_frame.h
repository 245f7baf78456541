// The pieces of the frame that the frame composition calls.
#pragma once

// Reserves the 96 font lists from character 32 on and fills them from the
// platform's bold Courier-like font.
void BuildFontLists();

// The cube's turn in degrees: 1, 2, ..., 360, 0, 1, ... (361 frames a turn).
extern float cubeAngle;
void AdvanceCubeAngle();

// The frame's steps after the sky box, in their order, each in its own saved
// matrix: the model moved up by 10, the wave scaled by (3, 2, 3), the cube
// turned by cubeAngle and drawn without lighting (lighting comes back after
// it). They draw the frame as AdvanceSceneFrame left it.
void DrawPlacedModel();
void DrawScaledWave();
void DrawTurningCube();
