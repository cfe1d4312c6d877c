#pragma once

#include "editor/vector4.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace quorvane {

// One thing the window did to the field view: a key, a button, a move, a
// click or wheel in the placement list, the delete button. The window thread
// posts it and goes on; the field's frame update applies it.
struct FieldInput {
    enum class Kind {
        KeyDown,
        KeyUp,
        LButtonDown,
        LButtonUp,
        MButtonDown,
        MButtonUp,
        RButtonDown,
        RButtonUp,
        MouseMove,
        ClientOrigin, // the client area moved on the screen
        ListRow,      // value: the client y of the click in the placement list
        ListWheel,    // value: the wheel's delta
        Delete,       // the delete button
    };
    Kind kind = Kind::KeyDown;
    int value = 0; // the virtual key, the list's y or the wheel's delta
    PixelPoint point;
};

// Inputs in the order they came, from any thread; the lock is held only to add or take.
class CFieldInputQueue {
public:
    void Post(const FieldInput& input) {
        std::lock_guard lock(mutex_);
        inputs_.push_back(input);
        posted_.fetch_add(1, std::memory_order_acq_rel);
    }
    // Everything posted before the call has been applied.
    bool AllApplied() const {
        return applied_.load(std::memory_order_acquire) == posted_.load(std::memory_order_acquire);
    }
    // Applies everything posted so far, oldest first, until none is left. One
    // drain at a time, so two threads that drain never swap two inputs' order.
    template <typename F> void Drain(F apply) {
        std::lock_guard drain(drainMutex_);
        for (;;) {
            std::vector<FieldInput> taken;
            {
                std::lock_guard lock(mutex_);
                taken.swap(inputs_);
            }
            if (taken.empty()) {
                return;
            }
            for (const FieldInput& input : taken) {
                apply(input);
                applied_.fetch_add(1, std::memory_order_acq_rel);
            }
        }
    }

private:
    std::mutex drainMutex_; // taken before mutex_, never the other way
    std::mutex mutex_;
    std::vector<FieldInput> inputs_;
    std::atomic<uint64_t> posted_{0};
    std::atomic<uint64_t> applied_{0};
};

} // namespace quorvane
