// Drawing of an Ms3dModel: materials, groups (immediate mode, or display
// lists of the same calls), skeleton.
// Every call needs the OpenGL context current; the renderer's only state is
// the model it draws, the rest lives in the context.
#pragma once

#include "model/ms3d_model.h"

class Ms3dRenderer {
public:
    explicit Ms3dRenderer(const Ms3dModel* model) : model_(model) {}
    virtual ~Ms3dRenderer() = default;

    // The state of material `index`, or for any index that names no material
    // the plain state (untextured, opaque, default material, depth writes on).
    // An opaque material keeps the depth mask and alpha test that an earlier
    // transparent one set.
    void SetMaterial(int index);
    // Every group in table order with its material, triangles as stored.
    // Groups below `listCount` send their triangles as display list
    // `firstList` + group index (made by CompileGroups), the rest one vertex
    // call at a time.
    void DrawModel(unsigned firstList, int listCount);
    // One display list per group from `firstList` on, holding the group's
    // triangles alone: materials stay a matter of each draw.
    void CompileGroups(unsigned firstList);
    // Mode 0: each bone as a line from joint to parent (a root's has length
    // zero); mode 1: each joint as a point; other modes draw nothing.
    void DrawSkeleton(int mode);

private:
    void DrawGroupTriangles(const Ms3dGroup& group);

    const Ms3dModel* model_;
};
