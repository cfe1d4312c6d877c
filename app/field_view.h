#pragma once

#include "platform/vulkan_surface_window.h"
#include "render/disp_window.h"

#include <QPointer>
#include <QWidget>
#include <memory>

namespace quorvane {

// The field view's 3D window: a Vulkan surface inside the main window whose
// render thread clears, composes and presents every frame.
class CFieldView : public CDispWindow {
public:
    // Null when this platform offers no Vulkan windows (the caller keeps a placeholder).
    static std::unique_ptr<CFieldView> Create(QWidget* parent);
    ~CFieldView() override;

    QWidget* Container() const { return container_; }

private:
    CFieldView() = default;
    void OnSurfaceReady();

    class CSurface : public IPresentSurface {
    public:
        explicit CSurface(const CVulkanSurfaceWindow& window) : window_(window) {}
        VkSurfaceKHR Surface() const override { return window_.Surface(); }
        VkExtent2D PixelSize() const override { return {window_.PixelWidth(), window_.PixelHeight()}; }

    private:
        const CVulkanSurfaceWindow& window_;
    };

    std::shared_ptr<CVulkanInstance> instance_;
    std::unique_ptr<QVulkanInstance> qtInstance_;
    CVulkanSurfaceWindow* window_ = nullptr; // owned by the container
    QPointer<QWidget> container_;
    std::unique_ptr<CSurface> surface_;
};

} // namespace quorvane
