#include "app/field_view.h"

#include "app/field_view_character.h"
#include "app/field_view_input.h"
#include "app/field_view_world.h"

#include <cmath>
#include <cstdio>

namespace quorvane {

CFieldView::CFieldView() {
    PlaceStartCamera(Camera(), cameraControl_);
    cameraView_.camera = Camera();
    cameraControlView_ = cameraControl_;
}

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
    view->container_->setFocusPolicy(Qt::StrongFocus);
    view->surface_ = std::make_unique<CSurfaceWindowPresent>(*view->window_);
    CFieldView* raw = view.get();
    view->input_ = new CFieldViewInput(
        *view->window_, view->container_, [raw] { return raw->Field(); },
        view->pendingWheel_); // owned by the window
    view->window_->SetSurfaceReadyHandler([raw] { raw->OnSurfaceReady(); });
    // The swapchain must go before the surface it was made on.
    view->window_->SetSurfaceLostHandler([raw] { raw->OnSurfaceLost(); });
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
    world_ = std::make_unique<CFieldViewWorld>(*Device());
    walkHooks_ = CharacterWalkHooks(world_->registry);
    WireField(world_->field);
    PublishCamera();
    StartRenderThread();
    world_->StartLoading();
}

void CFieldView::WireField(CMainField& field) {
    field.SetGroundPlanePoint([this](PixelPoint client) {
        return GroundPointUnder(CameraSnapshot(), static_cast<float>(client.x), static_cast<float>(client.y));
    });
    FieldViewHooks hooks;
    // Both may come from the render thread: the callee posts to the UI thread.
    hooks.repaintList = [this] {
        if (repaintRequest_) {
            repaintRequest_();
        }
    };
    hooks.repaintMain = hooks.repaintList;
    // UI thread, after the core has taken the key: the walker keeps arrow keys only.
    hooks.characterKey = [this](int virtualKey, bool down) {
        if (down) {
            walker_.OnKeyDown(virtualKey);
        } else {
            walker_.OnKeyUp(virtualKey);
        }
    };
    field.SetHooks(std::move(hooks));
}

void CFieldView::StopBackgroundWork() {
    if (world_) {
        world_->StopBackgroundWork();
    }
}

void CFieldView::OnSurfaceLost() {
    // Loads and the timer end while the frame loop still frees loader slots;
    // then the loop, the models and last the device.
    StopBackgroundWork();
    StopRenderThread();
    world_.reset();
    ReleaseDevice();
}

CFieldView::~CFieldView() {
    if (window_ != nullptr && container_) {
        window_->SetSurfaceReadyHandler(nullptr);
        window_->SetSurfaceLostHandler(nullptr);
    }
    OnSurfaceLost();
    // The surface goes with the window, while the Qt instance still exists.
    delete container_.data();
}

CMainField* CFieldView::Field() const {
    return world_ ? &world_->field : nullptr;
}

CRegistryLists* CFieldView::Lists() const {
    return world_ ? &world_->lists : nullptr;
}

bool CFieldView::StartupFinished() const {
    return world_ && world_->StartupFinished();
}

StreamingProgress CFieldView::Progress() const {
    return world_ ? world_->streaming.Progress() : StreamingProgress{};
}

FieldCameraView CFieldView::CameraSnapshot() const {
    std::lock_guard lock(cameraMutex_);
    return cameraView_;
}

CameraControl CFieldView::CameraControlSnapshot() const {
    std::lock_guard lock(cameraMutex_);
    return cameraControlView_;
}

void CFieldView::SetDisplayOptions(const FieldDisplayOptions& options) {
    gridDisplay_.store(options.gridDisplay, std::memory_order_release);
    skeletonView_.store(options.skeletonView, std::memory_order_release);
    colliderDisplay_.store(options.colliderDisplay, std::memory_order_release);
    horizontalView_.store(options.horizontalView, std::memory_order_release);
    verticalView_.store(options.verticalView, std::memory_order_release);
}

FieldDisplayOptions CFieldView::DisplayOptions() const {
    return {gridDisplay_.load(std::memory_order_acquire), skeletonView_.load(std::memory_order_acquire),
            colliderDisplay_.load(std::memory_order_acquire), horizontalView_.load(std::memory_order_acquire),
            verticalView_.load(std::memory_order_acquire)};
}

} // namespace quorvane
