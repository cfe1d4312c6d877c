// Instance, physical device, queue and device memory figures.
#include "render/common_device.h"
#include "render/vulkan_result.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace quorvane {
namespace {

bool IsSoftware(VkPhysicalDeviceType type) {
    return type == VK_PHYSICAL_DEVICE_TYPE_CPU;
}

bool HasDeviceExtension(VkPhysicalDevice physical, const char* name) {
    uint32_t count = 0;
    if (vkEnumerateDeviceExtensionProperties(physical, nullptr, &count, nullptr) != VK_SUCCESS) {
        return false;
    }
    std::vector<VkExtensionProperties> props(count);
    if (vkEnumerateDeviceExtensionProperties(physical, nullptr, &count, props.data()) < VK_SUCCESS) {
        return false;
    }
    props.resize(count);
    return std::any_of(props.begin(), props.end(), [name](const VkExtensionProperties& p) {
        return std::strcmp(p.extensionName, name) == 0;
    });
}

} // namespace

bool CCommonDevice::ChoosePhysicalDevice() {
    uint32_t count = 0;
    VkResult listed = vkEnumeratePhysicalDevices(instance_->Handle(), &count, nullptr);
    std::vector<VkPhysicalDevice> devices(count);
    if (listed == VK_SUCCESS) {
        listed = vkEnumeratePhysicalDevices(instance_->Handle(), &count, devices.data());
        devices.resize(count);
    }
    if (listed != VK_SUCCESS && listed != VK_INCOMPLETE) {
        std::fprintf(stderr, "render: %s\n",
                     DescribeVulkanFailure("listing the Vulkan devices", listed).c_str());
        return false;
    }

    auto usable = [&](VkPhysicalDevice candidate, uint32_t& family) {
        VkPhysicalDeviceProperties props{};
        vkGetPhysicalDeviceProperties(candidate, &props);
        if (props.apiVersion < VK_API_VERSION_1_3) {
            return false;
        }
        if (surface_ != nullptr && !HasDeviceExtension(candidate, VK_KHR_SWAPCHAIN_EXTENSION_NAME)) {
            return false;
        }
        uint32_t familyCount = 0;
        vkGetPhysicalDeviceQueueFamilyProperties(candidate, &familyCount, nullptr);
        std::vector<VkQueueFamilyProperties> families(familyCount);
        vkGetPhysicalDeviceQueueFamilyProperties(candidate, &familyCount, families.data());
        for (uint32_t i = 0; i < familyCount; ++i) {
            if (!(families[i].queueFlags & VK_QUEUE_GRAPHICS_BIT)) {
                continue;
            }
            VkBool32 present = VK_TRUE;
            if (surface_ != nullptr && vkGetPhysicalDeviceSurfaceSupportKHR(candidate, i, surface_->Surface(),
                                                                            &present) != VK_SUCCESS) {
                present = VK_FALSE; // unknown counts as no
            }
            if (present) {
                family = i;
                return true;
            }
        }
        return false;
    };
    // Hardware first, in enumeration order; the CPU device stands in when none works.
    for (bool software : {false, true}) {
        for (VkPhysicalDevice candidate : devices) {
            VkPhysicalDeviceProperties props{};
            vkGetPhysicalDeviceProperties(candidate, &props);
            uint32_t family = 0;
            if (IsSoftware(props.deviceType) == software && usable(candidate, family)) {
                physical_ = candidate;
                queueFamily_ = family;
                deviceName_ = props.deviceName;
                softwareDevice_ = IsSoftware(props.deviceType);
                uma = props.deviceType == VK_PHYSICAL_DEVICE_TYPE_INTEGRATED_GPU ||
                      props.deviceType == VK_PHYSICAL_DEVICE_TYPE_CPU;
                return true;
            }
        }
    }
    std::fprintf(stderr, "render: no Vulkan 1.3 device with a graphics queue\n");
    return false;
}

