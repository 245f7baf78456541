// Ms3dModel::Load on files built by the MS3D writer: every field, every
// trailing section and sub-version, and the edge cases of the format.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "model/ms3d_model.h"
#include "sample_file.h"
#include "support/temp_dir.h"

using namespace ms3d_writer;

namespace {

TEST(Ms3dLoad, ReadsEveryFieldOfTheSampleFile) {
    TempDir dir;
    const std::string path = dir.Write("model.ms3d", Encode(SampleFile()));
    Ms3dModel model;
    ASSERT_TRUE(model.Load(path.c_str()));

    ASSERT_EQ(model.GetVertexCount(), 4);
    const Ms3dVertex& v2 = model.GetVertex(2);
    EXPECT_EQ(v2.flags, 3);
    EXPECT_EQ(v2.position.x, 1.0f);
    EXPECT_EQ(v2.position.y, 4.0f);
    EXPECT_EQ(v2.position.z, 1.0f);
    EXPECT_EQ(v2.boneIndex, 0);
    EXPECT_EQ(model.GetVertex(1).boneIndex, 1);
    EXPECT_EQ(v2.referenceCount, 3);
    EXPECT_EQ(v2.boneIndices[0], 1);
    EXPECT_EQ(v2.boneIndices[1], -1);
    EXPECT_EQ(v2.weights[1], 30);
    EXPECT_EQ(v2.extra, 0xdeadbeefu);
    EXPECT_EQ(v2.extra2, 0u) << "sub-version 2 has no second extra";

    ASSERT_EQ(model.GetTriangleCount(), 2);
    const Ms3dTriangle& t1 = model.GetTriangle(1);
    EXPECT_EQ(t1.flags, 7);
    EXPECT_EQ(t1.vertexIndices[1], 2);
    EXPECT_EQ(t1.vertexIndices[2], 3);
    EXPECT_EQ(t1.normals[1].x, 1.0f);
    EXPECT_EQ(t1.normals[0].z, 1.0f);
    EXPECT_EQ(t1.s[0], 0.25f);
    EXPECT_EQ(t1.t[2], 0.75f);
    EXPECT_EQ(t1.smoothingGroup, 2);
    EXPECT_EQ(t1.groupIndex, 1);

    ASSERT_EQ(model.GetGroupCount(), 2);
    EXPECT_EQ(model.GetGroup(0).flags, 1);
    EXPECT_EQ(NameText(model.GetGroup(0).name), "body");
    EXPECT_EQ(model.GetGroup(1).triangleIndices, (std::vector<uint16_t>{1, 0}));
    EXPECT_EQ(model.GetGroup(0).materialIndex, 0);
    EXPECT_EQ(model.GetGroup(1).materialIndex, -1);
    EXPECT_EQ(model.GetGroup(1).comment, "fins comment");
    EXPECT_EQ(model.GetGroup(0).comment, "");

    ASSERT_EQ(model.GetMaterialCount(), 2);
    const Ms3dMaterial& m0 = model.GetMaterial(0);
    EXPECT_EQ(NameText(m0.name), "skin");
    EXPECT_FLOAT_EQ(m0.ambient[0], 0.2f);
    EXPECT_FLOAT_EQ(m0.diffuse[1], 0.8f);
    EXPECT_EQ(m0.shininess, 12.0f);
    EXPECT_EQ(m0.transparency, 0.75f);
    for (const float* colour : {m0.ambient, m0.diffuse, m0.specular, m0.emissive}) {
        EXPECT_EQ(colour[3], 0.75f) << "every alpha takes the transparency";
    }
    EXPECT_EQ(m0.mode, kMs3dModeBlend);
    EXPECT_EQ(NameText(m0.textureFile), "skin.tga");
    EXPECT_EQ(NameText(m0.alphaMapFile), "skin_alpha.tga");
    EXPECT_EQ(m0.textureName, 0u);
    EXPECT_EQ(m0.comment, "skin comment");
    EXPECT_EQ(model.GetMaterial(1).mode, kMs3dModeSphereMap);

    EXPECT_EQ(model.GetFrameRate(), 30.0f);
    EXPECT_EQ(model.GetCurrentFrame(), 2.5f);
    EXPECT_EQ(model.GetTotalFrames(), 90);

    ASSERT_EQ(model.GetJointCount(), 2);
    const Ms3dJoint& root = model.GetJoint(0);
    EXPECT_EQ(root.flags, 8);
    EXPECT_EQ(NameText(root.name), "root");
    EXPECT_EQ(NameText(root.parentName), "");
    EXPECT_EQ(root.rotation.z, 0.5f);
    EXPECT_EQ(root.position.y, 2.0f);
    ASSERT_EQ(root.rotationKeys.size(), 2u);
    EXPECT_EQ(root.rotationKeys[1].time, 15.0f) << "0.5 s at 30 frames a second";
    EXPECT_EQ(root.rotationKeys[1].value.y, 0.2f);
    ASSERT_EQ(root.positionKeys.size(), 1u);
    EXPECT_EQ(root.positionKeys[0].time, 30.0f);
    EXPECT_EQ(root.positionKeys[0].value.z, 6.0f);
    EXPECT_EQ(root.colour[2], 0.75f);
    EXPECT_EQ(NameText(model.GetJoint(1).parentName), "root");
    EXPECT_EQ(model.GetJoint(1).comment, "child comment");

    EXPECT_EQ(model.GetComment(), "model comment");
    EXPECT_EQ(model.GetJointSize(), 0.25f);
    EXPECT_EQ(model.GetTransparencyMode(), 2);
    EXPECT_EQ(model.GetAlphaRef(), 0.125f);
}

TEST(Ms3dLoad, ClearRestoresTheDefaults) {
    Ms3dModel model;
    ASSERT_TRUE(LoadBytes(model, Encode(SampleFile())));
    model.Clear();
    EXPECT_TRUE(IsEmpty(model));
    EXPECT_EQ(model.GetCurrentFrame(), 1.0f);
}

TEST(Ms3dLoad, VertexExtrasOfEachSubVersion) {
    struct Case {
        int32_t subVersion;
        int8_t bone1;
        uint8_t weight2;
        uint32_t extra, extra2;
    };
    // sub-version 3 carries two 32-bit extras (14 bytes a vertex); an unknown
    // one carries nothing, and the joint colours still follow
    const Case cases[] = {{1, -1, 10, 0, 0}, {2, -1, 10, 0xdeadbeef, 0}, {3, -1, 10, 0xdeadbeef, 0x01020304},
                          {4, 0, 0, 0, 0},   {0, 0, 0, 0, 0}};
    for (const Case& c : cases) {
        File f = SampleFile();
        f.vertexExtrasSubVersion = c.subVersion;
        Ms3dModel model;
        ASSERT_TRUE(LoadBytes(model, Encode(f))) << c.subVersion;
        const Ms3dVertex& v = model.GetVertex(3);
        EXPECT_EQ(v.boneIndices[1], c.bone1) << c.subVersion;
        EXPECT_EQ(v.weights[2], c.weight2) << c.subVersion;
        EXPECT_EQ(v.extra, c.extra) << c.subVersion;
        EXPECT_EQ(v.extra2, c.extra2) << c.subVersion;
        EXPECT_EQ(model.GetJoint(0).colour[1], 0.5f) << c.subVersion;
        EXPECT_EQ(model.GetAlphaRef(), 0.125f) << c.subVersion;
    }
}

TEST(Ms3dLoad, AFileEndingAfterAnySectionKeepsTheDefaultsOfTheRest) {
    for (int sections = 0; sections <= 4; ++sections) {
        File f = SampleFile();
        f.trailingSections = sections;
        Ms3dModel model;
        ASSERT_TRUE(LoadBytes(model, Encode(f))) << sections;
        EXPECT_EQ(model.GetComment(), sections >= 1 ? "model comment" : "") << sections;
        EXPECT_EQ(model.GetGroup(1).comment, sections >= 1 ? "fins comment" : "") << sections;
        EXPECT_EQ(model.GetVertex(0).weights[0], sections >= 2 ? 60 : 0) << sections;
        EXPECT_EQ(model.GetJoint(0).colour[0], sections >= 3 ? 0.25f : 0.0f) << sections;
        EXPECT_EQ(model.GetJointSize(), sections >= 4 ? 0.25f : 1.0f) << sections;
        EXPECT_EQ(model.GetTransparencyMode(), sections >= 4 ? 2 : 0) << sections;
        EXPECT_EQ(model.GetAlphaRef(), sections >= 4 ? 0.125f : 0.5f) << sections;
    }
}

TEST(Ms3dLoad, UnknownSubVersionsSkipOnlyTheirSection) {
    File f = SampleFile();
    f.commentsSubVersion = 2;
    f.jointExtrasSubVersion = 7;
    Ms3dModel model;
    ASSERT_TRUE(LoadBytes(model, Encode(f)));
    EXPECT_EQ(model.GetComment(), "");
    EXPECT_EQ(model.GetVertex(0).extra, 0xdeadbeefu) << "the next four bytes are the vertex extras' sub-version";
    EXPECT_EQ(model.GetJoint(0).colour[0], 0.0f);
    EXPECT_EQ(model.GetTransparencyMode(), 2);

    f = SampleFile();
    f.modelExtrasSubVersion = 2;
    ASSERT_TRUE(LoadBytes(model, Encode(f)));
    EXPECT_EQ(model.GetTransparencyMode(), 0);
    EXPECT_EQ(model.GetJointSize(), 1.0f);
}

TEST(Ms3dLoad, FrameRateFloorAndKeyTimesInFrames) {
    struct Case {
        float fileRate, keptRate, keyFrame;  // the key lies at 0.5 s
    };
    const Case cases[] = {{30, 30, 15}, {0.5f, 1, 0.5f}, {0, 1, 0.5f}, {-24, 1, 0.5f}, {1, 1, 0.5f},
                          {std::nanf(""), 1, 0.5f}};
    for (const Case& c : cases) {
        File f = SampleFile();
        f.frameRate = c.fileRate;
        Ms3dModel model;
        ASSERT_TRUE(LoadBytes(model, Encode(f)));
        EXPECT_EQ(model.GetFrameRate(), c.keptRate) << c.fileRate;
        EXPECT_EQ(model.GetJoint(0).rotationKeys[1].time, c.keyFrame) << c.fileRate;
    }
}

TEST(Ms3dLoad, CommentsWhoseIndexNamesNoRecordAreDropped) {
    File f = SampleFile();
    f.groupComments = {{-1, "before"}, {2, "past the end"}, {0, "first"}, {0, ""}};
    f.materialComments = {{5, "nothing"}};
    f.jointComments = {};
    Ms3dModel model;
    ASSERT_TRUE(LoadBytes(model, Encode(f)));
    EXPECT_EQ(model.GetGroup(0).comment, "") << "a later empty comment replaces an earlier one";
    EXPECT_EQ(model.GetGroup(1).comment, "");
    EXPECT_EQ(model.GetMaterial(0).comment, "");
    EXPECT_EQ(model.GetJoint(1).comment, "");
    EXPECT_EQ(model.GetComment(), "model comment");
}

TEST(Ms3dLoad, ModelCommentOnlyWhenTheFlagIsOne) {
    for (int32_t flag : {0, 2, -1}) {
        File f = SampleFile();
        f.modelCommentFlag = flag;
        Ms3dModel model;
        ASSERT_TRUE(LoadBytes(model, Encode(f))) << flag;
        EXPECT_EQ(model.GetComment(), "") << flag;
        EXPECT_EQ(model.GetVertex(0).extra, 0xdeadbeefu) << flag;
    }
}

TEST(Ms3dLoad, CommentTextsKeepEveryByte) {
    File f = SampleFile();
    f.modelComment.text = std::string("line one\r\nwith a \0 zero", 23);
    f.groupComments = {{0, std::string(3000, 'x')}};
    Ms3dModel model;
    ASSERT_TRUE(LoadBytes(model, Encode(f)));
    EXPECT_EQ(model.GetComment(), f.modelComment.text);
    EXPECT_EQ(model.GetGroup(0).comment.size(), 3000u);
}

TEST(Ms3dLoad, EmptyTablesAndEmptyGroups) {
    File f;
    Ms3dModel model;
    ASSERT_TRUE(LoadBytes(model, Encode(f)));
    EXPECT_EQ(model.GetVertexCount() + model.GetTriangleCount() + model.GetGroupCount() + model.GetJointCount(), 0);

    f = SampleFile();
    f.groups[0].triangleIndices.clear();
    f.groups[0].materialIndex = 1;
    ASSERT_TRUE(LoadBytes(model, Encode(f)));
    EXPECT_TRUE(model.GetGroup(0).triangleIndices.empty());
    EXPECT_EQ(model.GetGroup(0).materialIndex, 1) << "the material index follows the count at once";
}

TEST(Ms3dLoad, NamesFillingTheirWholeFieldAreKept) {
    File f = SampleFile();
    f.groups[0].name = std::string(32, 'g');
    f.joints[0].name = std::string(32, 'r');
    f.joints[1].parentName = std::string(32, 'r');
    f.materials[0].textureFile = std::string(128, 't');
    Ms3dModel model;
    ASSERT_TRUE(LoadBytes(model, Encode(f)));
    EXPECT_EQ(NameText(model.GetGroup(0).name), std::string(32, 'g'));
    EXPECT_EQ(NameText(model.GetMaterial(0).textureFile), std::string(128, 't'));
    model.SetupJoints();
    EXPECT_EQ(model.GetJoint(1).parentIndex, 0);
}

TEST(Ms3dLoad, AFileThatCantBeOpenedLeavesTheModelAsItWas) {
    TempDir dir;
    Ms3dModel model;
    ASSERT_TRUE(LoadBytes(model, Encode(SampleFile())));
    EXPECT_FALSE(model.Load((dir.Path() + "/missing").c_str()));
    EXPECT_EQ(model.GetVertexCount(), 4);
    EXPECT_FALSE(model.Load(dir.Path().c_str())) << "a folder is no model";
    EXPECT_TRUE(IsEmpty(model));
}

TEST(Ms3dLoad, LoadReplacesAnEarlierModel) {
    Ms3dModel model;
    ASSERT_TRUE(LoadBytes(model, Encode(SampleFile())));
    File f;
    f.vertices.resize(1);
    ASSERT_TRUE(LoadBytes(model, Encode(f)));
    EXPECT_EQ(model.GetVertexCount(), 1);
    EXPECT_EQ(model.GetGroupCount(), 0);
    EXPECT_EQ(model.GetComment(), "");
}

TEST(Ms3dWriter, RefusesTablesPastTheirSixteenBitCounts) {
    File f;
    f.vertices.resize(65535);
    // header, vertices, four empty tables and the animation block, then the
    // comments (three empty lists, no model comment), the vertex extras, the
    // joint colours (no joints) and the model extras
    const size_t expected = 14u + (2 + 65535 * 15) + 2 + 2 + 2 + 12 + 2 + (4 + 12 + 4) + (4 + 65535 * 10) + 4 + (4 + 12);
    EXPECT_EQ(Encode(f).size(), expected) << "the largest table still fits";
    f.vertices.resize(65536);
    EXPECT_EQ(Encode(f), "");
    f.vertices.clear();
    f.joints.resize(1);
    f.joints[0].positionKeys.resize(65536);
    EXPECT_EQ(Encode(f), "");
}

}  // namespace
