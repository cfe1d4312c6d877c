// Frames per second with 10000 copies of the demo oak: one instanced draw per
// part (pipeline 12), and the same frame with the copies drawn one by one
// (pipeline 0, which also draws back faces), which the device merges into
// instanced draws. The instanced frame is measured before and after the
// single one; the ratio uses their mean frame time. For comparison, the
// single frame again with a state change between the copies, so that each
// goes to the GPU as its own draw.
#include "bench_demo_field.h"
#include "bench_device.h"
#include "modeldata/mdl_reader.h"
#include "render/animation.h"
#include "render/instance_buffers.h"
#include "render/model_draw.h"

#include <array>
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

// Frame rate of one scene, and the part of each frame spent recording it
// (our draw code and the driver's command recording) rather than executing it.
struct FrameRate {
    double fps = 0;
    double recordMs = 0;
    int frames = 0;
};

FrameRate MeasureFrames(CCommonDevice& device, double seconds, int minimumFrames,
                        const std::function<void(CCommonDevice&)>& scene) {
    using Clock = std::chrono::steady_clock;
    double recordSeconds = 0;
    auto frame = [&] {
        if (!device.BeginFrame()) {
            return false;
        }
        const auto recordStart = Clock::now();
        device.ComposeFrame(scene);
        recordSeconds += std::chrono::duration<double>(Clock::now() - recordStart).count();
        const bool ok = device.EndFrame();
        device.WaitForGpu();
        device.ReleaseFinishedObjects();
        return ok;
    };
    FrameRate rate;
    if (!frame()) { // warm-up
        return rate;
    }
    recordSeconds = 0;
    const auto start = Clock::now();
    double elapsed = 0;
    do {
        if (!frame()) {
            return FrameRate{};
        }
        ++rate.frames;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < seconds || rate.frames < minimumFrames);
    rate.fps = rate.frames / elapsed;
    rate.recordMs = recordSeconds * 1000.0 / rate.frames;
    return rate;
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
    const std::unique_ptr<CCommonDevice> devicePtr = MakeBenchDevice("bench_draw_instances");
    if (!devicePtr) {
        return 1;
    }
    CCommonDevice& device = *devicePtr;
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

    const auto instancedScene = [&](CCommonDevice& d) {
        d.CommitFrameConstants();
        d.BeginScenePass(true, true);
        d.SetPipeline(PipelineId::Instances);
        d.SetVertexBuffer(1, instances.main.buffer);
        DrawModelInstanced(model, d, instances.mainCount);
    };
    const std::array<float, 4> noHighlight{};
    // The copies one by one; with any other state in between, each is recorded on its own.
    const auto copiesScene = [&](bool eachOnItsOwn) {
        return [&, eachOnItsOwn](CCommonDevice& d) {
            d.CommitFrameConstants();
            d.BeginScenePass(true, true);
            d.SetPipeline(PipelineId::Model);
            for (int i = 0; i < kCopies; ++i) {
                model.position = CopyPosition(i);
                model.rotation = CopyRotation(i);
                UpdateDrawModel(model);
                DrawModel(model, d);
                if (eachOnItsOwn) {
                    d.SetUniformBlock(UniformBlock::Highlight, noHighlight.data(), sizeof(noHighlight));
                }
            }
        };
    };
    const auto singleScene = copiesScene(false);
    const auto unmergedScene = copiesScene(true);
    // Alternate the two so that load from elsewhere on the machine falls on both.
    FrameRate instanced = MeasureFrames(device, seconds, 3, instancedScene);
    const FrameRate single = MeasureFrames(device, seconds, 3, singleScene);
    const FrameRate instancedAgain = MeasureFrames(device, seconds, 3, instancedScene);
    const FrameRate unmerged = MeasureFrames(device, seconds, 2, unmergedScene);
    if (instanced.fps <= 0 || single.fps <= 0 || instancedAgain.fps <= 0 || unmerged.fps <= 0) {
        std::fprintf(stderr, "bench_draw_instances: a frame failed\n");
        return 1;
    }
    // Mean frame time of the two instanced runs.
    instanced.fps = 2 / (1 / instanced.fps + 1 / instancedAgain.fps);
    instanced.frames += instancedAgain.frames;
    ReleaseInstanceBuffers(device, instances);
    std::printf("device: %s\n", device.DeviceName().c_str());
    std::printf("copies: %d of %s, 1920 x 1080\n", kCopies, oak.id.c_str());
    std::printf("frames: %d instanced, %d single\n", instanced.frames, single.frames);
    std::printf("recording: %.1f ms instanced, %.1f ms single per frame\n", instanced.recordMs,
                single.recordMs);
    std::printf("RESULT draw_instances=%.2f fps\n", instanced.fps);
    std::printf("RESULT draw_single=%.2f fps\n", single.fps);
    // Single frame time over instanced frame time.
    std::printf("RESULT draw_single_vs_instanced=%.2f x\n", instanced.fps / single.fps);
    std::printf("RESULT draw_unmerged_vs_instanced=%.2f x\n", instanced.fps / unmerged.fps);
    return 0;
}
