// A small MS3D description with every section filled, for the model tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/ms3d_model.h"
#include "ms3d_writer.h"

// Two triangles in two groups (material 0 and none), two materials, a root
// joint with a child, comments of every kind and every trailing section.
ms3d_writer::File SampleFile();

// Loads `bytes` into `model` the way the viewer would (from memory).
inline bool LoadBytes(Ms3dModel& model, const std::string& bytes) {
    return model.LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// True when the model holds nothing: what every refused file must leave.
inline bool IsEmpty(const Ms3dModel& model) {
    return model.GetVertexCount() == 0 && model.GetTriangleCount() == 0 && model.GetGroupCount() == 0 &&
           model.GetMaterialCount() == 0 && model.GetJointCount() == 0 && model.GetComment().empty() &&
           model.GetTransparencyMode() == 0 && model.GetJointSize() == 1.0f && model.GetAlphaRef() == 0.5f &&
           model.GetFrameRate() == 24.0f && model.GetTotalFrames() == 30;
}
