// The scene's data: thirteen raw textures and the camera path.
#include "make_data.h"
#include "scene_texture_common.h"

bool WriteSceneTextures(const std::string& dataDir) {
    return scene_data::WriteWaterTexture(dataDir) && scene_data::WriteGroundTexture(dataDir) &&
           scene_data::WriteCubePanels(dataDir) && scene_data::WriteSkyBox(dataDir);
}
