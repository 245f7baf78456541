// The generated default model "data/6": what it holds, and how it draws in
// a frame set up like the scene's.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>

#include "default_model.h"
#include "model/model_textures.h"
#include "model/model_viewer.h"
#include "model/ms3d_renderer.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"

namespace {

const std::string kDataDir = std::string(VELMORA_BUILD_DIR) + "/data/";

TEST(DefaultModel, TheBuiltFileIsTheGeneratorsAndDeterministic) {
    const std::string once = ms3d_writer::Encode(BuildDefaultModel());
    EXPECT_EQ(once, ms3d_writer::Encode(BuildDefaultModel()));
    EXPECT_EQ(ReadFileBytes(kDataDir + "6"), once);
}

int Depth(const Ms3dModel& model, int joint) {
    int depth = 0;
    for (int at = joint; at >= 0; at = model.GetJoint(at).parentIndex) ++depth;
    return depth;
}

TEST(DefaultModel, HoldsEverySectionAndMaterialPath) {
    Ms3dModel model;
    ASSERT_TRUE(model.Load((kDataDir + "6").c_str()));
    model.SetupJoints();
    EXPECT_GT(model.GetVertexCount(), 1000);
    EXPECT_GT(model.GetTriangleCount(), 2000);
    ASSERT_GE(model.GetGroupCount(), 4);

    bool opaque = false, blended = false, sphereMapped = false, plain = false;
    for (const Ms3dGroup& g : model.groups) {
        EXPECT_FALSE(g.triangleIndices.empty());
        EXPECT_FALSE(g.comment.empty()) << NameText(g.name);
        if (g.materialIndex < 0) {
            plain = true;
            continue;
        }
        const Ms3dMaterial& m = model.GetMaterial(g.materialIndex);
        EXPECT_FALSE(FindTextureFile((kDataDir + "6").c_str(), m.textureFile).empty()) << NameText(m.textureFile);
        if ((m.mode & kMs3dModeSphereMap) != 0) sphereMapped = true;
        if (m.transparency < 1.0f && (m.mode & kMs3dModeBlend) != 0) blended = true;
        if (m.transparency >= 1.0f && (m.mode & (kMs3dModeBlend | kMs3dModeSphereMap)) == 0) opaque = true;
    }
    EXPECT_TRUE(opaque && blended && sphereMapped && plain);

    int deepest = 0, keyed = 0;
    for (int i = 0; i < model.GetJointCount(); ++i) {
        deepest = std::max(deepest, Depth(model, i));
        const Ms3dJoint& j = model.GetJoint(i);
        if (!j.rotationKeys.empty() && !j.positionKeys.empty()) ++keyed;
        EXPECT_GT(j.colour[0] + j.colour[1] + j.colour[2], 0.0f);
    }
    EXPECT_GE(deepest, 4);
    EXPECT_EQ(keyed, model.GetJointCount());
    bool materialComment = false, jointComment = false;
    for (const Ms3dMaterial& m : model.materials) materialComment |= !m.comment.empty();
    for (const Ms3dJoint& j : model.joints) jointComment |= !j.comment.empty();
    EXPECT_TRUE(materialComment && jointComment);
    EXPECT_FALSE(model.GetComment().empty());
    EXPECT_EQ(model.GetVertex(0).weights[0], 100) << "vertex extras";
    EXPECT_NE(model.GetVertex(model.GetVertexCount() - 1).extra, 0u);
    EXPECT_EQ(model.GetJointSize(), 0.6f) << "model extras";
}

// RGBA pixels, bottom row first.
struct Image {
    int width, height;
    std::vector<uint8_t> rgba;
    const uint8_t* At(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

bool IsYellow(const uint8_t* p) { return p[0] > 240 && p[1] > 240 && p[2] < 20; }
bool IsBlue(const uint8_t* p) { return p[0] < 20 && p[1] < 20 && p[2] > 240; }
bool IsBackground(const uint8_t* p) { return p[0] < 8 && p[1] < 8 && p[2] < 8; }

// The scene's projection and first camera, and the model drawn as the frame does.
void SetSceneView(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(70.0, double(width) / height, 1.0, 1525.0);
    glMatrixMode(GL_MODELVIEW);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    gluLookAt(-1.2607, 60.0682, 129.0309, 0, 40, 0, 0, 1, 0);
    glTranslatef(0, 10, 0);
}

void SaveSnapshot(const Image& image, const char* name) {
    // VELMORA_MODEL_SNAPSHOTS=folder keeps the frames for a look (PPM)
    const char* folder = std::getenv("VELMORA_MODEL_SNAPSHOTS");
    if (folder == nullptr) return;
    std::FILE* f = std::fopen((std::string(folder) + "/" + name + ".ppm").c_str(), "wb");
    if (f == nullptr) return;
    std::fprintf(f, "P6 %d %d 255\n", image.width, image.height);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) std::fwrite(image.At(x, y), 1, 3, f);
    }
    std::fclose(f);
}

TEST(DefaultModel, DrawsLitAndTexturedWithTheSkeletonOverIt) {
    TestGLContext gl(640, 480);
    ASSERT_TRUE(gl.Ok());
    GlutViewerCallback callback;
    modelViewer.Init(&callback);
    modelViewer.LoadModel((kDataDir + "6").c_str());
    ASSERT_GT(modelViewer.State().model.GetVertexCount(), 0);

    // The scene's lights, set with an identity modelview as the scene does.
    glLoadIdentity();
    const float ambient[4] = {0.9f, 0.7f, 1.0f, 1}, diffuse[4] = {1.0f, 0.6f, 0.8f, 1};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);

    SetSceneView(640, 480);
    modelViewer.Draw();
    const Image frame{640, 480, gl.ReadPixels()};
    SaveSnapshot(frame, "model");
    for (int i = 0; i < modelViewer.State().model.GetMaterialCount(); ++i) {
        EXPECT_NE(modelViewer.State().model.GetMaterial(i).textureName, 0u) << "material " << i;
    }

    // The same frame with the model alone, to see what the skeleton covers.
    SetSceneView(640, 480);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    const ViewerState& s = modelViewer.State();
    glTranslatef(-s.camera.x - s.centre.x, -s.camera.y - s.centre.y, -s.camera.z - s.centre.z);
    Ms3dRenderer renderer(&s.model);
    renderer.DrawModel();
    renderer.SetMaterial(-1);
    const Image alone{640, 480, gl.ReadPixels()};
    SaveSnapshot(alone, "model-alone");

    int yellow = 0, yellowOverModel = 0, blue = 0, model = 0, colours = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const uint8_t* p = frame.At(x, y);
            const uint8_t* q = alone.At(x, y);
            if (!IsBackground(q)) {
                ++model;
                if (std::abs(q[0] - q[1]) > 24 || std::abs(q[1] - q[2]) > 24) ++colours;
            }
            if (IsBlue(p)) ++blue;
            if (IsYellow(p)) {
                ++yellow;
                if (!IsBackground(q)) ++yellowOverModel;
            }
        }
    }
    EXPECT_GT(model, 3000) << "the model covers a good part of the frame";
    EXPECT_GT(colours, model / 2) << "textured and lit, not grey";
    EXPECT_GT(yellow, 150) << "the joints";
    EXPECT_GT(blue, 150) << "the bones";
    EXPECT_GT(yellowOverModel, yellow * 6 / 10) << "the joints are drawn over the model";
}

}  // namespace
