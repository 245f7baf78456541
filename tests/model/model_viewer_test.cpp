// The viewer's framing, its refusals, and the state its Draw leaves.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "model/model_viewer.h"
#include "sample_file.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"

using namespace ms3d_writer;

namespace {

std::string BoxModel(const std::vector<std::array<float, 3>>& points) {
    File f;
    for (const auto& p : points) {
        Vertex v;
        v.position[0] = p[0], v.position[1] = p[1], v.position[2] = p[2];
        f.vertices.push_back(v);
    }
    return Encode(f);
}

GlutViewerCallback callback;

TEST(ModelViewer, FramesTheBoundingBox) {
    struct Case {
        std::vector<std::array<float, 3>> points;
        Vec3 extent, centre;
        float distance;
    };
    const Case cases[] = {
        {{{-1, 0, -1}, {1, 4, 1}, {0, 2, 0}}, {2, 4, 2}, {0, 2, 0}, 4 * 1.41f},
        {{{0, 0, 0}, {3, 1, 2}}, {3, 1, 2}, {1.5f, 0.5f, 1}, 3 * 1.41f},
        {{{5, 5, -7}, {6, 5, -2}}, {1, 0, 5}, {5.5f, 5, -4.5f}, 5 * 1.41f},
        {{{2, 3, 4}}, {0, 0, 0}, {2, 3, 4}, 0},
        {{}, {-199998, -199998, -199998}, {0, 0, 0}, -199998 * 1.41f},
    };
    TempDir dir;
    for (const Case& c : cases) {
        modelViewer.Init(&callback);
        const std::string path = dir.Write("box", BoxModel(c.points));
        modelViewer.LoadModel(path.c_str());
        const ViewerState& s = modelViewer.State();
        EXPECT_EQ(s.callback, &callback);
        EXPECT_FLOAT_EQ(s.extent.x, c.extent.x) << c.points.size();
        EXPECT_FLOAT_EQ(s.extent.y, c.extent.y) << c.points.size();
        EXPECT_FLOAT_EQ(s.extent.z, c.extent.z) << c.points.size();
        EXPECT_FLOAT_EQ(s.centre.x, c.centre.x) << c.points.size();
        EXPECT_FLOAT_EQ(s.centre.y, c.centre.y) << c.points.size();
        EXPECT_FLOAT_EQ(s.centre.z, c.centre.z) << c.points.size();
        EXPECT_FLOAT_EQ(s.viewDistance, c.distance) << c.points.size();
        EXPECT_EQ(s.camera.x, 0.0f);
        EXPECT_EQ(s.camera.y, 0.0f);
        EXPECT_FLOAT_EQ(s.camera.z, c.distance) << c.points.size();
        EXPECT_FALSE(s.texturesLoaded);
        EXPECT_EQ(s.model.GetCurrentFrame(), -1.0f);
        EXPECT_STREQ(s.modelPath, path.c_str());
    }
}

TEST(ModelViewer, InitGivesADefinedCamera) {
    modelViewer.Init(&callback);
    const ViewerState& s = modelViewer.State();
    EXPECT_EQ(s.windowHeight, 1);
    EXPECT_EQ(s.lineHeight, 12);
    EXPECT_STREQ(s.modelPath, "");
    EXPECT_EQ(s.model.GetVertexCount(), 0);
    EXPECT_FLOAT_EQ(s.viewDistance, 1.41f);
    EXPECT_FLOAT_EQ(s.camera.z, 1.41f);
    EXPECT_EQ(s.extent.x, 1.0f);
    EXPECT_EQ(s.centre.y, 0.0f);
    EXPECT_FALSE(s.texturesLoaded);
}

TEST(ModelViewer, PathsThatLoadNothing) {
    TempDir dir;
    const std::string good = dir.Write("good", Encode(SampleFile()));
    std::string bad = Encode(SampleFile());
    bad.resize(100);
    const std::string broken = dir.Write("broken", bad);
    const std::string tooLong = dir.Path() + "/" + std::string(260 - dir.Path().size(), 'x');
    ASSERT_EQ(tooLong.size(), 261u);
    dir.Write(tooLong.substr(dir.Path().size() + 1), Encode(SampleFile()));  // it exists: refused for its length
    struct Case {
        const char* what;
        const char* path;
        const char* keptPath;  // model path after the call
    };
    const Case cases[] = {
        {"null", nullptr, good.c_str()},
        {"empty", "", good.c_str()},
        {"261 characters", tooLong.c_str(), good.c_str()},
        {"a short file", broken.c_str(), broken.c_str()},
        {"missing", "/nonexistent/model", "/nonexistent/model"},
    };
    for (const Case& c : cases) {
        modelViewer.Init(&callback);
        modelViewer.LoadModel(good.c_str());
        const ViewerState& s = modelViewer.State();
        ASSERT_EQ(s.model.GetVertexCount(), 4);
        const Vec3 extent = s.extent;
        const float camera = s.camera.z;
        modelViewer.LoadModel(c.path);
        EXPECT_EQ(s.model.GetVertexCount(), 0) << c.what;
        EXPECT_EQ(s.model.GetJointCount(), 0) << c.what;
        EXPECT_STREQ(s.modelPath, c.keptPath) << c.what;
        EXPECT_EQ(s.extent.y, extent.y) << c.what;
        EXPECT_EQ(s.camera.z, camera) << c.what;
    }
    // 259 characters still fit
    const std::string longest = tooLong.substr(0, 259);
    dir.Write(longest.substr(dir.Path().size() + 1), Encode(SampleFile()));
    modelViewer.LoadModel(longest.c_str());
    EXPECT_EQ(modelViewer.State().model.GetVertexCount(), 4);
}

void ExpectLeftState(const ViewerState& s, const char* what) {
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING)) << what;
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST)) << what;
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0)) << what;
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE)) << what;
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << what;
    EXPECT_FALSE(glIsEnabled(GL_BLEND)) << what;
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST)) << what;
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S)) << what;
    GLboolean depthMask;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_TRUE(depthMask) << what;
    GLfloat colour[4], light[4], matrix[16], width, size;
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f) << what;
    EXPECT_EQ(colour[1], 1.0f) << what;
    EXPECT_EQ(colour[2], 0.0f) << what;
    EXPECT_EQ(colour[3], 1.0f) << what;
    glGetFloatv(GL_LINE_WIDTH, &width);
    glGetFloatv(GL_POINT_SIZE, &size);
    EXPECT_EQ(width, 1.0f) << what;
    EXPECT_EQ(size, 1.0f) << what;
    GLint polygonMode[2];
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    EXPECT_EQ(polygonMode[0], GL_FILL) << what;
    EXPECT_EQ(polygonMode[1], GL_FILL) << what;
    // drawn from an identity modelview, light 0 lies along +z in eye space
    glGetLightfv(GL_LIGHT0, GL_POSITION, light);
    EXPECT_FLOAT_EQ(light[2], s.camera.z) << what;
    EXPECT_EQ(light[3], 0.0f) << what;
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    EXPECT_FLOAT_EQ(matrix[12], -s.camera.x - s.centre.x) << what;
    EXPECT_FLOAT_EQ(matrix[13], -s.camera.y - s.centre.y) << what;
    EXPECT_FLOAT_EQ(matrix[14], -s.camera.z - s.centre.z) << what;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << what;
}

