#pragma once

// Catches what threads report through ReportWorkFailure while a test runs,
// and bounded waits for the threads' progress.

#include "platform/guarded_work.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace quorvane::test {

struct WorkFailure {
    std::string work;
    std::string message;
    bool operator==(const WorkFailure&) const = default;
    friend void PrintTo(const WorkFailure& failure, std::ostream* out) {
        *out << "{" << failure.work << ", " << failure.message << "}";
    }
};

// Installs itself as the work failure sink for its lifetime.
class CWorkFailureCapture {
public:
    CWorkFailureCapture() {
        SetWorkFailureSink([this](const std::string& work, const std::string& message) {
            std::lock_guard lock(mutex_);
            failures_.push_back({work, message});
        });
    }
    ~CWorkFailureCapture() { SetWorkFailureSink(nullptr); }
    CWorkFailureCapture(const CWorkFailureCapture&) = delete;
    CWorkFailureCapture& operator=(const CWorkFailureCapture&) = delete;

    std::vector<WorkFailure> Failures() const {
        std::lock_guard lock(mutex_);
        return failures_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<WorkFailure> failures_;
};

// Polls until done() holds; false when it did not within the limit. The limit
// only keeps a broken run from hanging: nothing is asserted about speed.
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::seconds limit = std::chrono::seconds(60)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace quorvane::test
