#include "editor/group_transform.h"

#include "editor/placement_random.h"
#include "editor/rotation_matrix.h"

namespace quorvane {

Vector4 CentreOf(const std::vector<CModelTransform>& transforms) {
    Vector4 sum;
    for (const CModelTransform& t : transforms) {
        sum.x += t.position.x;
        sum.y += t.position.y;
        sum.z += t.position.z;
    }
    if (transforms.empty()) {
        return {0.0f, 0.0f, 0.0f, 1.0f};
    }
    const auto count = static_cast<float>(transforms.size());
    return {sum.x / count, sum.y / count, sum.z / count, 1.0f};
}

CModelTransform MovedWithGroup(const CModelTransform& start, const Vector4& centre,
                               const GroupGesture& gesture) {
    const Matrix3 turn = ExactRotationOfAngles(gesture.rotation);
    const Vector4& s = gesture.scale;
    const Vector4 offset{(start.position.x - centre.x) * s.x, (start.position.y - centre.y) * s.y,
                         (start.position.z - centre.z) * s.z, 0.0f};
    const Vector4 turned = TurnRow(offset, turn);
    CModelTransform moved = start;
    moved.position = {gesture.position.x + turned.x, gesture.position.y + turned.y,
                      gesture.position.z + turned.z, start.position.w};
    moved.scale = {start.scale.x * s.x, start.scale.y * s.y, start.scale.z * s.z, start.scale.w};
    const Vector4& r = gesture.rotation;
    const Vector4& own = start.rotation;
    // A turn about one axis that composes with the copy's own angles by adding
    // keeps them as typed: about z always (it is turned last), about x or y
    // when the copy is turned about that axis alone.
    if (r.x == 0.0f && r.y == 0.0f) {
        moved.rotation.z = r.z == 0.0f ? own.z : WrapAngle(own.z + r.z);
        return moved;
    }
    if (r.y == 0.0f && r.z == 0.0f && own.y == 0.0f && own.z == 0.0f) {
        moved.rotation.x = WrapAngle(own.x + r.x);
        return moved;
    }
    if (r.x == 0.0f && r.z == 0.0f && own.x == 0.0f && own.z == 0.0f) {
        moved.rotation.y = WrapAngle(own.y + r.y);
        return moved;
    }
    const Vector4 angles = AnglesOfRotation(Multiply(RotationOfAngles(own), RotationOfAngles(r)));
    moved.rotation = {angles.x, angles.y, angles.z, own.w};
    return moved;
}

} // namespace quorvane
