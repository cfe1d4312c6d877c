#pragma once

#include <string>
#include <string_view>
#include <vulkan/vulkan.h>

namespace quorvane {

// The name of a result code ("VK_ERROR_DEVICE_LOST"), or its number when unknown.
std::string VulkanResultName(VkResult result);

// "<what> failed: <result name>", the form of every Vulkan failure message.
std::string DescribeVulkanFailure(std::string_view what, VkResult result);

} // namespace quorvane
