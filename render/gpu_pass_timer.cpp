#include "render/gpu_pass_timer.h"

#include <vector>

namespace quorvane {

CGpuPassTimer::~CGpuPassTimer() {
    Destroy();
}

bool CGpuPassTimer::Create(VkDevice device, VkPhysicalDevice physical, uint32_t queueFamily) {
    Destroy();
    uint32_t familyCount = 0;
    vkGetPhysicalDeviceQueueFamilyProperties(physical, &familyCount, nullptr);
    std::vector<VkQueueFamilyProperties> families(familyCount);
    vkGetPhysicalDeviceQueueFamilyProperties(physical, &familyCount, families.data());
    VkPhysicalDeviceProperties properties{};
    vkGetPhysicalDeviceProperties(physical, &properties);
    if (queueFamily >= familyCount || families[queueFamily].timestampValidBits == 0 ||
        properties.limits.timestampPeriod <= 0.0f) {
        return false;
    }
    const uint32_t bits = families[queueFamily].timestampValidBits;
    validMask_ = bits >= 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
    nanosecondsPerTick_ = properties.limits.timestampPeriod;
    VkQueryPoolCreateInfo info{VK_STRUCTURE_TYPE_QUERY_POOL_CREATE_INFO};
    info.queryType = VK_QUERY_TYPE_TIMESTAMP;
    info.queryCount = kMaxMarks;
    if (vkCreateQueryPool(device, &info, nullptr, &pool_) != VK_SUCCESS) {
        pool_ = VK_NULL_HANDLE;
        return false;
    }
    device_ = device;
    return true;
}

void CGpuPassTimer::Destroy() {
    if (pool_ != VK_NULL_HANDLE) {
        vkDestroyQueryPool(device_, pool_, nullptr);
    }
    pool_ = VK_NULL_HANDLE;
    device_ = VK_NULL_HANDLE;
    marks_.clear();
}

void CGpuPassTimer::StartFrame(VkCommandBuffer commands) {
    marks_.clear();
    if (pool_ != VK_NULL_HANDLE) {
        vkCmdResetQueryPool(commands, pool_, 0, kMaxMarks);
    }
}

void CGpuPassTimer::Mark(VkCommandBuffer commands, std::string_view pass) {
    if (pool_ == VK_NULL_HANDLE || marks_.size() >= kMaxMarks) {
        return;
    }
    vkCmdWriteTimestamp(commands, VK_PIPELINE_STAGE_BOTTOM_OF_PIPE_BIT, pool_,
                        static_cast<uint32_t>(marks_.size()));
    marks_.emplace_back(pass);
}

void CGpuPassTimer::Collect() {
    lastFrame_.clear();
    if (pool_ == VK_NULL_HANDLE || marks_.size() < 2) {
        marks_.clear();
        return;
    }
    std::vector<uint64_t> ticks(marks_.size());
    const VkResult read = vkGetQueryPoolResults(device_, pool_, 0, static_cast<uint32_t>(ticks.size()),
                                                ticks.size() * sizeof(uint64_t), ticks.data(),
                                                sizeof(uint64_t), VK_QUERY_RESULT_64_BIT);
    if (read == VK_SUCCESS) {
        for (size_t i = 0; i + 1 < marks_.size(); ++i) {
            // Masked difference: the counter may wrap within its valid bits.
            const uint64_t elapsed = ((ticks[i + 1] & validMask_) - (ticks[i] & validMask_)) & validMask_;
            lastFrame_.push_back({marks_[i], static_cast<double>(elapsed) * nanosecondsPerTick_ / 1e6});
        }
    }
    marks_.clear();
}

} // namespace quorvane
