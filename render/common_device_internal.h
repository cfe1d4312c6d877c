#pragma once

// Shared by the files that implement CCommonDevice; not for other users.
#include <vulkan/vulkan.h>

namespace quorvane::common_device_detail {

// Viewport and scissor covering the whole extent.
inline void SetViewport(VkCommandBuffer commands, VkExtent2D extent) {
    const VkViewport viewport{0, 0, static_cast<float>(extent.width), static_cast<float>(extent.height),
                              0, 1};
    const VkRect2D scissor{{0, 0}, extent};
    vkCmdSetViewport(commands, 0, 1, &viewport);
    vkCmdSetScissor(commands, 0, 1, &scissor);
}

} // namespace quorvane::common_device_detail
