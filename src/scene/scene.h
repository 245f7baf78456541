// The scene: fixed OpenGL state, textures, camera path and the frame.
#pragma once

// One-time set-up with the screen window's context current: the fixed state,
// the font lists and the thirteen textures. Ends the process when a texture
// file can't be read (see scene_textures.h).
void InitSceneGL();
// One frame of the scene into the current buffers; the caller presents it.
void DrawSceneFrame();
// Deletes the 96 font lists; called on every way a run ends, safe to repeat.
void DeleteFontLists();
// One line of text in the font lists at the lower left corner, over the frame;
// every state it changes is restored, so the next frame starts as without it.
void DrawCornerText(const char* text);
