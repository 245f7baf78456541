// The OpenGL state each material path leaves, and what drawing sends, on a
// real context.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "model/ms3d_renderer.h"
#include "support/gl_context.h"

namespace {

struct GlState {
    bool texture2d, blend, alphaTest, genS, genT;
    GLboolean depthMask;
    GLint alphaFunc, twoSide, boundTexture, blendSrc, blendDst, genModeS, genModeT;
    GLfloat alphaRef, colour[4], ambient[4], diffuse[4], specular[4], emission[4], shininess;
};

GlState ReadState() {
    GlState s{};
    s.texture2d = glIsEnabled(GL_TEXTURE_2D);
    s.blend = glIsEnabled(GL_BLEND);
    s.alphaTest = glIsEnabled(GL_ALPHA_TEST);
    s.genS = glIsEnabled(GL_TEXTURE_GEN_S);
    s.genT = glIsEnabled(GL_TEXTURE_GEN_T);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &s.depthMask);
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &s.alphaFunc);
    glGetFloatv(GL_ALPHA_TEST_REF, &s.alphaRef);
    glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &s.twoSide);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.boundTexture);
    glGetIntegerv(GL_BLEND_SRC, &s.blendSrc);
    glGetIntegerv(GL_BLEND_DST, &s.blendDst);
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &s.genModeS);
    glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &s.genModeT);
    glGetFloatv(GL_CURRENT_COLOR, s.colour);
    glGetMaterialfv(GL_BACK, GL_AMBIENT, s.ambient);
    glGetMaterialfv(GL_BACK, GL_DIFFUSE, s.diffuse);
    glGetMaterialfv(GL_BACK, GL_SPECULAR, s.specular);
    glGetMaterialfv(GL_BACK, GL_EMISSION, s.emission);
    glGetMaterialfv(GL_BACK, GL_SHININESS, &s.shininess);
    return s;
}

void ExpectColour(const GLfloat* actual, float r, float g, float b, float a, const char* what) {
    EXPECT_FLOAT_EQ(actual[0], r) << what;
    EXPECT_FLOAT_EQ(actual[1], g) << what;
    EXPECT_FLOAT_EQ(actual[2], b) << what;
    EXPECT_FLOAT_EQ(actual[3], a) << what;
}

Ms3dMaterial MakeMaterial(float transparency, uint8_t mode, uint32_t texture) {
    Ms3dMaterial m{};
    for (int i = 0; i < 3; ++i) {
        m.ambient[i] = 0.1f;
        m.diffuse[i] = 0.6f;
        m.specular[i] = 0.3f;
        m.emissive[i] = 0.05f;
    }
    m.ambient[3] = m.diffuse[3] = m.specular[3] = m.emissive[3] = transparency;
    m.shininess = 33;
    m.transparency = transparency;
    m.mode = mode;
    m.textureName = texture;
    return m;
}

class Ms3dRendererTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.Ok());
        glGenTextures(2, textures);
        for (GLuint t : textures) {
            glBindTexture(GL_TEXTURE_2D, t);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, "\xff\xff\xff\xff");
        }
        glBindTexture(GL_TEXTURE_2D, 0);
        model.materials = {MakeMaterial(1.0f, 0, textures[0]), MakeMaterial(0.5f, 0, textures[1]),
                           MakeMaterial(1.0f, kMs3dModeBlend, textures[1]),
                           MakeMaterial(1.0f, kMs3dModeSphereMap, textures[0])};
    }
    void TearDown() override { glDeleteTextures(2, textures); }

    TestGLContext gl;
    GLuint textures[2] = {};
    Ms3dModel model;
};

