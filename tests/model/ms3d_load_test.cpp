// Ms3dModel::Load on files from the project's MS3D writer, damaged ones
// included, and on one file laid down by hand; the skeleton built from what it
// reads.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <tuple>
#include <vector>

#include "sample_file.h"
#include "support/temp_dir.h"

using namespace ms3d_writer;
using std::make_tuple;

// Bytes asked of the heap: a file is refused before it costs what it only claims to hold.
static std::size_t allocated = 0;
void* operator new(std::size_t size) {
    allocated += size;
    if (void* p = std::malloc(size > 0 ? size : 1)) return p;
    throw std::bad_alloc();
}
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"  // these deletes do match that new
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// Files that differ from the sample in one way: each loads and `holds`, or
// without it is refused and leaves the model empty, whatever it held before.
TEST(Ms3dLoad, OneChangeEach) {
    const auto none = [](File&) {};
    const struct Case {
        const char* what;
        void (*edit)(File&);
        bool (*holds)(const Ms3dModel&) = nullptr;
        size_t Layout::*at = nullptr;  // then `value`, `width` bytes wide, is written at `at` + `offset`
        size_t offset = 0, value = 0, width = 0;
    } cases[] = {
        {"vertex extras 1: bones and weights only", [](File& f) { f.vertexExtrasSubVersion = 1; },
         [](const Ms3dModel& m) {
             return m.GetVertex(3).weights[2] == 10 && m.GetVertex(3).extra == 0 && m.GetJoint(0).colour[1] == 0.5f;
         }},
        {"vertex extras 3: a second extra", [](File& f) { f.vertexExtrasSubVersion = 3; },
         [](const Ms3dModel& m) {
             return m.GetVertex(3).extra2 == 0x01020304u && m.GetJoint(0).colour[1] == 0.5f &&
                    m.GetAlphaRef() == 0.125f;
         }},
        {"unknown vertex extras are skipped", [](File& f) { f.vertexExtrasSubVersion = 4; },
         [](const Ms3dModel& m) { return m.GetVertex(3).weights[0] == 0 && m.GetJoint(0).colour[1] == 0.5f; }},
        {"no trailing sections: their defaults", [](File& f) { f.trailingSections = 0; },
         [](const Ms3dModel& m) {
             return m.GetComment().empty() && m.GetVertex(0).weights[0] == 0 && m.GetAlphaRef() == 0.5f;
         }},
        {"NaN frame rate counts as 1: key times stay numbers", [](File& f) { f.frameRate = std::nanf(""); },
         [](const Ms3dModel& m) { return m.GetFrameRate() == 1 && m.GetJoint(0).rotationKeys[1].time == 0.5f; }},
        {"comments naming no record are dropped",
         [](File& f) {
             f.groupComments = {{-1, "a"}, {2, "b"}}, f.materialComments = {{5, "c"}};
         },
         [](const Ms3dModel& m) {
             return (m.GetGroup(0).comment + m.GetGroup(1).comment + m.GetMaterial(0).comment).empty();
         }},
        {"a model comment only with flag 1", [](File& f) { f.modelCommentFlag = 2; },
         [](const Ms3dModel& m) { return m.GetComment().empty() && m.GetVertex(0).extra == 0xdeadbeefu; }},
        {"an empty group's material index follows its count",
         [](File& f) { f.groups[0].triangleIndices.clear(), f.groups[0].materialIndex = 1; },
         [](const Ms3dModel& m) { return m.GetGroup(0).triangleIndices.empty() && m.GetGroup(0).materialIndex == 1; }},
        {"version 3", [](File& f) { f.version = 3; }},
        {"identifier in lower case", [](File& f) { f.identifier = "ms3d000000"; }},
        {"vertex count past the bytes", none, nullptr, &Layout::vertexCountAt, 0, 0xffff, 2},
        {"triangle count past the bytes", none, nullptr, &Layout::triangleCountAt, 0, 0x8000, 2},
        {"group count past the bytes", none, nullptr, &Layout::groupCountAt, 0, 0xffff, 2},
        {"material count past the bytes", none, nullptr, &Layout::materialCountAt, 0, 0xffff, 2},
        {"joint count past the bytes", none, nullptr, &Layout::jointCountAt, 0, 0xffff, 2},
        {"rotation key count past the bytes", none, nullptr, &Layout::jointCountAt, 2 + 89, 0xffff, 2},
        {"position key count past the bytes", none, nullptr, &Layout::jointCountAt, 2 + 91, 0xffff, 2},
        {"a group's triangle count past the bytes", none, nullptr, &Layout::groupCountAt, 2 + 33, 0xffff, 2},
        {"the same where the rest reads as a whole model from the group's material index on",
         [](File& f) {
             f = File(), f.groups = {{0, "", {}, 1}}, f.frameRate = 0, f.totalFrames = 0;
             f.modelCommentFlag = 1, f.modelComment.text = std::string(352, '\0');  // a material, frames, no joints
         },
         nullptr, &Layout::groupCountAt, 2 + 33, 0xffff, 2},
        {"2^31-1 group comments", none, nullptr, &Layout::jointsEnd, 4, 0x7fffffff, 4},
        {"negative comment counts mean none", [](File& f) { f.groupComments.clear(); },
         [](const Ms3dModel& m) { return !m.GetComment().empty(); }, &Layout::jointsEnd, 4, uint32_t(-3), 4},
        {"negative comment length", [](File& f) { f.groupComments[0].length = -1; }},
        {"comment length far past the end", [](File& f) { f.materialComments[0].length = INT32_MAX; }},
        {"model comment one byte past the end", [](File& f) { f.trailingSections = 1, f.modelComment.length = 16; }},
        {"vertex index = vertex count", [](File& f) { f.triangles[1].vertexIndices[2] = 4; }},
        {"the last vertex", [](File& f) { f.triangles[0].vertexIndices[0] = 3; },
         [](const Ms3dModel& m) { return m.GetTriangle(0).vertexIndices[0] == 3; }},
        {"triangle index = triangle count", [](File& f) { f.groups[1].triangleIndices[0] = 2; }},
        {"material index = material count", [](File& f) { f.groups[0].materialIndex = 2; }},
        {"material index -2", [](File& f) { f.groups[0].materialIndex = -2; }},
        {"bone index = joint count", [](File& f) { f.vertices[2].boneIndex = 2; }},
        {"bone index -2", [](File& f) { f.vertices[2].boneIndex = -2; }},
        {"extra bone index = joint count", [](File& f) { f.vertices[1].boneIndices[2] = 2; }},
        {"bone indices without joints", [](File& f) { f.joints.clear(), f.jointComments.clear(); }},
        {"twenty groups without triangles and nothing after them",
         [](File& f) { f = File(), f.groups.resize(20), f.trailingSections = 0; },
         [](const Ms3dModel& m) { return m.GetGroupCount() == 20; }},
    };
    for (const Case& c : cases) {
        File f = SampleFile();
        c.edit(f);
        Layout layout;
        std::string bytes = Encode(f, &layout);
        for (size_t i = 0; i < c.width; ++i) bytes[layout.*c.at + c.offset + i] = static_cast<char>(c.value >> (8 * i));
        Ms3dModel m;
        ASSERT_TRUE(LoadBytes(m, Encode(SampleFile())));
        allocated = 0;
        const bool loaded = LoadBytes(m, bytes);
        EXPECT_TRUE(c.holds ? loaded && c.holds(m) : !loaded && IsEmpty(m) && allocated < 65536)
            << c.what << ", " << allocated;
    }
}

