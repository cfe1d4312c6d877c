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

void CMainField::KeepWrittenCellLocked(const GridFileEntry& file) {
    // The cell as read counts, unless the document holds newer: edits, or a
    // write the cell in memory has not taken in yet.
    const bool documentNewer =
        document_.IsDirty(file.path) || (document_.HasCell(file.path) && gridHandOver_.Written());
    if (!documentNewer && document_.StampOf(file.path) == file.stamp) {
        return; // kept already from this very reading
    }
    if (!documentNewer) {
        document_.Forget(file.path);
    }
    document_.KeepCell(file.path, file.lines, file.stamp, file.notRewritable);
}

void CMainField::ToggleInSelectionLocked(const PickTarget& target) {
    // What the click placed goes in or out whole: a written part with the parts beside it.
    std::vector<SelectedCopy> picked;
    if (target.file != nullptr) {
        KeepWrittenCellLocked(*target.file);
        for (const std::string& name : document_.PlacedTogether(target.file->path, target.entry->name)) {
            picked.push_back({name, target.file->path});
        }
    } else {
        // A click's parts move together: the group is named by its first part, as the list does.
        const uint32_t serial = target.entry->placementSerial;
        const CModelEntry* first = lists_.placedModels.FindFirst(
            [serial](const CModelEntry& e) { return e.placementSerial == serial; });
        picked.push_back({first != nullptr ? first->name : target.entry->name, std::nullopt});
    }
    std::vector<SelectedCopy> members = edit_.selection.group;
    if (members.empty() && !edit_.selection.name.empty()) {
        SelectedCopy single{edit_.selection.name, edit_.selection.writtenFile};
        if (!single.writtenFile) {
            const int64_t serial = unwritten_.SerialOf(edit_.selection.name);
            const CModelEntry* first = lists_.placedModels.FindFirst(
                [serial](const CModelEntry& e) { return static_cast<int64_t>(e.placementSerial) == serial; });
            single.name = first != nullptr ? first->name : edit_.selection.name;
        }
        members.push_back(std::move(single));
    }
    if (std::ranges::find(members, picked.front()) != members.end()) {
        std::erase_if(members, [&picked](const SelectedCopy& copy) {
            return std::ranges::find(picked, copy) != picked.end();
        });
    } else {
        members.insert(members.end(), picked.begin(), picked.end());
    }
    edit_.selection.group.clear();
    edit_.selection.name.clear();
    edit_.selection.writtenFile.reset();
    edit_.list.ClearSelection();
    edit_.input.justPlaced = false;
    if (members.empty()) {
        edit_.mode = ModeWithoutSelectionLocked();
        return;
    }
    if (members.size() == 1) {
        SelectOnlyLocked(members.front());
        return;
    }
    edit_.selection.group = std::move(members);
    edit_.mode = EditMode::ModeAdjust;
    ResetGroupLocked();
}

void CMainField::SelectOnlyLocked(const SelectedCopy& copy) {
    edit_.selection.ClearGroup();
    if (!copy.writtenFile) {
        SelectPlacedModelLocked(copy.name);
        return;
    }
    edit_.selection.writtenFile = copy.writtenFile;
    edit_.selection.name = copy.name;
    const std::optional<WrittenPart> part = SelectedWrittenLocked();
    if (!part || part->deleted) {
        edit_.selection.writtenFile.reset();
        edit_.selection.name.clear();
        edit_.mode = ModeWithoutSelectionLocked();
        return;
    }
    EditVectors& v = edit_.vectors;
    v.selPositionUndo = v.selPosition = part->line.position;
    v.selScaleUndo = v.selScale = part->line.scale;
    v.selRotationUndo = v.selRotation = part->line.rotation;
    edit_.mode = EditMode::ModeAdjust;
}

void CMainField::ResetGroupLocked() {
    // One walk over the placed models, however many copies are selected.
    std::unordered_map<std::string, const CModelEntry*> placed;
    lists_.placedModels.ForEach([&placed](const CModelEntry& entry) { placed.emplace(entry.name, &entry); });
    const auto transformOf = [&](const SelectedCopy& copy) -> std::optional<CModelTransform> {
        if (copy.writtenFile) {
            return levelEdits_.TransformOf(copy);
        }
        const auto found = placed.find(copy.name);
        if (found == placed.end() || !found->second->hasDrawModel) {
            return std::nullopt;
        }
        return found->second->transform;
    };
    // A copy that has gone meanwhile (deleted, undone) leaves the group.
    std::erase_if(edit_.selection.group, [&](const SelectedCopy& copy) { return !transformOf(copy); });
    if (edit_.selection.group.size() < 2) {
        if (edit_.selection.group.empty()) {
            edit_.mode = ModeWithoutSelectionLocked();
            edit_.selection.groupStart.clear();
            return;
        }
        const SelectedCopy only = edit_.selection.group.front();
        SelectOnlyLocked(only);
        return;
    }
    edit_.selection.groupStart.clear();
    edit_.selection.groupSerials.clear();
    for (const SelectedCopy& copy : edit_.selection.group) {
        edit_.selection.groupStart.push_back(*transformOf(copy));
        edit_.selection.groupSerials.push_back(
            copy.writtenFile ? -1 : static_cast<int64_t>(placed.at(copy.name)->placementSerial));
    }
    edit_.selection.groupCentre = CentreOf(edit_.selection.groupStart);
    EditVectors& v = edit_.vectors;
    v.selPositionUndo = v.selPosition = edit_.selection.groupCentre;
    v.selScaleUndo = v.selScale = {1.0f, 1.0f, 1.0f, 1.0f};
    v.selRotationUndo = v.selRotation = {};
    v.dragStartPosition = v.selPosition;
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
    const PlacementSelection before = CaptureSelectionLocked();
    std::optional<EditStep> step = levelEdits_.MoveStep(edit_.selection.group, edit_.selection.groupStart);
    // The gesture ends here: the next one starts from where the copies are now.
    ResetGroupLocked();
    if (!step) {
        return;
    }
    step->selectionBefore = before;
    step->selectionBefore.mode = EditMode::ModeAdjust;
    step->selectionAfter = CaptureSelectionLocked();
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
    edit_.mode = ModeWithoutSelectionLocked();
    if (step.before.empty() && step.writtenBefore.empty()) {
        return;
    }
    step.selectionAfter = CaptureSelectionLocked();
    PushStepLocked(std::move(step));
}

} // namespace quorvane
