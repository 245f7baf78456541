// Files a loader must refuse: every refusal leaves the model empty.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "model/ms3d_model.h"
#include "sample_file.h"
#include "support/temp_dir.h"

using namespace ms3d_writer;

namespace {

void PutU16(std::string& bytes, size_t at, uint16_t v) {
    bytes[at] = static_cast<char>(v & 0xff);
    bytes[at + 1] = static_cast<char>(v >> 8);
}

void PutI32(std::string& bytes, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(static_cast<uint32_t>(v) >> (8 * i));
}

// A model with something in it, so that a refusal must actively empty it.
Ms3dModel LoadedModel() {
    Ms3dModel model;
    EXPECT_TRUE(LoadBytes(model, Encode(SampleFile())));
    return model;
}

void ExpectRefused(const std::string& bytes, const std::string& what) {
    Ms3dModel model;
    EXPECT_TRUE(LoadBytes(model, Encode(SampleFile())));
    EXPECT_FALSE(LoadBytes(model, bytes)) << what;
    EXPECT_TRUE(IsEmpty(model)) << what;
}

TEST(Ms3dHostile, IdentifierAndVersion) {
    for (int32_t version : {3, 5, 0, -4, 1 << 24}) {
        File f = SampleFile();
        f.version = version;
        ExpectRefused(Encode(f), "version " + std::to_string(version));
    }
    for (const char* identifier : {"MS3D00000", "ms3d000000", "MS3D000001", ""}) {
        File f = SampleFile();
        f.identifier = identifier;
        ExpectRefused(Encode(f), std::string("identifier ") + identifier);
    }
    ExpectRefused("", "an empty file");
}

TEST(Ms3dHostile, EveryTruncationOfAValidFile) {
    Layout layout;
    const std::string bytes = Encode(SampleFile(), &layout);
    // A file may end between its trailing sections, nowhere else.
    std::vector<size_t> ends = {layout.jointsEnd};
    ends.insert(ends.end(), layout.trailingEnds.begin(), layout.trailingEnds.end());
    ASSERT_EQ(ends.back(), bytes.size());
    for (size_t size = 0; size <= bytes.size(); ++size) {
        Ms3dModel model = LoadedModel();
        const bool valid = std::find(ends.begin(), ends.end(), size) != ends.end();
        EXPECT_EQ(model.LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), size), valid) << size;
        if (!valid) {
            EXPECT_TRUE(IsEmpty(model)) << size;
        }
    }
}

// The same through the file reader with its smallest window, so that records
// straddle the window's refills; every file also against LoadFromMemory.
TEST(Ms3dHostile, EveryTruncationReadFromDisk) {
    File f = SampleFile();
    f.materials.resize(3, f.materials[1]);  // past one window
    f.groupComments.push_back({0, std::string(700, 'c')});  // longer than the window
    Layout layout;
    const std::string bytes = Encode(f, &layout);
    ASSERT_GT(bytes.size(), 2 * kMs3dMinWindowBytes);
    TempDir dir;
    const std::string path = dir.Write("cut", "");
    for (size_t size = 0; size <= bytes.size(); ++size) {
        std::FILE* out = std::fopen(path.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, size, out), size);
        std::fclose(out);
        std::FILE* in = std::fopen(path.c_str(), "rb");
        ASSERT_NE(in, nullptr);
        Ms3dModel fromFile = LoadedModel(), fromMemory;
        const bool loaded = fromFile.LoadFromFile(in, kMs3dMinWindowBytes);
        std::fclose(in);
        EXPECT_EQ(loaded, fromMemory.LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), size)) << size;
        if (!loaded) {
            EXPECT_TRUE(IsEmpty(fromFile)) << size;
        } else {
            EXPECT_EQ(fromFile.GetGroup(0).comment, fromMemory.GetGroup(0).comment) << size;
            EXPECT_EQ(fromFile.GetMaterialCount(), 3) << size;
        }
    }
    Ms3dModel model;
    ASSERT_TRUE(model.Load(dir.Write("whole", bytes).c_str()));
    EXPECT_EQ(model.GetGroup(0).comment, std::string(700, 'c'));
    EXPECT_EQ(model.GetAlphaRef(), 0.125f);
}

