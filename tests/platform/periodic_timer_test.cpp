#include "platform/periodic_timer.h"
#include "tests/work_failures.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <latch>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace quorvane {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Stopped, and then started again and destroyed while running, the timer fires no more.
TEST(PeriodicTimerTest, FiresRepeatedlyUntilStoppedOrDestroyed) {
    std::atomic<int> ticks{0};
    {
        CPeriodicTimer timer;
        ASSERT_TRUE(timer.Start(5ms, [&] { ++ticks; }));
        EXPECT_FALSE(timer.Start(5ms, [] {})); // already running
        ASSERT_TRUE(test::WaitUntil([&] { return ticks >= 3; }));
        timer.Stop();
        const int stopped = ticks.load();
        std::this_thread::sleep_for(30ms);
        EXPECT_EQ(ticks.load(), stopped);
        ASSERT_TRUE(timer.Start(1ms, [&] { ++ticks; }));
        ASSERT_TRUE(test::WaitUntil([&] { return ticks > stopped; }));
    }
    const int destroyed = ticks.load();
    std::this_thread::sleep_for(10ms);
    EXPECT_EQ(ticks.load(), destroyed);
}

// After one slow callback the timer goes on at its period instead of firing
// the ticks it missed back to back.
TEST(PeriodicTimerTest, NoBurstOfMissedTicksAfterASlowCallback) {
    constexpr auto kPeriod = 10ms;
    std::mutex mutex;
    std::vector<Clock::time_point> starts;
    Clock::time_point slowEnd;
    CPeriodicTimer timer;
    timer.Start(kPeriod, [&] {
        std::lock_guard lock(mutex);
        starts.push_back(Clock::now());
        if (starts.size() == 1) {
            std::this_thread::sleep_for(20 * kPeriod);
            slowEnd = Clock::now();
        }
    });
    ASSERT_TRUE(test::WaitUntil([&] {
        std::lock_guard lock(mutex);
        return !starts.empty() && Clock::now() - slowEnd > 5 * kPeriod;
    }));
    timer.Stop();
    std::lock_guard lock(mutex);
    const auto soonAfter = std::count_if(starts.begin() + 1, starts.end(),
                                         [&](Clock::time_point t) { return t < slowEnd + kPeriod; });
    // Catching up would fire about twenty ticks at once; a late wake-up adds at most one.
    EXPECT_LE(soonAfter, 2);
    EXPECT_GE(starts.size(), 3u);
}

TEST(PeriodicTimerTest, StopWakesALongPeriodAtOnceAndStopFromInsideTheCallbackDoesNotDeadlock) {
    CPeriodicTimer timer;
    std::atomic<int> ticks{0};
    timer.Start(std::chrono::hours(1), [&] { ++ticks; });
    test::RunOrAbort(10s, "Stop during a one-hour wait", [&] { timer.Stop(); });
    EXPECT_EQ(ticks.load(), 0);

    // Stopped from inside its callback, and started again.
    timer.Start(1ms, [&] {
        ++ticks;
        timer.Stop();
    });
    ASSERT_TRUE(test::WaitUntil([&] { return !timer.IsRunning(); }));
    EXPECT_EQ(ticks.load(), 1);
    ASSERT_TRUE(timer.Start(1ms, [&] { ++ticks; }));
    ASSERT_TRUE(test::WaitUntil([&] { return ticks >= 3; }));
    timer.Stop();
}

// The callback stops the timer while another thread is already stopping it.
TEST(PeriodicTimerTest, StopFromCallbackWhileAnotherThreadStopsDoesNotDeadlock) {
    CPeriodicTimer timer;
    std::atomic<bool> outsideStopping{false};
    std::atomic<int> ticks{0};
    timer.Start(1ms, [&] {
        ++ticks;
        while (!outsideStopping.load()) {
            std::this_thread::sleep_for(1ms);
        }
        std::this_thread::sleep_for(20ms); // let the other thread reach its wait for the timer thread
        timer.Stop();
    });
    ASSERT_TRUE(test::WaitUntil([&] { return ticks >= 1; }));
    test::RunOrAbort(10s, "Stop from the callback and another thread", [&] {
        outsideStopping = true;
        timer.Stop();
    });
    EXPECT_FALSE(timer.IsRunning());
    EXPECT_EQ(ticks.load(), 1);
}

