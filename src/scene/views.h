// The scene in several views of one window (one for each monitor), and the
// GL ends of a frame: the shell decides where the views lie and when a frame
// is due, and reaches GL only through here.
#pragma once

#include "platform/platform.h"

// Where the scene is drawn: one view for each monitor the window covers, as
// GL viewports (origin at the window's lower left corner).
struct ScreenViews {
    int count = 0;
    platform::MonitorRect viewports[platform::kMaxMonitors];
    // The views tile the whole window, none over another: every pixel is
    // drawn in every frame.
    bool coverWindow = false;
};

// Viewport whose lower left corner is at (x, y) and a 70 degree perspective
// (near 1, far 1525) for its size; a height of 0 counts as 1.
void SetViewport(int x, int y, int width, int height);

// One frame: the whole window cleared, the scene advanced once and drawn in
// every view with that view's own aspect ratio, so no monitor's picture is
// stretched; a view of the same size as one drawn before gets that view's
// picture copied. No views yet: the frame in the viewport as it stands.
void DrawSceneInViews(const ScreenViews& views);

// Returns once GL has drawn everything sent so far, so a time taken after it
// includes the rendering.
void FinishFrame();
// Hands GL what is still queued; called after each presented frame.
void FlushFrame();
