#include "render/frame_timer.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(FrameTimer, MinuteWrapStillGivesAPositiveElapsedTime) {
    CFrameTimer timer;
    timer.Advance(59900);
    const auto tick = timer.Advance(100); // 59.9 s -> 0.1 s of the next minute
    EXPECT_EQ(tick.accumulatedMs, 200);
    EXPECT_FALSE(tick.framesPerSecond);
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
