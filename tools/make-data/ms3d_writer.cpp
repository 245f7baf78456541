#include "ms3d_writer.h"

#include <cstdio>
#include <cstring>

namespace ms3d_writer {
namespace {

class Out {
public:
    void Raw(const void* data, size_t n) { bytes.append(static_cast<const char*>(data), n); }
    void U8(uint8_t v) { bytes.push_back(static_cast<char>(v)); }
    void I8(int8_t v) { U8(static_cast<uint8_t>(v)); }
    void U16(uint16_t v) {
        U8(v & 0xff);
        U8(v >> 8);
    }
    void U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(v >> (8 * i)));
    }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void F32(float v) {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        U32(u);
    }
    void Floats(const float* v, int n) {
        for (int i = 0; i < n; ++i) F32(v[i]);
    }
    // A fixed-size text field: the text, cut to the field, then zeros.
    void Text(const std::string& text, size_t field) {
        const size_t n = text.size() < field ? text.size() : field;
        bytes.append(text, 0, n);
        bytes.append(field - n, '\0');
    }
    // Counts of the fixed sections are u16 (Encode refuses longer tables).
    void Count(size_t n) { U16(static_cast<uint16_t>(n)); }

    std::string bytes;
};

void WriteComments(Out& out, const std::vector<Comment>& comments) {
    out.I32(static_cast<int32_t>(comments.size()));
    for (const Comment& c : comments) {
        out.I32(c.index);
        out.I32(c.length.value_or(static_cast<int32_t>(c.text.size())));
        out.Raw(c.text.data(), c.text.size());
    }
}

void WriteTrailing(Out& out, const File& f, int section) {
    switch (section) {
        case 0:
            out.I32(f.commentsSubVersion);
            if (f.commentsSubVersion != 1) return;
            WriteComments(out, f.groupComments);
            WriteComments(out, f.materialComments);
            WriteComments(out, f.jointComments);
            out.I32(f.modelCommentFlag);
            if (f.modelCommentFlag == 1) {
                const Comment& c = f.modelComment;
                out.I32(c.length.value_or(static_cast<int32_t>(c.text.size())));
                out.Raw(c.text.data(), c.text.size());
            }
            return;
        case 1:
            out.I32(f.vertexExtrasSubVersion);
            if (f.vertexExtrasSubVersion < 1 || f.vertexExtrasSubVersion > 3) return;
            for (const Vertex& v : f.vertices) {
                for (int8_t b : v.boneIndices) out.I8(b);
                for (uint8_t w : v.weights) out.U8(w);
                if (f.vertexExtrasSubVersion >= 2) out.U32(v.extra);
                if (f.vertexExtrasSubVersion >= 3) out.U32(v.extra2);
            }
            return;
        case 2:
            out.I32(f.jointExtrasSubVersion);
            if (f.jointExtrasSubVersion != 1) return;
            for (const Joint& j : f.joints) out.Floats(j.colour, 3);
            return;
        default:
            out.I32(f.modelExtrasSubVersion);
            if (f.modelExtrasSubVersion != 1) return;
            out.F32(f.jointSize);
            out.I32(f.transparencyMode);
            out.F32(f.alphaRef);
            return;
    }
}

bool FitsU16Counts(const File& f) {
    constexpr size_t kMost = 0xffff;
    bool fits = f.vertices.size() <= kMost && f.triangles.size() <= kMost && f.groups.size() <= kMost &&
                f.materials.size() <= kMost && f.joints.size() <= kMost;
    for (const Group& g : f.groups) fits = fits && g.triangleIndices.size() <= kMost;
    for (const Joint& j : f.joints) fits = fits && j.rotationKeys.size() <= kMost && j.positionKeys.size() <= kMost;
    return fits;
}

}  // namespace

std::string Encode(const File& f, Layout* layout) {
    if (!FitsU16Counts(f)) {
        std::fprintf(stderr, "ms3d_writer: a table holds more than 65535 records\n");
        return "";
    }
    Layout where;
    Out out;
    out.Text(f.identifier, 10);
    out.I32(f.version);

    where.vertexCountAt = out.bytes.size();
    out.Count(f.vertices.size());
    for (const Vertex& v : f.vertices) {
        out.U8(v.flags);
        out.Floats(v.position, 3);
        out.I8(v.boneIndex);
        out.U8(v.referenceCount);
    }

    where.triangleCountAt = out.bytes.size();
    out.Count(f.triangles.size());
    for (const Triangle& t : f.triangles) {
        out.U16(t.flags);
        for (uint16_t index : t.vertexIndices) out.U16(index);
        for (const float* normal : t.normals) out.Floats(normal, 3);
        out.Floats(t.s, 3);
        out.Floats(t.t, 3);
        out.U8(t.smoothingGroup);
        out.U8(t.groupIndex);
    }

    where.groupCountAt = out.bytes.size();
    out.Count(f.groups.size());
    for (const Group& g : f.groups) {
        out.U8(g.flags);
        out.Text(g.name, 32);
        out.Count(g.triangleIndices.size());
        for (uint16_t index : g.triangleIndices) out.U16(index);
        out.I8(g.materialIndex);
    }

    where.materialCountAt = out.bytes.size();
    out.Count(f.materials.size());
    for (const Material& m : f.materials) {
        out.Text(m.name, 32);
        out.Floats(m.ambient, 4);
        out.Floats(m.diffuse, 4);
        out.Floats(m.specular, 4);
        out.Floats(m.emissive, 4);
        out.F32(m.shininess);
        out.F32(m.transparency);
        out.U8(m.mode);
        out.Text(m.textureFile, 128);
        out.Text(m.alphaMapFile, 128);
    }

    where.animationAt = out.bytes.size();
    out.F32(f.frameRate);
    out.F32(f.currentTime);
    out.I32(f.totalFrames);

    where.jointCountAt = out.bytes.size();
    out.Count(f.joints.size());
    for (const Joint& j : f.joints) {
        out.U8(j.flags);
        out.Text(j.name, 32);
        out.Text(j.parentName, 32);
        out.Floats(j.rotation, 3);
        out.Floats(j.position, 3);
        out.Count(j.rotationKeys.size());
        out.Count(j.positionKeys.size());
        for (const Key& k : j.rotationKeys) {
            out.F32(k.time);
            out.Floats(k.value, 3);
        }
        for (const Key& k : j.positionKeys) {
            out.F32(k.time);
            out.Floats(k.value, 3);
        }
    }
    where.jointsEnd = out.bytes.size();

    for (int section = 0; section < f.trailingSections && section < 4; ++section) {
        WriteTrailing(out, f, section);
        where.trailingEnds.push_back(out.bytes.size());
    }
    if (layout != nullptr) *layout = where;
    return out.bytes;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "make-data: can't write %s\n", path.c_str());
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!ok || !closed) std::fprintf(stderr, "make-data: can't write %s\n", path.c_str());
    return ok && closed;
}

}  // namespace ms3d_writer