TEST_F(Ms3dRendererTest, OpaqueMaterial) {
    Ms3dRenderer renderer(&model);
    renderer.SetMaterial(0);
    const GlState s = ReadState();
    EXPECT_TRUE(s.texture2d);
    EXPECT_FALSE(s.blend);
    EXPECT_EQ(s.twoSide, 0);
    EXPECT_FALSE(s.genS);
    EXPECT_FALSE(s.genT);
    EXPECT_EQ(s.boundTexture, static_cast<GLint>(textures[0]));
    ExpectColour(s.colour, 1, 1, 1, 1, "colour");
    ExpectColour(s.ambient, 0.1f, 0.1f, 0.1f, 1, "ambient");
    ExpectColour(s.diffuse, 0.6f, 0.6f, 0.6f, 1, "diffuse");
    ExpectColour(s.specular, 0.3f, 0.3f, 0.3f, 1, "specular");
    ExpectColour(s.emission, 0.05f, 0.05f, 0.05f, 1, "emission");
    EXPECT_FLOAT_EQ(s.shininess, 33);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Ms3dRendererTest, TransparentMaterialInEachTransparencyMode) {
    struct Case {
        int mode;
        bool alphaTest;
        GLboolean depthMask;
        GLfloat alphaRef;
    };
    // mode 1 leaves the depth mask and alpha test as they were: here as set up
    const Case cases[] = {{0, true, GL_FALSE, 0.0f}, {2, true, GL_TRUE, 0.25f}, {1, false, GL_TRUE, 0.0f},
                          {7, false, GL_TRUE, 0.0f}};
    for (const Case& c : cases) {
        glDepthMask(GL_TRUE);
        glDisable(GL_ALPHA_TEST);
        glAlphaFunc(GL_ALWAYS, 0.0f);
        model.transparencyMode = c.mode;
        model.alphaRef = 0.25f;
        Ms3dRenderer renderer(&model);
        renderer.SetMaterial(1);
        const GlState s = ReadState();
        EXPECT_TRUE(s.texture2d) << c.mode;
        EXPECT_TRUE(s.blend) << c.mode;
        EXPECT_EQ(s.blendSrc, GL_SRC_ALPHA) << c.mode;
        EXPECT_EQ(s.blendDst, GL_ONE_MINUS_SRC_ALPHA) << c.mode;
        EXPECT_EQ(s.twoSide, 1) << c.mode;
        ExpectColour(s.colour, 1, 1, 1, 0.5f, "colour");
        ExpectColour(s.diffuse, 0.6f, 0.6f, 0.6f, 0.5f, "diffuse");
        EXPECT_EQ(s.alphaTest, c.alphaTest) << c.mode;
        EXPECT_EQ(s.depthMask, c.depthMask) << c.mode;
        EXPECT_EQ(s.alphaFunc, c.alphaTest ? GL_GREATER : GL_ALWAYS) << c.mode;
        EXPECT_FLOAT_EQ(s.alphaRef, c.alphaRef) << c.mode;
        EXPECT_EQ(s.boundTexture, static_cast<GLint>(textures[1])) << c.mode;
    }
}

TEST_F(Ms3dRendererTest, BlendBitTakesTheTransparentPathAtFullAlpha) {
    Ms3dRenderer renderer(&model);
    renderer.SetMaterial(2);
    const GlState s = ReadState();
    EXPECT_TRUE(s.blend);
    EXPECT_EQ(s.twoSide, 1);
    EXPECT_FALSE(s.depthMask);
    ExpectColour(s.colour, 1, 1, 1, 1, "colour");
}

TEST_F(Ms3dRendererTest, OpaqueAfterTransparentKeepsDepthWritesOffAndTheAlphaTest) {
    Ms3dRenderer renderer(&model);
    renderer.SetMaterial(1);
    renderer.SetMaterial(0);
    const GlState s = ReadState();
    EXPECT_FALSE(s.blend);
    EXPECT_EQ(s.twoSide, 0);
    EXPECT_FALSE(s.depthMask);
    EXPECT_TRUE(s.alphaTest);
    ExpectColour(s.colour, 1, 1, 1, 1, "colour");
}

TEST_F(Ms3dRendererTest, SphereMapBitGeneratesBothCoordinates) {
    Ms3dRenderer renderer(&model);
    renderer.SetMaterial(3);
    GlState s = ReadState();
    EXPECT_TRUE(s.genS);
    EXPECT_TRUE(s.genT);
    EXPECT_EQ(s.genModeS, GL_SPHERE_MAP);
    EXPECT_EQ(s.genModeT, GL_SPHERE_MAP);
    renderer.SetMaterial(0);
    s = ReadState();
    EXPECT_FALSE(s.genS);
    EXPECT_FALSE(s.genT);
}

TEST_F(Ms3dRendererTest, IndicesNamingNoMaterialGiveThePlainState) {
    for (int index : {-1, -128, 4, 1000}) {
        Ms3dRenderer renderer(&model);
        renderer.SetMaterial(1);
        renderer.SetMaterial(3);
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
        renderer.SetMaterial(index);
        const GlState s = ReadState();
        EXPECT_TRUE(s.depthMask) << index;
        EXPECT_FALSE(s.alphaTest) << index;
        EXPECT_FALSE(s.genS) << index;
        EXPECT_FALSE(s.genT) << index;
        EXPECT_FALSE(s.texture2d) << index;
        EXPECT_FALSE(s.blend) << index;
        EXPECT_EQ(s.boundTexture, 0) << index;
        EXPECT_EQ(s.twoSide, 1) << "the plain state leaves two-sided lighting alone";
        ExpectColour(s.colour, 1, 1, 1, 1, "colour");
        ExpectColour(s.ambient, 0.2f, 0.2f, 0.2f, 1, "ambient");
        ExpectColour(s.diffuse, 0.8f, 0.8f, 0.8f, 1, "diffuse");
        ExpectColour(s.specular, 0, 0, 0, 1, "specular");
        ExpectColour(s.emission, 0, 0, 0, 1, "emission");
        EXPECT_FLOAT_EQ(s.shininess, 0);
    }
}

// What a draw sends, counted through OpenGL's feedback mode.
struct Sent {
    int polygons = 0, lines = 0, points = 0;
    std::vector<float> firstVertex;  // x, y, z, then s, t of the first polygon's first corner
};

