#include "app/field_view.h"

#include <cstdio>

namespace quorvane {

std::unique_ptr<CFieldView> CFieldView::Create(QWidget* parent) {
    std::unique_ptr<CFieldView> view(new CFieldView());
    CVulkanInstance::Options options{CVulkanInstance::ValidationWanted(), WindowSurfaceExtensions()};
    view->instance_ = CVulkanInstance::Acquire(options);
    if (!view->instance_) {
        return nullptr;
    }
    view->qtInstance_ = WrapVulkanInstance(view->instance_->Handle());
    if (!view->qtInstance_) {
        return nullptr;
    }
    view->window_ = new CVulkanSurfaceWindow(view->qtInstance_.get());
    view->container_ = QWidget::createWindowContainer(view->window_, parent); // takes the window
    view->container_->setObjectName("CLASS_DISPWINDOW");
    view->surface_ = std::make_unique<CSurface>(*view->window_);
    CFieldView* raw = view.get();
    view->window_->SetSurfaceReadyHandler([raw] { raw->OnSurfaceReady(); });
    // The swapchain must go before the surface it was made on.
    view->window_->SetSurfaceLostHandler([raw] { raw->ReleaseDevice(); });
    return view;
}

void CFieldView::OnSurfaceReady() {
    if (Device() != nullptr) {
        return;
    }
    CCommonDevice::Options options;
    options.instanceExtensions = WindowSurfaceExtensions();
    if (!CreateDevice(surface_.get(), options)) {
        std::fprintf(stderr, "quorvane: the field view has no Vulkan device\n");
        return;
    }
    StartRenderThread();
}

CFieldView::~CFieldView() {
    if (window_ != nullptr && container_) {
        window_->SetSurfaceReadyHandler(nullptr);
        window_->SetSurfaceLostHandler(nullptr);
    }
    ReleaseDevice();
    // The surface goes with the window, while the Qt instance still exists.
    delete container_.data();
}

} // namespace quorvane
