// Builds an MS3D description's vertices and triangles from parametric
// surfaces, with outward winding and smooth normals. Used by the default model.
#pragma once

#include <vector>

#include "ms3d_writer.h"

namespace model_mesh {

struct V3 {
    double x, y, z;
};
V3 operator+(V3 a, V3 b);
V3 operator-(V3 a, V3 b);
V3 operator*(V3 a, double f);
double Dot(V3 a, V3 b);
V3 Cross(V3 a, V3 b);
V3 Normalise(V3 a);

// Vertices and triangles of the file, with smooth normals made from the faces.
class MeshBuilder {
public:
    explicit MeshBuilder(ms3d_writer::File& file) : file_(file) {}

    // `outward` tells which side of the surface is its outside.
    int AddVertex(V3 p, V3 outward, int bone);
    // A triangle wound counter-clockwise seen from the outside.
    void AddTriangle(int a, int b, int c, const double s[3], const double t[3], int group);

    // A grid of rows × columns vertices closed around its columns; vertex
    // (row, column) comes from `point`, texture s runs around, t down the rows.
    template <typename PointFn>
    void AddClosedGrid(int rows, int columns, int group, PointFn point) {
        const int first = static_cast<int>(file_.vertices.size());
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                V3 p, outward;
                int bone;
                point(r, c, p, outward, bone);
                AddVertex(p, outward, bone);
            }
        }
        for (int r = 0; r + 1 < rows; ++r) {
            for (int c = 0; c < columns; ++c) AddGridQuad(first, columns, rows, r, c, group);
        }
    }

    // Writes each corner's normal: the normalised sum of the faces around its vertex.
    void FinishNormals();

private:
    void AddGridQuad(int first, int columns, int rows, int r, int c, int group);

    ms3d_writer::File& file_;
    std::vector<V3> points_, outward_, normals_;
};

}  // namespace model_mesh
