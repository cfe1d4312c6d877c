#pragma once

#include "editor/model_definition.h"
#include "platform/vulkan_surface_window.h"
#include "render/disp_window.h"
#include "render/viewer_camera.h"
#include "ui/surface_window_present.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvane {

struct ViewerModelSet;

// The viewer's camera as the last frame left it.
struct ViewerCameraView {
    CCamera camera;
    ViewerOrbit orbit;
};

// The 3D preview of the chosen model definition: a Vulkan window with its own
// device and render thread. A worker thread reads the definition and builds
// its level-0 models into a pending set; the render thread submits their
// uploads, swaps the set in once every model is ready, fits the camera to
// slot 0 and then hands the definition on. The models turn one degree per
// frame and play their animation one step per frame.
class CModelViewerWindow : public CDispWindow {
public:
    // Told on the viewer's render thread, right after the set is on screen.
    using HandOff = std::function<void(const CModelDefinition&)>;
    // Told on the loader thread what could not be read (in Japanese).
    using Report = std::function<void(const QString&)>;

    // Null when this platform offers no Vulkan windows.
    static std::unique_ptr<CModelViewerWindow> Create(QWidget* parent);
    ~CModelViewerWindow() override;

    QWidget* Container() const { return container_; }
    QWindow* SurfaceWindow() const { return window_; }
    void SetReport(Report report) { report_ = std::move(report); }

    // UI thread. False when refused: the previous set is still loading or
    // waits for the render thread, or there is no device yet. True
    // otherwise, also when nothing could be loaded. handOff may be empty.
    bool LoadDefinition(const std::filesystem::path& path, HandOff handOff);
    // Any thread: a copy of the definition last read (empty when it could not be opened).
    CModelDefinition CurrentDefinition() const;
    // Any thread: whether a set is loading or waits to go on screen.
    bool Busy() const { return busy_.load(std::memory_order_acquire); }
    // Any thread: how many sets went on screen so far.
    int SwapCount() const { return swaps_.load(std::memory_order_acquire); }
    ViewerCameraView CameraSnapshot() const;

    // UI thread: ends the load in progress and the render thread; before
    // whatever the hand-off reaches goes away.
    void Stop();

protected:
    void FrameUpdate() override;
    void DrawScene(CCommonDevice& device) override;
    void CollectUploadCommands(std::vector<VkCommandBuffer>& lists) override;

private:
    CModelViewerWindow();
    void OnSurfaceReady();
    void OnSurfaceLost();
    void LoadOnWorker(const std::stop_token& stop, const std::filesystem::path& path, HandOff handOff);
    void TakePendingSet();
    void StopLoader();

    std::shared_ptr<CVulkanInstance> instance_;
    std::unique_ptr<QVulkanInstance> qtInstance_;
    CVulkanSurfaceWindow* window_ = nullptr; // owned by the container
    QPointer<QWidget> container_;
    std::unique_ptr<CSurfaceWindowPresent> surface_;
    Report report_;

    // Written by the loader before pending_ goes to 1; the render thread
    // takes it while pending_ is 1. Set abandoned ones are only released.
    std::unique_ptr<ViewerModelSet> pendingSet_;
    HandOff pendingHandOff_;
    std::atomic<int> pending_{0};
    std::atomic<bool> busy_{false}; // from an accepted load until its set is taken
    std::atomic<int> swaps_{0};

    // Render thread only while it runs.
    std::unique_ptr<ViewerModelSet> shownSet_;
    ViewerOrbit orbit_;

    std::atomic<int> pendingWheel_{0}; // gathered on the UI thread
    mutable std::mutex viewMutex_;     // guards cameraView_ and definition_
    ViewerCameraView cameraView_;
    CModelDefinition definition_;

    std::jthread loader_; // stopped and joined before the render thread
};

} // namespace quorvane
