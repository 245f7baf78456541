// The names of the program's data files: the one place the program, the data
// generator and the tests take them from. All lie in the program folder's
// data/ folder; the music is looked for in the current folder first.
#pragma once

namespace dataName {

constexpr const char kModel[] = "6";
constexpr const char kCameraPath[] = "p";
constexpr const char kMusic[] = "xt";

// The scene's raw textures: the additive ground and water, the cube's five
// panels and the sky box's six faces, each list in the order they load.
constexpr const char kGround[] = "3";
constexpr const char kWater[] = "9";
constexpr const char* const kCubePanels[5] = {"4", "8", "5", "2", "1"};
constexpr const char* const kSkyFaces[6] = {"d", "f", "b", "e", "g", "c"};

}  // namespace dataName
