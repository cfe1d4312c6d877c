#include "app/field_view.h"

#include "app/field_view_character.h"
#include "app/field_view_input.h"
#include "app/field_view_world.h"
#include "editor/recovery_journal.h"

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
    // Before the streaming's timer starts, which comes with the start-up loads.
    world_->streaming.SetProblemSink(
        [this](const std::string& message) { Tell(true, QString::fromStdString(message)); });
    world_->streaming.SetModelChangeSink([this](const std::vector<std::string>& modelPaths) {
        if (modelsChanged_) {
            modelsChanged_(modelPaths);
        }
    });
    fieldHandle_ = std::make_shared<CFieldHandle>(world_->field);
    walkHooks_ = CharacterWalkHooks(world_->registry);
    WireField(world_->field);
    PublishCamera();
    SetDeviceFailureHandler([this](const std::string& reason) {
        Tell(true, QString::fromUtf8("GPU デバイスが失われたため、フィールドビューの描画を止めました。"
                                     "配置・書き出し・復元用の記録は続けられます: %1")
                       .arg(QString::fromStdString(reason)));
    });
    StartRenderThread("フィールドビューの描画");
    world_->StartLoading(MakeJournalHandlers());
}

void CFieldView::Tell(bool error, const QString& message) const {
    std::fprintf(stderr, "quorvane: %s\n", message.toStdString().c_str());
    if (notice_) {
        notice_(error, message);
    }
}

CFieldViewWorld::JournalHandlers CFieldView::MakeJournalHandlers() {
    CFieldViewWorld::JournalHandlers handlers;
    // Installed before the journal's first write is queued: a folder that
    // cannot take the journal is told from that very write on.
    handlers.writeFailed = [this](const std::string& failure) {
        Tell(true,
             QString::fromUtf8("復元用の記録 %1 "
                               "に書き込めません。異常終了したとき、まだ書き出していない配置を戻せません: %2")
                 .arg(CRecoveryJournal::kDefaultFileName, QString::fromStdString(failure)));
    };
    const CFieldViewWorld* world = world_.get();
    handlers.opened = [this, world](bool opened, const std::string& message, size_t recoverable) {
        if (!opened) {
            Tell(true, QString::fromUtf8("復元用の記録 %1 を使えません。この実行の配置は記録されません: %2")
                           .arg(CRecoveryJournal::kDefaultFileName, QString::fromStdString(message)));
            return;
        }
        if (!message.empty()) {
            Tell(true,
                 QString::fromUtf8("復元用の記録 %1 を読めなかった部分があるため、別の名前で残しました: %2")
                     .arg(CRecoveryJournal::kDefaultFileName, QString::fromStdString(message)));
        }
        if (recoverable == 0) {
            return;
        }
        // The question is asked on the UI thread; the start-up thread goes on loading.
        QMetaObject::invokeMethod(
            &uiCalls_, [this, world, recoverable] { AnswerRecovery(world, recoverable); },
            Qt::QueuedConnection);
    };
    return handlers;
}

void CFieldView::AnswerRecovery(const CFieldViewWorld* world, size_t recoverable) {
    if (world_.get() != world || !recoveryQuestion_) {
        return; // the surface went, or nobody can answer: they stay journaled for the next start
    }
    const bool restore = recoveryQuestion_(recoverable);
    if (world_.get() != world) {
        return; // the surface went while the question was open
    }
    if (!restore) {
        std::string message;
        if (!world_->field.DiscardRecoverable(&message)) {
            Tell(true, QString::fromUtf8("前回の配置を破棄できませんでした: %1")
                           .arg(QString::fromStdString(message)));
        }
        return;
    }
    world_->StartRestore([this](int32_t restored, const std::string& message) {
        QString text = QString::fromUtf8("前回の配置を %1 件復元しました。").arg(restored);
        if (!message.empty()) {
            text += "\n" + QString::fromStdString(message);
        }
        Tell(!message.empty(), text);
    });
}

bool CFieldView::RestoreFinished() const {
    return world_ && world_->RestoreFinished();
}

void CFieldView::WireField(CMainField& field) {
    field.SetGroundPlanePoint([this](PixelPoint client) {
        return GroundPointUnder(CameraSnapshot(), static_cast<float>(client.x), static_cast<float>(client.y));
    });
    field.SetPickRay([this](PixelPoint client) -> std::optional<PickRay> {
        const FieldCameraView view = CameraSnapshot();
        const std::optional<ViewRay> ray =
            ViewRayUnder(view.camera, view.clientWidth, view.clientHeight, static_cast<float>(client.x),
                         static_cast<float>(client.y));
        if (!ray) {
            return std::nullopt;
        }
        const Vec3 direction = ray->farPoint - ray->nearPoint;
        return PickRay{{ray->nearPoint.x, ray->nearPoint.y, ray->nearPoint.z, 1.0f},
                       {direction.x, direction.y, direction.z, 0.0f}};
    });
    field.SetViewProjection([this] {
        const FieldCameraView view = CameraSnapshot();
        ProjectToView project = [view](const Vector4& world) -> std::optional<ViewPoint> {
            const auto pixel = ProjectToClient(view.camera, view.clientWidth, view.clientHeight,
                                               {world.x, world.y, world.z});
            if (!pixel) {
                return std::nullopt;
            }
            return ViewPoint{pixel->x, pixel->y};
        };
        return ViewProjection{std::move(project), view.clientWidth, view.clientHeight};
    });
    FieldViewHooks hooks;
    // Both may come from the render thread: the callee posts to the UI thread.
    hooks.repaintList = [this] {
        if (repaintRequest_) {
            repaintRequest_();
        }
    };
    hooks.repaintMain = hooks.repaintList;
    // Render thread, once the core has applied the key: the walker keeps arrow keys only.
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
    // then the calls from other threads, the loop, the models and last the device.
    StopBackgroundWork();
    if (fieldHandle_) {
        fieldHandle_->Detach();
        fieldHandle_.reset();
    }
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
