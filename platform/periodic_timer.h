#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace quorvane {

// A periodic timer on its own thread: the callback runs every period, never
// overlapping itself, and never fires missed ticks back to back after a slow one.
//
// Start, Stop and IsRunning may be called from any thread, the callback included.
// Stop from another thread returns once the timer thread has ended; Stop from
// the callback returns at once and the thread ends when the callback returns.
// Destroying the timer from its own callback is allowed: the thread is let go,
// finishes that callback with its captures intact, fires no more and releases
// the callback; it never touches the destroyed timer.
//
// Each tick runs inside an exception boundary: a tick that throws is reported
// as a failure of the timer's work (the first of a run of failing ticks only)
// and the timer goes on ticking.
class CPeriodicTimer {
public:
    using Callback = std::function<void()>;
    static constexpr const char* kDefaultWorkName = "定期処理";

    // workName: what the ticks do, as a failure is told to the user.
    explicit CPeriodicTimer(std::string workName = kDefaultWorkName);
    ~CPeriodicTimer();
    CPeriodicTimer(const CPeriodicTimer&) = delete;
    CPeriodicTimer& operator=(const CPeriodicTimer&) = delete;

    // Starts firing after one period. Returns false while running (also when
    // called from the callback).
    bool Start(std::chrono::milliseconds period, Callback callback);
    void Stop();
    bool IsRunning() const;

private:
    // Everything the timer thread reads, kept alive by the thread itself so
    // that it outlives a timer destroyed from its callback.
    struct State {
        std::mutex mutex;
        std::condition_variable wake;
        bool stopRequested = false;
        Callback callback;
        std::atomic<bool> running{false};
        std::atomic<std::thread::id> threadId{};
        std::string workName;
    };

    static void Run(const std::shared_ptr<State>& state, std::chrono::milliseconds period);
    bool OnTimerThread() const;
    void RequestStop();

    const std::shared_ptr<State> state_ = std::make_shared<State>();
    // Serialises Start, Stop and destruction from outside the timer thread;
    // the timer thread never waits for it, so a joiner cannot deadlock with it.
    std::mutex controlMutex_;
    std::jthread thread_;
};

} // namespace quorvane
