#include "mesh_builder.h"

#include <cmath>
#include <utility>

using namespace ms3d_writer;

namespace model_mesh {

V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, double f) { return {a.x * f, a.y * f, a.z * f}; }
double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 Normalise(V3 a) {
    const double n = std::sqrt(Dot(a, a));
    return n > 0 ? a * (1.0 / n) : V3{0, 1, 0};
}

int MeshBuilder::AddVertex(V3 p, V3 outward, int bone) {
    Vertex v;
    v.position[0] = static_cast<float>(p.x);
    v.position[1] = static_cast<float>(p.y);
    v.position[2] = static_cast<float>(p.z);
    v.boneIndex = static_cast<int8_t>(bone);
    v.boneIndices[0] = static_cast<int8_t>(bone);
    v.weights[0] = 100;
    v.extra = static_cast<uint32_t>(file_.vertices.size());
    file_.vertices.push_back(v);
    points_.push_back(p);
    outward_.push_back(outward);
    normals_.push_back({0, 0, 0});
    return static_cast<int>(file_.vertices.size() - 1);
}

void MeshBuilder::AddTriangle(int a, int b, int c, const double s[3], const double t[3], int group) {
    int corners[3] = {a, b, c};
    double ss[3] = {s[0], s[1], s[2]}, tt[3] = {t[0], t[1], t[2]};
    const V3 face = Cross(points_[b] - points_[a], points_[c] - points_[a]);
    if (Dot(face, outward_[a] + outward_[b] + outward_[c]) < 0) {
        std::swap(corners[1], corners[2]);
        std::swap(ss[1], ss[2]);
        std::swap(tt[1], tt[2]);
    }
    const V3 oriented = Cross(points_[corners[1]] - points_[corners[0]], points_[corners[2]] - points_[corners[0]]);
    Triangle tri;
    for (int i = 0; i < 3; ++i) {
        tri.vertexIndices[i] = static_cast<uint16_t>(corners[i]);
        tri.s[i] = static_cast<float>(ss[i]);
        tri.t[i] = static_cast<float>(tt[i]);
        normals_[corners[i]] = normals_[corners[i]] + oriented;
    }
    tri.groupIndex = static_cast<uint8_t>(group);
    file_.groups[group].triangleIndices.push_back(static_cast<uint16_t>(file_.triangles.size()));
    file_.triangles.push_back(tri);
}

void MeshBuilder::AddGridQuad(int first, int columns, int rows, int r, int c, int group) {
    const int c1 = (c + 1) % columns;
    const int i00 = first + r * columns + c, i01 = first + r * columns + c1;
    const int i10 = first + (r + 1) * columns + c, i11 = first + (r + 1) * columns + c1;
    const double s0 = double(c) / columns, s1 = double(c + 1) / columns;
    const double t0 = double(r) / (rows - 1), t1 = double(r + 1) / (rows - 1);
    const double sa[3] = {s0, s1, s1}, ta[3] = {t0, t0, t1};
    const double sb[3] = {s0, s1, s0}, tb[3] = {t0, t1, t1};
    AddTriangle(i00, i01, i11, sa, ta, group);
    AddTriangle(i00, i11, i10, sb, tb, group);
}

void MeshBuilder::FinishNormals() {
    for (Triangle& tri : file_.triangles) {
        for (int i = 0; i < 3; ++i) {
            const V3 n = Normalise(normals_[tri.vertexIndices[i]]);
            tri.normals[i][0] = static_cast<float>(n.x);
            tri.normals[i][1] = static_cast<float>(n.y);
            tri.normals[i][2] = static_cast<float>(n.z);
        }
    }
}

}  // namespace model_mesh