// Two threads stop the timer while its callback is running: both return once
// the timer thread has ended, and neither joins a thread the other joined.
TEST(PeriodicTimerTest, StopFromTwoThreadsAtOnce) {
    for (int round = 0; round < 5; ++round) {
        CPeriodicTimer timer;
        std::atomic<bool> inside{false};
        std::atomic<int> ticks{0};
        timer.Start(1ms, [&] {
            inside = true;
            std::this_thread::sleep_for(50ms);
            ++ticks;
        });
        ASSERT_TRUE(test::WaitUntil([&] { return inside.load(); }));
        std::latch ready(2);
        std::atomic<int> runningAfterStop{0};
        auto stopper = [&] {
            ready.arrive_and_wait();
            timer.Stop();
            runningAfterStop += timer.IsRunning() ? 1 : 0;
        };
        test::RunOrAbort(10s, "Two concurrent Stop calls", [&] {
            std::jthread first(stopper);
            std::jthread second(stopper);
        });
        EXPECT_EQ(runningAfterStop.load(), 0);
        const int after = ticks.load();
        EXPECT_GE(after, 1);
        std::this_thread::sleep_for(10ms);
        EXPECT_EQ(ticks.load(), after);
    }
}

// Destroying the timer from its own callback: the callback that is running
// keeps its captures until it returns, and nothing fires afterwards.
TEST(PeriodicTimerTest, DestroyedFromItsOwnCallbackFinishesThatCallbackSafely) {
    std::atomic<bool> capturesDestroyed{false};
    std::atomic<bool> capturesAliveAfterDestruction{false};
    std::atomic<bool> returned{false};
    std::atomic<int> ticks{0};
    auto timer = std::make_unique<CPeriodicTimer>();
    CPeriodicTimer& running = *timer;
    // flag, a capture like any other, tells when the callback's captures go.
    running.Start(1ms, [flag = std::shared_ptr<void>(nullptr, [&](void*) { capturesDestroyed = true; }),
                        &timer, &capturesDestroyed, &capturesAliveAfterDestruction, &returned, &ticks] {
        // Locals, so that the checks below never read the captures themselves.
        std::atomic<bool>& destroyed = capturesDestroyed;
        std::atomic<bool>& alive = capturesAliveAfterDestruction;
        std::atomic<bool>& done = returned;
        ++ticks;
        timer.reset();
        alive = !destroyed.load();
        done = true;
    });
    ASSERT_TRUE(test::WaitUntil([&] { return returned.load() && capturesDestroyed.load(); }));
    EXPECT_TRUE(capturesAliveAfterDestruction.load());
    std::this_thread::sleep_for(10ms);
    EXPECT_EQ(ticks.load(), 1);
}

// A tick that throws ends there; the timer keeps ticking. Each run of failing
// ticks is told once, with the timer's work name and what was thrown.
TEST(PeriodicTimerTest, TicksThatThrowAreToldOncePerRunAndTheTimerGoesOn) {
    test::CWorkFailureCapture captured;
    std::atomic<int> ticks{0};
    CPeriodicTimer timer("ストリーミング");
    ASSERT_TRUE(timer.Start(1ms, [&] {
        const int tick = ++ticks;
        if (tick <= 3) {
            throw std::runtime_error("tick " + std::to_string(tick));
        }
        if (tick == 6 || tick == 7) {
            throw tick; // not a standard exception
        }
    }));
    ASSERT_TRUE(test::WaitUntil([&] { return ticks >= 10; }));
    timer.Stop();
    const std::vector<test::WorkFailure> expected = {{"ストリーミング", "tick 1"},
                                                     {"ストリーミング", "unknown error"}};
    EXPECT_EQ(captured.Failures(), expected);
}

} // namespace
} // namespace quorvane
