#include "ui/model_viewer_window.h"

#include "platform/guarded_work.h"
#include "render/animation.h"
#include "render/model_draw.h"
#include "ui/model_viewer_set.h"

#include <QEvent>
#include <QStringList>
#include <QWheelEvent>
#include <cstdio>

namespace quorvane {
namespace {

QString Shown(const std::filesystem::path& path) {
    return QString::fromStdString(path.generic_string());
}

// Adds up the wheel on the UI thread; the render thread owns the camera.
class CWheelGatherer : public QObject {
public:
    CWheelGatherer(QWindow& window, std::atomic<int>& pendingWheel)
        : QObject(&window), pending_(pendingWheel) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Wheel) {
            pending_.fetch_add(static_cast<QWheelEvent*>(event)->angleDelta().y(), std::memory_order_acq_rel);
        }
        return false;
    }

private:
    std::atomic<int>& pending_;
};

} // namespace

CModelViewerWindow::CModelViewerWindow() {
    ResetViewerCamera(Camera(), orbit_);
    cameraView_ = {Camera(), orbit_};
}

std::unique_ptr<CModelViewerWindow> CModelViewerWindow::Create(QWidget* parent) {
    std::unique_ptr<CModelViewerWindow> viewer(new CModelViewerWindow());
    CVulkanInstance::Options options{CVulkanInstance::ValidationWanted(), WindowSurfaceExtensions()};
    viewer->instance_ = CVulkanInstance::Acquire(options);
    if (!viewer->instance_) {
        return nullptr;
    }
    viewer->qtInstance_ = WrapVulkanInstance(viewer->instance_->Handle());
    if (!viewer->qtInstance_) {
        return nullptr;
    }
    viewer->window_ = new CVulkanSurfaceWindow(viewer->qtInstance_.get());
    viewer->window_->setTitle("ModelViewWindow");
    viewer->container_ = QWidget::createWindowContainer(viewer->window_, parent); // takes the window
    viewer->container_->setObjectName("CLASS_MODELVIEWERWINDOW");
    viewer->surface_ = std::make_unique<CSurfaceWindowPresent>(*viewer->window_);
    new CWheelGatherer(*viewer->window_, viewer->pendingWheel_); // owned by the window
    CModelViewerWindow* raw = viewer.get();
    viewer->window_->SetSurfaceReadyHandler([raw] { raw->OnSurfaceReady(); });
    // The swapchain must go before the surface it was made on.
    viewer->window_->SetSurfaceLostHandler([raw] { raw->OnSurfaceLost(); });
    return viewer;
}

CModelViewerWindow::~CModelViewerWindow() {
    if (window_ != nullptr && container_) {
        window_->SetSurfaceReadyHandler(nullptr);
        window_->SetSurfaceLostHandler(nullptr);
    }
    OnSurfaceLost();
    // The surface goes with the window, while the Qt instance still exists.
    delete container_.data();
}

void CModelViewerWindow::OnSurfaceReady() {
    if (Device() != nullptr) {
        return;
    }
    CCommonDevice::Options options;
    options.instanceExtensions = WindowSurfaceExtensions();
    if (!CreateDevice(surface_.get(), options)) {
        std::fprintf(stderr, "quorvane: the model viewer has no Vulkan device\n");
        return;
    }
    SetDeviceFailureHandler([this](const std::string& reason) {
        if (report_) {
            report_(QString::fromUtf8("GPU デバイスが失われたため、モデルビューの描画を止めました。"
                                      "定義の選択と配置は続けられます: %1")
                        .arg(QString::fromStdString(reason)));
        }
    });
    // The turning preview is smooth at 30 frames a second; more would only
    // take the cores the field view draws with.
    SetFrameRateLimit(30.0);
    StartRenderThread("モデルビューの描画");
}

void CModelViewerWindow::Stop() {
    // The loader first: it gives up waiting for an upload entry that only
    // the render thread would give back.
    StopLoader();
    StopRenderThread();
}

void CModelViewerWindow::StopLoader() {
    if (loader_.joinable()) {
        loader_.request_stop();
        loader_.join();
    }
}

void CModelViewerWindow::OnSurfaceLost() {
    Stop();
    if (Device() != nullptr) {
        Device()->WaitForGpu();
    }
    // The models' GPU objects go before the device.
    shownSet_.reset();
    pendingSet_.reset();
    pending_.store(0, std::memory_order_release);
    // The dropped set will never be taken: a later load must not be refused for it.
    busy_.store(false, std::memory_order_release);
    ReleaseDevice();
}

bool CModelViewerWindow::LoadDefinition(const std::filesystem::path& path, HandOff handOff) {
    if (Device() == nullptr || !RenderThread().IsRunning()) {
        return false;
    }
    if (busy_.exchange(true, std::memory_order_acq_rel)) {
        return false;
    }
    StopLoader(); // the previous worker has ended; only its thread is left
    loader_ = std::jthread([this, path, handOff = std::move(handOff)](std::stop_token stop) mutable {
        // A load that throws ends like one that failed: the next choice is taken again.
        if (!RunGuarded("モデルビューの読み込み", [&] { LoadOnWorker(stop, path, std::move(handOff)); })) {
            busy_.store(false, std::memory_order_release);
        }
    });
    return true;
}

