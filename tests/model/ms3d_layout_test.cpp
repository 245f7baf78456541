// One MS3D file laid down byte by byte from the format's published layout,
// field after field with no writer in between, so a misreading that the
// project's own writer shares with the loader can't hide: every section,
// every trailing one included, and every field read back through Load.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "model/ms3d_model.h"
#include "support/temp_dir.h"

using std::make_tuple;

namespace {

// Little-endian fields appended in file order.
struct Bytes {
    std::string b;
    Bytes& U8(unsigned v) { return b += static_cast<char>(v), *this; }
    Bytes& U16(unsigned v) { return U8(v & 0xff).U8(v >> 8); }
    Bytes& U32(std::uint32_t v) { return U16(v & 0xffff).U16(v >> 16); }
    Bytes& F32(float f) {
        std::uint32_t v;
        std::memcpy(&v, &f, 4);
        return U32(v);
    }
    Bytes& Text(const char* s, std::size_t n) {  // char[n], zero-filled
        std::string field(s);
        field.resize(n, '\0');
        return b += field, *this;
    }
    Bytes& Comment(int index, const char* s) { return U32(index).U32(std::strlen(s)).Text(s, std::strlen(s)); }
};

std::string Fixture() {
    Bytes f;
    f.Text("MS3D000000", 10).U32(4);
    f.U16(3);  // vertices: flags, x y z, bone index, reference count
    f.U8(1).F32(1.5f).F32(-2.0f).F32(3.25f).U8(0xff).U8(2);
    f.U8(2).F32(4.0f).F32(5.0f).F32(-6.0f).U8(0).U8(1);
    f.U8(0).F32(0.0f).F32(7.5f).F32(8.0f).U8(1).U8(3);
    f.U16(1);  // triangle: flags, corners, normals per corner, s, t, smoothing group, group
    f.U16(0x0102).U16(2).U16(0).U16(1);
    for (int k = 0; k < 9; ++k) f.F32(0.125f * k);
    f.F32(0.1f).F32(0.2f).F32(0.3f).F32(0.4f).F32(0.5f).F32(0.6f).U8(9).U8(0);
    f.U16(1);  // group: flags, name, triangle count, indices, material
    f.U8(3).Text("body", 32).U16(1).U16(0).U8(0);
    f.U16(1);  // material: name, 4 colours, shininess, transparency, mode, texture, alpha map
    f.Text("skin", 32);
    for (int k = 0; k < 16; ++k) f.F32(0.0625f * k);  // each colour's alpha is not the transparency
    f.F32(12.5f).F32(0.75f).U8(0xc1).Text("skin.png", 128).Text("skin_alpha.png", 128);
    f.F32(24.0f).F32(3.5f).U32(48);  // frame rate, current time, total frames
    f.U16(2);                        // joints: flags, name, parent, rotation, position, key counts, keys (time, value)
    f.U8(8).Text("root", 32).Text("", 32).F32(0.1f).F32(0.2f).F32(0.3f).F32(1.0f).F32(2.0f).F32(3.0f);
    f.U16(1).U16(0).F32(0.5f).F32(-0.5f).F32(0.25f).F32(0.0f);
    f.U8(0).Text("arm", 32).Text("root", 32).F32(0.0f).F32(0.5f).F32(0.0f).F32(0.0f).F32(4.0f).F32(0.0f);
    f.U16(0).U16(2).F32(0.0f).F32(1.0f).F32(1.0f).F32(1.0f).F32(2.0f).F32(2.0f).F32(3.0f).F32(4.0f);
    f.U32(1);  // comments: groups, materials (index 1 is past the last: dropped), joints, model
    f.U32(1).Comment(0, "the body");
    f.U32(2).Comment(0, "skin").Comment(1, "dropped");
    f.U32(1).Comment(1, "elbow");
    f.U32(1).U32(6).Text("hi\r\n", 4).U8(0).U8('!');  // every byte kept, a zero too
    f.U32(2);                                         // vertex extras: three bone indices, three weights, extra value
    f.U8(1).U8(0xff).U8(0xff).U8(60).U8(40).U8(0).U32(0xdeadbeef);
    f.U8(0xff).U8(0xff).U8(0xff).U8(100).U8(0).U8(0).U32(7);
    f.U8(0).U8(1).U8(0xff).U8(50).U8(25).U8(25).U32(0);
    f.U32(1).F32(1.0f).F32(0.5f).F32(0.0f).F32(0.0f).F32(0.25f).F32(1.0f);  // joint colours
    f.U32(1).F32(2.5f).U32(2).F32(0.125f);  // joint size, transparency mode, alpha reference
    return f.b;
}

std::tuple<float, float, float> Xyz(const Vec3& v) { return {v.x, v.y, v.z}; }
template <typename T>
std::vector<float> Floats(const T* values, int count) {
    return std::vector<float>(values, values + count);
}

TEST(Ms3dLayout, ReadsEveryFieldOfAFileLaidDownByteByByte) {
    TempDir dir;
    Ms3dModel m;
    ASSERT_TRUE(m.Load(dir.Write("fixture.ms3d", Fixture()).c_str()));
    ASSERT_EQ(make_tuple(m.GetVertexCount(), m.GetTriangleCount(), m.GetGroupCount(), m.GetMaterialCount(),
                         m.GetJointCount()),
              make_tuple(3, 1, 1, 1, 2));
    const struct {
        int flags;
        std::tuple<float, float, float> position;
        int bone, references;
        std::vector<float> bones, weights;
        std::uint32_t extra;
    } vertices[] = {{1, {1.5f, -2.0f, 3.25f}, -1, 2, {1, -1, -1}, {60, 40, 0}, 0xdeadbeef},
                    {2, {4.0f, 5.0f, -6.0f}, 0, 1, {-1, -1, -1}, {100, 0, 0}, 7},
                    {0, {0.0f, 7.5f, 8.0f}, 1, 3, {0, 1, -1}, {50, 25, 25}, 0}};
    for (int i = 0; i < 3; ++i) {
        const Ms3dVertex& v = m.GetVertex(i);
        const auto& w = vertices[i];
        EXPECT_EQ(make_tuple(int{v.flags}, Xyz(v.position), int{v.boneIndex}, int{v.referenceCount},
                             Floats(v.boneIndices, 3), Floats(v.weights, 3), v.extra),
                  make_tuple(w.flags, w.position, w.bone, w.references, w.bones, w.weights, w.extra))
            << "vertex " << i;
    }
    const Ms3dTriangle& t = m.GetTriangle(0);
    EXPECT_EQ(
        make_tuple(t.flags, t.vertexIndices[0], t.vertexIndices[1], t.vertexIndices[2], Floats(t.s, 3), Floats(t.t, 3),
                   t.smoothingGroup, t.groupIndex),
        make_tuple(0x0102, 2, 0, 1, std::vector<float>{0.1f, 0.2f, 0.3f}, std::vector<float>{0.4f, 0.5f, 0.6f}, 9, 0));
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(Xyz(t.normals[c]), make_tuple(0.375f * c, 0.375f * c + 0.125f, 0.375f * c + 0.25f)) << c;

    const Ms3dGroup& g = m.GetGroup(0);
    EXPECT_EQ(make_tuple(int{g.flags}, NameText(g.name), g.triangleIndices, int{g.materialIndex}, g.comment),
              make_tuple(3, "body", std::vector<std::uint16_t>{0}, 0, "the body"));
    const Ms3dMaterial& mat = m.GetMaterial(0);
    const float* colours[] = {mat.ambient, mat.diffuse, mat.specular, mat.emissive};
    for (int c = 0; c < 4; ++c)  // each alpha the transparency, not the file's own
        EXPECT_EQ(Floats(colours[c], 4),
                  (std::vector<float>{0.25f * c, 0.25f * c + 0.0625f, 0.25f * c + 0.125f, 0.75f}));
    EXPECT_EQ(make_tuple(NameText(mat.name), mat.shininess, mat.transparency, int{mat.mode}, NameText(mat.textureFile),
                         NameText(mat.alphaMapFile), mat.comment),
              make_tuple("skin", 12.5f, 0.75f, 0xc1, "skin.png", "skin_alpha.png", "skin"));

    const Ms3dJoint& root = m.GetJoint(0);
    const Ms3dJoint& arm = m.GetJoint(1);
    EXPECT_EQ(make_tuple(int{root.flags}, NameText(root.name), NameText(root.parentName), Xyz(root.rotation),
                         Xyz(root.position), root.comment, Floats(root.colour, 3)),
              make_tuple(8, "root", "", make_tuple(0.1f, 0.2f, 0.3f), make_tuple(1.0f, 2.0f, 3.0f), "",
                         std::vector<float>{1.0f, 0.5f, 0.0f}));
    EXPECT_EQ(make_tuple(int{arm.flags}, NameText(arm.name), NameText(arm.parentName), Xyz(arm.rotation),
                         Xyz(arm.position), arm.comment, Floats(arm.colour, 3)),
              make_tuple(0, "arm", "root", make_tuple(0.0f, 0.5f, 0.0f), make_tuple(0.0f, 4.0f, 0.0f), "elbow",
                         std::vector<float>{0.0f, 0.25f, 1.0f}));
    // Key times in frames: seconds times 24.
    ASSERT_EQ(make_tuple(root.rotationKeys.size(), root.positionKeys.size(), arm.rotationKeys.size(),
                         arm.positionKeys.size()),
              make_tuple(1u, 0u, 0u, 2u));
    EXPECT_EQ(make_tuple(root.rotationKeys[0].time, Xyz(root.rotationKeys[0].value)),
              make_tuple(12.0f, make_tuple(-0.5f, 0.25f, 0.0f)));
    EXPECT_EQ(make_tuple(arm.positionKeys[0].time, Xyz(arm.positionKeys[0].value), arm.positionKeys[1].time,
                         Xyz(arm.positionKeys[1].value)),
              make_tuple(0.0f, make_tuple(1.0f, 1.0f, 1.0f), 48.0f, make_tuple(2.0f, 3.0f, 4.0f)));

    EXPECT_EQ(make_tuple(m.GetFrameRate(), m.GetCurrentFrame(), m.GetTotalFrames(), m.GetComment(), m.GetJointSize(),
                         m.GetTransparencyMode(), m.GetAlphaRef()),
              make_tuple(24.0f, 3.5f, 48, std::string("hi\r\n\0!", 6), 2.5f, 2, 0.125f));
}

}  // namespace
