// A small MS3D file with every section filled, built by the project's writer.
#pragma once

#include <algorithm>
#include <string>

#include "model/ms3d_model.h"
#include "ms3d_writer.h"

// Four vertices, two triangles in two groups (material 0 and none), two
// materials, a root joint with a child, comments and every trailing section.
inline ms3d_writer::File SampleFile() {
    using namespace ms3d_writer;
    File f;
    const float positions[4][3] = {{-1, 0, -1}, {1, 0, -1}, {1, 4, 1}, {-1, 2, 1}};
    for (int i = 0; i < 4; ++i) {
        f.vertices.push_back({uint8_t(i + 1), {}, int8_t(i % 2), 3, {1, -1, 0}, {60, 30, 10}, 0xdeadbeef, 0x01020304});
        std::copy(positions[i], positions[i] + 3, f.vertices[i].position);
    }
    f.triangles.push_back({7, {0, 1, 2}, {{0, 0, 1}, {1, 0, 0}, {0, -0.5f, 1}}, {0.25f, 0, 0}, {0, 0, 0.75f}, 2, 0});
    f.triangles.push_back({6, {0, 2, 3}, {{0, 0, 1}, {0, 0, 1}, {0, 1, 0}}, {0, 1, 0}, {0, 0, 1}, 3, 1});
    f.groups = {{1, "body", {0}, 0}, {0, "fins", {1, 0}, -1}};
    f.materials.resize(2);
    Material& skin = f.materials[0];
    skin.name = "skin", skin.textureFile = "skin.tga", skin.alphaMapFile = "skin_alpha.tga";
    skin.ambient[3] = 0.1f, skin.emissive[1] = 0.5f, skin.shininess = 12;  // every alpha takes the transparency on load
    skin.transparency = 0.75f, skin.mode = kMs3dModeBlendBit;
    f.materials[1].name = "chrome", f.materials[1].textureFile = "chrome.tga",
    f.materials[1].mode = kMs3dModeSphereMapBit;
    f.frameRate = 30, f.currentTime = 2.5f, f.totalFrames = 90;
    f.joints = {{8,
                 "root",
                 "",
                 {0, 0, 0.5f},
                 {1, 2, 3},
                 {{0.0f, {0, 0, 0}}, {0.5f, {0.1f, 0.2f, 0.3f}}},
                 {{1.0f, {4, 5, 6}}},
                 {0.25f, 0.5f, 1}},
                {0, "child", "root", {}, {0, 1, 0}, {}, {}}};
    f.groupComments = {{1, "fins comment"}};
    f.materialComments = {{0, "skin comment"}};
    f.jointComments = {{1, "child comment"}};
    f.modelCommentFlag = 1;
    f.modelComment.text = std::string("model\r\n\0comment", 15);  // every byte kept
    f.jointSize = 0.25f, f.transparencyMode = 2, f.alphaRef = 0.125f;
    return f;
}

inline bool LoadBytes(Ms3dModel& model, const std::string& bytes) {
    return model.LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// What every refused file must leave: nothing, and the defaults.
inline bool IsEmpty(const Ms3dModel& m) {
    return m.GetVertexCount() + m.GetTriangleCount() + m.GetGroupCount() + m.GetMaterialCount() + m.GetJointCount() ==
               0 &&
           m.GetComment().empty() && m.GetTransparencyMode() == 0 && m.GetJointSize() == 1.0f &&
           m.GetAlphaRef() == 0.5f;
}
