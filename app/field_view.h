#pragma once

#include "app/field_view_camera.h"
#include "app/field_view_world.h"
#include "editor/character_walk.h"
#include "editor/field_handle.h"
#include "platform/vulkan_surface_window.h"
#include "render/disp_window.h"
#include "ui/surface_window_present.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace quorvane {

class CFieldViewInput;
class CMainField;
struct CRegistryLists;
struct StreamingProgress;

// The check boxes that change what the field view draws.
struct FieldDisplayOptions {
    bool gridDisplay = true;
    bool skeletonView = false;
    bool colliderDisplay = false;
    bool horizontalView = false; // eye level
    bool verticalView = false;   // top-down
};

// The live field view: a Vulkan window inside the main window. Once its
// surface exists it creates the device and the world on it (registry, editing
// core, scene, streaming), starts the render thread and loads the start-up
// models off the UI thread. Mouse and key events go to the editing core.
class CFieldView : public CDispWindow {
public:
    // Null when this platform offers no Vulkan windows (the caller keeps a placeholder).
    static std::unique_ptr<CFieldView> Create(QWidget* parent);
    ~CFieldView() override;

    QWidget* Container() const { return container_; }
    QWindow* SurfaceWindow() const { return window_; }

    // UI thread. Null until the surface has appeared, and again after it went.
    CMainField* Field() const;
    // For other threads: detached, after its calls in progress, when the surface goes.
    std::shared_ptr<CFieldHandle> FieldHandle() const { return fieldHandle_; }
    CRegistryLists* Lists() const;
    bool StartupFinished() const;
    // UI thread, before the render thread is stopped: ends the start-up
    // loads, the streaming timer and the loader threads.
    void StopBackgroundWork();
    StreamingProgress Progress() const;

    // Any thread: the camera as the last frame used it, with the client size.
    FieldCameraView CameraSnapshot() const;
    // Any thread: the pitch and yaw the last frame used.
    CameraControl CameraControlSnapshot() const;
    void SetDisplayOptions(const FieldDisplayOptions& options);
    FieldDisplayOptions DisplayOptions() const;
    // Called (on any thread) when the list or the main window should repaint.
    void SetRepaintRequest(std::function<void()> repaint) { repaintRequest_ = std::move(repaint); }
    // UI thread: asked, after the view is up, whether placements an earlier
    // run left unwritten are placed again; no means they are discarded.
    void SetRecoveryQuestion(std::function<bool(size_t recoverable)> question) {
        recoveryQuestion_ = std::move(question);
    }
    // Called on any thread with what the user should read in the window.
    void SetNoticeHandler(std::function<void(bool error, const QString& message)> notice) {
        notice_ = std::move(notice);
    }
    // True once a restore the user asked for has ended.
    bool RestoreFinished() const;
    // Called on the render thread when the skeleton view has switched the grid off.
    void SetGridSwitchedOffHandler(std::function<void()> handler) { gridSwitchedOff_ = std::move(handler); }
    // Called on the streaming's timer thread with the models whose files
    // changed on disk and read well, so that other views load them again.
    void SetModelsChangedHandler(std::function<void(const std::vector<std::string>& modelPaths)> handler) {
        modelsChanged_ = std::move(handler);
    }

protected:
    // Frame loop (render thread), field_view_frame.cpp.
    void UpdateWithTime(int nowMs, int elapsedMs) override;
    void FrameUpdate() override;
    void DrawScene(CCommonDevice& device) override;
    void CollectUploadCommands(std::vector<VkCommandBuffer>& lists) override;
    void DrawOverlay(COverlay2D& overlay) override;

private:
    CFieldView();
    void OnSurfaceReady();
    void OnSurfaceLost();
    void WireField(CMainField& field);
    CFieldViewWorld::JournalHandlers MakeJournalHandlers();
    void AnswerRecovery(const CFieldViewWorld* world, size_t recoverable);
    void Tell(bool error, const QString& message) const;
    void ApplyCameraInput();
    void ApplyBookmarks(); // a digit's request: keep the camera, or glide back to a kept one
    void PublishCamera();
    void UpdateCameraAndPick();
    void FollowGroundOrCharacter();
    void FreeCameraStep();
    void SkeletonViewStep(CModelEntry& character);
    ViewPresets Presets() const;

    std::shared_ptr<CVulkanInstance> instance_;
    std::unique_ptr<QVulkanInstance> qtInstance_;
    CVulkanSurfaceWindow* window_ = nullptr; // owned by the container
    QPointer<QWidget> container_;
    std::unique_ptr<CSurfaceWindowPresent> surface_;
    CFieldViewInput* input_ = nullptr; // child of the window
    std::function<void()> repaintRequest_;
    std::function<void()> gridSwitchedOff_;
    std::function<void(const std::vector<std::string>&)> modelsChanged_;
    std::function<bool(size_t)> recoveryQuestion_;
    std::function<void(bool, const QString&)> notice_;
    std::string toldBookmarkMessage_; // render thread: the bookmark trouble told last
    // Calls posted to the UI thread die with the view.
    QObject uiCalls_;

    // Built after the device, torn down before it.
    std::unique_ptr<CFieldViewWorld> world_;
    std::shared_ptr<CFieldHandle> fieldHandle_; // UI thread; null while there is no world

    // Render thread only.
    CameraControl cameraControl_;
    CFieldCameraDrag cameraDrag_;
    CCameraGlide glide_;
    Vec3 streamCentre_{};
    float centreGroundHeight_ = 0.0f; // the last height found at the stream centre
    bool characterMissing_ = false;   // skeleton view asked for without a character
    WalkHooks walkHooks_;

    // Arrow keys from the UI thread, walking on the render thread.
    CCharacterWalker walker_;
    float scrollA_ = 0.0f;
    float scrollB_ = 0.0f;
    int32_t frameStep_ = 1;
    bool cameraBusy_ = false;

    // Wheel delta the UI thread gathered for the render thread.
    std::atomic<int> pendingWheel_{0};
    std::atomic<bool> gridDisplay_{true};
    std::atomic<bool> skeletonView_{false};
    std::atomic<bool> colliderDisplay_{false};
    std::atomic<bool> horizontalView_{false};
    std::atomic<bool> verticalView_{false};

    mutable std::mutex cameraMutex_; // guards cameraView_ and cameraControlView_
    FieldCameraView cameraView_;
    CameraControl cameraControlView_;
};

} // namespace quorvane
