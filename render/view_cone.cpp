#include "render/view_cone.h"

#include <cmath>

namespace quorvane {
namespace {

Vec3 TransformPoint(const Vec4& p, const Matrix4& m) {
    const Vec4 r = Transform({p.x, p.y, p.z, 1.0f}, m);
    return {r.x, r.y, r.z};
}

float SquaredLength(const Vec3& v) {
    return Dot(v, v);
}

} // namespace

ViewConePoints WorldBoxPoints(const BoxCorners& corners, const Vec3& centre, const Matrix4& world) {
    ViewConePoints points;
    for (size_t i = 0; i < corners.size(); ++i) {
        points[i] = TransformPoint(corners[i], world);
    }
    points[8] = TransformPoint({centre.x, centre.y, centre.z, 1.0f}, world);
    return points;
}

bool IsInViewCone(const Vec3& eye, const Vec3& target, const ViewConePoints& points) {
    // Squared lengths throughout: the same decisions without a root per corner.
    if (SquaredLength(points[0] - points[6]) > SquaredLength(points[8] - eye)) {
        return true;
    }
    const Vec3 direction = Normalize(target - eye);
    for (size_t i = 0; i < 8; ++i) {
        const Vec3 toCorner = points[i] - eye;
        const float along = Dot(direction, toCorner);
        // cos > 0.5  <=>  along > 0 and along^2 > 0.25 |toCorner|^2 (|direction| = 1)
        if (along > 0.0f && along * along > 0.25f * SquaredLength(toCorner)) {
            return true;
        }
    }
    return false;
}

bool IsInViewCone(const CCamera& camera, const CDrawModel& model) {
    return IsInViewCone(camera.eye, camera.target,
                        WorldBoxPoints(model.boxCorners, model.center, model.worldMatrix));
}

CascadeBox CascadeBoxOf(int cascade) {
    // Stored transposed: [0][0] scales x and y, z maps as z * [2][2] + [2][3].
    const Matrix4 stored = StoredCascadeProjection(cascade);
    const float scale = stored(0, 0);
    const float depthScale = stored(2, 2);
    const float depthOffset = stored(2, 3);
    CascadeBox box;
    box.halfWidth = 1.0f / scale;
    box.nearDepth = -depthOffset / depthScale;
    box.farDepth = (1.0f - depthOffset) / depthScale;
    return box;
}

bool SphereTouchesCascade(const Vec3& centre, float radius, const CascadeBox& box) {
    return std::fabs(centre.x) <= box.halfWidth + radius && std::fabs(centre.y) <= box.halfWidth + radius &&
           centre.z >= box.nearDepth - radius && centre.z <= box.farDepth + radius;
}

Matrix4 ShadowLightView(const CCamera& camera) {
    const Vec3 reach = camera.light * 200.0f;
    return Multiply(LookTo(camera.target - reach, reach, {0, 0, 1}), Diagonal(-1, 1, 1, 1));
}

} // namespace quorvane