bool CCommonDevice::CreateLogicalDevice() {
    VkPhysicalDeviceFeatures supported{};
    vkGetPhysicalDeviceFeatures(physical_, &supported);
    VkPhysicalDeviceVulkan12Features supported12{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_2_FEATURES};
    VkPhysicalDeviceVulkan13Features supported13{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES};
    supported12.pNext = &supported13;
    VkPhysicalDeviceFeatures2 supportedAll{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2};
    supportedAll.pNext = &supported12;
    vkGetPhysicalDeviceFeatures2(physical_, &supportedAll);
    if (!supported13.dynamicRendering) {
        std::fprintf(stderr, "render: the device lacks dynamic rendering\n");
        return false;
    }

    VkPhysicalDeviceVulkan13Features enable13{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES};
    enable13.dynamicRendering = VK_TRUE;
    VkPhysicalDeviceVulkan12Features enable12{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_2_FEATURES};
    enable12.pNext = &enable13;
    enable12.shaderOutputLayer = supported12.shaderOutputLayer;
    hasShaderOutputLayer_ = supported12.shaderOutputLayer == VK_TRUE;
    VkPhysicalDeviceFeatures2 enable{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2};
    enable.pNext = &enable12;
    enable.features.geometryShader = supported.geometryShader;
    enable.features.tessellationShader = supported.tessellationShader;
    enable.features.samplerAnisotropy = supported.samplerAnisotropy;
    // A rasteriser on the CPU spends six times the terrain's time on
    // anisotropic taps; sharper ground at grazing angles is not worth that.
    maxAnisotropy_ = supported.samplerAnisotropy && !softwareDevice_ ? 16.0f : 1.0f;

    std::vector<const char*> extensions;
    if (surface_ != nullptr) {
        extensions.push_back(VK_KHR_SWAPCHAIN_EXTENSION_NAME);
    }
    hasMemoryBudget_ = HasDeviceExtension(physical_, VK_EXT_MEMORY_BUDGET_EXTENSION_NAME);
    if (hasMemoryBudget_) {
        extensions.push_back(VK_EXT_MEMORY_BUDGET_EXTENSION_NAME);
    }
    const float priority = 1.0f;
    VkDeviceQueueCreateInfo queueInfo{VK_STRUCTURE_TYPE_DEVICE_QUEUE_CREATE_INFO};
    queueInfo.queueFamilyIndex = queueFamily_;
    queueInfo.queueCount = 1;
    queueInfo.pQueuePriorities = &priority;
    VkDeviceCreateInfo info{VK_STRUCTURE_TYPE_DEVICE_CREATE_INFO};
    info.pNext = &enable;
    info.queueCreateInfoCount = 1;
    info.pQueueCreateInfos = &queueInfo;
    info.enabledExtensionCount = static_cast<uint32_t>(extensions.size());
    info.ppEnabledExtensionNames = extensions.data();
    if (vkCreateDevice(physical_, &info, nullptr, &device_) != VK_SUCCESS) {
        std::fprintf(stderr, "render: the device could not be created on %s\n", deviceName_.c_str());
        device_ = VK_NULL_HANDLE;
        return false;
    }
    vkGetDeviceQueue(device_, queueFamily_, 0, &queue_);
    return true;
}

void CCommonDevice::QueryLimits() {
    VkPhysicalDeviceProperties props{};
    vkGetPhysicalDeviceProperties(physical_, &props);
    uniformAlignment_ = std::max<VkDeviceSize>(16, props.limits.minUniformBufferOffsetAlignment);
    uniformRange_ = std::min<VkDeviceSize>(65536, props.limits.maxUniformBufferRange);
    maxAnisotropy_ = std::min(maxAnisotropy_, props.limits.maxSamplerAnisotropy);
    maxImageSide_ = props.limits.maxImageDimension2D;
}

namespace {

// Sums a per-heap figure of VK_EXT_memory_budget over the device-local heaps.
template <typename Pick> VkDeviceSize SumDeviceLocalHeaps(VkPhysicalDevice physical, Pick pick) {
    VkPhysicalDeviceMemoryBudgetPropertiesEXT budget{
        VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_MEMORY_BUDGET_PROPERTIES_EXT};
    VkPhysicalDeviceMemoryProperties2 props{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_MEMORY_PROPERTIES_2};
    props.pNext = &budget;
    vkGetPhysicalDeviceMemoryProperties2(physical, &props);
    VkDeviceSize total = 0;
    for (uint32_t i = 0; i < props.memoryProperties.memoryHeapCount; ++i) {
        if (props.memoryProperties.memoryHeaps[i].flags & VK_MEMORY_HEAP_DEVICE_LOCAL_BIT) {
            total += pick(budget, i);
        }
    }
    return total;
}

} // namespace

VkDeviceSize CCommonDevice::VideoMemoryBudget() const {
    if (!hasMemoryBudget_) {
        return 0;
    }
    return SumDeviceLocalHeaps(physical_, [](const auto& b, uint32_t i) { return b.heapBudget[i]; });
}

VkDeviceSize CCommonDevice::VideoMemoryUsage() const {
    if (!hasMemoryBudget_) {
        return memory_ ? memory_->UsedDeviceLocalBytes() : 0;
    }
    return SumDeviceLocalHeaps(physical_, [](const auto& b, uint32_t i) { return b.heapUsage[i]; });
}

} // namespace quorvane
