#pragma once

// Vulkan before Qt: <QVulkanInstance> would otherwise hide the prototypes.
#include <QVulkanInstance>
#include <QWindow>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include <vulkan/vulkan.h>

namespace quorvane {

// Instance extensions a window surface needs on the platforms Qt may run on.
std::vector<std::string> WindowSurfaceExtensions();

// Wraps an existing VkInstance for Qt's windows; null when the platform
// plugin has no Vulkan (the offscreen plugin, for one).
std::unique_ptr<QVulkanInstance> WrapVulkanInstance(VkInstance instance);

// A QWindow drawn by Vulkan from another thread. Its size is mirrored in
// atomics for the render thread; the owner hears when the surface first
// exists and, before it is destroyed, gets the chance to drop its swapchain.
class CVulkanSurfaceWindow : public QWindow {
public:
    explicit CVulkanSurfaceWindow(QVulkanInstance* instance);
    ~CVulkanSurfaceWindow() override;

    VkSurfaceKHR Surface() const { return surface_.load(std::memory_order_acquire); }
    uint32_t PixelWidth() const { return pixelWidth_.load(std::memory_order_acquire); }
    uint32_t PixelHeight() const { return pixelHeight_.load(std::memory_order_acquire); }

    // UI thread: called once the surface exists (first exposure).
    void SetSurfaceReadyHandler(std::function<void()> handler) { onReady_ = std::move(handler); }
    // UI thread: called before the surface goes; stop drawing into it there.
    void SetSurfaceLostHandler(std::function<void()> handler) { onLost_ = std::move(handler); }

protected:
    void exposeEvent(QExposeEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void UpdatePixelSize();

    std::atomic<VkSurfaceKHR> surface_{VK_NULL_HANDLE};
    std::atomic<uint32_t> pixelWidth_{0};
    std::atomic<uint32_t> pixelHeight_{0};
    std::function<void()> onReady_;
    std::function<void()> onLost_;
};

} // namespace quorvane
