// The recovery journal of the field: what is not written yet, on disk after
// each step, and put back after a crash.
#include "editor/journal_recovery.h"
#include "editor/main_field.h"

#include <utility>

namespace quorvane {

void CMainField::QueueJournalIfDue() {
    journal_.QueueIfDue(mutex_, [this] { return recovery_.Collect(); });
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
        recovery_.Keep(std::move(opened.recoverable));
    }
    journal_.Attach(std::move(opened.journal), std::move(failureHandler));
    journal_.MarkDue();
    QueueJournalIfDue();
    return true;
}

UnwrittenSet CMainField::RecoverablePlacements() const {
    std::lock_guard lock(mutex_);
    return recovery_.Left().placements;
}

std::vector<WrittenPart> CMainField::RecoverableEdits() const {
    std::lock_guard lock(mutex_);
    return recovery_.Left().edits;
}

size_t CMainField::RecoverableCount() const {
    std::lock_guard lock(mutex_);
    return recovery_.Count();
}

int32_t CMainField::RestoreFromJournal(std::string* message) {
    message->clear();
    JournalRecord left;
    std::shared_ptr<IGridFileAccess> access;
    {
        std::lock_guard lock(mutex_);
        left = recovery_.Left();
        access = gridStore_.FileAccess();
    }
    // Files are read and models loaded without the lock.
    RestoreReads reads = ReadForRestore(left, gridRoot_, nameReader_, *access);
    std::vector<std::string> problems;
    std::vector<std::unique_ptr<CModelEntry>> entries(left.placements.size());
    for (size_t i = 0; i < left.placements.size(); ++i) {
        std::string failure;
        entries[i] = LoadPart(left.placements[i].record, &failure);
        if (!entries[i]) {
            problems.push_back(failure + "; it is kept for the next start");
        }
    }
    int32_t restored = 0;
    LockedStep([&](CFieldHookCalls& calls) {
        restored = recovery_.PutBack(left, entries, reads, problems);
        journal_.MarkDue();
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
        recovery_.Forget();
        journal_.MarkDue(); // this run's placements alone, at once
    }
    QueueJournalIfDue();
    return true;
}

bool CMainField::DiscardUnwritten(std::string* message) {
    message->clear();
    uint64_t collected = 0;
    {
        std::lock_guard lock(mutex_);
        recovery_.Forget();
        collected = journal_.CollectedLocked();
    }
    return journal_.Discard(collected, message);
}

std::string CMainField::JournalError() const {
    return journal_.Error();
}

} // namespace quorvane
