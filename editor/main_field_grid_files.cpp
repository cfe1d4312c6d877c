#include "editor/main_field.h"

#include <unordered_set>
#include <utility>

namespace quorvane {
GridWriteBatch CMainField::PendingGridLines() const {
    std::lock_guard lock(mutex_);
    return CollectGridLines(lists_.placementRecords, lists_.placedModels);
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
    job.batch = CollectGridLines(lists_.placementRecords, lists_.placedModels);
    job.rewrites = PlanCellRewrites(document_, gridRoot_, job.batch);
    job.writer = gridWriter_;
    job.access = fileAccess_;
}

void CMainField::TakeOutLocked(const GridWriteJob& job, GridWriteReport& report,
                               std::vector<std::unique_ptr<CPlacedModel>>& records, CFieldHookCalls& calls) {
    FinishRewritesLocked(job.rewrites, job.rewritten, report);
    TakeOutWrittenLocked(report, records);
    calls.RepaintList();
    calls.RepaintMain();
}

void CMainField::AfterStep(const CFieldHookCalls& calls) {
    RunHooks(calls);
    QueueJournalIfDue();
}

void CMainField::FinishRewritesLocked(const std::vector<PlannedRewrite>& rewrites,
                                      const std::vector<CellWriteResult>& results, GridWriteReport& report) {
    for (size_t i = 0; i < rewrites.size(); ++i) {
        const PlannedRewrite& rewrite = rewrites[i];
        const bool written = i < results.size() && results[i].outcome == CellWriteOutcome::Written;
        if (written) {
            if (results[i].stamp) {
                document_.MarkWritten(rewrite.path, rewrite.lines, *results[i].stamp);
            } else {
                document_.Forget(rewrite.path); // read again before its next rewrite
            }
            writeMerge_.AddRewrite({rewrite.path, rewrite.lines, results[i].stamp});
            shownEdits_.DocumentChanged();
            report.writtenNames.insert(report.writtenNames.end(), rewrite.addedNames.begin(),
                                       rewrite.addedNames.end());
            report.changedNames.insert(report.changedNames.end(), rewrite.editedNames.begin(),
                                       rewrite.editedNames.end());
            continue;
        }
        const std::string message = i < results.size() ? results[i].message : "the write stopped";
        for (const std::vector<std::string>* names : {&rewrite.addedNames, &rewrite.editedNames}) {
            for (const std::string& name : *names) {
                report.failures.push_back({name, rewrite.path, message});
            }
        }
    }
}

void CMainField::TakeOutWrittenLocked(GridWriteReport& result,
                                      std::vector<std::unique_ptr<CPlacedModel>>& records) {
    writeMerge_.SetAppended(result.appended);
    std::unordered_set<std::string> gone(result.writtenNames.begin(), result.writtenNames.end());
    gone.insert(result.orphanNames.begin(), result.orphanNames.end());
    if (gone.empty()) {
        if (writeMerge_.HasRewrites()) {
            gridHandOver_.MarkWritten(); // the cells in memory take the new text
        }
        return;
    }
    // What reached its file leaves the lists now, with the state the write saw;
    // the rest stays for the next write.
    records = lists_.placementRecords.ExtractIf(
        [&gone](const CPlacedModel& record) { return gone.contains(record.uniqueName); });
    std::vector<std::unique_ptr<CModelEntry>> entries = lists_.placedModels.ExtractIf(
        [&gone](const CModelEntry& entry) { return gone.contains(entry.name); });
    const std::unordered_set<std::string> written(result.writtenNames.begin(), result.writtenNames.end());
    for (const std::unique_ptr<CPlacedModel>& record : records) {
        if (!written.contains(record->uniqueName)) {
            continue;
        }
        const std::filesystem::path file =
            GridFilePath(gridRoot_, record->lod, CellOfUniqueName(record->uniqueName));
        placement_.AddWrittenNameLocked(file, record->uniqueName);
        for (std::unique_ptr<CModelEntry>& entry : entries) {
            if (entry && entry->name == record->uniqueName) {
                // It joins its cell in memory as what the file now holds.
                const CModelTransform transform = entry->transform;
                writeMerge_.AddCopy({std::move(entry), file, GridLineOf(*record, transform)});
            }
        }
    }
    for (std::unique_ptr<CModelEntry>& entry : entries) {
        if (entry) {
            retiredEntries_.push_back(std::move(entry)); // the render thread may still be drawing them
        }
    }
    edit_.list.ClampSelection(lists_.placementRecords.Count());
    edit_.list.ClampPage(lists_.placementRecords.Count());
    // The cells in memory take what was written in the render thread's next turn.
    gridHandOver_.MarkWritten();
    // Written placements live in the files now; no step may take them back.
    history_.ClearLocked();
    result.historyCleared = true;
    MarkJournalDue();
}

bool CMainField::MergeAfterWrite() {
    if (!gridHandOver_.TryBeginPass()) {
        return false; // a streaming pass is reading grid files; the next frame takes the write in
    }
    if (gridHandOver_.Written()) {
        CWriteMerge::Leftovers leftovers; // destroyed after the lock
        LockedStep([&](CFieldHookCalls& calls) {
            leftovers = writeMerge_.MergeInto(lists_.gridFiles, lists_.sharedModels);
            shownEdits_.DocumentChanged(); // the joined copies take their selection marks afresh
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
