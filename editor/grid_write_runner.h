#pragma once

#include "editor/background_queue.h"
#include "editor/cell_rewrite_plan.h"
#include "editor/field_view_hooks.h"
#include "editor/grid_cell_store.h"
#include "editor/grid_hand_over.h"
#include "editor/grid_writer.h"
#include "editor/placed_model.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace quorvane {

// One write of the grid map files: what it appends and the cells it
// rewrites, as taken when it began, and what the file work made of them.
struct GridWriteJob {
    using LineWriter = std::function<GridWriteReport(const std::filesystem::path& root, GridWriteBatch)>;

    GridWriteBatch batch;
    std::vector<PlannedRewrite> rewrites;
    LineWriter writer;
    std::shared_ptr<IGridFileAccess> access;
    GridWriteReport appended; // the batch's outcome
    std::vector<CellWriteResult> rewritten;
};

// What a write asks of the field whose placements it writes.
class IGridWriteHost {
public:
    // With the field's lock held: what the write writes, at the moment it begins.
    virtual void CollectLocked(GridWriteJob& job) = 0;
    // With it held, at the moment the write ends: the outcome into report, and
    // what reached the files out of the lists (records, destroyed after the lock).
    virtual void TakeOutLocked(const GridWriteJob& job, GridWriteReport& report,
                               std::vector<std::unique_ptr<CPlacedModel>>& records,
                               CFieldHookCalls& calls) = 0;
    // Without it, once the write's step has ended.
    virtual void AfterStep(const CFieldHookCalls& calls) = 0;

protected:
    ~IGridWriteHost() = default;
};

// Writes the grid map files as one step in the order of edits: what it
// writes, what it takes out of the lists and where the history ends all come
// from the moment it begins, and the field's requests met during its file
// work wait for its end (InProgressLocked). The file work runs without the
// field's lock. The write button's writes are posted, begun and ended by the
// frame update, their file work on a thread of their own.
class CGridWriteRunner {
public:
    using Done = std::function<void(const GridWriteReport&)>;

    CGridWriteRunner(std::mutex& fieldMutex, IGridWriteHost& host, CGridHandOver& handOver,
                     std::filesystem::path gridRoot);

    // On the calling thread; refused while another write or its merge is due.
    GridWriteReport Write();
    // Any thread; done gets the report on the frame update's thread. Writes
    // asked for while one runs follow it, one after the other.
    void Request(Done done);
    // Frame update, without the field's lock: ends a write whose file work
    // ended, and begins the next one asked for.
    void Update();
    bool InProgressLocked() const { return inProgress_; }

private:
    struct Finished {
        GridWriteJob job;
        Done done;
    };
    std::optional<GridWriteJob> Begin(GridWriteReport& refusal);
    void DoFileWork(GridWriteJob& job) const;
    GridWriteReport Finish(GridWriteJob& job);

    std::mutex& mutex_;
    IGridWriteHost& host_;
    CGridHandOver& handOver_;
    const std::filesystem::path gridRoot_;
    bool inProgress_ = false;          // under mutex_
    std::atomic<bool> writing_{false}; // one write at a time, from Begin to Finish
    std::mutex requestsMutex_;         // never held with mutex_
    std::vector<Done> requests_;       // under requestsMutex_
    std::optional<Finished> finished_; // under requestsMutex_
    bool running_ = false;             // under requestsMutex_: a posted write's file work is under way
    CBackgroundQueue writer_{"グリッドマップファイルの書き出し"}; // last: stopped first
};

} // namespace quorvane
