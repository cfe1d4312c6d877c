#include "editor/selection_edits.h"

#include "editor/grid_map_line.h"
#include "editor/ground_height.h"
#include "editor/group_transform.h"
#include "editor/rotation_matrix.h"

#include <utility>

namespace quorvane {
namespace {

bool SameTransform(const CModelTransform& a, const CModelTransform& b) {
    return a.scale == b.scale && a.rotation == b.rotation && a.position == b.position;
}

} // namespace

void CSelectionEdits::RequestDelete() {
    if (edit_.mode == EditMode::ModePlace || edit_.mode == EditMode::ModeMove) {
        return;
    }
    if (edit_.selection.writtenFile || edit_.selection.IsGroup()) {
        deleteName_ = edit_.selection.name;
        request_.store(kRequestDeleteSelected, std::memory_order_release);
        return;
    }
    if (const CPlacedModel* record = lists_.placementRecords.At(edit_.list.Selected())) {
        deleteName_ = record->uniqueName;
        request_.store(kRequestDeleteSelected, std::memory_order_release);
    }
}

bool CSelectionEdits::HandleRequest(CUnwrittenPlacements::Removed& removed) {
    const int32_t request = request_.exchange(kRequestNone, std::memory_order_acq_rel);
    if (request == kRequestNone) {
        return false; // most frames
    }
    const PlacementSelection before = selector_.Capture();
    if (request == kRequestCancelPlacement) {
        CancelPlacement(before, removed);
    } else if (request == kRequestDropToGround || request == kRequestDropAndTilt) {
        DropToGround(request == kRequestDropAndTilt, before);
    } else if (edit_.selection.IsGroup()) {
        DeleteGroup(before, removed);
    } else if (edit_.selection.writtenFile) {
        // The selection changed since Delete: a different copy is not deleted unasked.
        return deleteName_ == edit_.selection.name && DeleteWritten(before);
    } else {
        DeleteUnwritten(deleteName_, before, removed);
    }
    return true;
}

void CSelectionEdits::RequestDrop(bool tilt) {
    if (edit_.mode != EditMode::ModeAdjust) {
        return; // placing, or inside a move, scale or rotation
    }
    request_.store(tilt ? kRequestDropAndTilt : kRequestDropToGround, std::memory_order_release);
}

void CSelectionEdits::DropToGround(bool tilt, const PlacementSelection& before) {
    const FieldSelection& selection = edit_.selection;
    std::vector<SelectedCopy> selected;
    std::vector<int64_t> selectedSerials;
    if (selection.IsGroup()) {
        selected = selection.group;
        selectedSerials = selection.groupSerials;
    } else if (!selection.name.empty()) {
        selected.push_back({selection.name, selection.writtenFile});
        selectedSerials.push_back(selection.writtenFile ? -1 : unwritten_.SerialOf(selection.name));
    }
    std::vector<SelectedCopy> copies;
    std::vector<int64_t> serials;
    std::vector<CModelTransform> starts;
    std::vector<CModelTransform> targets;
    for (size_t i = 0; i < selected.size() && i < selectedSerials.size(); ++i) {
        const std::optional<CModelTransform> now = edits_.TransformOf(selected[i]);
        if (!now) {
            continue;
        }
        const std::optional<GroundContact> ground = GroundAt(lists_, now->position.x, now->position.y);
        if (!ground) {
            continue; // off the field: nothing to stand on
        }
        CModelTransform target = *now;
        target.position.z = ground->point.z;
        if (tilt) {
            const Vector4 angles = AnglesStandingOn(ground->normal, now->rotation.z);
            target.rotation = {angles.x, angles.y, angles.z, now->rotation.w};
        }
        copies.push_back(selected[i]);
        serials.push_back(selectedSerials[i]);
        starts.push_back(*now);
        targets.push_back(target);
    }
    if (copies.empty()) {
        return;
    }
    edits_.MoveCopies(copies, serials, targets);
    std::optional<EditStep> step = edits_.MoveStep(copies, starts);
    if (selection.IsGroup()) {
        selector_.ResetGroup(); // the next gesture starts from where they stand now
    } else {
        edit_.vectors.selPosition = targets.front().position;
        edit_.vectors.selRotation = targets.front().rotation;
    }
    if (!step) {
        return; // already on the ground
    }
    step->selectionBefore = before;
    step->selectionBefore.mode = EditMode::ModeAdjust;
    step->selectionAfter = selector_.Capture();
    step->selectionAfter.mode = EditMode::ModeAdjust;
    Push(std::move(*step));
}

void CSelectionEdits::Push(EditStep step) {
    history_.PushLocked(std::move(step));
    journal_.MarkDue();
}

void CSelectionEdits::RecordRemoval(std::vector<PlacedPartState> parts, const PlacementSelection& before) {
    if (parts.empty()) {
        return;
    }
    Push({std::move(parts), {}, before, selector_.Capture(), {}, {}});
}

void CSelectionEdits::ApplyTransform() {
    if (edit_.selection.IsGroup()) {
        ApplyGroupTransform();
        return;
    }
    if (edit_.selection.writtenFile) {
        ApplyWrittenTransform();
        return;
    }
    const Vector4& scale = edit_.vectors.selScale;
    const Vector4& rotation = edit_.vectors.selRotation;
    const Vector4& position = edit_.vectors.selPosition;
    unwritten_.ForEachInGroup(edit_.selection.name, [&](CModelTransform& t) {
        t.scale = scale;
        t.rotation = {rotation.x, rotation.y, rotation.z, t.rotation.w};
        t.position = {position.x, position.y, position.z, t.position.w};
    });
}

void CSelectionEdits::ApplyGroupTransform() {
    const EditVectors& v = edit_.vectors;
    const GroupGesture gesture{v.selPosition, v.selScale, v.selRotation};
    std::vector<CModelTransform> moved;
    moved.reserve(edit_.selection.groupStart.size());
    for (const CModelTransform& start : edit_.selection.groupStart) {
        moved.push_back(MovedWithGroup(start, edit_.selection.groupCentre, gesture));
    }
    edits_.MoveCopies(edit_.selection.group, edit_.selection.groupSerials, moved);
}

void CSelectionEdits::ApplyWrittenTransform() {
    std::optional<WrittenPart> part = selector_.SelectedWritten();
    if (!part || part->deleted) {
        return;
    }
    SetLineTransform(part->line,
                     {edit_.vectors.selScale, edit_.vectors.selRotation, edit_.vectors.selPosition});
    edits_.SetWritten(*part);
}

void CSelectionEdits::ToConfirmedTransforms(std::vector<PlacedPartState>& parts) const {
    const EditVectors& v = edit_.vectors;
    for (PlacedPartState& part : parts) {
        if (!part.hasDrawModel) {
            continue;
        }
        // What a right click would put back.
        CModelTransform& t = part.transform;
        t.scale = v.selScaleUndo;
        t.rotation = {v.selRotationUndo.x, v.selRotationUndo.y, v.selRotationUndo.z, t.rotation.w};
        t.position = {v.selPositionUndo.x, v.selPositionUndo.y, v.selPositionUndo.z, t.position.w};
    }
}

// Called on the confirming click while the undo vectors still hold the values
// from before the adjustment.
void CSelectionEdits::RecordAdjustment() {
    if (edit_.selection.IsGroup()) {
        RecordGroupAdjustment();
        return;
    }
    if (edit_.selection.writtenFile) {
        RecordWrittenAdjustment();
        return;
    }
    std::vector<PlacedPartState> after = unwritten_.CaptureGroup(unwritten_.SerialOf(edit_.selection.name));
    std::vector<PlacedPartState> before = after;
    ToConfirmedTransforms(before);
    const EditVectors& v = edit_.vectors;
    bool changed = false;
    for (size_t i = 0; i < before.size(); ++i) {
        changed = changed || !SameTransform(before[i].transform, after[i].transform);
    }
    if (!changed) {
        return; // confirmed where it started: nothing to take back
    }
    PlacementSelection selectionAfter = selector_.Capture();
    selectionAfter.mode = EditMode::ModeAdjust;
    PlacementSelection selectionBefore = selectionAfter;
    selectionBefore.selPosition = v.selPositionUndo;
    selectionBefore.selScale = v.selScaleUndo;
    selectionBefore.selRotation = v.selRotationUndo;
    Push({std::move(before), std::move(after), selectionBefore, selectionAfter, {}, {}});
}

void CSelectionEdits::RecordGroupAdjustment() {
    const PlacementSelection before = selector_.Capture();
    std::optional<EditStep> step = edits_.MoveStep(edit_.selection.group, edit_.selection.groupStart);
    // The gesture ends here: the next one starts from where the copies are now.
    selector_.ResetGroup();
    if (!step) {
        return;
    }
    step->selectionBefore = before;
    step->selectionBefore.mode = EditMode::ModeAdjust;
    step->selectionAfter = selector_.Capture();
    step->selectionAfter.mode = EditMode::ModeAdjust;
    Push(std::move(*step));
}

void CSelectionEdits::RecordWrittenAdjustment() {
    const std::optional<WrittenPart> after = selector_.SelectedWritten();
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
    step.selectionAfter = selector_.Capture();
    step.selectionAfter.mode = EditMode::ModeAdjust;
    step.selectionBefore = step.selectionAfter;
    step.selectionBefore.selPosition = v.selPositionUndo;
    step.selectionBefore.selScale = v.selScaleUndo;
    step.selectionBefore.selRotation = v.selRotationUndo;
    step.writtenBefore.push_back(std::move(before));
    step.writtenAfter.push_back(*after);
    Push(std::move(step));
}

void CSelectionEdits::DeleteGroup(const PlacementSelection& before, CUnwrittenPlacements::Removed& removed) {
    // Deleted in the middle of an adjustment: undone, they come back unadjusted.
    const bool midGesture = ModeInRange(edit_.mode, EditMode::ModePlacedMove, 12);
    EditStep step =
        edits_.DeleteCopies(edit_.selection.group, edit_.selection.groupStart, midGesture, removed);
    step.selectionBefore = before;
    step.selectionBefore.mode = EditMode::ModeAdjust;
    edit_.selection.ClearGroup();
    edit_.selection.name.clear();
    edit_.selection.writtenFile.reset();
    edit_.gesture.Reset();
    edit_.list.ClampSelection(lists_.placementRecords.Count());
    edit_.list.ClampPage(lists_.placementRecords.Count());
    edit_.list.ClearSelection();
    edit_.mode = selector_.ModeWithoutSelection();
    if (step.before.empty() && step.writtenBefore.empty()) {
        return;
    }
    step.selectionAfter = selector_.Capture();
    Push(std::move(step));
}

bool CSelectionEdits::DeleteWritten(const PlacementSelection& before) {
    const std::optional<WrittenPart> part = selector_.SelectedWritten();
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
    edits_.SetWritten(deleted);
    edit_.selection.name.clear();
    edit_.selection.writtenFile.reset();
    edit_.gesture.Reset();
    edit_.mode = selector_.ModeWithoutSelection();
    EditStep step;
    step.selectionBefore = before;
    step.selectionAfter = selector_.Capture();
    step.writtenBefore.push_back(std::move(confirmed));
    step.writtenAfter.push_back(std::move(deleted));
    Push(std::move(step));
    return true;
}

void CSelectionEdits::ResetSelectionFromCursor() {
    edit_.vectors.selPosition = edit_.vectors.cursorOffset;
    edit_.vectors.selRotation = edit_.vectors.cursorRotation;
    edit_.vectors.selScale = edit_.vectors.cursorScale;
}

void CSelectionEdits::CancelPlacement(PlacementSelection before, CUnwrittenPlacements::Removed& removed) {
    // Undone, the placement waits for its confirmation again, as before the right click.
    before.mode = EditMode::ModeAdjust;
    std::vector<PlacedPartState> parts = unwritten_.CaptureGroup(unwritten_.SerialOf(edit_.selection.name));
    removed = unwritten_.ExtractGroup(edit_.selection.name);
    ResetSelectionFromCursor();
    // justPlaced stays set, so the mode stays placing.
    RecordRemoval(std::move(parts), before);
}

void CSelectionEdits::DeleteUnwritten(const std::string& name, const PlacementSelection& before,
                                      CUnwrittenPlacements::Removed& removed) {
    std::vector<PlacedPartState> parts = unwritten_.CaptureGroup(unwritten_.SerialOf(name));
    if (ModeInRange(edit_.mode, EditMode::ModePlacedMove, 12) &&
        unwritten_.SerialOf(name) == unwritten_.SerialOf(edit_.selection.name)) {
        // Deleted in the middle of an adjustment: undone, it comes back unadjusted.
        ToConfirmedTransforms(parts);
    }
    removed = unwritten_.ExtractGroup(name);
    ResetSelectionFromCursor();
    edit_.list.ClampSelection(lists_.placementRecords.Count());
    edit_.list.ClampPage(lists_.placementRecords.Count());
    if (const CPlacedModel* row = lists_.placementRecords.At(edit_.list.Selected())) {
        selector_.SelectPlaced(row->uniqueName); // the highlighted row is the one edited from now on
    } else {
        edit_.mode = EditMode::ModeMove;
    }
    RecordRemoval(std::move(parts), before);
}

} // namespace quorvane
