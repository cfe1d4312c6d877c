#include "platform/periodic_timer.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace quorvane {
namespace {

using namespace std::chrono_literals;

void WaitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
}

TEST(PeriodicTimerTest, FiresRepeatedlyUntilStopped) {
    std::atomic<int> ticks{0};
    CPeriodicTimer timer;
    ASSERT_TRUE(timer.Start(5ms, [&] { ++ticks; }));
    EXPECT_FALSE(timer.Start(5ms, [] {})); // already running
    WaitUntil([&] { return ticks >= 3; });
    EXPECT_GE(ticks.load(), 3);
    timer.Stop();
    EXPECT_FALSE(timer.IsRunning());
    const int after = ticks.load();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(ticks.load(), after);
}

TEST(PeriodicTimerTest, StopWakesALongPeriodAtOnce) {
    CPeriodicTimer timer;
    std::atomic<int> ticks{0};
    timer.Start(std::chrono::hours(1), [&] { ++ticks; });
    timer.Stop(); // would hang for an hour if it waited out the period
    EXPECT_EQ(ticks.load(), 0);
}

TEST(PeriodicTimerTest, CallbacksNeverOverlap) {
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> ticks{0};
    CPeriodicTimer timer;
    timer.Start(1ms, [&] {
        if (inside.fetch_add(1) != 0) {
            ++overlaps;
        }
        std::this_thread::sleep_for(3ms); // slower than the period
        inside.fetch_sub(1);
        ++ticks;
    });
    WaitUntil([&] { return ticks >= 5; });
    timer.Stop();
    EXPECT_EQ(overlaps.load(), 0);
}

TEST(PeriodicTimerTest, StopFromInsideCallbackDoesNotDeadlockAndRestartWorks) {
    CPeriodicTimer timer;
    std::atomic<int> ticks{0};
    timer.Start(1ms, [&] {
        ++ticks;
        timer.Stop();
    });
    WaitUntil([&] { return !timer.IsRunning(); });
    EXPECT_EQ(ticks.load(), 1);
    ASSERT_TRUE(timer.Start(1ms, [&] { ++ticks; }));
    WaitUntil([&] { return ticks >= 3; });
    timer.Stop();
    EXPECT_GE(ticks.load(), 3);
}

TEST(PeriodicTimerTest, DestructionJoins) {
    std::atomic<int> ticks{0};
    {
        CPeriodicTimer timer;
        timer.Start(1ms, [&] { ++ticks; });
        WaitUntil([&] { return ticks >= 1; });
    }
    const int after = ticks.load();
    std::this_thread::sleep_for(10ms);
    EXPECT_EQ(ticks.load(), after);
}

} // namespace
} // namespace quorvane
