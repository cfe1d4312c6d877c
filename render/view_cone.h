#pragma once

#include "render/camera.h"
#include "render/draw_model.h"
#include "render/matrix.h"

#include <array>

namespace quorvane {

// The eight box corners (in their corner order) and the box centre of a
// model, in world space.
using ViewConePoints = std::array<Vec3, 9>;

ViewConePoints WorldBoxPoints(const BoxCorners& corners, const Vec3& centre, const Matrix4& world);

// The coarse visibility test of the field view: visible when the box
// diagonal (corner 0 to corner 6) is longer than the distance from the eye
// to the centre, or when one corner lies within 60 degrees of the view
// direction (cosine above 0.5).
bool IsInViewCone(const Vec3& eye, const Vec3& target, const ViewConePoints& points);
bool IsInViewCone(const CCamera& camera, const CDrawModel& model);

// One shadow cascade as a box in light view space: |x|, |y| up to halfWidth,
// z from nearDepth to farDepth.
struct CascadeBox {
    float halfWidth = 0;
    float nearDepth = 0;
    float farDepth = 0;
};

// The box a stored cascade projection (0..2) maps onto its slice.
CascadeBox CascadeBoxOf(int cascade);
// Whether a sphere (centre in light view space) reaches into the cascade.
bool SphereTouchesCascade(const Vec3& centreInLightView, float radius, const CascadeBox& box);

// The light view of the shadow pass: looking along the light from 200 light
// lengths before the camera target, x mirrored like every view.
Matrix4 ShadowLightView(const CCamera& camera);

} // namespace quorvane
