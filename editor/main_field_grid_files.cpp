#include "editor/main_field.h"

#include <unordered_set>
#include <utility>

namespace quorvane {
namespace {

// Lets the next write in however this one ends.
class CWriteTurn {
public:
    explicit CWriteTurn(std::atomic<bool>& writing) : writing_(writing) {}
    ~CWriteTurn() { writing_.store(false, std::memory_order_release); }
    CWriteTurn(const CWriteTurn&) = delete;
    CWriteTurn& operator=(const CWriteTurn&) = delete;

private:
    std::atomic<bool>& writing_;
};

} // namespace

GridWriteBatch CMainField::PendingGridLines() const {
    std::lock_guard lock(mutex_);
    return CollectGridLines(lists_.placementRecords, lists_.placedModels);
}

bool CMainField::WriteGridFiles(GridWriteReport* report) {
    GridWriteReport result;
    if (gridWriting_.exchange(true, std::memory_order_acq_rel)) {
        result.refused = true; // another thread is writing
    } else {
        CWriteTurn turn(gridWriting_);
        if (gridState_.load(std::memory_order_acquire) == kGridWritten) {
            result.refused = true; // the previous write is not cleaned up yet
        } else {
            // The records are copied under the lock and written without it.
            result = WriteGridLines(gridRoot_, PendingGridLines());
            std::lock_guard lock(mutex_);
            writtenNames_ = result.writtenNames;
            writtenNames_.insert(writtenNames_.end(), result.orphanNames.begin(), result.orphanNames.end());
            if (!writtenNames_.empty()) {
                gridState_.store(kGridWritten, std::memory_order_release);
                // Written placements live in the files now; no step may take them back.
                history_.Clear();
                result.historyCleared = true;
                MarkJournalDue();
            }
        }
    }
    QueueJournalIfDue();
    const bool allWritten = result.AllWritten();
    if (report != nullptr) {
        *report = std::move(result);
    }
    return allWritten;
}

bool CMainField::ClearAfterWrite() {
    if (!TryBeginGridPass()) {
        return false; // a streaming pass is reading grid files; the next frame clears
    }
    if (gridState_.load(std::memory_order_acquire) == kGridWritten) {
        // Taken out under the lock, destroyed after it.
        std::vector<std::unique_ptr<GridFileEntry>> files;
        std::vector<std::unique_ptr<CModelEntry>> shared;
        std::vector<std::unique_ptr<CPlacedModel>> records;
        std::vector<std::unique_ptr<CModelEntry>> entries;
        LockedStep([&](CFieldHookCalls& calls) {
            files = lists_.gridFiles.ExtractAll();
            for (const auto& file : files) {
                DestroyGridFile(*file, lists_.sharedModels);
            }
            shared = lists_.sharedModels.ExtractAll();
            // Only what reached its file goes; the rest stays for the next write.
            const std::unordered_set<std::string> written(writtenNames_.begin(), writtenNames_.end());
            writtenNames_.clear();
            records = lists_.placementRecords.ExtractIf(
                [&written](const CPlacedModel& record) { return written.contains(record.uniqueName); });
            entries = lists_.placedModels.ExtractIf(
                [&written](const CModelEntry& entry) { return written.contains(entry.name); });
            listModel_.ClampSelection(lists_.placementRecords.Count());
            listModel_.ClampPage(lists_.placementRecords.Count());
            calls.RepaintMain();
            calls.RepaintList();
        });
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
