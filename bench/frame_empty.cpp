// Frames per second of an empty frame (clear, compose, overlay) at 1920 x 1080
// on the headless device.
#include "bench_device.h"

#include <chrono>
#include <cstdio>

using namespace quorvane;

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    const std::unique_ptr<CCommonDevice> devicePtr = MakeBenchDevice("bench_frame_empty");
    if (!devicePtr) {
        return 1;
    }
    CCommonDevice& device = *devicePtr;
    auto frame = [&device] {
        if (!device.BeginFrame()) {
            return false;
        }
        device.ComposeFrame(nullptr);
        COverlay2D& overlay = device.Overlay();
        overlay.Line(960, 540, 1400, 540, 2, {1, 0, 0, 1});
        overlay.Line(960, 540, 960, 200, 2, {0, 1, 0, 1});
        overlay.Line(960, 540, 700, 800, 2, {0, 0, 1, 1});
        overlay.FillCircle(960, 540, 6, {1, 1, 0, 1});
        const bool ok = device.EndFrame();
        device.WaitForGpu();
        device.ReleaseFinishedObjects();
        return ok;
    };
    for (int i = 0; i < 5; ++i) {
        frame(); // warm-up: pipelines and caches
    }
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    int frames = 0;
    double elapsed = 0;
    do {
        if (!frame()) {
            std::fprintf(stderr, "bench_frame_empty: a frame failed\n");
            return 1;
        }
        ++frames;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < seconds || frames < 10);
    std::printf("device: %s\n", device.DeviceName().c_str());
    std::printf("frames: %d in %.3f s\n", frames, elapsed);
    std::printf("RESULT frame_empty=%.1f fps\n", frames / elapsed);
    return 0;
}
