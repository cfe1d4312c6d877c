#include "platform/vulkan_surface_window.h"

#include <QExposeEvent>
#include <QPlatformSurfaceEvent>
#include <QResizeEvent>
#include <cmath>

namespace quorvane {

std::vector<std::string> WindowSurfaceExtensions() {
    return {"VK_KHR_surface", "VK_KHR_xcb_surface", "VK_KHR_xlib_surface", "VK_KHR_wayland_surface"};
}

std::unique_ptr<QVulkanInstance> WrapVulkanInstance(VkInstance instance) {
    if (instance == VK_NULL_HANDLE) {
        return nullptr;
    }
    auto wrapper = std::make_unique<QVulkanInstance>();
    wrapper->setVkInstance(instance);
    if (!wrapper->create()) {
        return nullptr;
    }
    return wrapper;
}

CVulkanSurfaceWindow::CVulkanSurfaceWindow(QVulkanInstance* instance) {
    setSurfaceType(QSurface::VulkanSurface);
    setVulkanInstance(instance);
}

CVulkanSurfaceWindow::~CVulkanSurfaceWindow() {
    // The platform window may still go later in QWindow's destructor: nobody is listening then.
    onLost_ = nullptr;
    onReady_ = nullptr;
}

void CVulkanSurfaceWindow::UpdatePixelSize() {
    const qreal ratio = devicePixelRatio();
    pixelWidth_.store(static_cast<uint32_t>(std::lround(width() * ratio)), std::memory_order_release);
    pixelHeight_.store(static_cast<uint32_t>(std::lround(height() * ratio)), std::memory_order_release);
}

void CVulkanSurfaceWindow::exposeEvent(QExposeEvent*) {
    if (!isExposed() || Surface() != VK_NULL_HANDLE) {
        return;
    }
    UpdatePixelSize();
    const VkSurfaceKHR surface = QVulkanInstance::surfaceForWindow(this);
    if (surface == VK_NULL_HANDLE) {
        return;
    }
    surface_.store(surface, std::memory_order_release);
    if (onReady_) {
        onReady_();
    }
}

void CVulkanSurfaceWindow::resizeEvent(QResizeEvent*) {
    UpdatePixelSize();
}

bool CVulkanSurfaceWindow::event(QEvent* event) {
    if (event->type() == QEvent::PlatformSurface &&
        static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
            QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed) {
        if (onLost_) {
            onLost_();
        }
        surface_.store(VK_NULL_HANDLE, std::memory_order_release);
    }
    return QWindow::event(event);
}

} // namespace quorvane
