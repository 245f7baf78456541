// The spinning cube of additive, alpha-cut panels, faces drawn far to near.
#pragma once

#include "scene/backdrop.h"

// Top, bottom, x = -1, x = +1, z = +1, z = -1; each normal points outward.
extern const QuadFace kCubeFaces[6];

// Rebuilt every frame by SortCubeFaces: distances of the unit cube's face
// centres from the eye point, and the faces in drawing order.
extern float cubeFaceDistances[6];
extern int cubeFaceOrder[6];

// Orders the faces by the distance of their unit-cube centres from the eye
// point, farthest first; equal distances keep face number order. The cube's
// turn plays no part, so the order follows the camera only.
void SortCubeFaces();

// Sorts, then draws the six panels with culling off (left off afterwards),
// additive blending and the 0.1 alpha cut, with the current colour.
void DrawSpinningCube();
