// One MS3D file laid down byte by byte from the format's published layout,
// field after field with no writer in between, so a misreading that the
// project's own writer shares with the loader can't hide: every section,
// every trailing one included, and every field read back through Load.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "model/ms3d_model.h"
#include "support/temp_dir.h"

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
    f.U32(1).U32(5).Text("hello", 5);
    f.U32(2);  // vertex extras: three bone indices, three weights, extra value
    f.U8(1).U8(0xff).U8(0xff).U8(60).U8(40).U8(0).U32(0xdeadbeef);
    f.U8(0xff).U8(0xff).U8(0xff).U8(100).U8(0).U8(0).U32(7);
    f.U8(0).U8(1).U8(0xff).U8(50).U8(25).U8(25).U32(0);
    f.U32(1).F32(1.0f).F32(0.5f).F32(0.0f).F32(0.0f).F32(0.25f).F32(1.0f);  // joint colours
    f.U32(1).F32(2.5f).U32(2).F32(0.125f);  // joint size, transparency mode, alpha reference
    return f.b;
}

void ExpectVec(const Vec3& v, float x, float y, float z) {
    EXPECT_EQ(v.x, x);
    EXPECT_EQ(v.y, y);
    EXPECT_EQ(v.z, z);
}

TEST(Ms3dLayout, ReadsEveryFieldOfAFileLaidDownByteByByte) {
    TempDir dir;
    Ms3dModel m;
    ASSERT_TRUE(m.Load(dir.Write("fixture.ms3d", Fixture()).c_str()));
    ASSERT_EQ(m.GetVertexCount(), 3);
    const struct {
        int flags;
        float x, y, z;
        int bone, references;
        int bones[3], weights[3];
        std::uint32_t extra;
    } vertices[] = {{1, 1.5f, -2.0f, 3.25f, -1, 2, {1, -1, -1}, {60, 40, 0}, 0xdeadbeef},
                    {2, 4.0f, 5.0f, -6.0f, 0, 1, {-1, -1, -1}, {100, 0, 0}, 7},
                    {0, 0.0f, 7.5f, 8.0f, 1, 3, {0, 1, -1}, {50, 25, 25}, 0}};
    for (int i = 0; i < 3; ++i) {
        const Ms3dVertex& v = m.GetVertex(i);
        SCOPED_TRACE(i);
        EXPECT_EQ(v.flags, vertices[i].flags);
        ExpectVec(v.position, vertices[i].x, vertices[i].y, vertices[i].z);
        EXPECT_EQ(v.boneIndex, vertices[i].bone);
        EXPECT_EQ(v.referenceCount, vertices[i].references);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(v.boneIndices[k], vertices[i].bones[k]);
            EXPECT_EQ(v.weights[k], vertices[i].weights[k]);
        }
        EXPECT_EQ(v.extra, vertices[i].extra);
    }

    ASSERT_EQ(m.GetTriangleCount(), 1);
    const Ms3dTriangle& t = m.GetTriangle(0);
    EXPECT_EQ(t.flags, 0x0102);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(t.vertexIndices[c], (c + 2) % 3);
        ExpectVec(t.normals[c], 0.375f * c, 0.375f * c + 0.125f, 0.375f * c + 0.25f);
    }
    EXPECT_EQ(std::vector<float>(t.s, t.s + 3), (std::vector<float>{0.1f, 0.2f, 0.3f}));
    EXPECT_EQ(std::vector<float>(t.t, t.t + 3), (std::vector<float>{0.4f, 0.5f, 0.6f}));
    EXPECT_EQ(t.smoothingGroup, 9);
    EXPECT_EQ(t.groupIndex, 0);

    ASSERT_EQ(m.GetGroupCount(), 1);
    const Ms3dGroup& g = m.GetGroup(0);
    EXPECT_EQ(g.flags, 3);
    EXPECT_EQ(NameText(g.name), "body");
    EXPECT_EQ(g.triangleIndices, std::vector<std::uint16_t>{0});
    EXPECT_EQ(g.materialIndex, 0);
    EXPECT_EQ(g.comment, "the body");

    ASSERT_EQ(m.GetMaterialCount(), 1);
    const Ms3dMaterial& mat = m.GetMaterial(0);
    EXPECT_EQ(NameText(mat.name), "skin");
    const float* colours[] = {mat.ambient, mat.diffuse, mat.specular, mat.emissive};
    for (int c = 0; c < 4; ++c) {
        for (int k = 0; k < 3; ++k) EXPECT_EQ(colours[c][k], 0.0625f * (4 * c + k)) << c << k;
        EXPECT_EQ(colours[c][3], 0.75f) << c;  // the transparency, not the file's alpha
    }
    EXPECT_EQ(mat.shininess, 12.5f);
    EXPECT_EQ(mat.transparency, 0.75f);
    EXPECT_EQ(mat.mode, 0xc1);
    EXPECT_EQ(NameText(mat.textureFile), "skin.png");
    EXPECT_EQ(NameText(mat.alphaMapFile), "skin_alpha.png");
    EXPECT_EQ(mat.comment, "skin");

    EXPECT_EQ(m.GetFrameRate(), 24.0f);
    EXPECT_EQ(m.GetCurrentFrame(), 3.5f);
    EXPECT_EQ(m.GetTotalFrames(), 48);

    ASSERT_EQ(m.GetJointCount(), 2);
    const Ms3dJoint& root = m.GetJoint(0);
    const Ms3dJoint& arm = m.GetJoint(1);
    EXPECT_EQ(root.flags, 8);
    EXPECT_EQ(NameText(root.name), "root");
    EXPECT_EQ(NameText(root.parentName), "");
    ExpectVec(root.rotation, 0.1f, 0.2f, 0.3f);
    ExpectVec(root.position, 1.0f, 2.0f, 3.0f);
    ASSERT_EQ(root.rotationKeys.size(), 1u);
    EXPECT_EQ(root.rotationKeys[0].time, 12.0f);  // 0.5 s at 24 frames a second
    ExpectVec(root.rotationKeys[0].value, -0.5f, 0.25f, 0.0f);
    EXPECT_TRUE(root.positionKeys.empty());
    EXPECT_EQ(root.comment, "");
    EXPECT_EQ(arm.flags, 0);
    EXPECT_EQ(NameText(arm.name), "arm");
    EXPECT_EQ(NameText(arm.parentName), "root");
    ExpectVec(arm.rotation, 0.0f, 0.5f, 0.0f);
    ExpectVec(arm.position, 0.0f, 4.0f, 0.0f);
    EXPECT_TRUE(arm.rotationKeys.empty());
    ASSERT_EQ(arm.positionKeys.size(), 2u);
    EXPECT_EQ(arm.positionKeys[0].time, 0.0f);
    ExpectVec(arm.positionKeys[0].value, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(arm.positionKeys[1].time, 48.0f);
    ExpectVec(arm.positionKeys[1].value, 2.0f, 3.0f, 4.0f);
    EXPECT_EQ(arm.comment, "elbow");
    EXPECT_EQ(std::vector<float>(root.colour, root.colour + 3), (std::vector<float>{1.0f, 0.5f, 0.0f}));
    EXPECT_EQ(std::vector<float>(arm.colour, arm.colour + 3), (std::vector<float>{0.0f, 0.25f, 1.0f}));

    EXPECT_EQ(m.GetComment(), "hello");
    EXPECT_EQ(m.GetJointSize(), 2.5f);
    EXPECT_EQ(m.GetTransparencyMode(), 2);
    EXPECT_EQ(m.GetAlphaRef(), 0.125f);
}

}  // namespace
