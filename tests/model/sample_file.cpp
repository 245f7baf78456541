#include "sample_file.h"

using namespace ms3d_writer;

File SampleFile() {
    File f;
    const float positions[4][3] = {{-1, 0, -1}, {1, 0, -1}, {1, 4, 1}, {-1, 2, 1}};
    for (int i = 0; i < 4; ++i) {
        Vertex v;
        v.flags = static_cast<uint8_t>(i + 1);
        for (int a = 0; a < 3; ++a) v.position[a] = positions[i][a];
        v.boneIndex = static_cast<int8_t>(i % 2);
        v.referenceCount = 3;
        v.boneIndices[0] = 1;
        v.boneIndices[1] = -1;
        v.boneIndices[2] = 0;
        v.weights[0] = 60;
        v.weights[1] = 30;
        v.weights[2] = 10;
        v.extra = 0xdeadbeef;
        v.extra2 = 0x01020304;
        f.vertices.push_back(v);
    }
    Triangle a;
    a.flags = 7;
    a.vertexIndices[0] = 0, a.vertexIndices[1] = 1, a.vertexIndices[2] = 2;
    a.normals[1][0] = 1;
    a.s[0] = 0.25f, a.t[2] = 0.75f;
    a.smoothingGroup = 2;
    a.groupIndex = 0;
    Triangle b = a;
    b.vertexIndices[0] = 0, b.vertexIndices[1] = 2, b.vertexIndices[2] = 3;
    b.groupIndex = 1;
    f.triangles = {a, b};

    Group g0;
    g0.flags = 1;
    g0.name = "body";
    g0.triangleIndices = {0};
    g0.materialIndex = 0;
    Group g1;
    g1.name = "fins";
    g1.triangleIndices = {1, 0};
    g1.materialIndex = -1;
    f.groups = {g0, g1};

    Material m0;
    m0.name = "skin";
    m0.ambient[3] = 0.1f;  // the alphas are replaced by the transparency on load
    m0.diffuse[3] = 0.2f;
    m0.shininess = 12;
    m0.transparency = 0.75f;
    m0.mode = kMs3dModeBlendBit;
    m0.textureFile = "skin.tga";
    m0.alphaMapFile = "skin_alpha.tga";
    Material m1;
    m1.name = "chrome";
    m1.mode = kMs3dModeSphereMapBit;
    m1.textureFile = "chrome.tga";
    f.materials = {m0, m1};

    f.frameRate = 30;
    f.currentTime = 2.5f;
    f.totalFrames = 90;

    Joint root;
    root.flags = 8;
    root.name = "root";
    root.rotation[2] = 0.5f;
    root.position[0] = 1, root.position[1] = 2, root.position[2] = 3;
    root.rotationKeys = {{0.0f, {0, 0, 0}}, {0.5f, {0.1f, 0.2f, 0.3f}}};
    root.positionKeys = {{1.0f, {4, 5, 6}}};
    root.colour[0] = 0.25f, root.colour[1] = 0.5f, root.colour[2] = 0.75f;
    Joint child;
    child.name = "child";
    child.parentName = "root";
    child.position[1] = 1;
    child.colour[0] = 1, child.colour[1] = 0, child.colour[2] = 0;
    f.joints = {root, child};

    f.groupComments = {{1, "fins comment"}};
    f.materialComments = {{0, "skin comment"}};
    f.jointComments = {{1, "child comment"}};
    f.modelCommentFlag = 1;
    f.modelComment.text = "model comment";
    f.vertexExtrasSubVersion = 2;
    f.jointSize = 0.25f;
    f.transparencyMode = 2;
    f.alphaRef = 0.125f;
    return f;
}
