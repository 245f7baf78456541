// The screen window's reaction to its events: the exit-on-input rules of a
// full-screen run, the cursor, and the viewport that follows the size.
#pragma once

#include "platform/platform.h"

// A full-screen run is in progress: input ends it, and the cursor is hidden.
extern bool saverActive;

// The mouse rule: the first movement sets the reference; a position more than
// 5 pixels from the reference in x or y ends the run. The reference never
// follows the pointer, so a slow drift ends the run too.
struct MouseRule {
    static constexpr int kThreshold = 5;
    bool firstMove = true;
    int referenceX = 0;
    int referenceY = 0;

    void Arm() { firstMove = true; }
    // True when the movement to (x, y) ends the run.
    bool Moved(int x, int y);
};

// Where the scene is drawn: one view for each monitor the window covers, as
// GL viewports (origin at the window's lower left corner).
struct ScreenViews {
    int count = 0;
    platform::MonitorRect viewports[platform::kMaxMonitors];
    // The views tile the whole window, none over another: every pixel is
    // drawn in every frame.
    bool coverWindow = false;
};

// The views of a window of `width` x `height` on `monitors` (in the window's
// coordinates, y down): each monitor cut to the window, a monitor that lies
// within another one (a clone) left out; the whole window when none remains.
void LayOutViews(const platform::MonitorList& monitors, int width, int height, ScreenViews* views);

// A run whose display went away ends with this code (as Xlib's own end of
// such a run would), after the end sequence of every run.
constexpr int kDisplayLostExitCode = 1;

// Filled by ScreenWindowProc; the main loop ends once quitPosted is set.
struct ScreenWindowState {
    ScreenViews views;
    MouseRule mouse;
    bool quitPosted = false;
    int quitCode = 0;
    // False while nothing drawn could be seen (the last Visibility event):
    // the main loop then draws nothing and waits.
    bool visible = true;
};

extern ScreenWindowState screenWindow;

// Handles one event of the screen window.
void ScreenWindowProc(const platform::Event& event);

// Viewport and a 70 degree perspective (near 1, far 1525) for that size; a
// height of 0 counts as 1.
void ResizeViewport(int width, int height);
// The same for a viewport whose lower left corner is at (x, y).
void SetViewport(int x, int y, int width, int height);
// The viewport and projection of the first of screenWindow.views, set once
// the views are laid out: a single view keeps them from frame to frame, and
// several are set each frame.
void SetFirstView();

// One frame: the whole window cleared, the scene advanced once and drawn in
// every view with that view's own aspect ratio, so no monitor's picture is
// stretched; a view of the same size as one drawn before gets that view's
// picture copied.
void DrawFrameOnEveryMonitor();
