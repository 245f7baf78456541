// The in-memory MS3D model: its record types and the model that owns them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "model/ms3d_math.h"

struct Ms3dVertex {
    uint8_t flags;
    Vec3 position;
    int8_t boneIndex;  // joint index, -1 for none
    uint8_t referenceCount;
    int8_t boneIndices[3];  // from the vertex extras, zero when absent
    uint8_t weights[3];
    uint32_t extra;   // vertex extras of sub-version 2 and 3
    uint32_t extra2;  // vertex extras of sub-version 3 only
};

struct Ms3dTriangle {
    uint16_t flags;
    uint16_t vertexIndices[3];
    Vec3 normals[3];
    float s[3];
    float t[3];
    uint8_t smoothingGroup;
    uint8_t groupIndex;
};

// Names are kept as the file holds them, so they may lack a terminator: read
// them through NameText(), never as plain C strings.
struct Ms3dGroup {
    uint8_t flags;
    char name[32];
    std::vector<uint16_t> triangleIndices;  // drawing order
    int8_t materialIndex;                   // -1 for none
    std::string comment;
};

struct Ms3dMaterial {
    char name[32];
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float emissive[4];
    float shininess;
    float transparency;  // 1.0 opaque
    uint8_t mode;        // kMs3dModeBlend, kMs3dModeSphereMap
    char textureFile[128];
    char alphaMapFile[128];
    uint32_t textureName;  // OpenGL texture, set by LoadModelTextures
    std::string comment;
};

// The loader's read window, and the smallest that holds its largest record.
constexpr size_t kMs3dWindowBytes = 1 << 18;
constexpr size_t kMs3dMinWindowBytes = 512;

constexpr uint8_t kMs3dModeBlend = 64;
constexpr uint8_t kMs3dModeSphereMap = 128;

struct Ms3dKeyframe {
    float time;  // in frames once loaded
    Vec3 value;
};

struct Ms3dJoint {
    uint8_t flags;
    char name[32];
    char parentName[32];
    Vec3 rotation;  // radians about x, y, z
    Vec3 position;  // relative to the parent
    std::vector<Ms3dKeyframe> rotationKeys;
    std::vector<Ms3dKeyframe> positionKeys;
    std::string comment;
    float colour[3];
    int32_t parentIndex;  // -1 for a root
    Matrix3x4 localBind;
    Matrix3x4 globalBind;
    Matrix3x4 currentLocal;
    Matrix3x4 currentGlobal;  // its translation column is the drawn joint position
};

// The text of a fixed-size name field: up to its first zero, at most N bytes.
template <size_t N>
std::string NameText(const char (&field)[N]) {
    size_t length = 0;
    while (length < N && field[length] != '\0') ++length;
    return std::string(field, length);
}

class Ms3dModel {
public:
    Ms3dModel();
    virtual ~Ms3dModel();

    // Empties every table and the comment and restores the defaults.
    void Clear();

    // Reads an MS3D version 4 file. True when the whole file was read and
    // every count, length and index in it holds; otherwise false with the
    // model empty (left as it was only when the file can't be opened; what
    // is not a regular file, a FIFO or a folder, counts as that).
    bool Load(const char* path);
    // The same from bytes in memory.
    bool LoadFromMemory(const uint8_t* data, size_t size);
    // The same from an open file, read from its start through a window of
    // `windowBytes` (at least kMs3dMinWindowBytes). The caller closes it.
    bool LoadFromFile(std::FILE* file, size_t windowBytes = kMs3dWindowBytes);

    int GetVertexCount() const { return static_cast<int>(vertices.size()); }
    int GetTriangleCount() const { return static_cast<int>(triangles.size()); }
    int GetGroupCount() const { return static_cast<int>(groups.size()); }
    int GetMaterialCount() const { return static_cast<int>(materials.size()); }
    int GetJointCount() const { return static_cast<int>(joints.size()); }

    // Unchecked access; references stay valid until the next Clear or Load.
    Ms3dVertex& GetVertex(int index) { return vertices[index]; }
    Ms3dTriangle& GetTriangle(int index) { return triangles[index]; }
    Ms3dGroup& GetGroup(int index) { return groups[index]; }
    Ms3dMaterial& GetMaterial(int index) { return materials[index]; }
    Ms3dJoint& GetJoint(int index) { return joints[index]; }
    const Ms3dVertex& GetVertex(int index) const { return vertices[index]; }
    const Ms3dTriangle& GetTriangle(int index) const { return triangles[index]; }
    const Ms3dGroup& GetGroup(int index) const { return groups[index]; }
    const Ms3dMaterial& GetMaterial(int index) const { return materials[index]; }
    const Ms3dJoint& GetJoint(int index) const { return joints[index]; }

    float GetFrameRate() const { return frameRate; }
    float GetCurrentFrame() const { return currentFrame; }
    int GetTotalFrames() const { return totalFrames; }
    float GetJointSize() const { return jointSize; }
    int GetTransparencyMode() const { return transparencyMode; }
    float GetAlphaRef() const { return alphaRef; }
    const std::string& GetComment() const { return comment; }

    // Index of the first joint named `name` (exact, case-sensitive), or -1.
    int FindJoint(const char* name) const;
    // Links the joints by parent name and computes their bind matrices. A
    // joint may come before its parent; a joint caught in a cycle of parent
    // names (itself included) is taken as a root.
    void SetupJoints();
    // Poses the skeleton. Every frame gives the bind pose: the model is never
    // animated. Stores `frame` as the current frame.
    void SetFrame(float frame);

    // The tables, public so that tests and tools can build models directly.
    std::vector<Ms3dVertex> vertices;
    std::vector<Ms3dTriangle> triangles;
    std::vector<Ms3dGroup> groups;
    std::vector<Ms3dMaterial> materials;
    float frameRate;
    float currentFrame;
    int totalFrames;
    std::vector<Ms3dJoint> joints;
    std::string comment;
    float jointSize;
    int transparencyMode;  // 0, 1 or 2
    float alphaRef;
};