TEST(Ms3dHostile, EveryTruncationWithEachVertexExtrasSubVersion) {
    for (int32_t subVersion = 1; subVersion <= 3; ++subVersion) {
        File f = SampleFile();
        f.vertexExtrasSubVersion = subVersion;
        Layout layout;
        const std::string bytes = Encode(f, &layout);
        for (size_t size = layout.trailingEnds[0] + 1; size < layout.trailingEnds[1]; ++size) {
            Ms3dModel model;
            EXPECT_FALSE(model.LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), size))
                << subVersion << " " << size;
        }
    }
}

TEST(Ms3dHostile, CountsLargerThanTheFile) {
    Layout layout;
    const std::string valid = Encode(SampleFile(), &layout);
    const size_t counts[] = {layout.vertexCountAt, layout.triangleCountAt, layout.groupCountAt,
                             layout.materialCountAt, layout.jointCountAt};
    for (size_t at : counts) {
        for (uint16_t count : {uint16_t{0xffff}, uint16_t{0x8000}}) {
            std::string bytes = valid;
            PutU16(bytes, at, count);
            ExpectRefused(bytes, "count at " + std::to_string(at) + " = " + std::to_string(count));
        }
    }
}

TEST(Ms3dHostile, HugeCountsInsideRecords) {
    File f = SampleFile();
    f.joints.resize(1);
    f.joints[0].rotationKeys.clear();
    f.joints[0].positionKeys.clear();
    f.trailingSections = 0;
    Layout layout;
    std::string bytes = Encode(f, &layout);
    std::string keys = bytes;
    PutU16(keys, layout.jointCountAt + 2 + 89, 0xffff);  // rotation key count of the one joint
    ExpectRefused(keys, "65535 rotation keys in a short file");
    keys = bytes;
    PutU16(keys, layout.jointCountAt + 2 + 91, 0xffff);
    ExpectRefused(keys, "65535 position keys in a short file");

    std::string group = bytes;
    PutU16(group, layout.groupCountAt + 2 + 33, 0xffff);  // triangle count of group 0
    ExpectRefused(group, "65535 triangle indices in a short file");
}

TEST(Ms3dHostile, CommentCountsAndLengths) {
    struct Case {
        const char* what;
        void (*damage)(File&);
    };
    const Case cases[] = {
        {"negative length", [](File& f) { f.groupComments[0].length = -1; }},
        {"length far past the end", [](File& f) { f.materialComments[0].length = 0x7fffffff; }},
        {"length one past the end", [](File& f) {
             f.trailingSections = 1;
             f.modelComment.length = static_cast<int32_t>(f.modelComment.text.size()) + 1;
         }},
        {"negative model comment length", [](File& f) { f.modelComment.length = -5; }},
        {"minimum int length", [](File& f) { f.jointComments[0].length = INT32_MIN; }},
    };
    for (const Case& c : cases) {
        File f = SampleFile();
        c.damage(f);
        // the writer writes `length` but the text as it is: make the length
        // the only fault by keeping what follows
        ExpectRefused(Encode(f), c.what);
    }

    Layout layout;
    File f = SampleFile();
    f.trailingSections = 1;
    const std::string valid = Encode(f, &layout);
    std::string bytes = valid;
    PutI32(bytes, layout.jointsEnd + 4, 0x7fffffff);  // group comment count
    ExpectRefused(bytes, "2^31-1 group comments");
    bytes = valid;
    PutI32(bytes, layout.jointsEnd + 4, -7);  // a negative count means none: what follows is misread
    Ms3dModel model;
    EXPECT_FALSE(LoadBytes(model, bytes));
}

TEST(Ms3dHostile, NegativeCommentCountsMeanNone) {
    File f = SampleFile();
    f.groupComments.clear();
    f.materialComments.clear();
    f.jointComments.clear();
    Layout layout;
    std::string bytes = Encode(f, &layout);
    PutI32(bytes, layout.jointsEnd + 4, -3);
    PutI32(bytes, layout.jointsEnd + 8, INT32_MIN);
    Ms3dModel model;
    ASSERT_TRUE(LoadBytes(model, bytes));
    EXPECT_EQ(model.GetComment(), "model comment");
}

