#include "editor/grid_write_runner.h"

#include <exception>
#include <utility>

namespace quorvane {

CGridWriteRunner::CGridWriteRunner(std::mutex& fieldMutex, IGridWriteHost& host, CGridHandOver& handOver,
                                   std::filesystem::path gridRoot)
    : mutex_(fieldMutex), host_(host), handOver_(handOver), gridRoot_(std::move(gridRoot)) {}

GridWriteReport CGridWriteRunner::Write() {
    GridWriteReport result;
    if (std::optional<GridWriteJob> job = Begin(result)) {
        DoFileWork(*job);
        result = Finish(*job);
    }
    return result;
}

void CGridWriteRunner::Request(Done done) {
    std::lock_guard lock(requestsMutex_);
    requests_.push_back(std::move(done));
}

std::optional<GridWriteJob> CGridWriteRunner::Begin(GridWriteReport& refusal) {
    if (writing_.exchange(true, std::memory_order_acq_rel)) {
        refusal.refused = true; // another thread is writing
        return std::nullopt;
    }
    if (handOver_.Written()) {
        refusal.refused = true; // the previous write is not merged yet
        writing_.store(false, std::memory_order_release);
        return std::nullopt;
    }
    // The moment the write begins: requests made from now on wait for its end.
    GridWriteJob job;
    std::lock_guard lock(mutex_);
    inProgress_ = true;
    host_.CollectLocked(job);
    return job;
}

void CGridWriteRunner::DoFileWork(GridWriteJob& job) const {
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

GridWriteReport CGridWriteRunner::Finish(GridWriteJob& job) {
    GridWriteReport result = std::move(job.appended);
    CFieldHookCalls calls;
    std::vector<std::unique_ptr<CPlacedModel>> records; // destroyed after the lock
    {
        std::lock_guard lock(mutex_);
        host_.TakeOutLocked(job, result, records, calls);
        inProgress_ = false;
    }
    writing_.store(false, std::memory_order_release); // the next write may begin
    host_.AfterStep(calls);
    return result;
}

void CGridWriteRunner::Update() {
    std::optional<Finished> finished;
    {
        std::lock_guard lock(requestsMutex_);
        finished.swap(finished_);
    }
    if (finished) {
        const GridWriteReport report = Finish(finished->job);
        if (finished->done) {
            finished->done(report);
        }
    }
    Done done;
    {
        std::lock_guard lock(requestsMutex_);
        // One at a time, each after the cells in memory took the one before.
        if (requests_.empty() || running_ || handOver_.Written()) {
            return;
        }
        done = std::move(requests_.front());
        requests_.erase(requests_.begin());
    }
    GridWriteReport refusal;
    std::optional<GridWriteJob> job = Begin(refusal);
    if (!job) {
        if (done) {
            done(refusal);
        }
        return;
    }
    {
        std::lock_guard lock(requestsMutex_);
        running_ = true;
    }
    const bool posted = writer_.Post([this, job = std::make_shared<GridWriteJob>(std::move(*job)), done] {
        DoFileWork(*job);
        std::lock_guard lock(requestsMutex_);
        finished_ = Finished{std::move(*job), done};
        running_ = false;
    });
    if (!posted) {
        // The field is going: nothing was written, and the lists keep everything.
        GridWriteJob nothing;
        Finish(nothing);
        {
            std::lock_guard lock(requestsMutex_);
            running_ = false;
        }
        if (done) {
            refusal.refused = true;
            done(refusal);
        }
    }
}

} // namespace quorvane
