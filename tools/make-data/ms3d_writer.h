// Writes MS3D version 4 model files byte by byte from a plain description.
// The default model and the loader's tests both build their files with it,
// so every field can be set, also to values a loader must refuse.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ms3d_writer {

struct Vertex {
    uint8_t flags = 0;
    float position[3] = {0, 0, 0};
    int8_t boneIndex = -1;
    uint8_t referenceCount = 0;
    // vertex extras
    int8_t boneIndices[3] = {-1, -1, -1};
    uint8_t weights[3] = {100, 0, 0};
    uint32_t extra = 0;
    uint32_t extra2 = 0;
};

struct Triangle {
    uint16_t flags = 0;
    uint16_t vertexIndices[3] = {0, 0, 0};
    float normals[3][3] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    float s[3] = {0, 0, 0};
    float t[3] = {0, 0, 0};
    uint8_t smoothingGroup = 1;
    uint8_t groupIndex = 0;
};

struct Group {
    uint8_t flags = 0;
    std::string name;  // at most 32 bytes, written zero-padded
    std::vector<uint16_t> triangleIndices;
    int8_t materialIndex = -1;
};

constexpr uint8_t kMs3dModeBlendBit = 64;
constexpr uint8_t kMs3dModeSphereMapBit = 128;

struct Material {
    std::string name;
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1};
    float diffuse[4] = {0.8f, 0.8f, 0.8f, 1};
    float specular[4] = {0, 0, 0, 1};
    float emissive[4] = {0, 0, 0, 1};
    float shininess = 0;
    float transparency = 1;
    uint8_t mode = 0;
    std::string textureFile;   // at most 128 bytes
    std::string alphaMapFile;  // at most 128 bytes
};

struct Key {
    float time;  // seconds
    float value[3];
};

struct Joint {
    uint8_t flags = 0;
    std::string name;
    std::string parentName;
    float rotation[3] = {0, 0, 0};
    float position[3] = {0, 0, 0};
    std::vector<Key> rotationKeys;
    std::vector<Key> positionKeys;
    float colour[3] = {1, 1, 1};
};

// A comment entry. `length` is the length field written; by default the
// text's size, but a test may write any value.
struct Comment {
    Comment() = default;
    Comment(int32_t index, std::string text) : index(index), text(std::move(text)) {}

    int32_t index = 0;
    std::string text;
    std::optional<int32_t> length;  // unset: text.size()
};

// Trailing sections, written in this order while `trailingSections` allows:
// comments, vertex extras, joint colours, model extras. A section whose
// sub-version the format doesn't know is written as that sub-version alone.
struct File {
    std::string identifier = "MS3D000000";
    int32_t version = 4;
    std::vector<Vertex> vertices;
    std::vector<Triangle> triangles;
    std::vector<Group> groups;
    std::vector<Material> materials;
    float frameRate = 24;
    float currentTime = 0;
    int32_t totalFrames = 30;
    std::vector<Joint> joints;

    int trailingSections = 4;  // 0 to 4
    int32_t commentsSubVersion = 1;
    std::vector<Comment> groupComments, materialComments, jointComments;
    int32_t modelCommentFlag = 0;
    Comment modelComment;                // written when the flag is 1; its index is ignored
    int32_t vertexExtrasSubVersion = 2;  // 1: 6 bytes a vertex, 2: 10, 3: 14
    int32_t jointExtrasSubVersion = 1;
    int32_t modelExtrasSubVersion = 1;
    float jointSize = 1;
    int32_t transparencyMode = 0;
    float alphaRef = 0.5f;
};

// Where the parts of an encoded file lie, for tests that damage files.
struct Layout {
    size_t vertexCountAt = 0, triangleCountAt = 0, groupCountAt = 0, materialCountAt = 0;
    size_t animationAt = 0, jointCountAt = 0;
    size_t jointsEnd = 0;              // where the trailing sections begin
    std::vector<size_t> trailingEnds;  // end of each trailing section written
};

// The file's bytes; "" when a table holds more records than its 16-bit count allows.
std::string Encode(const File& file, Layout* layout = nullptr);
// Writes `bytes` to `path`; false when the file can't be written.
bool WriteFile(const std::string& path, const std::string& bytes);

}  // namespace ms3d_writer
