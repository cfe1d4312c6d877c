#include "editor/background_queue.h"

#include "platform/guarded_work.h"

namespace quorvane {

CBackgroundQueue::CBackgroundQueue(std::string workName)
    : workName_(std::move(workName)), thread_([this] { Run(); }) {}

CBackgroundQueue::~CBackgroundQueue() {
    Stop();
    thread_.join();
}

bool CBackgroundQueue::Post(Job job) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return false;
        }
        jobs_.push_back(std::move(job));
        ++posted_;
    }
    wake_.notify_one();
    return true;
}

void CBackgroundQueue::WaitIdle() {
    std::unique_lock lock(mutex_);
    const uint64_t target = posted_;
    idle_.wait(lock, [&] { return ended_ >= target; });
}

void CBackgroundQueue::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        ended_ += jobs_.size();
        jobs_.clear();
    }
    wake_.notify_all();
    idle_.notify_all();
    WaitIdle();
}

bool CBackgroundQueue::Stopping() const {
    std::lock_guard lock(mutex_);
    return stopping_;
}

void CBackgroundQueue::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return !jobs_.empty() || stopping_; });
        if (jobs_.empty()) {
            return; // stopping with nothing left
        }
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        RunGuarded(workName_, job);
        job = nullptr; // what the job holds goes before it counts as ended
        lock.lock();
        ++ended_;
        idle_.notify_all();
    }
}

} // namespace quorvane
