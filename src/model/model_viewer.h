// The one process-wide model viewer: owns the model, frames it by its
// bounding box, and draws it lit and textured with its skeleton over it.
#pragma once

#include <cstdint>

#include "model/ms3d_math.h"
#include "model/ms3d_model.h"

// What a viewer may ask of its host window. The screensaver's viewer takes
// no input and never calls it.
class IModelViewerCallback {
public:
    virtual ~IModelViewerCallback() = default;
    virtual void Redraw() = 0;
    virtual void SetTimer(int32_t milliseconds) = 0;
    virtual void Quit() = 0;
};

class GlutViewerCallback : public IModelViewerCallback {
public:
    void Redraw() override {}
    void SetTimer(int32_t) override {}
    void Quit() override {}
};

// The longest model path kept, terminator included; a longer one is refused.
constexpr int kModelPathSize = 260;

struct ViewerState {
    IModelViewerCallback* callback = nullptr;  // not owned
    int32_t windowHeight = 1;
    Vec3 camera = {0, 0, 0};  // the view is moved by its negation
    int32_t lineHeight = 12;
    char modelPath[kModelPathSize] = {};
    Ms3dModel model;
    Vec3 extent = {1, 1, 1};
    Vec3 centre = {0, 0, 0};
    float viewDistance = 1.41f;
    bool texturesLoaded = false;
    // The groups' triangles as display lists, made with the textures.
    unsigned groupLists = 0;
    int groupListCount = 0;
};

class ModelViewer {
public:
    // Initialises DevIL (IL, ILU, ILUT); the destructor shuts it down.
    ModelViewer();
    virtual ~ModelViewer();
    ModelViewer(const ModelViewer&) = delete;
    ModelViewer& operator=(const ModelViewer&) = delete;

    void Init(IModelViewerCallback* callback);
    // Camera at (0, 0, view distance).
    void ResetView();
    // Loads the model and frames it; makes no OpenGL call. A null or empty
    // path only empties the model; a path longer than 259 characters or a
    // file that doesn't load leaves the model empty and the frame as it was.
    void LoadModel(const char* path);
    // With the context current: makes the loaded model's textures and its
    // groups' display lists (a start-up step, once after each load).
    void UploadModel();
    // Draws into the caller's modelview matrix, with what UploadModel made
    // (before it, untextured and group by group). Leaves lighting and depth
    // test off, light 0 and face culling on, the plain material state, colour
    // (1, 1, 0, 1).
    void Draw();

    // The box, in the coordinates Draw is called in, that holds every
    // triangle Draw draws with depth testing; false when it draws none.
    bool DepthTestedBox(Vec3* low, Vec3* high) const;

    const ViewerState& State() const { return *state_; }

private:
    ViewerState* state_;
};

// Constructed before main, destroyed at process end.
extern ModelViewer modelViewer;
