#include "render/disp_window.h"

#include "platform/guarded_turns.h"
#include "platform/thread_priority.h"
#include "render/frame_timer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iomanip>
#include <locale>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>

namespace quorvane {
namespace {
constexpr std::chrono::milliseconds kIdleSleep{16};
}

CDispWindow::CDispWindow() {
    const char* frameTimes = std::getenv("QUORVANE_FRAME_TIMES");
    reportFrameTimes_ = frameTimes != nullptr && std::string_view(frameTimes) == "1";
}

CDispWindow::~CDispWindow() {
    // The loop calls virtual operations: derived views stop it in their own
    // destructor; this is the last guard for the device below.
    renderThread_.Stop();
}

bool CDispWindow::CreateDevice(IPresentSurface* surface, CCommonDevice::Options options) {
    if (device_) {
        return false;
    }
    // A CPU rasteriser starts its worker threads with the device, at the
    // priority of the thread that creates it: below the window thread's.
    std::unique_ptr<CCommonDevice> device;
    RunAtLowerPriority([&] {
        auto created = std::make_unique<CCommonDevice>(std::move(options));
        if (created->CreateDeviceObjects(surface) && created->CreatePipelineObjects()) {
            device = std::move(created);
        }
    });
    if (!device) {
        return false;
    }
    device_ = std::move(device);
    return true;
}

void CDispWindow::SetFrameRateLimit(double framesPerSecond) {
    frameIntervalUs_.store(framesPerSecond > 0.0 ? static_cast<int64_t>(1e6 / framesPerSecond) : 0,
                           std::memory_order_release);
}

void CDispWindow::ReleaseDevice() {
    renderThread_.Stop();
    device_.reset();
}

bool CDispWindow::StartRenderThread(std::string workName) {
    if (!device_ || renderThread_.IsRunning()) {
        return false; // the running loop reads workName_
    }
    workName_ = std::move(workName);
    return renderThread_.Start([this](const std::atomic<bool>& quit) {
        LowerThisThreadPriority(); // refused: frames run at the normal priority
        CGuardedTurns turns(workName_);
        while (!quit.load(std::memory_order_acquire)) {
            const auto start = std::chrono::steady_clock::now();
            bool drew = false;
            turns.Run([this, &drew] { drew = RunOneFrame(); });
            if (!drew) {
                std::this_thread::sleep_for(kIdleSleep);
            } else if (const int64_t interval = frameIntervalUs_.load(std::memory_order_acquire);
                       interval > 0) {
                std::this_thread::sleep_until(start + std::chrono::microseconds(interval));
            }
        }
        RunGuarded(workName_, [this] { device_->WaitForGpu(); });
    });
}

bool CDispWindow::RunOneFrame() {
    if (IsPaused() || !device_) {
        return false;
    }
    const CFrameTimer::Tick tick = frameTimer_.Advance(MillisecondsWithinMinute());
    if (tick.framesPerSecond) {
        frameRate_.store(*tick.framesPerSecond, std::memory_order_release);
    }
    UpdateWithTime(tick.nowMs, tick.accumulatedMs);
    FrameUpdate();
    // The camera's matrices are kept up to date for picking even without
    // drawing, for the size this frame renders at.
    device_->FollowViewSize();
    UpdateCameraAndFrameConstants(camera_, *device_);
    if (device_->DeviceLost()) {
        RunTurnWithoutGpu();
        return false;
    }
    const bool drew = DrawFrame();
    if (device_->DeviceLost()) {
        TellDeviceFailure();
    }
    if (reportFrameTimes_ && tick.framesPerSecond) {
        ReportFrameTimes(*tick.framesPerSecond);
    }
    return drew;
}

void CDispWindow::ReportFrameTimes(double framesPerSecond) const {
    const auto figure = [](double value) {
        std::ostringstream out;
        out.imbue(std::locale::classic());
        out << std::fixed << std::setprecision(2) << value;
        return out.str();
    };
    std::string line = workName_ + ": " + figure(framesPerSecond) + " frames/s at " +
                       std::to_string(device_->Width()) + " x " + std::to_string(device_->Height()) +
                       ", GPU ms:";
    double total = 0;
    for (const PassTime& pass : device_->LastPassTimes()) {
        line += " " + pass.name + " " + figure(pass.milliseconds);
        total += pass.milliseconds;
    }
    line += " (total " + figure(total) + ")\n";
    std::fputs(line.c_str(), stderr);
}

bool CDispWindow::DrawFrame() {
    if (!device_->BeginFrame()) {
        return false;
    }
    device_->ComposeFrame([this](CCommonDevice& device) { DrawScene(device); });
    DrawOverlay(device_->Overlay());
    // Last before the submit: uploads taken here must go with this frame.
    std::vector<VkCommandBuffer> uploads;
    CollectUploadCommands(uploads);
    const bool submitted = device_->EndFrame(uploads);
    if (submitted) {
        framesSubmitted_.fetch_add(1, std::memory_order_acq_rel);
    }
    device_->WaitForGpu();
    AfterFrame();
    device_->ReleaseFinishedObjects();
    return submitted && !device_->DeviceLost();
}

void CDispWindow::RunTurnWithoutGpu() {
    TellDeviceFailure();
    device_->WaitForGpu(); // a frame submitted before the loss, if any
    // Nothing reaches the GPU any more, yet loads keep recording uploads:
    // their lists are dropped, so the models count as ready and the slots come back.
    std::vector<VkCommandBuffer> dropped;
    CollectUploadCommands(dropped);
    device_->ReleaseFinishedObjects();
}

void CDispWindow::TellDeviceFailure() {
    if (deviceFailureTold_) {
        return;
    }
    deviceFailureTold_ = true;
    if (deviceFailureHandler_) {
        deviceFailureHandler_(device_->DeviceLostReason());
    }
}

} // namespace quorvane
