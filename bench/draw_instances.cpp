// Frames per second with 10000 copies of the demo oak: one instanced draw per
// part, and the same frame with the copies drawn one by one.
#include "bench_demo_field.h"
#include "bench_device.h"
#include "modeldata/mdl_reader.h"
#include "render/animation.h"
#include "render/instance_buffers.h"
#include "render/model_draw.h"

#include <chrono>
#include <cstdio>
#include <functional>

using namespace quorvane;

namespace {

constexpr int kSide = 100; // 100 x 100 copies
constexpr float kSpacing = 12.0f;

Vec4 CopyPosition(int i) {
    const float half = (kSide - 1) * kSpacing / 2;
    return {static_cast<float>(i % kSide) * kSpacing - half, static_cast<float>(i / kSide) * kSpacing - half,
            0, 1};
}

Vec4 CopyRotation(int i) {
    return {0, 0, static_cast<float>(i * 37 % 360), 1};
}

double FramesPerSecond(CCommonDevice& device, double seconds, int minimumFrames,
                       const std::function<void(CCommonDevice&)>& scene, int& frames) {
    auto frame = [&] {
        if (!device.BeginFrame()) {
            return false;
        }
        device.ComposeFrame(scene);
        const bool ok = device.EndFrame();
        device.WaitForGpu();
        device.ReleaseFinishedObjects();
        return ok;
    };
    frame(); // warm-up
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    double elapsed = 0;
    frames = 0;
    do {
        if (!frame()) {
            return 0;
        }
        ++frames;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < seconds || frames < minimumFrames);
    return frames / elapsed;
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = BenchSeconds(argc, argv);
    const std::filesystem::path field = BenchDemoField(argc, argv);
    CModel oak;
    if (!ReadModelFile(oak, field / "model/nature/oak.mdl")) {
        std::fprintf(stderr, "bench_draw_instances: no oak under %s\n", field.string().c_str());
        return 1;
    }
    const std::unique_ptr<CCommonDevice1> devicePtr = MakeBenchDevice("bench_draw_instances");
    if (!devicePtr) {
        return 1;
    }
    CCommonDevice1& device = *devicePtr;
    CDrawModel model(&device);
    model.Build(&oak, DrawModelPlacement::CpuVisible, false);
    constexpr int kCopies = kSide * kSide;
    CInstanceBuffers instances;
    if (!EnsureInstanceBuffers(device, instances, kCopies / 2)) {
        std::fprintf(stderr, "bench_draw_instances: no instance buffers\n");
        return 1;
    }
    const Vec4 scale{1, 1, 1, 1};
    for (int i = 0; i < kCopies; ++i) {
        AppendInstance(instances, CopyPosition(i), WorldMatrix(scale, CopyRotation(i), CopyPosition(i)),
                       RotationScaleMatrix(scale, CopyRotation(i)));
    }
    CCamera camera;
    camera.aspect = 16.0f / 9.0f;
    camera.eye = {0, -900, 700};
    camera.target = {0, 0, 0};
    camera.light = {100, -100, -100};
    camera.lightIntensity = 0.7f;
    UpdateCameraAndFrameConstants(camera, device);

    int instancedFrames = 0;
    const double instanced = FramesPerSecond(
        device, seconds, 3,
        [&](CCommonDevice& d) {
            d.CommitFrameConstants();
            d.BeginScenePass(true, true);
            d.SetPipeline(12);
            d.SetVertexBuffer(1, instances.main.buffer);
            DrawModelInstanced(model, d, instances.mainCount);
        },
        instancedFrames);
    int singleFrames = 0;
    const double single = FramesPerSecond(
        device, seconds, 3,
        [&](CCommonDevice& d) {
            d.CommitFrameConstants();
            d.BeginScenePass(true, true);
            d.SetPipeline(0);
            for (int i = 0; i < kCopies; ++i) {
                model.position = CopyPosition(i);
                model.rotation = CopyRotation(i);
                UpdateDrawModel(model);
                DrawModel(model, d);
            }
        },
        singleFrames);
    ReleaseInstanceBuffers(device, instances);
    std::printf("device: %s\n", device.DeviceName().c_str());
    std::printf("copies: %d of %s, 1920 x 1080\n", kCopies, oak.id.c_str());
    std::printf("frames: %d instanced, %d single\n", instancedFrames, singleFrames);
    std::printf("RESULT draw_instances=%.2f fps\n", instanced);
    std::printf("RESULT draw_single=%.2f fps\n", single);
    return 0;
}
