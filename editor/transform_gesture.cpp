#include "editor/transform_gesture.h"

#include "editor/placement_random.h"
#include "platform/virtual_key_codes.h"

#include <cmath>

namespace quorvane {
namespace {

enum class GroupKind { Move, Scale, Rotate };

GroupKind KindOf(EditMode mode) {
    const uint32_t group = (ModeValue(GroupFirst(mode)) - ModeValue(EditMode::ModeCursorMove)) / 4;
    return static_cast<GroupKind>(group % 3);
}

bool IsCursorGroup(EditMode mode) {
    return ModeValue(mode) < ModeValue(EditMode::ModePlacedMove);
}

// 0 for the free member of a group, else 1..3 for x, y, z.
uint32_t AxisOf(EditMode mode) {
    return ModeValue(mode) - ModeValue(GroupFirst(mode));
}

float& Component(Vector4& v, uint32_t axis) {
    return axis == 1 ? v.x : (axis == 2 ? v.y : v.z);
}

float Component(const Vector4& v, uint32_t axis) {
    return axis == 1 ? v.x : (axis == 2 ? v.y : v.z);
}

// The components a mode changes: a free move stays on the ground plane, a free
// scale is uniform, a free rotation waits for its axis.
struct AxisSet {
    bool axes[4] = {false, false, false, false}; // indexed by AxisOf
};

AxisSet ChangedAxes(EditMode mode) {
    AxisSet set;
    const uint32_t axis = AxisOf(mode);
    if (axis != 0) {
        set.axes[axis] = true;
    } else if (KindOf(mode) == GroupKind::Move) {
        set.axes[1] = set.axes[2] = true;
    } else if (KindOf(mode) == GroupKind::Scale) {
        set.axes[1] = set.axes[2] = set.axes[3] = true;
    }
    return set;
}

constexpr float kRotationSnap = 15.0f;
constexpr float kScaleSnap = 0.1f;

// The vector the running group changes, and its value when the group began.
Vector4& TargetOf(EditMode mode, EditVectors& v) {
    const bool cursor = IsCursorGroup(mode);
    switch (KindOf(mode)) {
    case GroupKind::Move:
        return cursor ? v.cursorOffset : v.selPosition;
    case GroupKind::Scale:
        return cursor ? v.cursorScale : v.selScale;
    case GroupKind::Rotate:
        break;
    }
    return cursor ? v.cursorRotation : v.selRotation;
}

// The group's vector when it began: what a cancel puts back, what a confirm moves on.
Vector4& EntryOf(EditMode mode, EditVectors& v) {
    const bool cursor = IsCursorGroup(mode);
    switch (KindOf(mode)) {
    case GroupKind::Move:
        return cursor ? v.cursorOffsetUndo : v.selPositionUndo;
    case GroupKind::Scale:
        return cursor ? v.cursorScaleUndo : v.selScaleUndo;
    case GroupKind::Rotate:
        break;
    }
    return cursor ? v.cursorRotationUndo : v.selRotationUndo;
}

} // namespace

EditMode CTransformGesture::KeyPressed(int virtualKey, EditMode mode, EditVectors& v) {
    EditMode next = mode;
    const bool cursor = mode == EditMode::ModePlace;
    const bool selection = mode == EditMode::ModeAdjust;
    if (virtualKey == vk::Letter('G')) {
        // G again during a move goes on from where the move stands.
        v.dragStartOffset = v.cursorOffset;
        v.dragStartPosition = v.selPosition;
    }
    if (virtualKey == vk::Letter('G') && (cursor || selection)) {
        (cursor ? v.cursorOffsetUndo : v.selPositionUndo) = cursor ? v.cursorOffset : v.selPosition;
        next = cursor ? EditMode::ModeCursorMove : EditMode::ModePlacedMove;
    } else if (virtualKey == vk::Letter('S') && (cursor || selection)) {
        (cursor ? v.cursorScaleUndo : v.selScaleUndo) = cursor ? v.cursorScale : v.selScale;
        next = cursor ? EditMode::ModeCursorScale : EditMode::ModePlacedScale;
    } else if (virtualKey == vk::Letter('R') && (cursor || selection)) {
        (cursor ? v.cursorRotationUndo : v.selRotationUndo) = cursor ? v.cursorRotation : v.selRotation;
        next = cursor ? EditMode::ModeCursorRotate : EditMode::ModePlacedRotate;
    } else if (virtualKey >= vk::Letter('X') && virtualKey <= vk::Letter('Z') && IsInModeGroup(mode)) {
        const uint32_t axis = static_cast<uint32_t>(virtualKey - vk::Letter('X')) + 1;
        next = static_cast<EditMode>(ModeValue(GroupFirst(mode)) + axis);
        if (!typed_.Empty()) {
            ApplyTyped(next, v); // the typed number moves to the new axis
        }
    }
    if (!IsInModeGroup(mode) && IsInModeGroup(next)) {
        Reset();
    }
    return next;
}

void CTransformGesture::Drag(EditMode mode, EditVectors& v, const Vector4& anchor, const Vector4& current,
                             float dy, bool snapping) {
    if (!IsInModeGroup(mode)) {
        return;
    }
    constexpr float kStep = 0.1f;
    Vector4& target = TargetOf(mode, v);
    // Snapping shows a rounded value but the drag goes on from the unrounded one.
    if (dragSnapped_) {
        target = dragRaw_;
    }
    // The cursor is drawn at pick point - offset, so its offset moves against
    // the mouse while a placed model's position moves with it.
    switch (mode) {
    case EditMode::ModeCursorMove:
        v.cursorOffset.x = v.dragStartOffset.x + anchor.x - current.x;
        v.cursorOffset.y = v.dragStartOffset.y + anchor.y - current.y;
        break;
    case EditMode::ModeCursorMoveX:
        v.cursorOffset.x = v.dragStartOffset.x + anchor.x - current.x;
        break;
    case EditMode::ModeCursorMoveY:
        v.cursorOffset.y = v.dragStartOffset.y + anchor.y - current.y;
        break;
    case EditMode::ModeCursorMoveZ:
        v.cursorOffset.z -= dy * kStep;
        break;
    case EditMode::ModeCursorScale:
        v.cursorScale.x += dy * kStep;
        v.cursorScale.y += dy * kStep;
        v.cursorScale.z += dy * kStep;
        break;
    case EditMode::ModeCursorScaleX:
        v.cursorScale.x += dy * kStep;
        break;
    case EditMode::ModeCursorScaleY:
        v.cursorScale.y += dy * kStep;
        break;
    case EditMode::ModeCursorScaleZ:
        v.cursorScale.z += dy * kStep;
        break;
    case EditMode::ModeCursorRotateX:
        v.cursorRotation.x = WrapAngle(v.cursorRotation.x + dy);
        break;
    case EditMode::ModeCursorRotateY:
        v.cursorRotation.y = WrapAngle(v.cursorRotation.y + dy);
        break;
    case EditMode::ModeCursorRotateZ:
        v.cursorRotation.z = WrapAngle(v.cursorRotation.z + dy);
        break;
    case EditMode::ModePlacedMove:
        v.selPosition.x = v.dragStartPosition.x + current.x - anchor.x;
        v.selPosition.y = v.dragStartPosition.y + current.y - anchor.y;
        break;
    case EditMode::ModePlacedMoveX:
        v.selPosition.x = v.dragStartPosition.x + current.x - anchor.x;
        break;
    case EditMode::ModePlacedMoveY:
        v.selPosition.y = v.dragStartPosition.y + current.y - anchor.y;
        break;
    case EditMode::ModePlacedMoveZ:
        v.selPosition.z += dy * kStep;
        break;
    case EditMode::ModePlacedScale:
        v.selScale.x += dy * kStep;
        v.selScale.y += dy * kStep;
        v.selScale.z += dy * kStep;
        break;
    case EditMode::ModePlacedScaleX:
        v.selScale.x += dy * kStep;
        break;
    case EditMode::ModePlacedScaleY:
        v.selScale.y += dy * kStep;
        break;
    case EditMode::ModePlacedScaleZ:
        v.selScale.z += dy * kStep;
        break;
    case EditMode::ModePlacedRotateX:
        v.selRotation.x = WrapAngle(v.selRotation.x + dy);
        break;
    case EditMode::ModePlacedRotateY:
        v.selRotation.y = WrapAngle(v.selRotation.y + dy);
        break;
    case EditMode::ModePlacedRotateZ:
        v.selRotation.z = WrapAngle(v.selRotation.z + dy);
        break;
    default: // 12 and 24 wait for an axis
        break;
    }
    dragRaw_ = target;
    dragSnapped_ = snapping;
    if (dragSnapped_) {
        Snap(mode, v, target);
    }
}

bool CTransformGesture::TypeKey(EditMode mode, EditVectors& v, int virtualKey) {
    if (!IsInModeGroup(mode) || !typed_.Key(virtualKey)) {
        return false;
    }
    ApplyTyped(mode, v);
    return true;
}

void CTransformGesture::Reset() {
    typed_.Clear();
    dragSnapped_ = false;
}

void CTransformGesture::ApplyTyped(EditMode mode, EditVectors& v) {
    Vector4& target = TargetOf(mode, v);
    const Vector4 entry = EntryOf(mode, v);
    target = entry;
    dragSnapped_ = false;
    const std::optional<float> value = typed_.Value();
    const uint32_t axis = AxisOf(mode);
    const GroupKind kind = KindOf(mode);
    if (!value || (axis == 0 && kind != GroupKind::Scale)) {
        return; // until the text holds a digit, or a free move or turn has its axis, the entry value stays
    }
    const AxisSet changed = ChangedAxes(mode);
    for (uint32_t a = 1; a <= 3; ++a) {
        if (!changed.axes[a]) {
            continue;
        }
        float& component = Component(target, a);
        const float start = Component(entry, a);
        switch (kind) {
        case GroupKind::Move:
            // The cursor is drawn at pick point - offset: its offset goes the other way.
            component = IsCursorGroup(mode) ? start - *value : start + *value;
            break;
        case GroupKind::Scale:
            component = start * *value;
            break;
        case GroupKind::Rotate:
            component = WrapAngle(start + *value);
            break;
        }
    }
}

// Rounds what the user sees: world positions to whole units (the cursor's
// position is pick point - offset), angles to 15 degrees, scales to tenths.
void CTransformGesture::Snap(EditMode mode, const EditVectors& v, Vector4& value) const {
    const AxisSet changed = ChangedAxes(mode);
    const bool cursor = IsCursorGroup(mode);
    for (uint32_t a = 1; a <= 3; ++a) {
        if (!changed.axes[a]) {
            continue;
        }
        float& component = Component(value, a);
        switch (KindOf(mode)) {
        case GroupKind::Move:
            if (cursor) {
                const float p = Component(v.pickPoint, a);
                component = p - std::round(p - component);
            } else {
                component = std::round(component);
            }
            break;
        case GroupKind::Scale:
            component = std::round(component / kScaleSnap) * kScaleSnap;
            break;
        case GroupKind::Rotate:
            component = WrapAngle(std::round(component / kRotationSnap) * kRotationSnap);
            break;
        }
    }
}

EditMode CTransformGesture::Cancel(EditMode mode, EditVectors& v) {
    if (!IsInModeGroup(mode)) {
        return mode;
    }
    TargetOf(mode, v) = EntryOf(mode, v);
    return IsCursorGroup(mode) ? EditMode::ModePlace : EditMode::ModeAdjust;
}

bool CTransformGesture::Confirms(EditMode mode) {
    return IsInModeGroup(mode) && !(KindOf(mode) == GroupKind::Rotate && AxisOf(mode) == 0);
}

EditMode CTransformGesture::Confirm(EditMode mode, EditVectors& v) {
    if (!Confirms(mode)) {
        return mode;
    }
    const Vector4 value = TargetOf(mode, v);
    EntryOf(mode, v) = value;
    if (!IsCursorGroup(mode)) {
        return EditMode::ModeAdjust;
    }
    if (KindOf(mode) == GroupKind::Scale) {
        v.baseScale = value; // the centre of later random scales
    } else if (KindOf(mode) == GroupKind::Rotate) {
        v.baseRotation = value;
    }
    return EditMode::ModePlace;
}

} // namespace quorvane