TEST(ModelViewer, DrawLeavesItsStateAndMakesTexturesOnce) {
    TestGLContext gl;
    ASSERT_TRUE(gl.Ok());
    TempDir dir;
    File f = SampleFile();
    f.materials[0].textureFile = "skin.tga";
    const std::string path = dir.Write("model", Encode(f));
    // a 2 x 2 TGA, 32 bits, origin at the bottom left
    std::string tga = std::string("\0\0\2\0\0\0\0\0\0\0\0\0\2\0\2\0\x20\x08", 18) + std::string(16, '\x7f');
    dir.Write("skin.tga", tga);

    modelViewer.Init(&callback);
    modelViewer.LoadModel(path.c_str());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    modelViewer.Draw();
    const ViewerState& s = modelViewer.State();
    ExpectLeftState(s, "first draw");
    EXPECT_TRUE(s.texturesLoaded);
    const GLuint skin = s.model.GetMaterial(0).textureName;
    EXPECT_NE(skin, 0u);
    EXPECT_TRUE(glIsTexture(skin));
    EXPECT_EQ(s.model.GetMaterial(1).textureName, 0u) << "chrome.tga is missing";

    glLoadIdentity();
    modelViewer.Draw();
    EXPECT_EQ(s.model.GetMaterial(0).textureName, skin) << "textures are made on the first draw only";
    ExpectLeftState(s, "second draw");

    // a model without materials: the first draw loads no image and is done
    modelViewer.LoadModel(dir.Write("box", BoxModel({{0, 0, 0}, {1, 1, 1}})).c_str());
    EXPECT_FALSE(s.texturesLoaded);
    glLoadIdentity();
    modelViewer.Draw();
    EXPECT_TRUE(s.texturesLoaded);
    ExpectLeftState(s, "no materials");

    // a failed load draws nothing but sets the same state
    modelViewer.LoadModel((dir.Path() + "/missing").c_str());
    glLoadIdentity();
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    modelViewer.Draw();
    ExpectLeftState(s, "empty model");
}

}  // namespace
