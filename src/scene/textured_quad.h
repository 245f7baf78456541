// Flat textured four-corner polygons: the sky box, the ground plane and the
// spinning cube's panels share one drawing operation and one corner table.
#pragma once

#include <GL/gl.h>

// Corners of the unit cube, (-1,-1,-1) to (+1,+1,+1): the face z = -1
// counter-clockwise from (-1,-1), then the face z = +1 in the same order.
extern const float kCubeCorners[8][3];

// Draws one GL_POLYGON with texture coordinates (0,0), (1,0), (1,1), (0,1)
// and the normal (c0 - c1) x (c1 - c2), unit length or zero for a degenerate
// polygon. Enables GL_TEXTURE_2D around it and leaves it disabled.
void DrawTexturedQuad(GLuint slot, const float* c0, const float* c1, const float* c2, const float* c3);

// The normal DrawTexturedQuad sends for these corners.
void QuadNormal(const float* c0, const float* c1, const float* c2, float* normal);
