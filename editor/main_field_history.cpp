// Undo and redo of placement steps.
#include "editor/main_field.h"
#include "platform/virtual_key_codes.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace quorvane {
namespace {

bool SameTransform(const CModelTransform& a, const CModelTransform& b) {
    return a.scale == b.scale && a.rotation == b.rotation && a.position == b.position;
}

EditMode OutsideModeGroups(EditMode mode) {
    if (ModeInRange(mode, EditMode::ModeCursorMove, 12)) {
        return EditMode::ModePlace;
    }
    if (ModeInRange(mode, EditMode::ModePlacedMove, 12)) {
        return EditMode::ModeAdjust;
    }
    return mode;
}

} // namespace

// ---- keys and requests ------------------------------------------------------------------

bool CMainField::HistoryKeyLocked(int virtualKey, CFieldHookCalls& calls) {
    if (!input_.ctrlKeyDown || (virtualKey != vk::Letter('Z') && virtualKey != vk::Letter('Y'))) {
        return false;
    }
    const bool redo = virtualKey == vk::Letter('Y') || input_.shiftKeyDown;
    if (IsInModeGroup(editMode_)) {
        // Inside a move, scale or rotation the undo key only takes that back, as a
        // right click does; redo waits until the adjustment is over.
        if (!redo) {
            CancelAdjustmentLocked(calls);
        }
        return true;
    }
    historyRequest_.store(redo ? kHistoryRedo : kHistoryUndo, std::memory_order_release);
    return true;
}

void CMainField::RequestUndo() {
    historyRequest_.store(kHistoryUndo, std::memory_order_release);
}

void CMainField::RequestRedo() {
    historyRequest_.store(kHistoryRedo, std::memory_order_release);
}

size_t CMainField::UndoCount() const {
    std::lock_guard lock(mutex_);
    return history_.UndoCount();
}

size_t CMainField::RedoCount() const {
    std::lock_guard lock(mutex_);
    return history_.RedoCount();
}

std::string CMainField::HistoryMessage() const {
    std::lock_guard lock(mutex_);
    return historyMessage_;
}

int32_t CMainField::UnwrittenPlacementCount() const {
    std::lock_guard lock(mutex_);
    // A write takes what it wrote out of the list as it ends.
    return lists_.placementRecords.Count();
}

// ---- recording -----------------------------------------------------------------------

PlacementSelection CMainField::CaptureSelectionLocked() const {
    PlacementSelection selection;
    selection.mode = OutsideModeGroups(editMode_);
    selection.selectedName = selection_.name;
    selection.writtenFile = selection_.writtenFile;
    selection.group = selection_.group;
    selection.list = listModel_;
    selection.justPlaced = input_.justPlaced;
    selection.selPosition = vectors_.selPosition;
    selection.selScale = vectors_.selScale;
    selection.selRotation = vectors_.selRotation;
    return selection;
}

void CMainField::PushStepLocked(EditStep step) {
    history_.Push(std::move(step));
    historyMessage_.clear();
    MarkJournalDue();
}

