// Copies selected together: Shift+click adds or removes one; a move, scale or
// turn acts on all of them about their centre, and Delete takes them all, each
// as one undo step.
#include "editor/group_transform.h"
#include "editor/main_field.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

namespace quorvane {

std::vector<SelectedCopy> CMainField::SelectedGroup() const {
    std::lock_guard lock(mutex_);
    return edit_.selection.group;
}

std::vector<std::string> CMainField::SelectedWrittenNames() const {
    std::lock_guard lock(mutex_);
    return edit_.selection.WrittenNames();
}

int32_t CMainField::ListRowCountLocked() const {
    return lists_.placementRecords.Count() + static_cast<int32_t>(edit_.selection.WrittenNames().size());
}

void CMainField::ApplyGroupTransformLocked() {
    const EditVectors& v = edit_.vectors;
    const GroupGesture gesture{v.selPosition, v.selScale, v.selRotation};
    std::vector<CModelTransform> moved;
    moved.reserve(edit_.selection.groupStart.size());
    for (const CModelTransform& start : edit_.selection.groupStart) {
        moved.push_back(MovedWithGroup(start, edit_.selection.groupCentre, gesture));
    }
    levelEdits_.MoveCopies(edit_.selection.group, edit_.selection.groupSerials, moved);
}

void CMainField::RecordGroupAdjustmentLocked() {
    const PlacementSelection before = selector_.Capture();
    std::optional<EditStep> step = levelEdits_.MoveStep(edit_.selection.group, edit_.selection.groupStart);
    // The gesture ends here: the next one starts from where the copies are now.
    selector_.ResetGroup();
    if (!step) {
        return;
    }
    step->selectionBefore = before;
    step->selectionBefore.mode = EditMode::ModeAdjust;
    step->selectionAfter = selector_.Capture();
    step->selectionAfter.mode = EditMode::ModeAdjust;
    PushStepLocked(std::move(*step));
}

void CMainField::DeleteGroupLocked(const PlacementSelection& before, RemovedGroup& removed) {
    // Deleted in the middle of an adjustment: undone, they come back unadjusted.
    const bool midGesture = ModeInRange(edit_.mode, EditMode::ModePlacedMove, 12);
    EditStep step =
        levelEdits_.DeleteCopies(edit_.selection.group, edit_.selection.groupStart, midGesture, removed);
    step.selectionBefore = before;
    step.selectionBefore.mode = EditMode::ModeAdjust;
    edit_.selection.ClearGroup();
    edit_.selection.name.clear();
    edit_.selection.writtenFile.reset();
    ResetTypingLocked();
    edit_.list.ClampSelection(lists_.placementRecords.Count());
    edit_.list.ClampPage(lists_.placementRecords.Count());
    edit_.list.ClearSelection();
    edit_.mode = selector_.ModeWithoutSelection();
    if (step.before.empty() && step.writtenBefore.empty()) {
        return;
    }
    step.selectionAfter = selector_.Capture();
    PushStepLocked(std::move(step));
}

} // namespace quorvane
