#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace quorvane {

// A render loop on its own thread with the quit flag it polls once per frame.
// Shut-down sets the flag and joins, instead of sleeping and hoping.
class CRenderThread {
public:
    using Loop = std::function<void(const std::atomic<bool>& quit)>;

    CRenderThread() = default;
    ~CRenderThread() { Stop(); }
    CRenderThread(const CRenderThread&) = delete;
    CRenderThread& operator=(const CRenderThread&) = delete;

    bool Start(Loop loop) {
        if (thread_.joinable()) {
            return false;
        }
        quit_.store(false, std::memory_order_release);
        thread_ = std::thread([this, loop = std::move(loop)] { loop(quit_); });
        return true;
    }
    void RequestQuit() { quit_.store(true, std::memory_order_release); }
    void Join() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    void Stop() {
        RequestQuit();
        Join();
    }
    bool IsRunning() const { return thread_.joinable(); }

private:
    std::atomic<bool> quit_{false};
    std::thread thread_;
};

} // namespace quorvane
