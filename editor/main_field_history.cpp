// Undo and redo of placement steps, and the recovery journal of the field.
#include "editor/grid_map_line.h"
#include "editor/main_field.h"
#include "platform/virtual_key_codes.h"

#include <algorithm>
#include <map>
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
    // Records written but not yet cleaned up are in their files already.
    const std::unordered_set<std::string> written(writtenNames_.begin(), writtenNames_.end());
    int32_t count = 0;
    lists_.placementRecords.ForEach(
        [&](const CPlacedModel& record) { count += written.contains(record.uniqueName) ? 0 : 1; });
    return count;
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
    PushStepLocked({std::move(before), std::move(after), selectionBefore, selectionAfter});
}

void CMainField::RecordRemovalLocked(std::vector<PlacedPartState> parts, const PlacementSelection& before) {
    if (parts.empty()) {
        return;
    }
    PushStepLocked({std::move(parts), {}, before, CaptureSelectionLocked()});
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
    const int32_t request = historyRequest_.exchange(kHistoryNone, std::memory_order_acq_rel);
    if (request == kHistoryNone) {
        return;
    }
    const bool undo = request == kHistoryUndo;
    // A placement on the UI thread may change the history while models load;
    // then the step is looked up again.
    constexpr int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        EditStep step;
        uint64_t version = 0;
        std::vector<LoadedPart> loaded;
        bool none = false;
        LockedStep([&](CFieldHookCalls& calls) {
            if (IsInModeGroup(editMode_)) {
                CancelAdjustmentLocked(calls); // the step applies to the confirmed state
            }
            const EditStep* next = undo ? history_.NextUndo() : history_.NextRedo();
            if (next == nullptr) {
                none = true;
                return;
            }
            step = *next;
            version = history_.Version();
            const std::vector<PlacedPartState>& target = undo ? step.before : step.after;
            for (size_t i = 0; i < target.size(); ++i) {
                if (!IsPlacedNameLocked(target[i].record.uniqueName)) {
                    loaded.push_back({i, nullptr});
                }
            }
        });
        if (none) {
            return;
        }
        const std::vector<PlacedPartState>& target = undo ? step.before : step.after;
        const std::vector<PlacedPartState>& current = undo ? step.after : step.before;
        // Loads take long: without the lock, as placing does.
        std::string failure;
        for (LoadedPart& part : loaded) {
            part.entry = LoadPartEntry(target[part.index].record, &failure);
            if (!part.entry) {
                break;
            }
        }
        RemovedGroup removed; // destroyed after the lock, on this thread
        bool applied = false;
        LockedStep([&](CFieldHookCalls& calls) {
            if (!failure.empty()) {
                historyMessage_ =
                    (undo ? "undo" : "redo") + std::string(" left everything as it was: ") + failure;
                applied = true; // nothing to retry
                return;
            }
            if (history_.Version() != version || !ApplyStepLocked(current, target, loaded, removed)) {
                return;
            }
            RestoreSelectionLocked(undo ? step.selectionBefore : step.selectionAfter);
            if (undo) {
                history_.MarkUndone();
            } else {
                history_.MarkRedone();
            }
            historyMessage_.clear();
            MarkJournalDue();
            applied = true;
            calls.RepaintList();
            calls.RepaintMain();
        });
        if (applied) {
            return;
        }
    }
    std::lock_guard lock(mutex_);
    historyMessage_ = "the placements kept changing; try again";
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
    for (size_t i = 0; i < target.size(); ++i) {
        const PlacedPartState& part = target[i];
        const std::string& name = part.record.uniqueName;
        CModelEntry* entry =
            lists_.placedModels.FindFirst([&name](const CModelEntry& e) { return e.name == name; });
        if (entry == nullptr) {
            entry = lists_.placedModels.Append(std::move(loadedAt.at(i)->entry));
        }
        entry->placementSerial = part.placementSerial;
        entry->transform = part.transform;
        entryPositions[name] = part.entryPosition;

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

// ---- recovery journal -------------------------------------------------------------------

// Each journal record holds the whole unwritten set rather than a change: the
// set is emptied by every write and so stays small, a restart needs only the
// newest complete record, a torn record costs only the last step, and two
// threads may finish steps in any order because a set older than the one on
// disk is simply not written.
UnwrittenSet CMainField::CollectUnwrittenLocked() const {
    const std::unordered_set<std::string> written(writtenNames_.begin(), writtenNames_.end());
    std::unordered_map<std::string, const CModelEntry*> entries;
    lists_.placedModels.ForEach(
        [&entries](const CModelEntry& entry) { entries.emplace(entry.name, &entry); });
    UnwrittenSet set;
    lists_.placementRecords.ForEach([&](const CPlacedModel& record) {
        const auto found = entries.find(record.uniqueName);
        if (written.contains(record.uniqueName) || found == entries.end()) {
            return; // in its file already, or nothing left to write
        }
        set.push_back({record, found->second->placementSerial, found->second->transform});
    });
    return set;
}

void CMainField::QueueJournalIfDue() {
    if (!journalDue_.exchange(false, std::memory_order_acq_rel) ||
        !journalOpen_.load(std::memory_order_acquire)) {
        return;
    }
    UnwrittenSet set;
    uint64_t serial = 0;
    {
        std::lock_guard lock(mutex_);
        set = CollectUnwrittenLocked();
        serial = ++journalSerial_;
    }
    journalWriter_.Queue(serial, std::move(set));
}

void CMainField::WriteJournalSet(uint64_t serial, const UnwrittenSet& set) {
    std::function<void(const std::string&)> tell;
    std::string message;
    {
        std::lock_guard journalLock(journalMutex_);
        if (!journal_ || journalHeld_ || serial <= journalWrittenSerial_) {
            return; // nothing to journal into, or a newer set is on disk already
        }
        journalWrittenSerial_ = serial;
        const bool ok = set.empty() ? journal_->Clear(&message) : journal_->Append(set, &message);
        if (!ok && journalError_.empty()) {
            tell = journalFailed_;
        }
        journalError_ = ok ? std::string() : message;
    }
    if (tell) {
        tell(message);
    }
}

void CMainField::SetJournalFailureHandler(std::function<void(const std::string&)> handler) {
    std::lock_guard journalLock(journalMutex_);
    journalFailed_ = std::move(handler);
}

void CMainField::FlushJournal() {
    QueueJournalIfDue();
    journalWriter_.WaitIdle();
}

bool CMainField::OpenRecoveryJournal(const std::filesystem::path& path, std::string* message) {
    auto journal = std::make_unique<CRecoveryJournal>(path);
    const JournalContents contents = journal->Read();
    message->clear();
    if (!contents.error.empty()) {
        *message = contents.error;
        return false;
    }
    if (contents.damagedTail) {
        *message = "the end of " + path.string() + " was cut off or damaged and is ignored";
    }
    // A crash between a write and the journal's clearing leaves written
    // placements in it; their names in the grid map files give them away.
    UnwrittenSet recoverable = contents.Latest();
    std::map<std::filesystem::path, std::unordered_set<std::string>> namesInFiles;
    std::erase_if(recoverable, [&](const UnwrittenPlacement& part) {
        const std::string& name = part.record.uniqueName;
        const std::filesystem::path file = GridFilePath(gridRoot_, part.record.lod, CellOfUniqueName(name));
        auto [names, fresh] = namesInFiles.try_emplace(file);
        if (fresh) {
            names->second = nameReader_(file);
        }
        return names->second.contains(name);
    });
    {
        std::lock_guard journalLock(journalMutex_);
        journal_ = std::move(journal);
        journalOpen_.store(true, std::memory_order_release);
        recoverable_ = std::move(recoverable);
        journalHeld_ = !recoverable_.empty();
        journalError_.clear();
    }
    MarkJournalDue();
    QueueJournalIfDue();
    return true;
}

UnwrittenSet CMainField::RecoverablePlacements() const {
    std::lock_guard journalLock(journalMutex_);
    return recoverable_;
}

int32_t CMainField::RestoreFromJournal(std::string* message) {
    message->clear();
    UnwrittenSet set;
    {
        std::lock_guard journalLock(journalMutex_);
        set = recoverable_;
    }
    std::vector<std::string> problems;
    std::vector<std::unique_ptr<CModelEntry>> entries(set.size());
    for (size_t i = 0; i < set.size(); ++i) {
        std::string failure;
        entries[i] = LoadPartEntry(set[i].record, &failure);
        if (!entries[i]) {
            problems.push_back(failure);
        }
    }
    int32_t restored = 0;
    LockedStep([&](CFieldHookCalls& calls) {
        // Serials of the earlier run would clash with this run's: each group gets a new one.
        std::map<uint32_t, uint32_t> serials;
        for (size_t i = 0; i < set.size(); ++i) {
            if (!entries[i]) {
                continue;
            }
            const UnwrittenPlacement& part = set[i];
            if (IsPlacedNameLocked(part.record.uniqueName)) {
                problems.push_back(part.record.uniqueName + " is placed already");
                continue;
            }
            auto [serial, fresh] = serials.try_emplace(part.placementSerial, 0);
            if (fresh) {
                serial->second = ++placementSerial_;
            }
            entries[i]->placementSerial = serial->second;
            entries[i]->transform = part.transform;
            lists_.placedModels.Append(std::move(entries[i]));
            lists_.placementRecords.Append(std::make_unique<CPlacedModel>(part.record));
            ++restored;
        }
        calls.RepaintList();
        calls.RepaintMain();
    });
    {
        std::lock_guard journalLock(journalMutex_);
        recoverable_.clear();
        journalHeld_ = false;
    }
    for (const std::string& problem : problems) {
        *message += (message->empty() ? "" : "; ") + problem;
    }
    MarkJournalDue();
    QueueJournalIfDue();
    return restored;
}

bool CMainField::DiscardUnwritten(std::string* message) {
    message->clear();
    uint64_t collected = 0;
    {
        std::lock_guard lock(mutex_);
        collected = journalSerial_;
    }
    std::lock_guard journalLock(journalMutex_);
    recoverable_.clear();
    journalHeld_ = false;
    // Sets collected before the answer must not bring the discarded back.
    journalWrittenSerial_ = std::max(journalWrittenSerial_, collected);
    return !journal_ || journal_->Clear(message);
}

std::string CMainField::JournalError() const {
    std::lock_guard journalLock(journalMutex_);
    return journalError_;
}

} // namespace quorvane
