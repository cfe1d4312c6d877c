#pragma once

#include "modeldata/scalar_math.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quorvane::demofield {

struct Vec3 {
    double x = 0, y = 0, z = 0;

    Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 operator*(double s) const { return {x * s, y * s, z * s}; }
    double Dot(const Vec3& o) const { return x * o.x + y * o.y + z * o.z; }
    Vec3 Cross(const Vec3& o) const { return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x}; }
    double Length() const { return std::sqrt(Dot(*this)); }
    Vec3 Normalized() const {
        const double l = Length();
        return l > 0 ? *this * (1.0 / l) : Vec3{0, 0, 1};
    }
};

// 16 numbers in file order, for column vectors: translation in elements 3, 7
// and 11. The loader transposes them for the row-vector maths of the renderer.
using Mat4 = std::array<double, 16>;

Mat4 Identity();
Mat4 Translation(const Vec3& t);
Mat4 RotationX(double radians);
Mat4 RotationY(double radians);
Mat4 RotationZ(double radians);
Mat4 Scaling(const Vec3& s);
// a * b: b applies first.
Mat4 Multiply(const Mat4& a, const Mat4& b);
Vec3 TransformPoint(const Mat4& m, const Vec3& p);
Vec3 TransformDirection(const Mat4& m, const Vec3& d);

inline double Smoothstep(double edge0, double edge1, double x) {
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

} // namespace quorvane::demofield