template <typename DrawFn>
Sent Capture(DrawFn draw) {
    static GLfloat buffer[1 << 16];
    glFeedbackBuffer(sizeof buffer / sizeof buffer[0], GL_3D_COLOR_TEXTURE, buffer);
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint count = glRenderMode(GL_RENDER);
    Sent sent;
    // a vertex of GL_3D_COLOR_TEXTURE: x y z, r g b a, s t r q
    const int vertexFloats = 11;
    for (GLint i = 0; i < count;) {
        const GLint token = static_cast<GLint>(buffer[i++]);
        if (token == GL_POLYGON_TOKEN) {
            const int corners = static_cast<int>(buffer[i++]);
            if (sent.polygons++ == 0) {
                sent.firstVertex = {buffer[i], buffer[i + 1], buffer[i + 2], buffer[i + 7], buffer[i + 8]};
            }
            i += corners * vertexFloats;
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            ++sent.lines;
            i += 2 * vertexFloats;
        } else if (token == GL_POINT_TOKEN) {
            ++sent.points;
            i += vertexFloats;
        } else {
            ADD_FAILURE() << "token " << token;
            break;
        }
    }
    return sent;
}

TEST_F(Ms3dRendererTest, DrawModelSendsEachGroupsTrianglesAsStored) {
    model.vertices.resize(3);
    model.vertices[0].position = {0, 0, 0};
    model.vertices[1].position = {0.5f, 0, 0};
    model.vertices[2].position = {0, 0.5f, 0};
    Ms3dTriangle t{};
    t.vertexIndices[0] = 1, t.vertexIndices[1] = 2, t.vertexIndices[2] = 0;
    t.s[0] = 0.25f;
    t.t[0] = 0.75f;  // t is not flipped
    model.triangles = {t};
    model.groups.resize(3);
    model.groups[0].triangleIndices = {0, 0};
    model.groups[0].materialIndex = -1;
    model.groups[1].materialIndex = 0;  // no triangles: an empty pair
    model.groups[2].triangleIndices = {0};
    model.groups[2].materialIndex = 0;
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    Ms3dRenderer renderer(&model);
    const Sent sent = Capture([&] { renderer.DrawModel(); });
    EXPECT_EQ(sent.polygons, 3);
    ASSERT_EQ(sent.firstVertex.size(), 5u);
    // the 64 x 64 viewport maps x 0.5 to window x 48
    EXPECT_FLOAT_EQ(sent.firstVertex[0], 48);
    EXPECT_FLOAT_EQ(sent.firstVertex[1], 32);
    EXPECT_FLOAT_EQ(sent.firstVertex[3], 0.25f);
    EXPECT_FLOAT_EQ(sent.firstVertex[4], 0.75f);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D)) << "the last group's material stays set";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Ms3dRendererTest, DrawModelSkipsIndicesThatNameNothing) {
    model.vertices.resize(3);
    model.vertices[1].position = {0.5f, 0, 0};
    model.vertices[2].position = {0, 0.5f, 0};
    Ms3dTriangle good{};
    good.vertexIndices[1] = 1, good.vertexIndices[2] = 2;
    Ms3dTriangle bad = good;
    bad.vertexIndices[2] = 3;
    model.triangles = {good, bad};
    model.groups.resize(1);
    // a triangle with a vertex past the table, a triangle index past the table
    model.groups[0].triangleIndices = {0, 1, 2, 0};
    model.groups[0].materialIndex = -1;
    glDisable(GL_CULL_FACE);
    Ms3dRenderer renderer(&model);
    const Sent sent = Capture([&] { renderer.DrawModel(); });
    EXPECT_EQ(sent.polygons, 2);
    EXPECT_FLOAT_EQ(sent.firstVertex[0], 32);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Ms3dRendererTest, DrawSkeletonLinesAndPoints) {
    Ms3dRenderer renderer(&model);
    EXPECT_EQ(Capture([&] { renderer.DrawSkeleton(0); }).lines, 0) << "no joints";
    EXPECT_EQ(Capture([&] { renderer.DrawSkeleton(1); }).points, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "an empty begin/end pair is fine";

    model.joints.resize(3);
    for (int i = 0; i < 3; ++i) {
        Ms3dJoint& j = model.joints[i];
        j.currentGlobal = MatrixFromAngles({0, 0, 0});
        j.currentGlobal.m[0][3] = 0.1f * i;
        j.parentIndex = i - 1;
    }
    const Sent lines = Capture([&] { renderer.DrawSkeleton(0); });
    EXPECT_EQ(lines.lines, 3) << "a root's bone is a line of length zero";
    EXPECT_EQ(Capture([&] { renderer.DrawSkeleton(1); }).points, 3);
    const Sent none = Capture([&] { renderer.DrawSkeleton(2); });
    EXPECT_EQ(none.lines + none.points + none.polygons, 0);
}

}  // namespace
