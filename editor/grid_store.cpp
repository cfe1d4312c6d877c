#include "editor/grid_store.h"

#include "editor/grid_map_line.h"

#include <string>
#include <unordered_set>
#include <utility>

namespace quorvane {

GridWriteBatch CGridStore::PendingLines() const {
    return CollectGridLines(parts_.lists.placementRecords, parts_.lists.placedModels);
}

void CGridStore::Collect(GridWriteJob& job) const {
    job.batch = PendingLines();
    job.rewrites = PlanCellRewrites(parts_.document, gridRoot_, job.batch);
    job.writer = writer_;
    job.access = access_;
}

void CGridStore::TakeOut(const GridWriteJob& job, GridWriteReport& report,
                         std::vector<std::unique_ptr<CPlacedModel>>& records) {
    FinishRewrites(job.rewrites, job.rewritten, report);
    TakeOutWritten(report, records);
}

void CGridStore::FinishRewrites(const std::vector<PlannedRewrite>& rewrites,
                                const std::vector<CellWriteResult>& results, GridWriteReport& report) {
    for (size_t i = 0; i < rewrites.size(); ++i) {
        const PlannedRewrite& rewrite = rewrites[i];
        const bool written = i < results.size() && results[i].outcome == CellWriteOutcome::Written;
        if (written) {
            if (results[i].stamp) {
                parts_.document.MarkWritten(rewrite.path, rewrite.lines, *results[i].stamp);
            } else {
                parts_.document.Forget(rewrite.path); // read again before its next rewrite
            }
            merge_.AddRewrite({rewrite.path, rewrite.lines, results[i].stamp});
            parts_.shown.DocumentChanged();
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

void CGridStore::TakeOutWritten(GridWriteReport& report,
                                std::vector<std::unique_ptr<CPlacedModel>>& records) {
    merge_.SetAppended(report.appended);
    std::unordered_set<std::string> gone(report.writtenNames.begin(), report.writtenNames.end());
    gone.insert(report.orphanNames.begin(), report.orphanNames.end());
    if (gone.empty()) {
        if (merge_.HasRewrites()) {
            parts_.handOver.MarkWritten(); // the cells in memory take the new text
        }
        return;
    }
    // What reached its file leaves the lists now, with the state the write saw;
    // the rest stays for the next write.
    CRegistryLists& lists = parts_.lists;
    records = lists.placementRecords.ExtractIf(
        [&gone](const CPlacedModel& record) { return gone.contains(record.uniqueName); });
    std::vector<std::unique_ptr<CModelEntry>> entries =
        lists.placedModels.ExtractIf([&gone](const CModelEntry& entry) { return gone.contains(entry.name); });
    const std::unordered_set<std::string> written(report.writtenNames.begin(), report.writtenNames.end());
    for (const std::unique_ptr<CPlacedModel>& record : records) {
        if (!written.contains(record->uniqueName)) {
            continue;
        }
        const std::filesystem::path file =
            GridFilePath(gridRoot_, record->lod, CellOfUniqueName(record->uniqueName));
        parts_.placement.AddWrittenNameLocked(file, record->uniqueName);
        for (std::unique_ptr<CModelEntry>& entry : entries) {
            if (entry && entry->name == record->uniqueName) {
                // It joins its cell in memory as what the file now holds.
                const CModelTransform transform = entry->transform;
                merge_.AddCopy({std::move(entry), file, GridLineOf(*record, transform)});
            }
        }
    }
    for (std::unique_ptr<CModelEntry>& entry : entries) {
        if (entry) {
            retired_.push_back(std::move(entry)); // the render thread may still be drawing them
        }
    }
    parts_.edit.list.ClampSelection(lists.placementRecords.Count());
    parts_.edit.list.ClampPage(lists.placementRecords.Count());
    // The cells in memory take what was written in the render thread's next turn.
    parts_.handOver.MarkWritten();
    parts_.history.ClearLocked();
    report.historyCleared = true;
    parts_.journal.MarkDue();
}

CWriteMerge::Leftovers CGridStore::Merge() {
    CWriteMerge::Leftovers leftovers = merge_.MergeInto(parts_.lists.gridFiles, parts_.lists.sharedModels);
    parts_.shown.DocumentChanged(); // the joined copies take their selection marks afresh
    return leftovers;
}

} // namespace quorvane
