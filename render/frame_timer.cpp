#include "render/frame_timer.h"

namespace quorvane {

CFrameTimer::Tick CFrameTimer::Advance(int nowMs) {
    std::lock_guard lock(mutex_);
    if (!started_) {
        started_ = true;
        previousMs_ = nowMs;
    }
    if (previousMs_ > nowMs) {
        previousMs_ -= 60000;
    }
    accumulatedMs_ += nowMs - previousMs_;
    previousMs_ = nowMs;
    ++frames_;
    Tick tick{nowMs, 0, std::nullopt};
    if (accumulatedMs_ > 1000) {
        tick.framesPerSecond = frames_ * 1000.0 / accumulatedMs_;
        frames_ = 0;
        accumulatedMs_ = 0;
    }
    tick.accumulatedMs = accumulatedMs_;
    return tick;
}

int MillisecondsWithinMinute(std::chrono::steady_clock::time_point time) {
    using namespace std::chrono;
    const auto ms = floor<milliseconds>(time.time_since_epoch()).count() % 60000;
    return static_cast<int>(ms < 0 ? ms + 60000 : ms);
}

int MillisecondsWithinMinute() {
    return MillisecondsWithinMinute(std::chrono::steady_clock::now());
}

} // namespace quorvane
