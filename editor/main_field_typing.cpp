// Keys inside a move, scale or rotation: a typed number, Enter, Escape; and
// the snapping of drags while Ctrl is held.
#include "editor/main_field.h"
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

} // namespace

bool CMainField::TransformKeyLocked(int virtualKey, CFieldHookCalls& calls) {
    if (!IsInModeGroup(editMode_)) {
        return false;
    }
    if (virtualKey == vk::kReturn) {
        LeftClickLocked(calls); // never places from inside a group
        return true;
    }
    if (virtualKey == vk::kEscape) {
        CancelAdjustmentLocked(calls);
        return true;
    }
    if (input_.ctrlKeyDown || !typed_.Key(virtualKey)) {
        return false;
    }
    ApplyTypedValueLocked();
    calls.RepaintField();
    return true;
}

void CMainField::ResetTypingLocked() {
    typed_.Clear();
    dragSnapped_ = false;
}

Vector4* CMainField::GroupVectorLocked() {
    if (!IsInModeGroup(editMode_)) {
        return nullptr;
    }
    EditVectors& v = vectors_;
    const bool cursor = IsCursorGroup(editMode_);
    switch (KindOf(editMode_)) {
    case GroupKind::Move:
        return cursor ? &v.cursorOffset : &v.selPosition;
    case GroupKind::Scale:
        return cursor ? &v.cursorScale : &v.selScale;
    case GroupKind::Rotate:
        return cursor ? &v.cursorRotation : &v.selRotation;
    }
    return nullptr;
}

Vector4 CMainField::GroupEntryValueLocked() const {
    const EditVectors& v = vectors_;
    const bool cursor = IsCursorGroup(editMode_);
    switch (KindOf(editMode_)) {
    case GroupKind::Move:
        return cursor ? v.cursorOffsetUndo : v.selPositionUndo;
    case GroupKind::Scale:
        return cursor ? v.cursorScaleUndo : v.selScaleUndo;
    case GroupKind::Rotate:
        return cursor ? v.cursorRotationUndo : v.selRotationUndo;
    }
    return {};
}

// The typed number replaces whatever the mouse did: the group's vector goes
// back to its entry value, then the number applies to the chosen axis. Until
// the text holds a digit, the entry value stays.
void CMainField::ApplyTypedValueLocked() {
    Vector4* const target = GroupVectorLocked();
    if (target == nullptr) {
        return;
    }
    const Vector4 entry = GroupEntryValueLocked();
    *target = entry;
    dragSnapped_ = false;
    const std::optional<float> value = typed_.Value();
    const uint32_t axis = AxisOf(editMode_);
    const GroupKind kind = KindOf(editMode_);
    if (value && (axis != 0 || kind == GroupKind::Scale)) {
        const AxisSet changed = ChangedAxes(editMode_);
        for (uint32_t a = 1; a <= 3; ++a) {
            if (!changed.axes[a]) {
                continue;
            }
            float& component = Component(*target, a);
            const float start = Component(entry, a);
            switch (kind) {
            case GroupKind::Move:
                // The cursor is drawn at pick point - offset: its offset goes the other way.
                component = IsCursorGroup(editMode_) ? start - *value : start + *value;
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
    ApplySelectionTransformLocked();
    ApplyCursorTransformLocked();
}

// Rounds what the user sees: world positions to whole units (the cursor's
// position is pick point - offset), angles to 15 degrees, scales to tenths.
void CMainField::SnapGroupVectorLocked(Vector4& value) const {
    const AxisSet changed = ChangedAxes(editMode_);
    const bool cursor = IsCursorGroup(editMode_);
    const Vector4& pick = vectors_.pickPoint;
    for (uint32_t a = 1; a <= 3; ++a) {
        if (!changed.axes[a]) {
            continue;
        }
        float& component = Component(value, a);
        switch (KindOf(editMode_)) {
        case GroupKind::Move:
            if (cursor) {
                const float p = Component(pick, a);
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

std::string CMainField::TypedValueText() const {
    std::lock_guard lock(mutex_);
    return IsInModeGroup(editMode_) ? typed_.Text() : std::string();
}

bool CMainField::Snapping() const {
    std::lock_guard lock(mutex_);
    return IsInModeGroup(editMode_) && input_.ctrlKeyDown && typed_.Empty();
}

} // namespace quorvane
