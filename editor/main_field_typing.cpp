// What a move, scale or rotation shows: the typed number, and whether a drag snaps.
#include "editor/main_field.h"

namespace quorvane {

std::string CMainField::TypedValueText() const {
    std::lock_guard lock(mutex_);
    return IsInModeGroup(edit_.mode) ? edit_.gesture.TypedText() : std::string();
}

bool CMainField::Snapping() const {
    std::lock_guard lock(mutex_);
    return IsInModeGroup(edit_.mode) && edit_.input.ctrlKeyDown && !edit_.gesture.Typing();
}

} // namespace quorvane
