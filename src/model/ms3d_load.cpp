// Ms3dModel::Load: the MS3D version 4 file, every count, length and index
// checked against the bytes that remain and the tables they name.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "model/ms3d_byte_reader.h"
#include "model/ms3d_model.h"

namespace {

constexpr size_t kVertexBytes = 15;
constexpr size_t kTriangleBytes = 70;
constexpr size_t kMaterialBytes = 361;
static_assert(kMaterialBytes <= kMs3dMinWindowBytes, "every record fits the smallest window");
constexpr size_t kJointBytes = 93;  // without its keys
constexpr size_t kKeyBytes = 16;
constexpr size_t kCommentEntryMinBytes = 8;  // index and length
// Far beyond any real model; a larger "file" (a device, a directory) is refused.
constexpr size_t kMaxFileBytes = size_t{1} << 30;

using ByteReader = Ms3dByteReader;

// The joints come later in the file: the largest bone index is kept for
// checking then, so the table needn't be walked twice.
bool ReadVertices(ByteReader& in, std::vector<Ms3dVertex>& vertices, int& largestBone) {
    largestBone = -1;
    uint16_t count;
    if (!in.U16(count) || !in.Holds(count, kVertexBytes)) return false;
    // records a window at a time, so the inner loop checks nothing but the
    // data; each filled in place (the extras stay zero unless their section follows)
    vertices.reserve(count);
    for (size_t done = 0, got = 0; done < count; done += got) {
        const uint8_t* p = in.TakeRecords(kVertexBytes, count - done, got);
        if (p == nullptr) return false;
        for (size_t i = 0; i < got; ++i, p += kVertexBytes) {
            Ms3dVertex& v = vertices.emplace_back();
            v.flags = p[0];
            v.position = LoadVec3(p + 1);
            v.boneIndex = static_cast<int8_t>(p[13]);
            v.referenceCount = p[14];
            if (v.boneIndex < -1) return false;
            if (v.boneIndex > largestBone) largestBone = v.boneIndex;
        }
    }
    return true;
}

bool ReadTriangles(ByteReader& in, std::vector<Ms3dTriangle>& triangles, size_t vertexCount) {
    uint16_t count;
    if (!in.U16(count) || !in.Holds(count, kTriangleBytes)) return false;
    // each record filled where it stays, while its cache line is at hand:
    // zeroing the table first, or building records aside, costs a pass more
    triangles.reserve(count);
    for (size_t done = 0, got = 0; done < count; done += got) {
        const uint8_t* p = in.TakeRecords(kTriangleBytes, count - done, got);
        if (p == nullptr) return false;
        for (size_t i = 0; i < got; ++i, p += kTriangleBytes) {
            Ms3dTriangle& t = triangles.emplace_back();
            t.flags = LoadU16(p);
            for (int c = 0; c < 3; ++c) {
                t.vertexIndices[c] = LoadU16(p + 2 + 2 * c);
                if (t.vertexIndices[c] >= vertexCount) return false;
                t.normals[c] = LoadVec3(p + 8 + 12 * c);
                t.s[c] = LoadF32(p + 44 + 4 * c);
                t.t[c] = LoadF32(p + 56 + 4 * c);
            }
            t.smoothingGroup = p[68];
            t.groupIndex = p[69];
        }
    }
    return true;
}

// Material indices are checked once the materials are known.
bool ReadGroups(ByteReader& in, std::vector<Ms3dGroup>& groups, size_t triangleCount) {
    uint16_t count;
    if (!in.U16(count) || !in.Holds(count, 1 + 32 + 2 + 1)) return false;
    groups.resize(count);
    for (Ms3dGroup& g : groups) {
        const uint8_t* p = in.Take(1 + 32 + 2);
        if (p == nullptr) return false;
        g.flags = p[0];
        std::memcpy(g.name, p + 1, sizeof g.name);
        const uint16_t indexCount = LoadU16(p + 33);
        if (!in.Holds(indexCount, 2)) return false;
        g.triangleIndices.resize(indexCount);
        if (!in.Bytes(g.triangleIndices.data(), 2 * size_t{indexCount})) return false;
        for (uint16_t& index : g.triangleIndices) {
            index = LoadU16(reinterpret_cast<const uint8_t*>(&index));  // the file's byte order
            if (index >= triangleCount) return false;
        }
        if (!in.I8(g.materialIndex)) return false;
    }
    return true;
}

bool ReadMaterials(ByteReader& in, std::vector<Ms3dMaterial>& materials) {
    uint16_t count;
    if (!in.U16(count) || !in.Holds(count, kMaterialBytes)) return false;
    materials.resize(count);
    for (Ms3dMaterial& m : materials) {
        const uint8_t* p = in.Take(kMaterialBytes);
        if (p == nullptr) return false;
        std::memcpy(m.name, p, sizeof m.name);
        for (int i = 0; i < 4; ++i) {
            m.ambient[i] = LoadF32(p + 32 + 4 * i);
            m.diffuse[i] = LoadF32(p + 48 + 4 * i);
            m.specular[i] = LoadF32(p + 64 + 4 * i);
            m.emissive[i] = LoadF32(p + 80 + 4 * i);
        }
        m.shininess = LoadF32(p + 96);
        m.transparency = LoadF32(p + 100);
        m.mode = p[104];
        std::memcpy(m.textureFile, p + 105, sizeof m.textureFile);
        std::memcpy(m.alphaMapFile, p + 233, sizeof m.alphaMapFile);
        m.ambient[3] = m.diffuse[3] = m.specular[3] = m.emissive[3] = m.transparency;
    }
    return true;
}

bool ReadKeys(ByteReader& in, std::vector<Ms3dKeyframe>& keys, uint16_t count, float frameRate) {
    keys.reserve(count);
    for (size_t done = 0, got = 0; done < count; done += got) {
        const uint8_t* p = in.TakeRecords(kKeyBytes, count - done, got);
        if (p == nullptr) return false;
        for (size_t i = 0; i < got; ++i, p += kKeyBytes) {
            Ms3dKeyframe& key = keys.emplace_back();
            key.time = LoadF32(p) * frameRate;  // seconds to frames
            key.value = LoadVec3(p + 4);
        }
    }
    return true;
}

bool ReadJoints(ByteReader& in, std::vector<Ms3dJoint>& joints, float frameRate) {
    uint16_t count;
    if (!in.U16(count) || !in.Holds(count, kJointBytes)) return false;
    joints.resize(count);
    for (Ms3dJoint& j : joints) {
        const uint8_t* p = in.Take(kJointBytes);
        if (p == nullptr) return false;
        j.flags = p[0];
        std::memcpy(j.name, p + 1, sizeof j.name);
        std::memcpy(j.parentName, p + 33, sizeof j.parentName);
        j.rotation = LoadVec3(p + 65);
        j.position = LoadVec3(p + 77);
        const uint16_t rotationCount = LoadU16(p + 89), positionCount = LoadU16(p + 91);
        if (!in.Holds(size_t{rotationCount} + positionCount, kKeyBytes) ||
            !ReadKeys(in, j.rotationKeys, rotationCount, frameRate) ||
            !ReadKeys(in, j.positionKeys, positionCount, frameRate)) {
            return false;
        }
        j.parentIndex = -1;
    }
    return true;
}

// One kind of comment entries; texts whose index names no record are dropped.
template <typename Record>
bool ReadCommentEntries(ByteReader& in, std::vector<Record>& records) {
    int32_t count;
    if (!in.I32(count)) return false;
    if (count <= 0) return true;
    if (!in.Holds(static_cast<size_t>(count), kCommentEntryMinBytes)) return false;
    for (int32_t i = 0; i < count; ++i) {
        int32_t index, length;
        if (!in.I32(index) || !in.I32(length) || length < 0 || static_cast<size_t>(length) > in.Remaining()) {
            return false;
        }
        std::string text(static_cast<size_t>(length), '\0');
        if (!in.Bytes(text.data(), text.size())) return false;
        if (index >= 0 && static_cast<size_t>(index) < records.size()) records[index].comment = std::move(text);
    }
    return true;
}

bool ReadComments(ByteReader& in, Ms3dModel& model) {
    if (!ReadCommentEntries(in, model.groups) || !ReadCommentEntries(in, model.materials) ||
        !ReadCommentEntries(in, model.joints)) {
        return false;
    }
    int32_t hasModelComment;
    if (!in.I32(hasModelComment)) return false;
    if (hasModelComment != 1) return true;
    int32_t length;
    if (!in.I32(length) || length < 0 || static_cast<size_t>(length) > in.Remaining()) return false;
    model.comment.assign(static_cast<size_t>(length), '\0');
    return in.Bytes(model.comment.data(), model.comment.size());
}

bool BoneIndexValid(int8_t index, size_t jointCount) {
    return index == -1 || (index >= 0 && static_cast<size_t>(index) < jointCount);
}

bool ReadVertexExtras(ByteReader& in, std::vector<Ms3dVertex>& vertices, int32_t subVersion, size_t jointCount) {
    const size_t bytes = subVersion == 1 ? 6 : subVersion == 2 ? 10 : 14;
    if (!in.Holds(vertices.size(), bytes)) return false;
    for (Ms3dVertex& v : vertices) {
        const uint8_t* p = in.Take(bytes);
        if (p == nullptr) return false;
        std::memcpy(v.boneIndices, p, 3);
        std::memcpy(v.weights, p + 3, 3);
        for (int8_t index : v.boneIndices) {
            if (!BoneIndexValid(index, jointCount)) return false;
        }
        if (subVersion >= 2) v.extra = LoadU32(p + 6);
        if (subVersion >= 3) v.extra2 = LoadU32(p + 10);
    }
    return true;
}

bool ReadJointColours(ByteReader& in, std::vector<Ms3dJoint>& joints) {
    if (!in.Holds(joints.size(), 12)) return false;
    for (Ms3dJoint& j : joints) {
        const uint8_t* p = in.Take(12);
        if (p == nullptr) return false;
        for (int i = 0; i < 3; ++i) j.colour[i] = LoadF32(p + 4 * i);
    }
    return true;
}

// The trailing sections, each present only while the file goes on. A
// sub-version this loader doesn't know skips the rest of its section.
bool ReadTrailingSections(ByteReader& in, Ms3dModel& model) {
    int32_t subVersion;
    if (in.AtEnd()) return true;
    if (!in.I32(subVersion)) return false;
    if (subVersion == 1 && !ReadComments(in, model)) return false;

    if (in.AtEnd()) return true;
    if (!in.I32(subVersion)) return false;
    if (subVersion >= 1 && subVersion <= 3 && !ReadVertexExtras(in, model.vertices, subVersion, model.joints.size())) {
        return false;
    }

    if (in.AtEnd()) return true;
    if (!in.I32(subVersion)) return false;
    if (subVersion == 1 && !ReadJointColours(in, model.joints)) return false;

    if (in.AtEnd()) return true;
    if (!in.I32(subVersion)) return false;
    if (subVersion == 1) {
        const uint8_t* p = in.Take(12);
        if (p == nullptr) return false;
        model.jointSize = LoadF32(p);
        model.transparencyMode = LoadI32(p + 4);
        model.alphaRef = LoadF32(p + 8);
    }
    return true;
}

// Material indices name records read after the groups.
bool MaterialIndicesValid(const Ms3dModel& model) {
    for (const Ms3dGroup& g : model.groups) {
        if (g.materialIndex < -1 || g.materialIndex >= model.GetMaterialCount()) return false;
    }
    return true;
}

bool ReadModel(ByteReader& in, Ms3dModel& model) {
    const uint8_t* header = in.Take(14);
    if (header == nullptr || std::memcmp(header, "MS3D000000", 10) != 0 || LoadI32(header + 10) != 4) return false;

    int largestBone;
    if (!ReadVertices(in, model.vertices, largestBone) || !ReadTriangles(in, model.triangles, model.vertices.size()) ||
        !ReadGroups(in, model.groups, model.triangles.size()) || !ReadMaterials(in, model.materials)) {
        return false;
    }
    const uint8_t* animation = in.Take(12);
    if (animation == nullptr) return false;
    model.frameRate = LoadF32(animation);
    model.currentFrame = LoadF32(animation + 4);
    model.totalFrames = LoadI32(animation + 8);
    // NaN counts as below 1 too, so key times stay numbers
    if (!(model.frameRate >= 1.0f)) model.frameRate = 1.0f;
    if (!ReadJoints(in, model.joints, model.frameRate) || largestBone >= model.GetJointCount()) return false;
    return MaterialIndicesValid(model) && ReadTrailingSections(in, model);
}

}  // namespace

bool Ms3dModel::LoadFromMemory(const uint8_t* data, size_t size) {
    Clear();
    ByteReader in(data, size);
    if (ReadModel(in, *this)) return true;
    Clear();
    return false;
}

bool Ms3dModel::LoadFromFile(std::FILE* file, size_t windowBytes) {
    Clear();
    // A directory opens too on Linux; its "size" is huge or its read fails,
    // so it is refused.
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    bool ok = false;
    if (size >= 0 && static_cast<unsigned long>(size) <= kMaxFileBytes && std::fseek(file, 0, SEEK_SET) == 0) {
        ByteReader in(file, static_cast<size_t>(size), std::max(windowBytes, kMs3dMinWindowBytes));
        ok = ReadModel(in, *this);
    }
    if (!ok) Clear();
    return ok;
}
