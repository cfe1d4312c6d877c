#pragma once

#include <string>
#include <string_view>
#include <vector>
#include <vulkan/vulkan.h>

namespace quorvane {

// The GPU time of one pass of a finished frame.
struct PassTime {
    std::string name;
    double milliseconds = 0;
};

// GPU timestamps around the passes of a frame: each mark ends the pass before
// it and starts the named one. Read once the frame's fence has signalled.
// Without timestamp support on the queue nothing is recorded and the times
// stay empty.
class CGpuPassTimer {
public:
    static constexpr uint32_t kMaxMarks = 32;

    CGpuPassTimer() = default;
    ~CGpuPassTimer();
    CGpuPassTimer(const CGpuPassTimer&) = delete;
    CGpuPassTimer& operator=(const CGpuPassTimer&) = delete;

    // False when the queue family writes no timestamps (then the timer is off).
    bool Create(VkDevice device, VkPhysicalDevice physical, uint32_t queueFamily);
    void Destroy();

    // Recording: the frame's first command, then the marks; past kMaxMarks a
    // mark is dropped. "end" closes the last pass.
    void StartFrame(VkCommandBuffer commands);
    void Mark(VkCommandBuffer commands, std::string_view pass);
    // After the fence: the passes of the frame just finished, in order.
    void Collect();
    // A frame dropped unrecorded or unsubmitted: its marks are forgotten.
    void Discard() { marks_.clear(); }
    const std::vector<PassTime>& LastFrame() const { return lastFrame_; }

private:
    VkDevice device_ = VK_NULL_HANDLE;
    VkQueryPool pool_ = VK_NULL_HANDLE;
    double nanosecondsPerTick_ = 1.0;
    uint64_t validMask_ = ~uint64_t{0};
    std::vector<std::string> marks_; // the names of the frame being recorded or waited for
    std::vector<PassTime> lastFrame_;
};

} // namespace quorvane
