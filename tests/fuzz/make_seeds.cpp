// Writes a few valid MS3D files as the fuzzer's starting corpus: every
// trailing section and each vertex-extras sub-version.
#include <string>

#include "ms3d_writer.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::string dir = argv[1];
    using namespace ms3d_writer;
    File f;
    for (int i = 0; i < 4; ++i) {
        Vertex v;
        v.position[0] = static_cast<float>(i & 1);
        v.position[1] = static_cast<float>(i >> 1);
        v.boneIndex = static_cast<int8_t>(i % 2);
        f.vertices.push_back(v);
    }
    Triangle a, b;
    b.vertexIndices[0] = 1;
    b.vertexIndices[1] = 3;
    b.vertexIndices[2] = 2;
    a.vertexIndices[1] = 1;
    a.vertexIndices[2] = 2;
    f.triangles = {a, b};
    Group g;
    g.name = "body";
    g.triangleIndices = {0, 1};
    g.materialIndex = 0;
    f.groups = {g, Group{}};
    Material m;
    m.name = "skin";
    m.textureFile = "skin.tga";
    f.materials = {m};
    Joint root, child;
    root.name = "root";
    root.rotationKeys = {{0, {0, 0, 0}}, {1, {0, 1, 0}}};
    child.name = "child";
    child.parentName = "root";
    child.positionKeys = {{0.5f, {1, 2, 3}}};
    f.joints = {root, child};
    f.groupComments = {{0, "group"}, {5, "dropped"}};
    f.materialComments = {{0, "material"}};
    f.jointComments = {{1, "joint"}};
    f.modelCommentFlag = 1;
    f.modelComment.text = "model";
    bool ok = true;
    for (int sub = 1; sub <= 3; ++sub) {
        f.vertexExtrasSubVersion = sub;
        ok = ok && WriteFile(dir + "/seed-extras" + std::to_string(sub), Encode(f));
    }
    for (int sections = 0; sections < 4; ++sections) {
        f.trailingSections = sections;
        ok = ok && WriteFile(dir + "/seed-sections" + std::to_string(sections), Encode(f));
    }
    return ok ? 0 : 1;
}
