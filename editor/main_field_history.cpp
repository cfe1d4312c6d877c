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

// Moves the named elements to their 1-based positions, the others keeping their
// order. The elements themselves stay where they are in memory.
template <typename T, typename NameOf>
void PutAtPositions(COwnedList<T>& list, const std::unordered_map<std::string, int32_t>& wanted,
                    NameOf nameOf) {
    bool inPlace = true;
    int32_t position = 0;
    list.ForEach([&](const T& element) {
        ++position;
        const auto found = wanted.find(nameOf(element));
        if (found != wanted.end() && found->second != position) {
            inPlace = false;
        }
    });
    if (inPlace) {
        return;
    }
    std::vector<std::unique_ptr<T>> moved =
        list.ExtractIf([&](const T& element) { return wanted.contains(nameOf(element)); });
    std::vector<std::unique_ptr<T>> all = list.ExtractAll();
    std::sort(moved.begin(), moved.end(),
              [&](const auto& a, const auto& b) { return wanted.at(nameOf(*a)) < wanted.at(nameOf(*b)); });
    // In rising order each insert lands on its position: later ones go behind it.
    for (std::unique_ptr<T>& element : moved) {
        const auto at =
            std::min<size_t>(static_cast<size_t>(std::max(wanted.at(nameOf(*element)), 1) - 1), all.size());
        all.insert(all.begin() + static_cast<std::ptrdiff_t>(at), std::move(element));
    }
    for (std::unique_ptr<T>& element : all) {
        list.Append(std::move(element));
    }
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

std::vector<PlacedPartState> CMainField::CaptureGroupLocked(int64_t serial) const {
    std::vector<PlacedPartState> parts;
    if (serial < 0) {
        return parts;
    }
    int32_t position = 0;
    lists_.placedModels.ForEach([&](const CModelEntry& entry) {
        ++position;
        if (entry.placementSerial != serial) {
            return;
        }
        PlacedPartState& part = parts.emplace_back();
        // Without a record the entry alone says how to load it again.
        part.record.uniqueName = entry.name;
        part.record.partPath = entry.path;
        part.record.animated = entry.animated ? 1 : 0;
        part.hasRecord = false;
        part.placementSerial = entry.placementSerial;
        part.hasDrawModel = entry.hasDrawModel;
        part.transform = entry.transform;
        part.entryPosition = position;
    });
    position = 0;
    lists_.placementRecords.ForEach([&](const CPlacedModel& record) {
        ++position;
        for (PlacedPartState& part : parts) {
            if (!part.hasRecord && part.record.uniqueName == record.uniqueName) {
                part.record = record;
                part.hasRecord = true;
                part.recordPosition = position;
                break;
            }
        }
    });
    return parts;
}

PlacementSelection CMainField::CaptureSelectionLocked() const {
    PlacementSelection selection;
    selection.mode = OutsideModeGroups(editMode_);
    selection.selectedName = selectedName_;
    selection.writtenFile = selectedWrittenFile_;
    selection.group = group_;
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
    if (GroupSelectedLocked()) {
        RecordGroupAdjustmentLocked();
        return;
    }
    if (selectedWrittenFile_) {
        RecordWrittenAdjustmentLocked();
        return;
    }
    std::vector<PlacedPartState> after = CaptureGroupLocked(SerialOfLocked(selectedName_));
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
            if (!IsPlacedNameLocked(target[i].record.uniqueName)) {
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
        if (!ApplyStepLocked(current, target, step.loaded, removed)) {
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

bool CMainField::ApplyStepLocked(const std::vector<PlacedPartState>& current,
                                 const std::vector<PlacedPartState>& target, std::vector<LoadedPart>& loaded,
                                 RemovedGroup& removed) {
    std::unordered_map<size_t, LoadedPart*> loadedAt;
    for (LoadedPart& part : loaded) {
        loadedAt[part.index] = &part;
    }
    std::unordered_set<std::string> targetNames;
    for (size_t i = 0; i < target.size(); ++i) {
        const std::string& name = target[i].record.uniqueName;
        targetNames.insert(name);
        const bool present = IsPlacedNameLocked(name);
        const auto found = loadedAt.find(i);
        const bool hasLoaded = found != loadedAt.end() && found->second->entry;
        if (present == hasLoaded) {
            return false; // changed since the loads began: look again
        }
    }

    // Parts of the other side that the target does not have go.
    std::unordered_set<std::string> dropped;
    for (const PlacedPartState& part : current) {
        if (!targetNames.contains(part.record.uniqueName)) {
            dropped.insert(part.record.uniqueName);
        }
    }
    removed.records = lists_.placementRecords.ExtractIf(
        [&](const CPlacedModel& record) { return dropped.contains(record.uniqueName); });
    removed.entries =
        lists_.placedModels.ExtractIf([&](const CModelEntry& entry) { return dropped.contains(entry.name); });

    std::unordered_map<std::string, int32_t> recordPositions;
    std::unordered_map<std::string, int32_t> entryPositions;
    std::unordered_map<std::string, const PlacedPartState*> targetByName;
    for (size_t i = 0; i < target.size(); ++i) {
        const PlacedPartState& part = target[i];
        const std::string& name = part.record.uniqueName;
        targetByName[name] = &part;
        entryPositions[name] = part.entryPosition;
        if (const auto found = loadedAt.find(i); found != loadedAt.end() && found->second->entry) {
            // Whole before it is listed: the render thread reads entries under the list's lock only.
            std::unique_ptr<CModelEntry>& entry = found->second->entry;
            entry->placementSerial = part.placementSerial;
            entry->transform = part.transform;
            lists_.placedModels.Append(std::move(entry));
        }

        CPlacedModel* record = lists_.placementRecords.FindFirst(
            [&name](const CPlacedModel& r) { return r.uniqueName == name; });
        if (part.hasRecord) {
            if (record == nullptr) {
                lists_.placementRecords.Append(std::make_unique<CPlacedModel>(part.record));
            } else {
                *record = part.record;
            }
            recordPositions[name] = part.recordPosition;
        }
    }
    // Listed entries change only under the list's lock, which the render thread reads them under.
    lists_.placedModels.ForEach([&targetByName](CModelEntry& entry) {
        if (const auto found = targetByName.find(entry.name); found != targetByName.end()) {
            entry.placementSerial = found->second->placementSerial;
            entry.transform = found->second->transform;
        }
    });
    PutAtPositions(lists_.placementRecords, recordPositions,
                   [](const CPlacedModel& record) -> const std::string& { return record.uniqueName; });
    PutAtPositions(lists_.placedModels, entryPositions,
                   [](const CModelEntry& entry) -> const std::string& { return entry.name; });
    return true;
}

void CMainField::RestoreSelectionLocked(const PlacementSelection& selection) {
    const int32_t height = listModel_.Height(); // the window's, not the step's
    listModel_ = selection.list;
    listModel_.SetHeight(height);
    selectedName_ = selection.selectedName;
    input_.justPlaced = selection.justPlaced;
    editMode_ = selection.mode;
    EditVectors& v = vectors_;
    v.selPosition = selection.selPosition;
    v.selScale = selection.selScale;
    v.selRotation = selection.selRotation;
    selectedWrittenFile_ = selection.writtenFile;
    group_ = selection.group;
    if (!group_.empty()) {
        ResetGroupLocked(); // about the copies' centre as they stand now
        return;
    }
    if (selectedWrittenFile_) {
        const std::optional<WrittenPart> part = SelectedWrittenLocked();
        if (part && !part->deleted) {
            v.selPositionUndo = v.selPosition = part->line.position;
            v.selScaleUndo = v.selScale = part->line.scale;
            v.selRotationUndo = v.selRotation = part->line.rotation;
        } else {
            selectedName_.clear();
            selectedWrittenFile_.reset();
            editMode_ = ModeWithoutSelectionLocked();
        }
        return;
    }
    // The selected group's own transform wins: the next adjustment starts from it.
    const CModelEntry* entry =
        lists_.placedModels.FindFirst([this](const CModelEntry& e) { return e.name == selectedName_; });
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
