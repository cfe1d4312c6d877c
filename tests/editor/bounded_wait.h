#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>

namespace quorvane::testing {

// Runs work on a thread of its own and waits at most limit for it. A thread
// that is still stuck is left running (detached) so that the test reports a
// failure instead of hanging; whatever it uses must then stay alive.
inline bool FinishesWithin(std::chrono::milliseconds limit, std::function<void()> work) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread runner([done, work = std::move(work)] {
        work();
        done->set_value();
    });
    if (finished.wait_for(limit) == std::future_status::ready) {
        runner.join();
        return true;
    }
    runner.detach();
    return false;
}

} // namespace quorvane::testing
