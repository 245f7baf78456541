#include "model/ms3d_math.h"

#include <cmath>

Matrix3x4 MatrixFromAngles(const Vec3& angles) {
    const float sr = std::sin(angles.x), cr = std::cos(angles.x);
    const float sp = std::sin(angles.y), cp = std::cos(angles.y);
    const float sy = std::sin(angles.z), cy = std::cos(angles.z);
    Matrix3x4 out{};
    out.m[0][0] = cp * cy;
    out.m[1][0] = cp * sy;
    out.m[2][0] = -sp;
    out.m[0][1] = sr * sp * cy - cr * sy;
    out.m[1][1] = sr * sp * sy + cr * cy;
    out.m[2][1] = sr * cp;
    out.m[0][2] = cr * sp * cy + sr * sy;
    out.m[1][2] = cr * sp * sy - sr * cy;
    out.m[2][2] = cr * cp;
    return out;
}

void ConcatMatrices(const Matrix3x4& a, const Matrix3x4& b, Matrix3x4& out) {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c) {
            out.m[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c];
        }
        out.m[r][3] += a.m[r][3];
    }
}

Vec3 TransformPoint(const Matrix3x4& m, const Vec3& p) {
    return {m.m[0][0] * p.x + m.m[0][1] * p.y + m.m[0][2] * p.z + m.m[0][3],
            m.m[1][0] * p.x + m.m[1][1] * p.y + m.m[1][2] * p.z + m.m[1][3],
            m.m[2][0] * p.x + m.m[2][1] * p.y + m.m[2][2] * p.z + m.m[2][3]};
}

void ResetBounds(Vec3& min, Vec3& max) {
    min = {99999.0f, 99999.0f, 99999.0f};
    max = {-99999.0f, -99999.0f, -99999.0f};
}

void ExtendBounds(const Vec3& point, Vec3& min, Vec3& max) {
    if (point.x < min.x) min.x = point.x;
    if (point.x > max.x) max.x = point.x;
    if (point.y < min.y) min.y = point.y;
    if (point.y > max.y) max.y = point.y;
    if (point.z < min.z) min.z = point.z;
    if (point.z > max.z) max.z = point.z;
}
