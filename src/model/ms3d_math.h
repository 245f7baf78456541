// The small math of the skeleton and of the viewer's framing.
#pragma once

struct Vec3 {
    float x, y, z;
};

// Three rows of four: columns 0-2 rotate, column 3 translates. A point p goes
// to m[r][0]*p.x + m[r][1]*p.y + m[r][2]*p.z + m[r][3]; the fourth row is 0 0 0 1.
struct Matrix3x4 {
    float m[3][4];
};

// Rotation about x by angles.x, then about y by angles.y, then about z by
// angles.z (radians); translation zero.
Matrix3x4 MatrixFromAngles(const Vec3& angles);

// out = a * b (b applied first). `out` must be neither input.
void ConcatMatrices(const Matrix3x4& a, const Matrix3x4& b, Matrix3x4& out);

// The point that `m` carries `p` to.
Vec3 TransformPoint(const Matrix3x4& m, const Vec3& p);

// An empty box: min at +99999, max at -99999 on every axis.
void ResetBounds(Vec3& min, Vec3& max);
// Grows the box to hold `point`, each axis on its own.
void ExtendBounds(const Vec3& point, Vec3& min, Vec3& max);
