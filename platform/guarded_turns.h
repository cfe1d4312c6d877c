#pragma once

#include "platform/guarded_work.h"

#include <string>
#include <utility>

namespace quorvane {

// The exception boundary of each turn of a loop (a frame, a timer tick): a
// turn that throws ends there and the loop goes on. Only the first failure
// of a run of failed turns is reported, so a fault that repeats every turn
// is told once; a turn that succeeds ends the run. One loop thread only.
class CGuardedTurns {
public:
    explicit CGuardedTurns(std::string work) : work_(std::move(work)) {}

    // False when the turn ended by an exception.
    template <typename Turn> bool Run(Turn&& turn) noexcept {
        if (!failing_) {
            failing_ = !RunGuarded(work_, std::forward<Turn>(turn));
            return !failing_;
        }
        try {
            turn();
            failing_ = false;
            return true;
        } catch (...) {
            return false; // the same run of failures: told already
        }
    }

    bool Failing() const { return failing_; }

private:
    std::string work_;
    bool failing_ = false;
};

} // namespace quorvane
