#pragma once

// Catches what threads report through ReportWorkFailure while a test runs,
// and bounded waits for the threads' progress.

#include "platform/guarded_work.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
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

// Runs action on this thread and aborts the process when it has not returned
// within limit: a deadlock cannot be undone from inside, so a hang ends the run loudly.
inline void RunOrAbort(std::chrono::seconds limit, const char* what, const std::function<void()>& action) {
    std::promise<void> ended;
    const auto watcher = std::async(std::launch::async, [done = ended.get_future(), limit, what] {
        if (done.wait_for(limit) != std::future_status::ready) {
            std::fprintf(stderr, "%s did not end within %lld s\n", what,
                         static_cast<long long>(limit.count()));
            std::abort();
        }
    });
    action();
    ended.set_value();
}

} // namespace quorvane::test
