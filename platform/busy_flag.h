#pragma once

#include <atomic>
#include <chrono>

namespace quorvane {

// A byte-sized guard taken by one atomic look-and-set and polled with a fixed
// sleep between tries, the hand-over style used between the editor's threads.
class CBusyFlag {
public:
    explicit constexpr CBusyFlag(std::chrono::milliseconds pollInterval) : pollInterval_(pollInterval) {}
    CBusyFlag(const CBusyFlag&) = delete;
    CBusyFlag& operator=(const CBusyFlag&) = delete;

    void Take();
    bool TryTake() { return !busy_.exchange(true, std::memory_order_acquire); }
    void Release() { busy_.store(false, std::memory_order_release); }
    bool IsTaken() const { return busy_.load(std::memory_order_acquire); }

private:
    std::atomic<bool> busy_{false};
    std::chrono::milliseconds pollInterval_;
};

// Holds a busy flag for one scope.
class CBusyFlagGuard {
public:
    explicit CBusyFlagGuard(CBusyFlag& flag) : flag_(flag) { flag_.Take(); }
    ~CBusyFlagGuard() { flag_.Release(); }
    CBusyFlagGuard(const CBusyFlagGuard&) = delete;
    CBusyFlagGuard& operator=(const CBusyFlagGuard&) = delete;

private:
    CBusyFlag& flag_;
};

} // namespace quorvane
