// Undo and redo of placement steps.
#include "editor/main_field.h"

#include <utility>

namespace quorvane {

// ---- keys and requests ------------------------------------------------------------------

void CMainField::RequestUndo() {
    history_.Request(kHistoryUndo);
}

void CMainField::RequestRedo() {
    history_.Request(kHistoryRedo);
}

size_t CMainField::UndoCount() const {
    std::lock_guard lock(mutex_);
    return history_.UndoCountLocked();
}

size_t CMainField::RedoCount() const {
    std::lock_guard lock(mutex_);
    return history_.RedoCountLocked();
}

std::string CMainField::HistoryMessage() const {
    std::lock_guard lock(mutex_);
    return history_.MessageLocked();
}

int32_t CMainField::UnwrittenPlacementCount() const {
    std::lock_guard lock(mutex_);
    // A write takes what it wrote out of the list as it ends.
    return lists_.placementRecords.Count();
}

// ---- applying ------------------------------------------------------------------------

std::unique_ptr<CModelEntry> CMainField::LoadPart(const CPlacedModel& record, std::string* message) {
    // A still part whose file has a shared model comes back as a copy of it:
    // a stroke's thousands of copies come back at once, reading nothing.
    if (record.animated == 0 && sharedSources_.Obtain(record.partPath) != nullptr) {
        if (std::unique_ptr<CModelEntry> copy = sharedSources_.MakeCopy(record.partPath, record.uniqueName)) {
            copy->modelId = record.modelId.empty() ? copy->modelId : record.modelId;
            return copy;
        }
    }
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

bool CMainField::WriteInProgressLocked() const {
    return gridWrites_.InProgressLocked();
}

void CMainField::EndAdjustmentLocked(CFieldHookCalls& calls) {
    if (IsInModeGroup(edit_.mode)) {
        input_.CancelAdjustment(calls);
    }
}

bool CMainField::IsPlacedLocked(const std::string& name) const {
    return unwritten_.IsPlaced(name);
}

bool CMainField::ApplyStepLocked(const EditStep& step, bool undo, std::vector<LoadedPart>& loaded,
                                 RemovedGroup& removed, CFieldHookCalls& calls) {
    const std::vector<PlacedPartState>& target = undo ? step.before : step.after;
    const std::vector<PlacedPartState>& current = undo ? step.after : step.before;
    if (!unwritten_.ApplyStep(current, target, loaded, removed)) {
        return false;
    }
    for (const WrittenPart& part : undo ? step.writtenBefore : step.writtenAfter) {
        levelEdits_.SetWritten(part);
    }
    selector_.Restore(undo ? step.selectionBefore : step.selectionAfter);
    journal_.MarkDue();
    calls.RepaintList();
    calls.RepaintMain();
    return true;
}

bool CMainField::PostLoad(std::function<void()> job) {
    return background_.Post(std::move(job));
}

} // namespace quorvane
