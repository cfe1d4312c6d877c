#include "editor/main_field.h"

#include <utility>

namespace quorvane {
GridWriteBatch CMainField::PendingGridLines() const {
    std::lock_guard lock(mutex_);
    return gridStore_.PendingLines();
}

bool CMainField::WriteGridFiles(GridWriteReport* report) {
    GridWriteReport result = gridWrites_.Write();
    const bool allWritten = result.AllWritten();
    if (report != nullptr) {
        *report = std::move(result);
    }
    return allWritten;
}

void CMainField::WriteGridFilesInBackground(std::function<void(const GridWriteReport&)> done) {
    gridWrites_.Request(std::move(done));
}

void CMainField::CollectLocked(GridWriteJob& job) {
    gridStore_.Collect(job);
}

void CMainField::TakeOutLocked(const GridWriteJob& job, GridWriteReport& report,
                               std::vector<std::unique_ptr<CPlacedModel>>& records, CFieldHookCalls& calls) {
    gridStore_.TakeOut(job, report, records);
    calls.RepaintList();
    calls.RepaintMain();
}

void CMainField::AfterStep(const CFieldHookCalls& calls) {
    RunHooks(calls);
    QueueJournalIfDue();
}

bool CMainField::MergeAfterWrite() {
    if (!gridHandOver_.TryBeginPass()) {
        return false; // a streaming pass is reading grid files; the next frame takes the write in
    }
    if (gridHandOver_.Written()) {
        CWriteMerge::Leftovers leftovers; // destroyed after the lock
        LockedStep([&](CFieldHookCalls& calls) {
            leftovers = gridStore_.Merge();
            calls.RepaintMain();
        });
        EntryStateChanges().fetch_add(1, std::memory_order_release);
        gridHandOver_.MarkMerged();
    }
    gridHandOver_.EndPass();
    return true;
}

bool CMainField::TryBeginGridPass() {
    return gridHandOver_.TryBeginPass();
}

void CMainField::EndGridPass() {
    gridHandOver_.EndPass();
}

bool CMainField::HandOverGridFiles() {
    return gridHandOver_.HandOver();
}

bool CMainField::TakeBackGridFiles() {
    return gridHandOver_.TakeBack();
}

bool CMainField::LoadGridFile(const std::filesystem::path& path, GridReadReport* report) {
    gridFileReads_.fetch_add(1, std::memory_order_acq_rel);
    std::unique_ptr<GridFileEntry> file = quorvane::LoadGridFile(path, report);
    if (!file) {
        return false;
    }
    std::lock_guard lock(mutex_);
    lists_.gridFiles.Append(std::move(file));
    return true;
}

void CMainField::AddSharedModel(std::unique_ptr<CModelEntry> entry) {
    std::lock_guard lock(mutex_);
    lists_.sharedModels.Append(std::move(entry));
}

} // namespace quorvane
