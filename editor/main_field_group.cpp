// Copies selected together: Shift+click adds or removes one; a move, scale or
// turn acts on all of them about their centre, and Delete takes them all, each
// as one undo step.
#include "editor/group_transform.h"
#include "editor/main_field.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

namespace quorvane {
namespace {

// The parts as they stood at start; their w components stay.
void PutAt(std::vector<PlacedPartState>& parts, const CModelTransform& start) {
    for (PlacedPartState& part : parts) {
        part.transform.scale = start.scale;
        part.transform.rotation = {start.rotation.x, start.rotation.y, start.rotation.z,
                                   part.transform.rotation.w};
        part.transform.position = {start.position.x, start.position.y, start.position.z,
                                   part.transform.position.w};
    }
}

void SetLineTransform(GridLine& line, const CModelTransform& t) {
    line.position = {t.position.x, t.position.y, t.position.z, line.position.w};
    line.scale = {t.scale.x, t.scale.y, t.scale.z, line.scale.w};
    line.rotation = {t.rotation.x, t.rotation.y, t.rotation.z, line.rotation.w};
}

} // namespace

std::vector<SelectedCopy> CMainField::SelectedGroup() const {
    std::lock_guard lock(mutex_);
    return selection_.group;
}

std::vector<std::string> CMainField::SelectedWrittenNames() const {
    std::lock_guard lock(mutex_);
    return selection_.WrittenNames();
}

int32_t CMainField::ListRowCountLocked() const {
    return lists_.placementRecords.Count() + static_cast<int32_t>(selection_.WrittenNames().size());
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

std::optional<CModelTransform> CMainField::TransformOfLocked(const SelectedCopy& copy) const {
    if (copy.writtenFile) {
        const std::optional<WrittenPart> part = document_.Current(*copy.writtenFile, copy.name);
        if (!part || part->deleted) {
            return std::nullopt;
        }
        return CModelTransform{part->line.scale, part->line.rotation, part->line.position};
    }
    const CModelEntry* entry =
        lists_.placedModels.FindFirst([&copy](const CModelEntry& e) { return e.name == copy.name; });
    if (entry == nullptr || !entry->hasDrawModel) {
        return std::nullopt;
    }
    return entry->transform;
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
    std::vector<SelectedCopy> members = selection_.group;
    if (members.empty() && !selection_.name.empty()) {
        SelectedCopy single{selection_.name, selection_.writtenFile};
        if (!single.writtenFile) {
            const int64_t serial = unwritten_.SerialOf(selection_.name);
            const CModelEntry* first = lists_.placedModels.FindFirst(
                [serial](const CModelEntry& e) { return static_cast<int64_t>(e.placementSerial) == serial; });
            single.name = first != nullptr ? first->name : selection_.name;
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
    selection_.group.clear();
    selection_.name.clear();
    selection_.writtenFile.reset();
    listModel_.ClearSelection();
    input_.justPlaced = false;
    if (members.empty()) {
        editMode_ = ModeWithoutSelectionLocked();
        return;
    }
    if (members.size() == 1) {
        SelectOnlyLocked(members.front());
        return;
    }
    selection_.group = std::move(members);
    editMode_ = EditMode::ModeAdjust;
    ResetGroupLocked();
}

void CMainField::SelectOnlyLocked(const SelectedCopy& copy) {
    selection_.ClearGroup();
    if (!copy.writtenFile) {
        SelectPlacedModelLocked(copy.name);
        return;
    }
    selection_.writtenFile = copy.writtenFile;
    selection_.name = copy.name;
    const std::optional<WrittenPart> part = SelectedWrittenLocked();
    if (!part || part->deleted) {
        selection_.writtenFile.reset();
        selection_.name.clear();
        editMode_ = ModeWithoutSelectionLocked();
        return;
    }
    EditVectors& v = vectors_;
    v.selPositionUndo = v.selPosition = part->line.position;
    v.selScaleUndo = v.selScale = part->line.scale;
    v.selRotationUndo = v.selRotation = part->line.rotation;
    editMode_ = EditMode::ModeAdjust;
}

void CMainField::ResetGroupLocked() {
    // One walk over the placed models, however many copies are selected.
    std::unordered_map<std::string, const CModelEntry*> placed;
    lists_.placedModels.ForEach([&placed](const CModelEntry& entry) { placed.emplace(entry.name, &entry); });
    const auto transformOf = [&](const SelectedCopy& copy) -> std::optional<CModelTransform> {
        if (copy.writtenFile) {
            return TransformOfLocked(copy);
        }
        const auto found = placed.find(copy.name);
        if (found == placed.end() || !found->second->hasDrawModel) {
            return std::nullopt;
        }
        return found->second->transform;
    };
    // A copy that has gone meanwhile (deleted, undone) leaves the group.
    std::erase_if(selection_.group, [&](const SelectedCopy& copy) { return !transformOf(copy); });
    if (selection_.group.size() < 2) {
        if (selection_.group.empty()) {
            editMode_ = ModeWithoutSelectionLocked();
            selection_.groupStart.clear();
            return;
        }
        const SelectedCopy only = selection_.group.front();
        SelectOnlyLocked(only);
        return;
    }
    selection_.groupStart.clear();
    selection_.groupSerials.clear();
    for (const SelectedCopy& copy : selection_.group) {
        selection_.groupStart.push_back(*transformOf(copy));
        selection_.groupSerials.push_back(
            copy.writtenFile ? -1 : static_cast<int64_t>(placed.at(copy.name)->placementSerial));
    }
    selection_.groupCentre = CentreOf(selection_.groupStart);
    EditVectors& v = vectors_;
    v.selPositionUndo = v.selPosition = selection_.groupCentre;
    v.selScaleUndo = v.selScale = {1.0f, 1.0f, 1.0f, 1.0f};
    v.selRotationUndo = v.selRotation = {};
    v.dragStartPosition = v.selPosition;
}

void CMainField::ApplyGroupTransformLocked() {
    const EditVectors& v = vectors_;
    const GroupGesture gesture{v.selPosition, v.selScale, v.selRotation};
    // Each mouse move: the unwritten copies' parts are found by their click's serial in one walk.
    std::unordered_map<int64_t, CModelTransform> movedBySerial;
    for (size_t i = 0; i < selection_.group.size(); ++i) {
        const SelectedCopy& copy = selection_.group[i];
        const CModelTransform moved =
            MovedWithGroup(selection_.groupStart[i], selection_.groupCentre, gesture);
        if (!copy.writtenFile) {
            movedBySerial.emplace(selection_.groupSerials[i], moved);
            continue;
        }
        std::optional<WrittenPart> part = document_.Current(*copy.writtenFile, copy.name);
        if (part && !part->deleted) {
            SetLineTransform(part->line, moved);
            SetWrittenLocked(*part);
        }
    }
    if (movedBySerial.empty()) {
        return;
    }
    lists_.placedModels.ForEach([&movedBySerial](CModelEntry& entry) {
        const auto found = movedBySerial.find(entry.placementSerial);
        if (found == movedBySerial.end() || !entry.hasDrawModel) {
            return;
        }
        const CModelTransform& moved = found->second;
        CModelTransform& t = entry.transform;
        t.scale = moved.scale;
        t.rotation = {moved.rotation.x, moved.rotation.y, moved.rotation.z, t.rotation.w};
        t.position = {moved.position.x, moved.position.y, moved.position.z, t.position.w};
    });
}

void CMainField::RecordGroupAdjustmentLocked() {
    EditStep step;
    step.selectionBefore = CaptureSelectionLocked();
    step.selectionBefore.mode = EditMode::ModeAdjust;
    bool changed = false;
    for (size_t i = 0; i < selection_.group.size(); ++i) {
        const SelectedCopy& copy = selection_.group[i];
        const std::optional<CModelTransform> now = TransformOfLocked(copy);
        if (!now) {
            continue;
        }
        const CModelTransform& start = selection_.groupStart[i];
        if (now->position == start.position && now->scale == start.scale && now->rotation == start.rotation) {
            continue;
        }
        changed = true;
        if (copy.writtenFile) {
            std::optional<WrittenPart> after = document_.Current(*copy.writtenFile, copy.name);
            if (!after) {
                continue;
            }
            WrittenPart before = *after;
            SetLineTransform(before.line, start);
            step.writtenBefore.push_back(std::move(before));
            step.writtenAfter.push_back(std::move(*after));
            continue;
        }
        std::vector<PlacedPartState> after = unwritten_.CaptureGroup(unwritten_.SerialOf(copy.name));
        std::vector<PlacedPartState> before = after;
        PutAt(before, start);
        step.before.insert(step.before.end(), before.begin(), before.end());
        step.after.insert(step.after.end(), after.begin(), after.end());
    }
    // The gesture ends here: the next one starts from where the copies are now.
    ResetGroupLocked();
    if (!changed) {
        return;
    }
    step.selectionAfter = CaptureSelectionLocked();
    step.selectionAfter.mode = EditMode::ModeAdjust;
    PushStepLocked(std::move(step));
}

void CMainField::DeleteGroupLocked(const PlacementSelection& before, RemovedGroup& removed) {
    const bool midGesture = ModeInRange(editMode_, EditMode::ModePlacedMove, 12);
    EditStep step;
    step.selectionBefore = before;
    step.selectionBefore.mode = EditMode::ModeAdjust;
    for (size_t i = 0; i < selection_.group.size(); ++i) {
        const SelectedCopy& copy = selection_.group[i];
        // Deleted in the middle of an adjustment: undone, they come back unadjusted.
        const CModelTransform& start = selection_.groupStart[i];
        if (copy.writtenFile) {
            std::optional<WrittenPart> part = document_.Current(*copy.writtenFile, copy.name);
            if (!part || part->deleted) {
                continue;
            }
            if (midGesture) {
                SetLineTransform(part->line, start);
            }
            WrittenPart deleted = *part;
            deleted.deleted = true;
            SetWrittenLocked(deleted);
            step.writtenBefore.push_back(std::move(*part));
            step.writtenAfter.push_back(std::move(deleted));
            continue;
        }
        std::vector<PlacedPartState> parts = unwritten_.CaptureGroup(unwritten_.SerialOf(copy.name));
        if (midGesture) {
            PutAt(parts, start);
        }
        RemovedGroup taken = unwritten_.ExtractGroup(copy.name);
        std::ranges::move(taken.records, std::back_inserter(removed.records));
        std::ranges::move(taken.entries, std::back_inserter(removed.entries));
        step.before.insert(step.before.end(), parts.begin(), parts.end());
    }
    selection_.ClearGroup();
    selection_.name.clear();
    selection_.writtenFile.reset();
    ResetTypingLocked();
    listModel_.ClampSelection(lists_.placementRecords.Count());
    listModel_.ClampPage(lists_.placementRecords.Count());
    listModel_.ClearSelection();
    editMode_ = ModeWithoutSelectionLocked();
    if (step.before.empty() && step.writtenBefore.empty()) {
        return;
    }
    step.selectionAfter = CaptureSelectionLocked();
    PushStepLocked(std::move(step));
}

} // namespace quorvane
