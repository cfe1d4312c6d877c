#include "render/frame_timer.h"

#include <chrono>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Steady-clock readings either side of a minute boundary, through the
// within-minute reading the render loop uses.
TEST(FrameTimer, SteadyReadingsAcrossAMinuteGiveTheFrameTime) {
    using namespace std::chrono;
    const steady_clock::time_point last(minutes(7) + milliseconds(59950) + microseconds(400));
    const steady_clock::time_point now = last + milliseconds(120);
    EXPECT_EQ(MillisecondsWithinMinute(last), 59950);
    EXPECT_EQ(MillisecondsWithinMinute(now), 70);
    CFrameTimer timer;
    timer.Advance(MillisecondsWithinMinute(last));
    const auto tick = timer.Advance(MillisecondsWithinMinute(now));
    EXPECT_EQ(tick.nowMs, 70);
    EXPECT_EQ(tick.accumulatedMs, 120);
    EXPECT_EQ(MillisecondsWithinMinute(steady_clock::time_point(minutes(3))), 0);
}

// The render loop's reading is the steady clock's, not the adjustable system time's.
TEST(FrameTimer, ReadingFollowsTheSteadyClock) {
    using namespace std::chrono;
    const auto before = steady_clock::now();
    const int reading = MillisecondsWithinMinute();
    const auto after = steady_clock::now();
    const int from = MillisecondsWithinMinute(before);
    const int elapsed = static_cast<int>(ceil<milliseconds>(after - before).count());
    EXPECT_LE((reading - from + 60000) % 60000, elapsed);
}

TEST(FrameTimer, RateAfterMoreThanASecondThenCountersRestart) {
    CFrameTimer timer;
    int now = 1000;
    timer.Advance(now);
    std::optional<double> rate;
    int accumulated = -1;
    for (int frame = 0; frame < 100 && !rate; ++frame) {
        now += 20;
        const auto tick = timer.Advance(now);
        rate = tick.framesPerSecond;
        accumulated = tick.accumulatedMs;
    }
    ASSERT_TRUE(rate);
    EXPECT_EQ(accumulated, 0); // the window sees the restarted accumulator
    // 52 frames (the first reading counts too) over 1020 ms.
    EXPECT_NEAR(*rate, 52 * 1000.0 / 1020.0, 1e-9);
    EXPECT_EQ(timer.Advance(now + 20).accumulatedMs, 20);
}

} // namespace
} // namespace quorvane
