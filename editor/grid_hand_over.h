#pragma once

#include <atomic>
#include <cstdint>

namespace quorvane {

// The grid files pass between the streaming timer and the render thread:
// whoever takes the busy flag may touch the grid file list's entries, and
// the state says whose turn it is. A write may set "written" at any time, so
// the turn changes by compare-exchange and never overwrites it.
class CGridHandOver {
public:
    static constexpr int32_t kIdle = 0;
    static constexpr int32_t kLoaded = 1;
    static constexpr int32_t kWritten = 3;

    bool TryBeginPass() {
        bool expected = false;
        return busy_.compare_exchange_strong(expected, true, std::memory_order_acq_rel);
    }
    void EndPass() { busy_.store(false, std::memory_order_release); }
    bool Busy() const { return busy_.load(std::memory_order_acquire); }
    bool HandOver() { return Change(kIdle, kLoaded); }
    bool TakeBack() { return Change(kLoaded, kIdle); }
    // A write changed grid map files: the cells in memory take it in the render thread's next turn.
    void MarkWritten() { state_.store(kWritten, std::memory_order_release); }
    void MarkMerged() { state_.store(kIdle, std::memory_order_release); }
    bool Written() const { return State() == kWritten; }
    int32_t State() const { return state_.load(std::memory_order_acquire); }

private:
    bool Change(int32_t from, int32_t to) {
        return state_.compare_exchange_strong(from, to, std::memory_order_acq_rel);
    }

    std::atomic<int32_t> state_{kIdle};
    std::atomic<bool> busy_{false};
};

} // namespace quorvane
