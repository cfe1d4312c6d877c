// The recovery journal of the field: what is not written yet, on disk after
// each step, and put back after a crash.
#include "editor/grid_map_line.h"
#include "editor/journal_recovery.h"
#include "editor/main_field.h"
#include "editor/unique_name.h"

#include <map>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace quorvane {
namespace {

std::filesystem::path GridFileOf(const std::filesystem::path& root, const CPlacedModel& record) {
    return GridFilePath(root, record.lod, CellOfUniqueName(record.uniqueName));
}

} // namespace

// Each journal record holds the whole unwritten state rather than a change:
// it is emptied by every write and so stays small, a restart needs only the
// newest complete record, a torn record costs only the last step, and two
// threads may finish steps in any order because a record older than the one
// on disk is simply not written.
JournalRecord CMainField::CollectJournalLocked() const {
    std::unordered_map<std::string, const CModelEntry*> entries;
    lists_.placedModels.ForEach(
        [&entries](const CModelEntry& entry) { entries.emplace(entry.name, &entry); });
    JournalRecord record;
    lists_.placementRecords.ForEach([&](const CPlacedModel& placed) {
        const auto found = entries.find(placed.uniqueName);
        if (found == entries.end()) {
            return; // nothing left to write
        }
        record.placements.push_back({placed, found->second->placementSerial, found->second->transform});
    });
    record.edits = document_.Edits();
    // What an earlier run left stays journaled until the user answers for it.
    record.placements.insert(record.placements.end(), recoverable_.begin(), recoverable_.end());
    record.edits.insert(record.edits.end(), recoverableEdits_.begin(), recoverableEdits_.end());
    return record;
}

void CMainField::QueueJournalIfDue() {
    journal_.QueueIfDue(mutex_, [this] { return CollectJournalLocked(); });
}

void CMainField::FlushJournal() {
    QueueJournalIfDue();
    journal_.WaitIdle();
}

bool CMainField::OpenRecoveryJournal(const std::filesystem::path& path, std::string* message,
                                     std::function<void(const std::string&)> failureHandler) {
    OpenedJournal opened = OpenJournalForRecovery(path, gridRoot_, nameReader_);
    *message = std::move(opened.message);
    if (!opened.journal) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        recoverable_ = std::move(opened.recoverable.placements);
        recoverableEdits_ = std::move(opened.recoverable.edits);
    }
    journal_.Attach(std::move(opened.journal), std::move(failureHandler));
    MarkJournalDue();
    QueueJournalIfDue();
    return true;
}

UnwrittenSet CMainField::RecoverablePlacements() const {
    std::lock_guard lock(mutex_);
    return recoverable_;
}

std::vector<WrittenPart> CMainField::RecoverableEdits() const {
    std::lock_guard lock(mutex_);
    return recoverableEdits_;
}

size_t CMainField::RecoverableCount() const {
    std::lock_guard lock(mutex_);
    return recoverable_.size() + recoverableEdits_.size();
}

int32_t CMainField::RestoreFromJournal(std::string* message) {
    message->clear();
    JournalRecord recoverable;
    std::shared_ptr<IGridFileAccess> access;
    {
        std::lock_guard lock(mutex_);
        recoverable = {recoverable_, recoverableEdits_};
        access = fileAccess_;
    }
    const UnwrittenSet& set = recoverable.placements;
    const std::vector<WrittenPart>& edits = recoverable.edits;
    RestoreReads reads = ReadForRestore(recoverable, gridRoot_, nameReader_, *access);
    std::vector<std::string> problems;
    std::vector<std::unique_ptr<CModelEntry>> entries(set.size());
    for (size_t i = 0; i < set.size(); ++i) {
        std::string failure;
        entries[i] = LoadPartEntry(set[i].record, &failure);
        if (!entries[i]) {
            problems.push_back(failure + "; it is kept for the next start");
        }
    }
    int32_t restored = 0;
    LockedStep([&](CFieldHookCalls& calls) {
        // Serials of the earlier run would clash with this run's: each group gets a new one.
        std::map<uint32_t, uint32_t> serials;
        UnwrittenSet kept;
        std::unordered_set<std::string> restoredNames;
        for (size_t i = 0; i < set.size(); ++i) {
            UnwrittenPlacement part = set[i];
            if (!entries[i]) {
                kept.push_back(std::move(part));
                continue;
            }
            const std::string cell(CellOfUniqueName(part.record.uniqueName));
            const std::unordered_set<std::string>& inFile =
                reads.namesInFiles[GridFileOf(gridRoot_, part.record)];
            const auto taken = [&](const std::string& name) {
                return unwritten_.IsPlaced(name) || inFile.contains(name) || restoredNames.contains(name);
            };
            if (taken(part.record.uniqueName)) {
                // Another placement has the name now: this one gets the next free one.
                const auto takenOrWaiting = [&](const std::string& name) {
                    return taken(name) || IsNameTakenLocked(name);
                };
                const std::string renamed = FirstFreeName(cell, part.record.modelId, {}, takenOrWaiting);
                problems.push_back(part.record.uniqueName + " was taken and is restored as " + renamed);
                part.record.uniqueName = renamed;
            }
            auto [serial, fresh] = serials.try_emplace(part.placementSerial, 0);
            if (fresh) {
                serial->second = ++placementSerial_;
            }
            entries[i]->name = part.record.uniqueName;
            entries[i]->placementSerial = serial->second;
            entries[i]->transform = part.transform;
            restoredNames.insert(part.record.uniqueName);
            lists_.placedModels.Append(std::move(entries[i]));
            lists_.placementRecords.Append(std::make_unique<CPlacedModel>(part.record));
            ++restored;
        }
        const size_t editsBefore = edits.size();
        // What did not load stays recoverable, and journaled, for the next start.
        recoverable_ = std::move(kept);
        bool documentChanged = false;
        recoverableEdits_ = PutEditsBack(document_, edits, reads.cells, problems, documentChanged);
        if (documentChanged) {
            shownEdits_.DocumentChanged();
        }
        restored += static_cast<int32_t>(editsBefore - recoverableEdits_.size());
        MarkJournalDue();
        calls.RepaintList();
        calls.RepaintMain();
    });
    for (const std::string& problem : problems) {
        *message += (message->empty() ? "" : "; ") + problem;
    }
    QueueJournalIfDue();
    return restored;
}

bool CMainField::DiscardRecoverable(std::string* message) {
    message->clear();
    {
        std::lock_guard lock(mutex_);
        recoverable_.clear();
        recoverableEdits_.clear();
        MarkJournalDue(); // this run's placements alone, at once
    }
    QueueJournalIfDue();
    return true;
}

bool CMainField::DiscardUnwritten(std::string* message) {
    message->clear();
    uint64_t collected = 0;
    {
        std::lock_guard lock(mutex_);
        recoverable_.clear();
        recoverableEdits_.clear();
        collected = journal_.CollectedLocked();
    }
    return journal_.Discard(collected, message);
}

std::string CMainField::JournalError() const {
    return journal_.Error();
}

} // namespace quorvane
