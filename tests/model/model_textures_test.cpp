// Finding a material's texture file beside the model, and making the
// textures with DevIL on a real context.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstring>
#include <filesystem>

#include "model/model_textures.h"
#include "model/model_viewer.h"
#include "model_texture_data.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"

namespace {

void SetName(char (&field)[128], const std::string& name) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, name.data(), std::min(name.size(), sizeof field));
}

std::string Find(const std::string& modelPath, const std::string& name) {
    char field[128];
    SetName(field, name);
    return FindTextureFile(modelPath.c_str(), field);
}

TEST(ModelTextures, FindsStoredNamesOnLinux) {
    TempDir dir;
    const std::string d = dir.Path();
    dir.Write("flat.tga", "x");
    dir.Write("tex/Skin.TGA", "x");
    dir.Write("Maps/Deep/Eye.png", "x");
    const std::string model = d + "/model.ms3d";
    struct Case {
        std::string model, name, expected;
    };
    const Case cases[] = {
        {model, "flat.tga", d + "/flat.tga"},
        {model, "tex/Skin.TGA", d + "/tex/Skin.TGA"},
        {model, "tex\\Skin.TGA", d + "/tex/Skin.TGA"},
        {model, "TEX\\skin.tga", d + "/tex/Skin.TGA"},
        {model, "maps\\deep\\EYE.PNG", d + "/Maps/Deep/Eye.png"},
        {model, ".\\tex\\skin.tga", d + "/tex/Skin.TGA"},
        {model, "\\flat.tga", d + "/flat.tga"},
        {model, "C:\\Art\\Medusa\\flat.tga", d + "/flat.tga"},
        {model, "C:\\Art\\Medusa\\FLAT.TGA", d + "/flat.tga"},
        {model, "D:/elsewhere/Skin.tga", ""},  // the last component must lie beside the model
        {model, "missing.tga", ""},
        {model, "", ""},
        {model, "tex", d + "/tex"},  // a folder is found; DevIL then fails to read it
        {d + "//model.ms3d", "flat.tga", d + "/flat.tga"},
        {d + "\\model.ms3d", "flat.tga", d + "/flat.tga"},
        {d + "/tex/../model.ms3d", "flat.tga", d + "/tex/../flat.tga"},
    };
    for (const Case& c : cases) EXPECT_EQ(Find(c.model, c.name), c.expected) << c.model << " + " << c.name;
}

TEST(ModelTextures, AModelWithoutAFolderLooksInTheCurrentOne) {
    TempDir dir;
    dir.Write("flat.tga", "x");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    const std::string found = Find("model.ms3d", "flat.tga");
    const std::string foundUpper = Find("model.ms3d", "FLAT.tga");
    std::filesystem::current_path(previous);
    EXPECT_EQ(found, "flat.tga");
    EXPECT_EQ(foundUpper, "flat.tga");
}

TEST(ModelTextures, TooLongAPathIsRefusedNotCut) {
    TempDir dir;
    // a file that exists, but whose full path needs more than 255 characters
    const std::string folder = std::string(120, 'a') + "/" + std::string(120, 'b');
    dir.Write(folder + "/t.tga", "x");
    dir.Write("t.tga", "x");
    const std::string model = dir.Path() + "/model.ms3d";
    const std::string name = folder + "/t.tga";
    ASSERT_GE(dir.Path().size() + 1 + name.size(), kTexturePathSize);
    EXPECT_EQ(Find(model, name), "");
    // a model path that is itself too long refuses every texture
    EXPECT_EQ(Find(dir.Path() + "/" + std::string(260, 'm') + "/model.ms3d", "t.tga"), "");
    // 128 bytes with no terminator in the field are taken whole
    EXPECT_EQ(Find(model, std::string(128, 'x')), "");
}

TEST(ModelTextures, LoadModelTexturesMakesEachMaterialsTexture) {
    (void)modelViewer.State();  // links the process-wide viewer, whose construction initialises DevIL
    TestGLContext gl;
    ASSERT_TRUE(gl.Ok());
    TempDir dir;
    ASSERT_TRUE(WriteModelTextures(dir.Path() + "/"));
    dir.Write("broken.tga", "not an image");
    Ms3dModel model;
    model.materials.resize(5);
    SetName(model.materials[0].textureFile, kBellTextureFile);
    SetName(model.materials[1].textureFile, "MEDUSA_GLOW.TGA");
    SetName(model.materials[2].textureFile, "broken.tga");
    SetName(model.materials[3].textureFile, "");
    SetName(model.materials[4].textureFile, kBellTextureFile);
    for (Ms3dMaterial& m : model.materials) m.textureName = 99;
    LoadModelTextures((dir.Path() + "/model").c_str(), model);

    for (int i : {0, 1, 4}) {
        const GLuint name = model.materials[i].textureName;
        ASSERT_NE(name, 0u) << i;
        EXPECT_TRUE(glIsTexture(name)) << i;
        glBindTexture(GL_TEXTURE_2D, name);
        GLint width = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        EXPECT_EQ(width, 128) << i;
    }
    EXPECT_NE(model.materials[0].textureName, model.materials[4].textureName) << "one texture per material";
    EXPECT_EQ(model.materials[2].textureName, 0u) << "an unreadable image";
    EXPECT_EQ(model.materials[3].textureName, 0u) << "no image";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
