#pragma once

#include "platform/render_thread.h"
#include "render/camera.h"
#include "render/common_device.h"
#include "render/frame_timer.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvane {

// Base of the 3D views: owns the device and camera and runs the render
// thread's frame loop. Derived views fill in the per-frame operations.
class CDispWindow {
public:
    // Told the device's failure (DeviceLostReason) on the render thread.
    using DeviceFailureHandler = std::function<void(const std::string& reason)>;
    // What the render thread's work is called when a failure is told to the user.
    static constexpr const char* kDefaultRenderWorkName = "3D ビューの描画";

    CDispWindow();
    virtual ~CDispWindow();
    CDispWindow(const CDispWindow&) = delete;
    CDispWindow& operator=(const CDispWindow&) = delete;

    // Creates the device (headless when surface is null) and its pipelines.
    // False, with no device, when either cannot be made.
    bool CreateDevice(IPresentSurface* surface, CCommonDevice::Options options = {});
    // Each turn runs inside an exception boundary: a turn that throws is
    // reported as a failure of workName (the first of a run of failing turns
    // only), the loop sleeps the idle time and goes on.
    bool StartRenderThread(std::string workName = kDefaultRenderWorkName);
    // Stops the loop and destroys the device (its swapchain first), e.g. before
    // the window surface goes away.
    void ReleaseDevice();
    void StopRenderThread() { renderThread_.Stop(); }
    CRenderThread& RenderThread() { return renderThread_; }

    // One turn of the loop; false when nothing was drawn (paused, minimised,
    // device lost). Once the device is lost the turn still runs UpdateWithTime
    // and FrameUpdate, so editing goes on, but nothing is drawn or submitted.
    bool RunOneFrame();
    // Called once, on the thread running the frames, when the device is lost.
    // Set before StartRenderThread.
    void SetDeviceFailureHandler(DeviceFailureHandler handler) { deviceFailureHandler_ = std::move(handler); }

    // At most this many frames a second (0: as many as the device gives), so
    // that a small view does not take the cores the other view and the UI
    // need. Any thread.
    void SetFrameRateLimit(double framesPerSecond);

    void SetPaused(bool paused) { paused_.store(paused, std::memory_order_release); }
    bool IsPaused() const { return paused_.load(std::memory_order_acquire); }
    double FrameRate() const { return frameRate_.load(std::memory_order_acquire); }
    // Frames handed to the queue so far (any thread).
    uint64_t FramesSubmitted() const { return framesSubmitted_.load(std::memory_order_acquire); }
    CCommonDevice* Device() { return device_.get(); }
    CCamera& Camera() { return camera_; }

protected:
    // The per-frame operations, called on the render thread in this order.
    // After a lost device only the first two run, and CollectUploadCommands,
    // whose lists are dropped: the loads' slots still come back.
    virtual void UpdateWithTime(int nowMs, int elapsedMs) {}
    virtual void FrameUpdate() {}
    // Default: the scene is the background colour alone.
    virtual void DrawScene(CCommonDevice& device) { device.BeginScenePass(true, true); }
    virtual void CollectUploadCommands(std::vector<VkCommandBuffer>& lists) {}
    virtual void DrawOverlay(COverlay2D& overlay) {}
    virtual void AfterFrame() {}

private:
    bool DrawFrame();
    void ReportFrameTimes(double framesPerSecond) const;
    void RunTurnWithoutGpu();
    void TellDeviceFailure();

    std::unique_ptr<CCommonDevice> device_;
    DeviceFailureHandler deviceFailureHandler_;
    bool deviceFailureTold_ = false;
    CCamera camera_;
    CRenderThread renderThread_;
    std::atomic<int64_t> frameIntervalUs_{0};
    // QUORVANE_FRAME_TIMES=1: the last frame's GPU time by pass on stderr, once a second.
    bool reportFrameTimes_ = false;
    std::string workName_;
    std::atomic<bool> paused_{false};
    std::atomic<double> frameRate_{0.0};
    std::atomic<uint64_t> framesSubmitted_{0};
    // Per view: with one timer for the program, the view whose frame crossed
    // each second took the rate, and the other could show 0 for ever.
    CFrameTimer frameTimer_;
};

} // namespace quorvane
