#include "render/vulkan_instance.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace quorvane {
namespace {

std::atomic<int> g_validationErrors{0};
std::mutex g_instanceMutex;
std::weak_ptr<CVulkanInstance> g_instance;

constexpr const char* kValidationLayer = "VK_LAYER_KHRONOS_validation";

VKAPI_ATTR VkBool32 VKAPI_CALL OnValidationMessage(VkDebugUtilsMessageSeverityFlagBitsEXT severity,
                                                   VkDebugUtilsMessageTypeFlagsEXT,
                                                   const VkDebugUtilsMessengerCallbackDataEXT* data, void*) {
    if (severity & VK_DEBUG_UTILS_MESSAGE_SEVERITY_ERROR_BIT_EXT) {
        g_validationErrors.fetch_add(1, std::memory_order_relaxed);
        std::fprintf(stderr, "vulkan validation: %s\n", data->pMessage);
    } else if (severity & VK_DEBUG_UTILS_MESSAGE_SEVERITY_WARNING_BIT_EXT) {
        std::fprintf(stderr, "vulkan warning: %s\n", data->pMessage);
    }
    return VK_FALSE;
}

bool LayerAvailable(const char* name) {
    uint32_t count = 0;
    vkEnumerateInstanceLayerProperties(&count, nullptr);
    std::vector<VkLayerProperties> layers(count);
    vkEnumerateInstanceLayerProperties(&count, layers.data());
    return std::any_of(layers.begin(), layers.end(),
                       [name](const VkLayerProperties& l) { return std::strcmp(l.layerName, name) == 0; });
}

std::vector<std::string> AvailableExtensions() {
    uint32_t count = 0;
    vkEnumerateInstanceExtensionProperties(nullptr, &count, nullptr);
    std::vector<VkExtensionProperties> props(count);
    vkEnumerateInstanceExtensionProperties(nullptr, &count, props.data());
    std::vector<std::string> names;
    for (const auto& p : props) {
        names.emplace_back(p.extensionName);
    }
    return names;
}

} // namespace

std::shared_ptr<CVulkanInstance> CVulkanInstance::Acquire(const Options& options) {
    std::lock_guard lock(g_instanceMutex);
    if (auto existing = g_instance.lock()) {
        return existing;
    }
    std::shared_ptr<CVulkanInstance> created(new CVulkanInstance());
    if (!created->Create(options)) {
        return nullptr;
    }
    g_instance = created;
    return created;
}

int CVulkanInstance::ValidationErrorCount() {
    return g_validationErrors.load(std::memory_order_relaxed);
}

bool CVulkanInstance::ValidationWanted() {
    const char* value = std::getenv("QUORVANE_VALIDATION");
    if (value != nullptr) {
        return std::strcmp(value, "0") != 0;
    }
#ifdef NDEBUG
    return false;
#else
    return true;
#endif
}

bool CVulkanInstance::HasExtension(const std::string& name) const {
    return std::find(enabledExtensions_.begin(), enabledExtensions_.end(), name) != enabledExtensions_.end();
}

bool CVulkanInstance::Create(const Options& options) {
    const std::vector<std::string> available = AvailableExtensions();
    auto isAvailable = [&](const std::string& name) {
        return std::find(available.begin(), available.end(), name) != available.end();
    };
    for (const std::string& name : options.extensions) {
        if (isAvailable(name)) {
            enabledExtensions_.push_back(name);
        }
    }
    const bool validation = options.validation && LayerAvailable(kValidationLayer) &&
                            isAvailable(VK_EXT_DEBUG_UTILS_EXTENSION_NAME);
    if (validation) {
        enabledExtensions_.push_back(VK_EXT_DEBUG_UTILS_EXTENSION_NAME);
    }
    std::vector<const char*> extensionNames;
    for (const std::string& name : enabledExtensions_) {
        extensionNames.push_back(name.c_str());
    }

    VkApplicationInfo app{VK_STRUCTURE_TYPE_APPLICATION_INFO};
    app.pApplicationName = "Quorvane";
    app.applicationVersion = VK_MAKE_VERSION(1, 0, 4);
    app.apiVersion = VK_API_VERSION_1_3;

    VkDebugUtilsMessengerCreateInfoEXT messengerInfo{VK_STRUCTURE_TYPE_DEBUG_UTILS_MESSENGER_CREATE_INFO_EXT};
    messengerInfo.messageSeverity =
        VK_DEBUG_UTILS_MESSAGE_SEVERITY_ERROR_BIT_EXT | VK_DEBUG_UTILS_MESSAGE_SEVERITY_WARNING_BIT_EXT;
    messengerInfo.messageType = VK_DEBUG_UTILS_MESSAGE_TYPE_GENERAL_BIT_EXT |
                                VK_DEBUG_UTILS_MESSAGE_TYPE_VALIDATION_BIT_EXT |
                                VK_DEBUG_UTILS_MESSAGE_TYPE_PERFORMANCE_BIT_EXT;
    messengerInfo.pfnUserCallback = OnValidationMessage;

    VkInstanceCreateInfo info{VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO};
    info.pApplicationInfo = &app;
    info.enabledExtensionCount = static_cast<uint32_t>(extensionNames.size());
    info.ppEnabledExtensionNames = extensionNames.data();
    if (validation) {
        info.enabledLayerCount = 1;
        info.ppEnabledLayerNames = &kValidationLayer;
        info.pNext = &messengerInfo;
    }
    if (vkCreateInstance(&info, nullptr, &instance_) != VK_SUCCESS) {
        std::fprintf(stderr, "vulkan: the instance could not be created\n");
        instance_ = VK_NULL_HANDLE;
        return false;
    }
    if (validation) {
        auto create = reinterpret_cast<PFN_vkCreateDebugUtilsMessengerEXT>(
            vkGetInstanceProcAddr(instance_, "vkCreateDebugUtilsMessengerEXT"));
        if (create != nullptr) {
            create(instance_, &messengerInfo, nullptr, &messenger_);
        }
    }
    return true;
}

CVulkanInstance::~CVulkanInstance() {
    if (messenger_ != VK_NULL_HANDLE) {
        auto destroy = reinterpret_cast<PFN_vkDestroyDebugUtilsMessengerEXT>(
            vkGetInstanceProcAddr(instance_, "vkDestroyDebugUtilsMessengerEXT"));
        if (destroy != nullptr) {
            destroy(instance_, messenger_, nullptr);
        }
    }
    if (instance_ != VK_NULL_HANDLE) {
        vkDestroyInstance(instance_, nullptr);
    }
}

} // namespace quorvane
