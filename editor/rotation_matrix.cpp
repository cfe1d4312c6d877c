#include "editor/rotation_matrix.h"

#include "modeldata/scalar_math.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quorvane {
namespace {

// p × R turns p by a positive angle about the axis, counter-clockwise seen from the axis's positive end.
Matrix3 RotationX(float degrees) {
    const float c = std::cos(DegreesToRadiansFiveDigits(degrees));
    const float s = std::sin(DegreesToRadiansFiveDigits(degrees));
    return {{{1, 0, 0}, {0, c, s}, {0, -s, c}}};
}

Matrix3 RotationY(float degrees) {
    const float c = std::cos(DegreesToRadiansFiveDigits(degrees));
    const float s = std::sin(DegreesToRadiansFiveDigits(degrees));
    return {{{c, 0, -s}, {0, 1, 0}, {s, 0, c}}};
}

Matrix3 RotationZ(float degrees) {
    const float c = std::cos(DegreesToRadiansFiveDigits(degrees));
    const float s = std::sin(DegreesToRadiansFiveDigits(degrees));
    return {{{c, s, 0}, {-s, c, 0}, {0, 0, 1}}};
}

float Degrees(float radians) {
    return radians / (2.0f * kPiFiveDigits) * 360.0f;
}

} // namespace

Matrix3 Multiply(const Matrix3& a, const Matrix3& b) {
    Matrix3 r{};
    for (size_t i = 0; i < 3; ++i) {
        for (size_t j = 0; j < 3; ++j) {
            r[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
        }
    }
    return r;
}

Matrix3 RotationOfAngles(const Vector4& degrees) {
    return Multiply(Multiply(RotationX(degrees.x), RotationY(degrees.y)), RotationZ(degrees.z));
}

Matrix3 ExactRotationOfAngles(const Vector4& degrees) {
    const auto turn = [](double angle, int axis) {
        const double radians = angle * std::numbers::pi / 180.0;
        const auto c = static_cast<float>(std::cos(radians));
        const auto s = static_cast<float>(std::sin(radians));
        switch (axis) {
        case 0:
            return Matrix3{{{1, 0, 0}, {0, c, s}, {0, -s, c}}};
        case 1:
            return Matrix3{{{c, 0, -s}, {0, 1, 0}, {s, 0, c}}};
        default:
            return Matrix3{{{c, s, 0}, {-s, c, 0}, {0, 0, 1}}};
        }
    };
    return Multiply(Multiply(turn(degrees.x, 0), turn(degrees.y, 1)), turn(degrees.z, 2));
}

Vector4 AnglesOfRotation(const Matrix3& r) {
    // Rx × Ry × Rz has -sin y in row 0, column 2; sin x cos y and cos x cos y below it.
    const float sinY = std::clamp(-r[0][2], -1.0f, 1.0f);
    const float cosY = std::sqrt(r[0][0] * r[0][0] + r[0][1] * r[0][1]);
    if (cosY < 1e-6f) {
        // Looking along the y axis, x and z turn about one axis: all of it goes to x.
        return {Degrees(std::atan2(-r[2][1], r[1][1])), Degrees(std::asin(sinY)), 0.0f, 0.0f};
    }
    return {Degrees(std::atan2(r[1][2], r[2][2])), Degrees(std::atan2(sinY, cosY)),
            Degrees(std::atan2(r[0][1], r[0][0])), 0.0f};
}

Vector4 TurnRow(const Vector4& v, const Matrix3& r) {
    return {v.x * r[0][0] + v.y * r[1][0] + v.z * r[2][0], v.x * r[0][1] + v.y * r[1][1] + v.z * r[2][1],
            v.x * r[0][2] + v.y * r[1][2] + v.z * r[2][2], v.w};
}

Vector4 AnglesStandingOn(const Vector4& normal, float yawDegrees) {
    const float length = std::sqrt(normal.x * normal.x + normal.y * normal.y + normal.z * normal.z);
    const Vector4 up = length > 0.0f && std::isfinite(length)
                           ? Vector4{normal.x / length, normal.y / length, normal.z / length, 0.0f}
                           : Vector4{0.0f, 0.0f, 1.0f, 0.0f};
    // Up × Rx(a) × Ry(b) = (cos a sin b, -sin a, cos a cos b): the tilt
    // before the yaw is the normal turned back by it.
    const Vector4 tilt = TurnRow(up, RotationOfAngles({0.0f, 0.0f, -yawDegrees, 0.0f}));
    const float a = std::asin(std::clamp(-tilt.y, -1.0f, 1.0f));
    const float b = std::atan2(tilt.x, tilt.z);
    return {Degrees(a), Degrees(b), yawDegrees, 0.0f};
}

} // namespace quorvane