void CModelViewerWindow::LoadOnWorker(const std::stop_token& stop, const std::filesystem::path& path,
                                      HandOff handOff) {
    // The definition is read here, never on the UI thread.
    CModelDefinition definition;
    std::string error;
    const bool opened = definition.Load(path, error);
    {
        std::lock_guard lock(viewMutex_);
        definition_ = definition;
    }
    if (!opened) {
        busy_.store(false, std::memory_order_release);
        if (report_) {
            report_(QString::fromUtf8("モデル定義ファイル「%1」を読み込めませんでした（%2）。")
                        .arg(Shown(path), QString::fromStdString(error)));
        }
        return;
    }
    std::vector<std::string> failed;
    auto set = BuildViewerModelSet(*Device(), definition, stop, failed);
    if (set->abandoned) {
        busy_.store(false, std::memory_order_release);
        return; // shutting down: released with the device
    }
    pendingSet_ = std::move(set);
    pendingHandOff_ = std::move(handOff);
    pending_.store(1, std::memory_order_release);
    if (!report_) {
        return;
    }
    if (definition.count == 0) {
        report_(QString::fromUtf8("モデル定義ファイル「%1」にはモデルが書かれていません。")
                    .arg(Shown(definition.filePath)));
    }
    if (!failed.empty()) {
        QStringList names;
        for (const std::string& name : failed) {
            names << QString::fromStdString(name);
        }
        report_(QString::fromUtf8("「%1」のモデルを読み込めませんでした: %2")
                    .arg(Shown(definition.filePath), names.join(QString::fromUtf8("、"))));
    }
}

CModelDefinition CModelViewerWindow::CurrentDefinition() const {
    std::lock_guard lock(viewMutex_);
    return definition_;
}

ViewerCameraView CModelViewerWindow::CameraSnapshot() const {
    std::lock_guard lock(viewMutex_);
    return cameraView_;
}

void CModelViewerWindow::CollectUploadCommands(std::vector<VkCommandBuffer>& lists) {
    if (pending_.load(std::memory_order_acquire) == 1 && pendingSet_) {
        AdvanceViewerUploads(*pendingSet_, lists);
    }
}

void CModelViewerWindow::TakePendingSet() {
    // The frame that drew the old set has finished: its models can go.
    shownSet_ = std::move(pendingSet_);
    const ViewerSlot& first = shownSet_->entries[0];
    if (first.drawModel) {
        FitViewerCamera(Camera(), orbit_, first.drawModel->center, first.drawModel->radius);
    }
    // An empty slot 0 has nothing to fit to: the camera keeps its target and distance.
    orbit_.elevationDegrees = ViewerOrbit::kElevationDegrees;
    HandOff handOff = std::move(pendingHandOff_);
    pendingHandOff_ = nullptr;
    if (handOff) {
        handOff(shownSet_->definition);
    }
    pending_.store(0, std::memory_order_release);
}

void CModelViewerWindow::FrameUpdate() {
    bool swapped = false;
    if (pending_.load(std::memory_order_acquire) == 1 && pendingSet_) {
        // Every model of the set ready (its uploads ran with earlier frames):
        // the preview never shows a half-built set.
        if (ViewerSetReady(*pendingSet_)) {
            TakePendingSet();
            swapped = true;
        }
    }
    CCamera& camera = Camera();
    SetViewerLight(camera);
    if (shownSet_) {
        for (ViewerSlot& slot : shownSet_->entries) {
            if (slot.drawModel) {
                ++slot.drawModel->frameCounter;
                UpdateDrawModel(*slot.drawModel);
            }
        }
    }
    if (const int wheel = pendingWheel_.exchange(0, std::memory_order_acq_rel); wheel != 0) {
        ZoomViewerCamera(camera, orbit_, wheel);
    }
    OrbitViewerCamera(camera, orbit_);
    {
        std::lock_guard lock(viewMutex_);
        cameraView_ = {camera, orbit_};
    }
    if (swapped) {
        // Only now: whoever waits on the swap sees the camera fitted to the new set.
        swaps_.fetch_add(1, std::memory_order_acq_rel);
        busy_.store(false, std::memory_order_release);
    }
}

void CModelViewerWindow::DrawScene(CCommonDevice& device) {
    device.CommitFrameConstants();
    device.BeginScenePass(true, true);
    device.SetPipeline(PipelineId::Model);
    if (!shownSet_) {
        return;
    }
    for (ViewerSlot& slot : shownSet_->entries) {
        if (slot.drawModel && slot.drawModel->LoadState() == 4) {
            DrawModel(*slot.drawModel, device);
        }
    }
}

} // namespace quorvane
