#pragma once

#include "editor/vector4.h"

#include <array>
#include <cstddef>

namespace quorvane {

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

// The editor's transform vectors reach the GPU math as they are.
using Vec4 = Vector4;

// 4 x 4 floats, row-major, for row vectors: a point is transformed as p x M.
struct Matrix4 {
    std::array<float, 16> m{};

    float& operator()(int row, int column) { return m[static_cast<std::size_t>(row * 4 + column)]; }
    float operator()(int row, int column) const { return m[static_cast<std::size_t>(row * 4 + column)]; }
};

Vec3 operator-(const Vec3& a, const Vec3& b);
Vec3 operator+(const Vec3& a, const Vec3& b);
Vec3 operator*(const Vec3& a, float s);
float Dot(const Vec3& a, const Vec3& b);
Vec3 Cross(const Vec3& a, const Vec3& b);
float Length(const Vec3& a);
// Leaves a zero-length vector as it is.
Vec3 Normalize(const Vec3& a);

Matrix4 Identity();
Matrix4 Diagonal(float a, float b, float c, float d);
Matrix4 Multiply(const Matrix4& a, const Matrix4& b);
Matrix4 Transpose(const Matrix4& a);
// False for a singular matrix; out is then left unchanged.
bool Inverse(const Matrix4& a, Matrix4& out);
Vec4 Transform(const Vec4& p, const Matrix4& m);

// Left-handed look-to view matrix: columns r, u, d and the translation row.
Matrix4 LookTo(const Vec3& eye, const Vec3& direction, const Vec3& up);
// Left-handed perspective with c = cot(fov / 2) from the caller.
Matrix4 Perspective(float c, float aspect, float nearPlane, float farPlane);
Matrix4 RotationZ(float radians);

} // namespace quorvane
