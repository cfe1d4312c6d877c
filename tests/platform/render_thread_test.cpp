#include "platform/render_thread.h"

#include <gtest/gtest.h>
#include <thread>

namespace quorvane {
namespace {

TEST(RenderThreadTest, LoopRunsUntilQuitAndJoins) {
    std::atomic<int> frames{0};
    std::atomic<bool> finished{false};
    CRenderThread thread;
    ASSERT_TRUE(thread.Start([&](const std::atomic<bool>& quit) {
        while (!quit.load()) {
            ++frames;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        finished = true;
    }));
    EXPECT_FALSE(thread.Start([](const std::atomic<bool>&) {}));
    while (frames < 2) {
        std::this_thread::yield();
    }
    thread.RequestQuit();
    thread.Join();
    EXPECT_TRUE(finished.load());
    EXPECT_FALSE(thread.IsRunning());
}

} // namespace
} // namespace quorvane
