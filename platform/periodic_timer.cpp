#include "platform/periodic_timer.h"

#include "platform/guarded_turns.h"

#include <algorithm>

namespace quorvane {

CPeriodicTimer::CPeriodicTimer(std::string workName) {
    state_->workName = std::move(workName);
}

CPeriodicTimer::~CPeriodicTimer() {
    if (OnTimerThread()) {
        // The thread cannot join itself; it holds its own share of the state.
        RequestStop();
        thread_.detach();
        return;
    }
    Stop();
}

bool CPeriodicTimer::Start(std::chrono::milliseconds period, Callback callback) {
    if (OnTimerThread()) {
        return false;
    }
    std::unique_lock control(controlMutex_);
    if (state_->running.load(std::memory_order_acquire)) {
        return false;
    }
    if (thread_.joinable()) {
        thread_.join(); // ended by a Stop from its own callback
    }
    // The new thread takes this lock before its first callback, so a callback
    // that destroys the timer runs only after Start has let go of it.
    std::unique_lock lock(state_->mutex);
    state_->stopRequested = false;
    state_->callback = std::move(callback);
    state_->running.store(true, std::memory_order_release);
    thread_ = std::jthread([state = state_, period] { Run(state, period); });
    control.unlock();
    return true;
}

void CPeriodicTimer::Stop() {
    if (OnTimerThread()) {
        RequestStop();
        return;
    }
    std::lock_guard control(controlMutex_);
    RequestStop();
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool CPeriodicTimer::IsRunning() const {
    return state_->running.load(std::memory_order_acquire);
}

bool CPeriodicTimer::OnTimerThread() const {
    return state_->threadId.load(std::memory_order_acquire) == std::this_thread::get_id();
}

void CPeriodicTimer::RequestStop() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopRequested = true;
    }
    state_->wake.notify_all();
}

void CPeriodicTimer::Run(const std::shared_ptr<State>& state, std::chrono::milliseconds period) {
    using Clock = std::chrono::steady_clock;
    State& s = *state;
    s.threadId.store(std::this_thread::get_id(), std::memory_order_release);
    auto next = Clock::now() + period;
    CGuardedTurns ticks(s.workName);
    std::unique_lock lock(s.mutex);
    while (!s.wake.wait_until(lock, next, [&s] { return s.stopRequested; })) {
        lock.unlock();
        ticks.Run(s.callback);
        lock.lock();
        // Keep a fixed cadence, but never fire a burst to catch up after a slow callback.
        next = std::max(next + period, Clock::now());
    }
    lock.unlock();
    s.threadId.store(std::thread::id{}, std::memory_order_release);
    s.running.store(false, std::memory_order_release);
}

} // namespace quorvane
