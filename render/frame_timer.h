#pragma once

#include <chrono>
#include <mutex>
#include <optional>

namespace quorvane {

// Frame timing from a clock that reads milliseconds within the current minute
// (seconds x 1000 + milliseconds). A reading below the previous one means the
// minute wrapped, so 60000 is taken off the previous reading.
class CFrameTimer {
public:
    struct Tick {
        int nowMs = 0;
        int accumulatedMs = 0;                 // since the last rate update (0 right after one)
        std::optional<double> framesPerSecond; // set once more than 1000 ms have gathered
    };

    Tick Advance(int nowMs);

private:
    std::mutex mutex_;
    bool started_ = false;
    int previousMs_ = 0;
    int accumulatedMs_ = 0;
    int frames_ = 0;
};

// Milliseconds within the minute of the steady clock, which setting the system
// time cannot move.
int MillisecondsWithinMinute(std::chrono::steady_clock::time_point time);
int MillisecondsWithinMinute();

} // namespace quorvane
