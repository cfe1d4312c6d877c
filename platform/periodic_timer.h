#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace quorvane {

// A periodic timer on its own thread: the callback runs every period, never
// overlapping itself. Stop() (or destruction) wakes the thread and joins it.
class CPeriodicTimer {
public:
    using Callback = std::function<void()>;

    CPeriodicTimer() = default;
    ~CPeriodicTimer();
    CPeriodicTimer(const CPeriodicTimer&) = delete;
    CPeriodicTimer& operator=(const CPeriodicTimer&) = delete;

    // Starts firing after one period. Returns false when already running.
    bool Start(std::chrono::milliseconds period, Callback callback);
    // Safe from any thread, including from inside the callback (then the
    // thread ends after the callback returns and is joined later).
    void Stop();
    bool IsRunning() const { return running_.load(std::memory_order_acquire); }

private:
    void Run(std::chrono::milliseconds period);

    Callback callback_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopRequested_ = false;
    std::atomic<bool> running_{false};
};

} // namespace quorvane