TEST(Ms3dHostile, IndicesOutOfRange) {
    struct Case {
        const char* what;
        void (*damage)(File&);
        bool valid;
    };
    const Case cases[] = {
        {"vertex index = vertex count", [](File& f) { f.triangles[1].vertexIndices[2] = 4; }, false},
        {"vertex index 65535", [](File& f) { f.triangles[0].vertexIndices[0] = 0xffff; }, false},
        {"last vertex", [](File& f) { f.triangles[0].vertexIndices[0] = 3; }, true},
        {"triangle index = triangle count", [](File& f) { f.groups[1].triangleIndices[0] = 2; }, false},
        {"material index = material count", [](File& f) { f.groups[0].materialIndex = 2; }, false},
        {"material index -2", [](File& f) { f.groups[0].materialIndex = -2; }, false},
        {"material index 127 without materials",
         [](File& f) {
             f.groups[0].materialIndex = 127;
             f.materials.clear();
         },
         false},
        {"last material", [](File& f) { f.groups[0].materialIndex = 1; }, true},
        {"bone index = joint count", [](File& f) { f.vertices[2].boneIndex = 2; }, false},
        {"bone index -2", [](File& f) { f.vertices[2].boneIndex = -2; }, false},
        {"extra bone index = joint count", [](File& f) { f.vertices[1].boneIndices[2] = 2; }, false},
        {"bone index without joints",
         [](File& f) {
             f.joints.clear();
             f.jointComments.clear();
         },
         false},
        {"no bones without joints",
         [](File& f) {
             f.joints.clear();
             for (Vertex& v : f.vertices) {
                 v.boneIndex = -1;
                 v.boneIndices[0] = v.boneIndices[1] = v.boneIndices[2] = -1;
             }
         },
         true},
    };
    for (const Case& c : cases) {
        File f = SampleFile();
        c.damage(f);
        if (c.valid) {
            Ms3dModel model;
            EXPECT_TRUE(LoadBytes(model, Encode(f))) << c.what;
        } else {
            ExpectRefused(Encode(f), c.what);
        }
    }
}

TEST(Ms3dHostile, BytesAfterTheLastSectionAreIgnored) {
    Ms3dModel model;
    ASSERT_TRUE(LoadBytes(model, Encode(SampleFile()) + std::string(100, '\x7f')));
    EXPECT_EQ(model.GetAlphaRef(), 0.125f);
}

TEST(Ms3dHostile, RefusedFromDiskToo) {
    TempDir dir;
    std::string bytes = Encode(SampleFile());
    bytes.resize(bytes.size() / 2);
    const std::string path = dir.Write("half.ms3d", bytes);
    Ms3dModel model = LoadedModel();
    EXPECT_FALSE(model.Load(path.c_str()));
    EXPECT_TRUE(IsEmpty(model));
}

// The fuzzer's own corruptions, replayed deterministically: bytes of a valid
// file overwritten with values that make counts, lengths and indices hostile.
// Each must load consistently or be refused with the model empty; the
// sanitizer build checks that no byte outside the file is read.
TEST(Ms3dHostile, SeededCorruptions) {
    const std::string valid = Encode(SampleFile());
    const uint8_t hostile[] = {0x00, 0x01, 0x7f, 0x80, 0xfe, 0xff};
    uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    int refused = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = valid;
        int changes = 1 + static_cast<int>(next() % 4);
        for (int c = 0; c < changes; ++c)
            bytes[next() % bytes.size()] = static_cast<char>(hostile[next() % sizeof hostile]);
        Ms3dModel model = LoadedModel();
        if (LoadBytes(model, bytes)) {
            model.SetupJoints();
            model.SetFrame(-1.0f);
        } else {
            ++refused;
            EXPECT_TRUE(IsEmpty(model)) << "round " << round;
        }
    }
    // Most single-byte damage lands in data, not in structure.
    EXPECT_GT(refused, 0);
    EXPECT_LT(refused, 3000);
}

}  // namespace
