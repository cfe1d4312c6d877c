#pragma once

#include "editor/vector4.h"

#include <array>

namespace quorvane {

// A 3 × 3 rotation for row vectors, as the renderer builds it: p × R.
using Matrix3 = std::array<std::array<float, 3>, 3>;

Matrix3 Multiply(const Matrix3& a, const Matrix3& b);
// Rx × Ry × Rz of the angles in degrees (π as five digits, like the renderer).
Matrix3 RotationOfAngles(const Vector4& degrees);
// The same turn with π in full, worked in double: a quarter turn of a point
// about a centre lands on whole numbers, not on the five-digit π's crumbs.
Matrix3 ExactRotationOfAngles(const Vector4& degrees);
// The angles whose RotationOfAngles is r; when y is ±90 degrees, z is 0.
Vector4 AnglesOfRotation(const Matrix3& r);
// v × r, for the x, y and z of v.
Vector4 TurnRow(const Vector4& v, const Matrix3& r);
// The angles (w 0) that stand a model on ground of the given normal: its up
// axis lands on the normal, and z keeps yawDegrees, the turn about the
// world's up axis that comes last. A normal without length counts as up.
Vector4 AnglesStandingOn(const Vector4& normal, float yawDegrees);

} // namespace quorvane
