// The start-up that every way of drawing the scene shares: runs, snapshots
// and the monitors benchmark.
#pragma once

#include "model/model_viewer.h"

// With a context current: the model viewer with `callback`, the program
// folder, the scene's fixed state, font lists and textures (a texture that
// can't be read ends the process), then the model (data/6) loaded and its
// textures and display lists made. A model that doesn't load draws nothing.
void StartScene(GlutViewerCallback* callback);
