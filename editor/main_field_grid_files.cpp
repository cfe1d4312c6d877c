#include "editor/main_field.h"

#include <exception>
#include <unordered_set>
#include <utility>

namespace quorvane {
GridWriteBatch CMainField::PendingGridLines() const {
    std::lock_guard lock(mutex_);
    return CollectGridLines(lists_.placementRecords, lists_.placedModels);
}

bool CMainField::WriteGridFiles(GridWriteReport* report) {
    GridWriteReport result;
    if (std::optional<WriteJob> job = BeginWrite(result)) {
        DoFileWork(*job);
        result = FinishWrite(*job);
    }
    const bool allWritten = result.AllWritten();
    if (report != nullptr) {
        *report = std::move(result);
    }
    return allWritten;
}

void CMainField::WriteGridFilesInBackground(std::function<void(const GridWriteReport&)> done) {
    std::lock_guard lock(writeRequestsMutex_);
    writeRequests_.push_back(std::move(done));
}

std::optional<CMainField::WriteJob> CMainField::BeginWrite(GridWriteReport& refusal) {
    if (gridWriting_.exchange(true, std::memory_order_acq_rel)) {
        refusal.refused = true; // another thread is writing
        return std::nullopt;
    }
    if (gridState_.load(std::memory_order_acquire) == kGridWritten) {
        refusal.refused = true; // the previous write is not cleaned up yet
        gridWriting_.store(false, std::memory_order_release);
        return std::nullopt;
    }
    // The moment the write begins: requests made from now on wait for its end.
    WriteJob job;
    std::lock_guard lock(mutex_);
    writeInProgress_ = true;
    job.batch = CollectGridLines(lists_.placementRecords, lists_.placedModels);
    job.rewrites = PlanCellRewrites(document_, gridRoot_, job.batch);
    job.writer = gridWriter_;
    job.access = fileAccess_;
    return job;
}

void CMainField::DoFileWork(WriteJob& job) const {
    try {
        job.appended = job.writer(gridRoot_, std::move(job.batch));
        for (const PlannedRewrite& rewrite : job.rewrites) {
            job.rewritten.push_back(
                WriteCell(*job.access, {rewrite.path, CellRewrite{rewrite.lines, rewrite.expected}}));
        }
    } catch (const std::exception& error) {
        job.appended = {};
        job.appended.failures.push_back({{}, {}, std::string("the write stopped: ") + error.what()});
    }
}

GridWriteReport CMainField::FinishWrite(WriteJob& job) {
    GridWriteReport result = std::move(job.appended);
    CFieldHookCalls calls;
    std::vector<std::unique_ptr<CPlacedModel>> writtenRecords; // destroyed after the lock
    {
        std::lock_guard lock(mutex_);
        FinishRewritesLocked(job.rewrites, job.rewritten, result);
        TakeOutWrittenLocked(result, writtenRecords);
        writeInProgress_ = false;
        calls.RepaintList();
        calls.RepaintMain();
    }
    gridWriting_.store(false, std::memory_order_release); // the next write may begin
    RunHooks(calls);
    QueueJournalIfDue();
    return result;
}

void CMainField::HandleWriteRequests() {
    std::optional<FinishedWrite> finished;
    {
        std::lock_guard lock(writeRequestsMutex_);
        finished.swap(finishedWrite_);
    }
    if (finished) {
        const GridWriteReport report = FinishWrite(finished->job);
        if (finished->done) {
            finished->done(report);
        }
    }
    std::function<void(const GridWriteReport&)> done;
    {
        std::lock_guard lock(writeRequestsMutex_);
        // One at a time, each after the cells in memory took the one before.
        if (writeRequests_.empty() || writeRunning_ ||
            gridState_.load(std::memory_order_acquire) == kGridWritten) {
            return;
        }
        done = std::move(writeRequests_.front());
        writeRequests_.erase(writeRequests_.begin());
    }
    GridWriteReport refusal;
    std::optional<WriteJob> job = BeginWrite(refusal);
    if (!job) {
        if (done) {
            done(refusal);
        }
        return;
    }
    {
        std::lock_guard lock(writeRequestsMutex_);
        writeRunning_ = true;
    }
    // The files are written and synced on the writing thread; the next frame update finishes the step.
    const bool posted = writer_.Post([this, job = std::make_shared<WriteJob>(std::move(*job)), done] {
        DoFileWork(*job);
        std::lock_guard lock(writeRequestsMutex_);
        finishedWrite_ = FinishedWrite{std::move(*job), done};
        writeRunning_ = false;
    });
    if (!posted) {
        // The field is going: nothing was written, and the lists keep everything.
        WriteJob nothing;
        FinishWrite(nothing);
        {
            std::lock_guard lock(writeRequestsMutex_);
            writeRunning_ = false;
        }
        if (done) {
            refusal.refused = true;
            done(refusal);
        }
    }
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
            gridState_.store(kGridWritten,
                             std::memory_order_release); // the cells in memory take the new text
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
        gridNames_.AddWritten(file, record->uniqueName);
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
    listModel_.ClampSelection(lists_.placementRecords.Count());
    listModel_.ClampPage(lists_.placementRecords.Count());
    // The cells in memory take what was written in the render thread's next turn.
    gridState_.store(kGridWritten, std::memory_order_release);
    // Written placements live in the files now; no step may take them back.
    history_.ClearLocked();
    result.historyCleared = true;
    MarkJournalDue();
}

bool CMainField::MergeAfterWrite() {
    if (!TryBeginGridPass()) {
        return false; // a streaming pass is reading grid files; the next frame takes the write in
    }
    if (gridState_.load(std::memory_order_acquire) == kGridWritten) {
        CWriteMerge::Leftovers leftovers; // destroyed after the lock
        LockedStep([&](CFieldHookCalls& calls) {
            leftovers = writeMerge_.MergeInto(lists_.gridFiles, lists_.sharedModels);
            shownEdits_.DocumentChanged(); // the joined copies take their selection marks afresh
            calls.RepaintMain();
        });
        EntryStateChanges().fetch_add(1, std::memory_order_release);
        gridState_.store(kGridIdle, std::memory_order_release);
    }
    EndGridPass();
    return true;
}

bool CMainField::TryBeginGridPass() {
    bool expected = false;
    return gridBusy_.compare_exchange_strong(expected, true, std::memory_order_acq_rel);
}

void CMainField::EndGridPass() {
    gridBusy_.store(false, std::memory_order_release);
}

bool CMainField::HandOverGridFiles() {
    int32_t expected = kGridIdle;
    return gridState_.compare_exchange_strong(expected, kGridLoaded, std::memory_order_acq_rel);
}

bool CMainField::TakeBackGridFiles() {
    int32_t expected = kGridLoaded;
    return gridState_.compare_exchange_strong(expected, kGridIdle, std::memory_order_acq_rel);
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