// A file may end between its trailing sections and nowhere else. Read from
// disk through the smallest window, records and comments straddle refills.
TEST(Ms3dLoad, EveryTruncationFromMemoryAndDisk) {
    for (int32_t subVersion = 1; subVersion <= 3; ++subVersion) {
        File f = SampleFile();
        f.vertexExtrasSubVersion = subVersion;
        f.materials.resize(3, f.materials[1]), f.groupComments.push_back({0, std::string(700, 'c')});
        Layout layout;
        const std::string bytes = Encode(f, &layout);
        layout.trailingEnds.push_back(layout.jointsEnd);
        std::FILE* file = std::tmpfile();
        ASSERT_TRUE(file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
        Ms3dModel fromDisk, fromMemory;
        for (size_t size = bytes.size() + 1; size-- > 0;) {
            const bool valid = std::count(layout.trailingEnds.begin(), layout.trailingEnds.end(), size) > 0;
            ASSERT_EQ(ftruncate(fileno(file), static_cast<off_t>(size)), 0);
            ASSERT_TRUE(LoadBytes(fromDisk, bytes));
            EXPECT_EQ(fromDisk.LoadFromFile(file, kMs3dMinWindowBytes), valid) << subVersion << " " << size;
            EXPECT_EQ(LoadBytes(fromMemory, bytes.substr(0, size)), valid) << subVersion << " " << size;
            EXPECT_TRUE(valid ? fromDisk.GetGroup(0).comment == fromMemory.GetGroup(0).comment : IsEmpty(fromDisk))
                << size;
        }
        std::fclose(file);
        EXPECT_TRUE(LoadBytes(fromMemory, bytes + std::string(100, '\x7f')))
            << "bytes after the last section are ignored";
    }
}

Joint J(const std::string& name, const std::string& parent, Vec3 r, Vec3 p) {
    return {0, name, parent, {r.x, r.y, r.z}, {p.x, p.y, p.z}, {}, {}};
}

// Joint positions once loaded and set up: parents are found by name whatever
// the table order, and a joint in a cycle is a root.
TEST(Ms3dSkeleton, BindPose) {
    const float a = 1.5707963f;
    const std::string r32(32, 'r');
    const struct Case {
        const char* what;
        std::vector<Joint> joints;
        std::vector<int> parents;
        std::vector<Vec3> world;
    } cases[] = {
        {"children before their parents, turned root",
         {J("leaf", "mid", {}, {0, 0, 1}), J("mid", "root", {}, {0, 2, 0}), J("root", "", {0, 0, a}, {10, 0, 0})},
         {1, 2, -1},
         {{8, 0, 1}, {8, 0, 0}, {10, 0, 0}}},
        {"turned about x, then y",
         {J("root", "", {a, a, 0}, {}), J("child", "root", {}, {0, 1, 0})},
         {-1, 0},
         {{0, 0, 0}, {1, 0, 0}}},
        {"a cycle, a joint hanging off it, a joint its own parent",
         {J("a", "c", {}, {1, 0, 0}), J("b", "a", {}, {0, 1, 0}), J("c", "b", {}, {0, 0, 1}),
          J("hang", "b", {}, {0, 0, 5}), J("self", "self", {}, {7, 7, 7})},
         {-1, -1, -1, 1, -1},
         {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 1, 5}, {7, 7, 7}}},
        {"an empty parent name names the joint without a name",
         {J("", "", {}, {1, 0, 0}), J("b", "", {}, {0, 1, 0})},
         {-1, 0},
         {{1, 0, 0}, {1, 1, 0}}},
        {"32-byte names; a parent that isn't there",
         {J(r32, "", {}, {1, 0, 0}), J("c", r32, {}, {0, 1, 0}), J("d", "nobody", {}, {0, 0, 3})},
         {-1, 0, -1},
         {{1, 0, 0}, {1, 1, 0}, {0, 0, 3}}},
    };
    for (const Case& c : cases) {
        File f;
        f.joints = c.joints;
        Ms3dModel m;
        ASSERT_TRUE(LoadBytes(m, Encode(f))) << c.what;
        m.SetupJoints();
        m.SetFrame(-1.0f);
        for (size_t i = 0; i < c.joints.size(); ++i) {
            const Matrix3x4& g = m.GetJoint(i).currentGlobal;
            EXPECT_EQ(m.GetJoint(i).parentIndex, c.parents[i]) << c.what << " " << i;
            EXPECT_NEAR(std::hypot(g.m[0][3] - c.world[i].x, g.m[1][3] - c.world[i].y, g.m[2][3] - c.world[i].z), 0,
                        1e-5)
                << c.what << " " << i;
        }
    }
}

// One MS3D file laid down byte by byte from the format's published layout,
// field after field with no writer in between, so a misreading that the
// project's own writer shares with the loader can't hide: every section,
// every trailing one included, and every field read back through Load.
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
