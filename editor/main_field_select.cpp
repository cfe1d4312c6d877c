// Selecting copies in the field, and editing the ones already written.
#include "editor/main_field.h"

#include <unordered_set>
#include <utility>

namespace quorvane {
namespace {

// Tells the instance refresh that a copy moved, hid or changed its tint.
void CountEntryChange() {
    EntryStateChanges().fetch_add(1, std::memory_order_release);
}

} // namespace

void CMainField::SetPickRay(PickRayFunction pickRay) {
    std::lock_guard lock(mutex_);
    pickRay_ = std::move(pickRay);
}

bool CMainField::PickPending() const {
    std::lock_guard lock(mutex_);
    return pendingPick_.has_value();
}

bool CMainField::SelectedIsWritten() const {
    std::lock_guard lock(mutex_);
    return edit_.selection.writtenFile.has_value();
}

std::vector<WrittenPart> CMainField::WrittenEdits() const {
    std::lock_guard lock(mutex_);
    return document_.Edits();
}

bool CMainField::HasUnwrittenEdits(const std::filesystem::path& file) const {
    std::lock_guard lock(mutex_);
    return document_.IsDirty(file);
}

void CMainField::SetViewProjection(ViewProjectionFunction projection) {
    std::lock_guard lock(mutex_);
    viewProjection_ = std::move(projection);
}

void CMainField::HandlePickRequest() {
    std::optional<PickRay> ray;
    std::optional<RectangleRequest> rectangle;
    bool toggles = false;
    {
        std::lock_guard lock(mutex_);
        ray.swap(pendingPick_);
        rectangle.swap(pendingRectangle_);
        toggles = std::exchange(pendingPickToggles_, false);
    }
    if (!ray && !rectangle) {
        return;
    }
    LockedStep([&](CFieldHookCalls& calls) {
        // A key pressed since the click started something else: the click only ended the adjustment.
        const bool selecting = edit_.mode == EditMode::ModeNoModel || edit_.mode == EditMode::ModeMove ||
                               (toggles && edit_.mode == EditMode::ModeAdjust && !edit_.input.justPlaced);
        if (!selecting) {
            return;
        }
        if (ray) {
            pickTargets_.Gather(lists_);
            const std::optional<PickTarget> hit = pickTargets_.Nearest(*ray);
            if (toggles) {
                if (hit) { // Shift+click on bare ground keeps the selection
                    ToggleInSelectionLocked(*hit);
                }
            } else {
                pressPickHit_ = hit.has_value();
                if (hit) {
                    SelectPickedLocked(*hit);
                } else {
                    ClearFieldSelectionLocked(calls);
                }
            }
        }
        // A drag that began on a copy selected that copy; only one from bare ground draws a rectangle.
        if (rectangle && !pressPickHit_) {
            SelectInRectangleLocked(*rectangle, calls);
        }
        calls.RepaintList();
        calls.RepaintMain();
    });
}

void CMainField::SelectInRectangleLocked(const RectangleRequest& request, CFieldHookCalls& calls) {
    pickTargets_.Gather(lists_);
    const std::vector<PickTarget> found = pickTargets_.InRectangle(request.a, request.b, request.view);
    ClearFieldSelectionLocked(calls);
    std::vector<SelectedCopy> members;
    std::unordered_set<uint32_t> serials; // a click's parts are one copy
    for (const PickTarget& target : found) {
        if (target.file != nullptr) {
            KeepWrittenCellLocked(*target.file);
            members.push_back({target.entry->name, target.file->path});
        } else if (serials.insert(target.entry->placementSerial).second) {
            members.push_back({target.entry->name, std::nullopt});
        }
    }
    if (members.empty()) {
        edit_.mode = ModeWithoutSelectionLocked();
    } else if (members.size() == 1) {
        SelectOnlyLocked(members.front());
    } else {
        edit_.selection.group = std::move(members);
        edit_.mode = EditMode::ModeAdjust;
        edit_.input.justPlaced = false;
        ResetGroupLocked();
    }
}

void CMainField::SelectPickedLocked(const PickTarget& target) {
    edit_.selection.ClearGroup();
    if (target.file != nullptr) {
        // A click on a written part takes every part its click placed, as it does for unwritten ones.
        KeepWrittenCellLocked(*target.file);
        const std::vector<std::string> together =
            document_.PlacedTogether(target.file->path, target.entry->name);
        if (together.size() < 2) {
            SelectWrittenLocked(*target.file, *target.entry);
            return;
        }
        for (const std::string& name : together) {
            edit_.selection.group.push_back({name, target.file->path});
        }
        edit_.selection.name.clear();
        edit_.selection.writtenFile.reset();
        edit_.list.ClearSelection();
        edit_.input.justPlaced = false;
        edit_.mode = EditMode::ModeAdjust;
        ResetGroupLocked();
        return;
    }
    if (!SelectPlacedModelLocked(target.entry->name)) {
        return;
    }
    edit_.input.justPlaced = false;
    // Its row is the one the placement list shows selected.
    int32_t row = 0;
    int32_t found = 0;
    const std::string& name = target.entry->name;
    lists_.placementRecords.ForEach([&](const CPlacedModel& record) {
        ++row;
        if (found == 0 && record.uniqueName == name) {
            found = row;
        }
    });
    if (found > 0) {
        edit_.list.Select(found, lists_.placementRecords.Count());
    }
}

EditMode CMainField::ModeWithoutSelectionLocked() const {
    return placement_.CursorLocked().PartCount() > 0 ? EditMode::ModeMove : EditMode::ModeNoModel;
}

bool CMainField::SelectWrittenLocked(const GridFileEntry& file, const CModelEntry& entry) {
    KeepWrittenCellLocked(file);
    edit_.selection.writtenFile = file.path;
    edit_.selection.name = entry.name;
    const std::optional<WrittenPart> part = SelectedWrittenLocked();
    if (!part) {
        edit_.selection.writtenFile.reset();
        edit_.selection.name.clear();
        return false;
    }
    EditVectors& v = edit_.vectors;
    v.selPositionUndo = v.selPosition = part->line.position;
    v.selScaleUndo = v.selScale = part->line.scale;
    v.selRotationUndo = v.selRotation = part->line.rotation;
    edit_.input.justPlaced = false;
    edit_.list.ClearSelection();
    edit_.mode = EditMode::ModeAdjust;
    return true;
}

void CMainField::ClearFieldSelectionLocked(CFieldHookCalls& calls) {
    edit_.selection.ClearGroup();
    edit_.selection.name.clear();
    edit_.selection.writtenFile.reset();
    edit_.list.ClearSelection();
    calls.RepaintList();
    calls.RepaintMain();
}

std::optional<WrittenPart> CMainField::SelectedWrittenLocked() const {
    if (!edit_.selection.writtenFile) {
        return std::nullopt;
    }
    return document_.Current(*edit_.selection.writtenFile, edit_.selection.name);
}

void CMainField::SetWrittenLocked(const WrittenPart& part) {
    levelEdits_.SetWritten(part);
}

void CMainField::ApplyWrittenTransformLocked() {
    std::optional<WrittenPart> part = SelectedWrittenLocked();
    if (!part || part->deleted) {
        return;
    }
    SetLineTransform(part->line,
                     {edit_.vectors.selScale, edit_.vectors.selRotation, edit_.vectors.selPosition});
    SetWrittenLocked(*part);
}

void CMainField::RecordWrittenAdjustmentLocked() {
    const std::optional<WrittenPart> after = SelectedWrittenLocked();
    if (!after || after->deleted) {
        return;
    }
    const EditVectors& v = edit_.vectors;
    WrittenPart before = *after;
    SetLineTransform(before.line, {v.selScaleUndo, v.selRotationUndo, v.selPositionUndo});
    if (SameGridValues(before.line, after->line)) {
        return; // confirmed where it started
    }
    EditStep step;
    step.selectionAfter = CaptureSelectionLocked();
    step.selectionAfter.mode = EditMode::ModeAdjust;
    step.selectionBefore = step.selectionAfter;
    step.selectionBefore.selPosition = v.selPositionUndo;
    step.selectionBefore.selScale = v.selScaleUndo;
    step.selectionBefore.selRotation = v.selRotationUndo;
    step.writtenBefore.push_back(std::move(before));
    step.writtenAfter.push_back(*after);
    PushStepLocked(std::move(step));
}

bool CMainField::DeleteSelectedWrittenLocked(const PlacementSelection& before) {
    const std::optional<WrittenPart> part = SelectedWrittenLocked();
    if (!part || part->deleted) {
        return false;
    }
    WrittenPart confirmed = *part;
    if (ModeInRange(edit_.mode, EditMode::ModePlacedMove, 12)) {
        // Deleted in the middle of an adjustment: undone, it comes back unadjusted.
        const EditVectors& v = edit_.vectors;
        SetLineTransform(confirmed.line, {v.selScaleUndo, v.selRotationUndo, v.selPositionUndo});
    }
    WrittenPart deleted = confirmed;
    deleted.deleted = true;
    SetWrittenLocked(deleted);
    edit_.selection.name.clear();
    edit_.selection.writtenFile.reset();
    ResetTypingLocked();
    edit_.mode = ModeWithoutSelectionLocked();
    EditStep step;
    step.selectionBefore = before;
    step.selectionAfter = CaptureSelectionLocked();
    step.writtenBefore.push_back(std::move(confirmed));
    step.writtenAfter.push_back(std::move(deleted));
    PushStepLocked(std::move(step));
    return true;
}

void CMainField::SyncWrittenEntries() {
    std::lock_guard lock(mutex_);
    if (shownEdits_.Sync(lists_, document_, edit_.selection.Shown())) {
        CountEntryChange();
    }
}

} // namespace quorvane
