#pragma once

#include <functional>
#include <iostream>
#include <mutex>
#include <set>
#include <string>
#include <utility>

namespace quorvane {

// Tells the user once per path that a model could not be loaded. Streaming
// retries a broken tile every second; one line is enough.
class CLoadFailureLog {
public:
    using Sink = std::function<void(const std::string& line)>;

    static void WriteToStderr(const std::string& line) { std::cerr << line << '\n'; }

    explicit CLoadFailureLog(Sink sink = WriteToStderr) : sink_(std::move(sink)) {}

    // Any thread. The sink runs outside the lock. When the sink throws, the
    // path does not count as told, and the exception goes on to the caller.
    void Report(const std::string& path, const std::string& why) {
        {
            std::lock_guard lock(mutex_);
            if (!reported_.insert(path).second) {
                return;
            }
        }
        if (!sink_) {
            return;
        }
        try {
            sink_("Cannot load model \"" + path + "\": " + why);
        } catch (...) {
            std::lock_guard lock(mutex_);
            reported_.erase(path);
            throw;
        }
    }

    bool WasReported(const std::string& path) const {
        std::lock_guard lock(mutex_);
        return reported_.contains(path);
    }

private:
    Sink sink_;
    mutable std::mutex mutex_;
    std::set<std::string> reported_;
};

} // namespace quorvane
