#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>
#include <vulkan/vulkan.h>

namespace quorvane {

// The one Vulkan instance of the process, shared by every device. Validation
// is on when the layer is installed and asked for; its errors are counted.
class CVulkanInstance {
public:
    struct Options {
        bool validation = false;
        std::vector<std::string> extensions; // surface extensions of the window system
    };

    // Creates the instance on first use; later calls share it (their options
    // must not ask for more than the first). Null when Vulkan is unavailable.
    static std::shared_ptr<CVulkanInstance> Acquire(const Options& options);
    // Validation errors reported since the process started, by every device.
    static int ValidationErrorCount();
    // True when QUORVANE_VALIDATION=1 or the program was built for debugging.
    static bool ValidationWanted();

    ~CVulkanInstance();
    CVulkanInstance(const CVulkanInstance&) = delete;
    CVulkanInstance& operator=(const CVulkanInstance&) = delete;

    VkInstance Handle() const { return instance_; }
    bool HasValidation() const { return messenger_ != VK_NULL_HANDLE; }
    bool HasExtension(const std::string& name) const;

private:
    CVulkanInstance() = default;
    bool Create(const Options& options);

    VkInstance instance_ = VK_NULL_HANDLE;
    VkDebugUtilsMessengerEXT messenger_ = VK_NULL_HANDLE;
    std::vector<std::string> enabledExtensions_;
};

} // namespace quorvane
