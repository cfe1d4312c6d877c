// Keys inside a move, scale or rotation: a typed number, Enter, Escape.
#include "editor/main_field.h"
#include "platform/virtual_key_codes.h"

namespace quorvane {

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
    if (input_.ctrlKeyDown || !gesture_.TypeKey(editMode_, vectors_, virtualKey)) {
        return false;
    }
    ApplySelectionTransformLocked();
    ApplyCursorTransformLocked();
    calls.RepaintField();
    return true;
}

void CMainField::ResetTypingLocked() {
    gesture_.Reset();
}

std::string CMainField::TypedValueText() const {
    std::lock_guard lock(mutex_);
    return IsInModeGroup(editMode_) ? gesture_.TypedText() : std::string();
}

bool CMainField::Snapping() const {
    std::lock_guard lock(mutex_);
    return IsInModeGroup(editMode_) && input_.ctrlKeyDown && !gesture_.Typing();
}

} // namespace quorvane
