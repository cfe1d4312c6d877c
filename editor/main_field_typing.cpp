// Keys inside a move, scale or rotation: a typed number, Enter, Escape.
#include "editor/main_field.h"
#include "platform/virtual_key_codes.h"

namespace quorvane {

bool CMainField::TransformKeyLocked(int virtualKey, CFieldHookCalls& calls) {
    if (!IsInModeGroup(edit_.mode)) {
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
    if (edit_.input.ctrlKeyDown || !edit_.gesture.TypeKey(edit_.mode, edit_.vectors, virtualKey)) {
        return false;
    }
    selectionEdits_.ApplyTransform();
    ApplyCursorTransformLocked();
    calls.RepaintField();
    return true;
}

void CMainField::ResetTypingLocked() {
    edit_.gesture.Reset();
}

std::string CMainField::TypedValueText() const {
    std::lock_guard lock(mutex_);
    return IsInModeGroup(edit_.mode) ? edit_.gesture.TypedText() : std::string();
}

bool CMainField::Snapping() const {
    std::lock_guard lock(mutex_);
    return IsInModeGroup(edit_.mode) && edit_.input.ctrlKeyDown && !edit_.gesture.Typing();
}

} // namespace quorvane
