// The camera: eye point and path target, stepped once a frame along the
// camera path file data/p (two lines a step, "%f,%f,%f" each).
#pragma once

// Camera position of the current frame; read by the sky box and the cube.
extern float eyePoint[3];
// Second point of the current step; the look-at point from step 2000 on.
extern float pathTarget[3];
// Counts path steps 0..3100 and wraps, independently of the file's length.
extern int frameCounter;

constexpr int kOrbitSteps = 2000;  // below this the camera looks at the centre
constexpr int kFrameCounterLast = 3100;

// The first call only opens the file (the first frame keeps the initial
// camera). Later calls read one step, playing the file again from its start
// once its end-of-file indicator is set. A path file that is missing or can't
// be opened keeps the initial eye point and centre for the whole run, with
// one message on standard output.
void StepCameraPath();

// Back to the start-up state: closes the file and restores the initial camera.
void ResetCameraPath();
