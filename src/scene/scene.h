// The scene: fixed OpenGL state, textures, camera path and the frame.
#pragma once

// One-time set-up with the screen window's context current: the fixed state,
// the font lists and the thirteen textures. Ends the process when a texture
// file can't be read (see scene_textures.h).
void InitSceneGL();
// False (the default): the frame takes the shortcuts that change what a
// viewer sees by no more than rounding does: the wave's far blocks on coarser
// grids, out-of-view blocks left out, and the rest listed where they are
// taken. True: every cell, every filter as loaded, every clear; the picture
// the shortcuts are measured against.
extern bool sceneFullDetail;
// One frame of the scene into the current buffers and viewport: the three
// steps below in their order. The caller presents it.
void DrawSceneFrame();
// Clears the whole window's buffers, whatever the viewport. When the views
// drawn next cover every pixel of the window (viewsCoverWindow), the sky box
// lays down every pixel's colour before anything adds to it, and the colour
// clear is left out (not with sceneFullDetail).
void ClearSceneBuffers(bool viewsCoverWindow = false);
// Moves the scene on by one frame: the camera's path step, the wave's
// heights, normals and texture zoom, the cube's angle. Nothing is drawn, so a
// frame shown on several monitors advances once.
void AdvanceSceneFrame();
// Draws the frame as AdvanceSceneFrame left it into the current viewport with
// the current projection; called once for each view of the same frame. The
// state each piece leaves is the next one's input, from view to view too.
void DrawSceneView();
// Back to the start-up state of all that changes from frame to frame: the
// camera path (closed, the initial camera), the wave and the cube's turn.
void ResetScene();
// Deletes the 96 font lists; called on every way a run ends, safe to repeat.
void DeleteFontLists();
// Pixels over the frame (text, copies between views): saves every state,
// turns off lighting and each fragment step that could change a pixel, and
// makes both matrices the identity, so (-1, -1) is the viewport's lower left
// corner. Pop brings all of it back.
void PushPixelOverlayState();
void PopPixelOverlayState();
// The RGBA pixels of the back buffer's lower left `width` x `height`, bottom
// row first; false on a GL error of the read itself.
bool ReadFramePixels(int width, int height, unsigned char* rgba);
// One line of text in the font lists at the lower left corner, over the frame;
// every state it changes is restored, so the next frame starts as without it.
void DrawCornerText(const char* text);
