#include "platform/periodic_timer.h"

namespace quorvane {

CPeriodicTimer::~CPeriodicTimer() {
    Stop();
    if (thread_.joinable()) {
        // Destroyed from its own callback: nothing else can join it.
        thread_.detach();
    }
}

bool CPeriodicTimer::Start(std::chrono::milliseconds period, Callback callback) {
    if (running_.load(std::memory_order_acquire)) {
        return false;
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = false;
    }
    callback_ = std::move(callback);
    running_.store(true, std::memory_order_release);
    thread_ = std::thread([this, period] { Run(period); });
    return true;
}

void CPeriodicTimer::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
        thread_.join();
    }
}

void CPeriodicTimer::Run(std::chrono::milliseconds period) {
    using Clock = std::chrono::steady_clock;
    auto next = Clock::now() + period;
    std::unique_lock lock(mutex_);
    while (!stopRequested_) {
        if (wake_.wait_until(lock, next, [this] { return stopRequested_; })) {
            break;
        }
        lock.unlock();
        callback_();
        lock.lock();
        // Keep a fixed cadence, but never fire a burst to catch up after a slow callback.
        next = std::max(next + period, Clock::now());
    }
    running_.store(false, std::memory_order_release);
}

} // namespace quorvane