void CMainField::ToConfirmedTransformsLocked(std::vector<PlacedPartState>& parts) const {
    const EditVectors& v = vectors_;
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
void CMainField::RecordAdjustmentLocked() {
    if (selection_.IsGroup()) {
        RecordGroupAdjustmentLocked();
        return;
    }
    if (selection_.writtenFile) {
        RecordWrittenAdjustmentLocked();
        return;
    }
    std::vector<PlacedPartState> after = unwritten_.CaptureGroup(unwritten_.SerialOf(selection_.name));
    std::vector<PlacedPartState> before = after;
    ToConfirmedTransformsLocked(before);
    const EditVectors& v = vectors_;
    bool changed = false;
    for (size_t i = 0; i < before.size(); ++i) {
        changed = changed || !SameTransform(before[i].transform, after[i].transform);
    }
    if (!changed) {
        return; // confirmed where it started: nothing to take back
    }
    PlacementSelection selectionAfter = CaptureSelectionLocked();
    selectionAfter.mode = EditMode::ModeAdjust;
    PlacementSelection selectionBefore = selectionAfter;
    selectionBefore.selPosition = v.selPositionUndo;
    selectionBefore.selScale = v.selScaleUndo;
    selectionBefore.selRotation = v.selRotationUndo;
    PushStepLocked({std::move(before), std::move(after), selectionBefore, selectionAfter, {}, {}});
}

void CMainField::RecordRemovalLocked(std::vector<PlacedPartState> parts, const PlacementSelection& before) {
    if (parts.empty()) {
        return;
    }
    PushStepLocked({std::move(parts), {}, before, CaptureSelectionLocked(), {}, {}});
}

// ---- applying ------------------------------------------------------------------------

std::unique_ptr<CModelEntry> CMainField::LoadPartEntry(const CPlacedModel& record, std::string* message) {
    auto entry = std::make_unique<CModelEntry>();
    entry->name = record.uniqueName;
    entry->path = record.partPath;
    entry->animated = record.animated != 0;
    if (!loader_.LoadEntry(*entry, record.partPath, entry->animated)) {
        *message = "the model " + record.partPath + " of " + record.uniqueName + " did not load";
        return nullptr;
    }
    return entry;
}

void CMainField::HandleHistoryRequest() {
    // A step whose models have loaded on the background thread goes first.
    std::optional<PreparedHistory> prepared;
    {
        std::lock_guard lock(mutex_);
        if (historyLoading_) {
            return; // a newer request waits until the step before it is applied
        }
        prepared.swap(preparedHistory_);
    }
    if (prepared) {
        ApplyPreparedHistory(std::move(*prepared));
        return;
    }
    const int32_t request = historyRequest_.exchange(kHistoryNone, std::memory_order_acq_rel);
    if (request != kHistoryNone) {
        BeginHistoryStep({request, 0, {}, {}, 0});
    }
}

void CMainField::RequeueHistory(int32_t request) {
    // Unless a newer request came meanwhile.
    int32_t none = kHistoryNone;
    historyRequest_.compare_exchange_strong(none, request, std::memory_order_acq_rel);
}

void CMainField::BeginHistoryStep(PreparedHistory step) {
    const bool undo = step.request == kHistoryUndo;
    bool deferred = false;
    bool found = false;
    EditStep next;
    LockedStep([&](CFieldHookCalls& calls) {
        if (writeInProgress_) {
            deferred = true; // the write goes first
            return;
        }
        if (IsInModeGroup(editMode_)) {
            CancelAdjustmentLocked(calls); // the step applies to the confirmed state
        }
        const EditStep* candidate = undo ? history_.NextUndo() : history_.NextRedo();
        if (candidate == nullptr) {
            return;
        }
        found = true;
        next = *candidate;
        step.version = history_.Version();
        const std::vector<PlacedPartState>& target = undo ? next.before : next.after;
        step.loaded.clear();
        for (size_t i = 0; i < target.size(); ++i) {
            if (!unwritten_.IsPlaced(target[i].record.uniqueName)) {
                step.loaded.push_back({i, nullptr});
            }
        }
        if (!step.loaded.empty()) {
            historyLoading_ = true; // set with the lock held, before the frame lets go of it
        }
    });
    if (deferred) {
        RequeueHistory(step.request);
        return;
    }
    if (!found) {
        return;
    }
    if (step.loaded.empty()) {
        ApplyPreparedHistory(std::move(step)); // nothing to load: this frame
        return;
    }
    // Parts a delete took away load again on the background thread: never in
    // the frame, which is the only thread that gives loader slots back.
    auto target = std::make_shared<std::vector<PlacedPartState>>(undo ? next.before : next.after);
    auto shared = std::make_shared<PreparedHistory>(std::move(step));
    const bool posted = background_.Post([this, target, shared] {
        for (LoadedPart& part : shared->loaded) {
            part.entry = LoadPartEntry((*target)[part.index].record, &shared->failure);
            if (!part.entry) {
                break;
            }
        }
        std::lock_guard lock(mutex_);
        preparedHistory_ = std::move(*shared);
        historyLoading_ = false;
    });
    if (!posted) {
        std::lock_guard lock(mutex_);
        historyLoading_ = false; // the field is going: the request goes with it
    }
}

void CMainField::ApplyPreparedHistory(PreparedHistory step) {
    constexpr int kAttempts = 3;
    const bool undo = step.request == kHistoryUndo;
    RemovedGroup removed; // destroyed after the lock, on the render thread
    enum class Outcome { Applied, Deferred, Changed } outcome = Outcome::Applied;
    LockedStep([&](CFieldHookCalls& calls) {
        if (writeInProgress_) {
            outcome = Outcome::Deferred;
            return;
        }
        if (!step.failure.empty()) {
            historyMessage_ =
                (undo ? "undo" : "redo") + std::string(" left everything as it was: ") + step.failure;
            return;
        }
        const EditStep* next = undo ? history_.NextUndo() : history_.NextRedo();
        if (next == nullptr || history_.Version() != step.version) {
            outcome = Outcome::Changed; // a step came or went while the models loaded
            return;
        }
        const EditStep applied = *next;
        const std::vector<PlacedPartState>& target = undo ? applied.before : applied.after;
        const std::vector<PlacedPartState>& current = undo ? applied.after : applied.before;
        if (!unwritten_.ApplyStep(current, target, step.loaded, removed)) {
            outcome = Outcome::Changed;
            return;
        }
        for (const WrittenPart& part : undo ? applied.writtenBefore : applied.writtenAfter) {
            SetWrittenLocked(part);
        }
        RestoreSelectionLocked(undo ? applied.selectionBefore : applied.selectionAfter);
        if (undo) {
            history_.MarkUndone();
        } else {
            history_.MarkRedone();
        }
        historyMessage_.clear();
        MarkJournalDue();
        calls.RepaintList();
        calls.RepaintMain();
    });
    if (outcome == Outcome::Deferred) {
        std::lock_guard lock(mutex_);
        preparedHistory_ = std::move(step); // applied once the write has ended
    } else if (outcome == Outcome::Changed) {
        if (++step.attempts < kAttempts) {
            step.loaded.clear();
            BeginHistoryStep(std::move(step));
        } else {
            std::lock_guard lock(mutex_);
            historyMessage_ = "the placements kept changing; try again";
        }
    }
}

void CMainField::RestoreSelectionLocked(const PlacementSelection& selection) {
    const int32_t height = listModel_.Height(); // the window's, not the step's
    listModel_ = selection.list;
    listModel_.SetHeight(height);
    selection_.name = selection.selectedName;
    input_.justPlaced = selection.justPlaced;
    editMode_ = selection.mode;
    EditVectors& v = vectors_;
    v.selPosition = selection.selPosition;
    v.selScale = selection.selScale;
    v.selRotation = selection.selRotation;
    selection_.writtenFile = selection.writtenFile;
    selection_.group = selection.group;
    if (!selection_.group.empty()) {
        ResetGroupLocked(); // about the copies' centre as they stand now
        return;
    }
    if (selection_.writtenFile) {
        const std::optional<WrittenPart> part = SelectedWrittenLocked();
        if (part && !part->deleted) {
            v.selPositionUndo = v.selPosition = part->line.position;
            v.selScaleUndo = v.selScale = part->line.scale;
            v.selRotationUndo = v.selRotation = part->line.rotation;
        } else {
            selection_.name.clear();
            selection_.writtenFile.reset();
            editMode_ = ModeWithoutSelectionLocked();
        }
        return;
    }
    // The selected group's own transform wins: the next adjustment starts from it.
    const CModelEntry* entry =
        lists_.placedModels.FindFirst([this](const CModelEntry& e) { return e.name == selection_.name; });
    if (entry != nullptr && entry->hasDrawModel) {
        v.selPosition = entry->transform.position;
        v.selScale = entry->transform.scale;
        v.selRotation = entry->transform.rotation;
    }
    v.selPositionUndo = v.selPosition;
    v.selScaleUndo = v.selScale;
    v.selRotationUndo = v.selRotation;
}

} // namespace quorvane
