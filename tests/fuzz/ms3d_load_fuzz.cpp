// libFuzzer target: Ms3dModel::LoadFromMemory and LoadFromFile (smallest
// window) on any bytes; both must agree, a refusal must leave the model empty,
// and for a model they accept everything drawing reads must be in range.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "../model/sample_file.h"

// Counts that tell two loads of the same bytes apart.
size_t Shape(const Ms3dModel& m) {
    size_t keys = 0;
    for (const Ms3dJoint& j : m.joints) keys += j.rotationKeys.size() * 3 + j.positionKeys.size();
    return m.vertices.size() + 7 * m.triangles.size() + 31 * m.groups.size() + 131 * m.materials.size() +
           1031 * m.joints.size() + keys + m.comment.size();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Ms3dModel model, fromFile;
    // the same bytes through the file reader with its smallest window, so
    // records straddle window refills
    bool fileLoaded = false;
    if (size > 0) {
        std::FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
        if (file == nullptr) std::abort();
        fileLoaded = fromFile.LoadFromFile(file, kMs3dMinWindowBytes);
        std::fclose(file);
    }
    const bool loaded = model.LoadFromMemory(data, size);
    if (loaded != fileLoaded || (loaded && Shape(model) != Shape(fromFile))) std::abort();
    if (!loaded) {
        if (!IsEmpty(model)) std::abort();  // a refused file must leave the model empty
        return 0;
    }
    model.SetupJoints();
    model.SetFrame(-1.0f);
    // What DrawModel and DrawSkeleton touch, through the same indices.
    float sum = 0;
    for (const Ms3dGroup& group : model.groups) {
        for (uint16_t t : group.triangleIndices) {
            const Ms3dTriangle& triangle = model.triangles.at(t);
            for (uint16_t v : triangle.vertexIndices) sum += model.vertices.at(v).position.x;
        }
        if (group.materialIndex >= 0) sum += model.materials.at(group.materialIndex).shininess;
    }
    for (const Ms3dJoint& joint : model.joints) {
        sum += joint.currentGlobal.m[0][3];
        if (joint.parentIndex >= 0) sum += model.joints.at(joint.parentIndex).currentGlobal.m[0][3];
    }
    volatile float sink = sum;
    (void)sink;
    return 0;
}
