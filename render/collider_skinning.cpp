#include "render/collider_skinning.h"

#include "modeldata/collider_skin_records.h"

#include <algorithm>
#include <cmath>

namespace quorvane {
namespace {

constexpr float kMinimumWeight = 1e-7f;
// Bounds start inverted; an axis no point reached keeps these.
constexpr float kBoundsStart = 100000.0f;
constexpr float kUntouchedLimit = 99999.9f;

Vec4 Scaled(const Vec4& v, float s) {
    return {v.x * s, v.y * s, v.z * s, v.w * s};
}

Vec4 Sum(const Vec4& a, const Vec4& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w};
}

struct BoundsGrower {
    std::array<float, 3> minimum{kBoundsStart, kBoundsStart, kBoundsStart};
    std::array<float, 3> maximum{-kBoundsStart, -kBoundsStart, -kBoundsStart};

    void Grow(const std::array<float, 3>& point, float margin) {
        for (size_t axis = 0; axis < 3; ++axis) {
            minimum[axis] = std::min(minimum[axis], point[axis] - margin);
            maximum[axis] = std::max(maximum[axis], point[axis] + margin);
        }
    }

    bool Untouched() const {
        for (size_t axis = 0; axis < 3; ++axis) {
            if (minimum[axis] > kUntouchedLimit || maximum[axis] < -kUntouchedLimit) {
                return true;
            }
        }
        return false;
    }
};

void SkinCollider(CCollider& collider, const ColliderPose& pose, BoundsGrower& bounds) {
    if (!collider.restRecords) {
        collider.skinnedRecords.clear();
        return;
    }
    const std::vector<CSkinRecord>& rest = *collider.restRecords;
    collider.skinnedRecords.resize(rest.size());
    // A mesh skins every corner; a shape only its control points, grown by its radius.
    const bool isMesh = collider.type == ColliderType::kMesh;
    const size_t count =
        isMesh ? rest.size() : std::min(rest.size(), static_cast<size_t>(ControlPointCount(collider.type)));
    const float margin = isMesh ? 0.0f : collider.radius;
    const Matrix4 local = ColliderMatrix(collider);
    for (size_t i = 0; i < count; ++i) {
        collider.skinnedRecords[i] = SkinColliderPoint(rest[i], local, pose);
        bounds.Grow(collider.skinnedRecords[i].position, margin);
    }
}

} // namespace

bool IsUsableInfluence(const CBoneWeight& influence, size_t paletteSize) {
    // NaN weights and indices fail these comparisons and so never count.
    if (!(influence.weight > kMinimumWeight) || !(influence.boneIndex >= 0.0f) ||
        !(influence.boneIndex < static_cast<float>(paletteSize))) {
        return false;
    }
    return static_cast<size_t>(influence.boneIndex) < paletteSize;
}

CSkinRecord SkinColliderPoint(const CSkinRecord& record, const Matrix4& localMatrix,
                              const ColliderPose& pose) {
    Vec4 point = Transform({record.position[0], record.position[1], record.position[2], 1.0f}, localMatrix);
    Vec4 normal = Transform({record.normal[0], record.normal[1], record.normal[2], 0.0f}, localMatrix);
    Vec4 skinnedPoint;
    Vec4 skinnedNormal;
    bool skinned = false;
    for (const CBoneWeight& influence : record.influences) {
        if (!IsUsableInfluence(influence, pose.palette.size())) {
            continue;
        }
        const Matrix4& bone = pose.palette[static_cast<size_t>(influence.boneIndex)];
        skinnedPoint = Sum(skinnedPoint, Scaled(Transform(point, bone), influence.weight));
        skinnedNormal = Sum(skinnedNormal, Scaled(Transform(normal, bone), influence.weight));
        skinned = true;
    }
    if (skinned) {
        point = skinnedPoint;
        normal = skinnedNormal;
    }
    const Vec4 worldPoint = Transform(point, pose.world);
    const Vec4 worldNormal = Transform(normal, pose.rotationScale);
    CSkinRecord out;
    out.position = {worldPoint.x, worldPoint.y, worldPoint.z};
    out.normal = {worldNormal.x, worldNormal.y, worldNormal.z};
    out.influences = record.influences;
    return out;
}

bool UpdateColliderSet(CColliderSet& set, const ColliderPose& pose, bool ownerReady, bool ownerAnimated) {
    if (!ownerReady || (set.needsUpdate == 0 && !ownerAnimated)) {
        return false;
    }
    set.needsUpdate = 0;
    BoundsGrower bounds;
    for (const auto& collider : set.colliders) {
        if (collider) {
            SkinCollider(*collider, pose, bounds);
        }
    }
    if (bounds.Untouched()) {
        bounds.minimum = {};
        bounds.maximum = {};
    }
    set.boundsMin = bounds.minimum;
    set.boundsMax = bounds.maximum;
    double diagonalSquared = 0.0;
    for (size_t axis = 0; axis < 3; ++axis) {
        set.center[axis] = (bounds.maximum[axis] + bounds.minimum[axis]) / 2.0f;
        const double extent = static_cast<double>(bounds.maximum[axis]) - bounds.minimum[axis];
        diagonalSquared += extent * extent;
    }
    set.radius = static_cast<float>(std::sqrt(diagonalSquared) / 2.0);
    return true;
}

Matrix4 ColliderMatrix(const CCollider& collider) {
    // Files store matrices for column vectors; the renderer transforms row vectors.
    Matrix4 file;
    file.m = collider.bindShapeMatrix;
    return Transpose(file);
}

} // namespace quorvane
