// The sky box that travels with the camera and the additive ground plane.
#pragma once

// The six sky faces as texture slot and corners of kCubeCorners, in drawing
// order: z = +1, x = +1, z = -1, x = -1, top, bottom.
struct QuadFace {
    unsigned slot;
    int corners[4];
};
extern const QuadFace kSkyBoxFaces[6];

// Ground plane corners before its translation, (0,0) texture corner first.
extern const float kGroundCorners[4][3];

// Below this height, up or down, the eye sees the sky box all round: its top
// and floor, 250 away from y = 0, lie farther than the near plane's corners.
constexpr float kSkyCoverHeight = 240.0f;

// A box of half size 250 centred on (eye x, 0, eye z); it sets no colour,
// blending or depth state of its own.
void DrawSkyBox();

// The 256 x 256 square at y = -6.1 added over what is drawn (source alpha,
// one), texels of alpha 0.1 or less cut; leaves the current colour grey 0.5.
void DrawGroundPlane();
