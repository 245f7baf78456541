// How many texels a textured quad puts under a pixel in the current view:
// where that stays on one side of one everywhere in view, only one of the
// texture's two filters can apply, and the other may be set to it.
#pragma once

#include "scene/view_transform.h"

struct TexelScale {
    // False when no part of the quad is in view, or when some part may be so
    // close to the eye's plane that no bound holds.
    bool known;
    // Least and most texels per pixel over the part in view: the larger of
    // the texture's steps along the window's x and along its y, as the choice
    // between the minifying and the magnifying filter measures it.
    float least, most;
};

// The quad c0 c1 c2 c3 as DrawTexturedQuad draws it (texture corners (0,0),
// (1,0), (1,1), (0,1); a parallelogram), textured with a width x height
// texture. Sampled on a grid over the quad with a margin beyond the view's
// edges, so the range covers the part in view.
TexelScale MeasureTexelScale(const ViewTransform& view, const float* c0, const float* c1, const float* c3, int width,
                             int height);
