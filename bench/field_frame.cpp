// Frames per second of the field view's scene from the start camera, turning
// slowly about its target while measured: the demo field's centre with
// nothing placed, then with 50 000 placements in grid files around the centre
// (single models and shared copies), the render thread's CPU time per frame
// with them, and the GPU time of each pass.
#include "bench_demo_field.h"
#include "bench_device.h"
#include "editor/main_field.h"
#include "render/field_scene.h"
#include "render/model_registry.h"
#include "terrain.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

using namespace quorvane;

namespace {

constexpr int kPlacements = 50000;
constexpr int kSingles = 500;       // each with its own drawable model
constexpr int kFilesPerSide = 5;    // grid files of 400 x 400 units
constexpr float kSpread = 1000.0f;  // placements cover -1000..1000 in x and y
constexpr int kRefreshFrames = 100; // instance data is refreshed every 100th frame
constexpr int kMeasuredFrames = 12;

double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

CCamera StartCamera() {
    CCamera camera;
    camera.aspect = 16.0f / 9.0f;
    const float pitch = 20.0f * 3.14159265f / 180.0f;
    camera.eye = {0, -81.0f * std::sin(pitch), 81.0f * std::cos(pitch)};
    camera.light = {1, -1, -1};
    camera.lightIntensity = 0.8f;
    return camera;
}

struct Bench {
    CCommonDevice& device;
    CRegistryLists& lists;
    CModelRegistry& registry;
    CFieldScene& scene;
    CMainField& field;
    CCamera camera = StartCamera();
    FieldSceneState state;
    // GPU milliseconds a frame by pass, over the frames the last Measure timed.
    std::vector<PassTime> passes;
    bool measuring = false;

    void AddPassTimes() {
        for (const PassTime& time : device.LastPassTimes()) {
            const auto same = [&](const PassTime& p) { return p.name == time.name; };
            if (auto found = std::find_if(passes.begin(), passes.end(), same); found != passes.end()) {
                found->milliseconds += time.milliseconds;
            } else {
                passes.push_back(time);
            }
        }
    }

    bool Frame() {
        if (!device.BeginFrame()) {
            return false;
        }
        const std::vector<VkCommandBuffer> uploads = registry.FinishUploads();
        registry.UpdateEntries(1);
        if (measuring) {
            // The camera turns a little each frame, as while a designer
            // looks around: the instances are culled again every frame.
            const Vec3 arm = camera.eye - camera.target;
            const float c = std::cos(0.01f);
            const float s = std::sin(0.01f);
            camera.eye = camera.target + Vec3{arm.x * c - arm.y * s, arm.x * s + arm.y * c, arm.z};
        }
        UpdateCameraAndFrameConstants(camera, device);
        device.ComposeFrame([&](CCommonDevice& d) { scene.Draw(d, lists, registry, camera, state, field); });
        const bool ok = device.EndFrame(uploads);
        device.WaitForGpu();
        if (measuring) {
            AddPassTimes();
        }
        device.ReleaseFinishedObjects();
        return ok;
    }

    // Frames per second and render-thread CPU milliseconds per frame.
    std::pair<double, double> Measure() {
        for (int i = 0; i < 3; ++i) {
            Frame(); // uploads
        }
        // Bring the refresh counter round so that the next frame's refresh
        // is the one the scene culls from, without drawing 100 frames.
        for (int i = 0; i < kRefreshFrames && !registry.RefreshInstanceData(); ++i) {
        }
        for (int i = 0; i < kRefreshFrames - 2; ++i) {
            registry.RefreshInstanceData();
        }
        Frame();
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ThreadSeconds();
        passes.clear();
        measuring = true;
        for (int i = 0; i < kMeasuredFrames; ++i) {
            Frame();
        }
        measuring = false;
        for (PassTime& pass : passes) {
            pass.milliseconds /= kMeasuredFrames;
        }
        const double cpu = ThreadSeconds() - cpuStart;
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return {kMeasuredFrames / wall, cpu * 1000.0 / kMeasuredFrames};
    }
};

std::unique_ptr<CModelEntry> NewEntry(const std::string& name) {
    auto entry = std::make_unique<CModelEntry>();
    entry->name = name;
    return entry;
}

} // namespace

int main(int argc, char** argv) {
    const std::filesystem::path root = BenchDemoField(argc, argv);
    const std::unique_ptr<CCommonDevice> devicePtr = MakeBenchDevice("bench_field_frame");
    if (!devicePtr) {
        return 1;
    }
    CCommonDevice& device = *devicePtr;
    auto lists = std::make_unique<CRegistryLists>();
    RegistryOptions options;
    options.modelRoot = root;
    options.placement = DrawModelPlacement::CpuVisible;
    auto registry = std::make_unique<CModelRegistry>(device, *lists, options);
    auto scene = std::make_unique<CFieldScene>(device, root / "pict");
    auto field = std::make_unique<CMainField>(*registry, *lists, root / "gridfile");

    // The four tiles around the origin and the low-detail field.
    const auto load = [&](COwnedList<CModelEntry>& list, const std::string& name, const std::string& path,
                          const Vector4& position) -> CModelEntry* {
        auto entry = NewEntry(name);
        entry->transform.position = position;
        if (!registry->LoadEntry(*entry, path, false)) {
            std::fprintf(stderr, "bench_field_frame: cannot load %s\n", path.c_str());
            return nullptr;
        }
        return list.Append(std::move(entry));
    };
    for (const char* tile : {"Field13-13", "Field13-14", "Field14-13", "Field14-14"}) {
        load(lists->fieldTiles, tile, std::string("./model/main_field/field/") + tile + ".mdl", {0, 0, 0, 1});
    }
    load(lists->lowDetailField, "FIELD_LOW", "./model/main_field/field_low/field_low.mdl", {0, 0, 0, 1});

    Bench bench{device, *lists, *registry, *scene, *field, StartCamera(), FieldSceneState{}, {}, false};
    bench.state.pickPoint = {0, 0, 0, 1};
    const auto [emptyFps, emptyCpu] = bench.Measure();

    // Shared sources, one per model, and the placements in grid files.
    const std::vector<std::string> models = {"./model/nature/oak.mdl", "./model/rocks/boulder.mdl",
                                             "./model/nature/pine.mdl"};
    std::vector<CModelEntry*> sources;
    for (const std::string& path : models) {
        auto entry = NewEntry(path);
        if (registry->LoadEntry(*entry, path, false)) {
            sources.push_back(lists->sharedModels.Append(std::move(entry)));
        }
    }
    if (sources.empty()) {
        std::fprintf(stderr, "bench_field_frame: no shared model could be loaded\n");
        return 1;
    }
    for (int i = 0; i < 3; ++i) {
        bench.Frame(); // sources ready before copies are made
    }
    // In the lists from the start: the frames finish the singles' uploads.
    std::vector<GridFileEntry*> files;
    for (int f = 0; f < kFilesPerSide * kFilesPerSide; ++f) {
        auto file = std::make_unique<GridFileEntry>();
        for (int listNumber = 0; listNumber <= 2; ++listNumber) {
            file->groups.push_back(std::make_unique<COwnedList<CModelEntry>>());
        }
        files.push_back(lists->gridFiles.Append(std::move(file)));
    }
    // A jittered lattice over the area, each point in the grid file of its square.
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(kPlacements))));
    const float step = 2 * kSpread / static_cast<float>(side);
    int singles = 0;
    for (int i = 0; i < kPlacements; ++i) {
        const float x = -kSpread + (static_cast<float>(i % side) + 0.5f) * step;
        const float y = -kSpread + (static_cast<float>(i / side) + 0.5f) * step;
        const float z = static_cast<float>(demofield::GroundHeight(x, y));
        const int fx =
            std::min(kFilesPerSide - 1, static_cast<int>((x + kSpread) / (2 * kSpread) * kFilesPerSide));
        const int fy =
            std::min(kFilesPerSide - 1, static_cast<int>((y + kSpread) / (2 * kSpread) * kFilesPerSide));
        COwnedList<CModelEntry>& group = *files[static_cast<size_t>(fy * kFilesPerSide + fx)]->groups[2];
        const std::string name = std::string("p").append(std::to_string(i));
        auto entry = NewEntry(name);
        entry->transform.position = {x, y, z, 1};
        entry->transform.rotation = {0, 0, static_cast<float>(i * 37 % 360), 1};
        const bool single = singles < kSingles && i % (kPlacements / kSingles) == 0;
        if (single) {
            entry->copy = 0;
            if (registry->LoadEntry(*entry, models[static_cast<size_t>(i) % models.size()], false)) {
                group.Append(std::move(entry));
                ++singles;
            }
            // Loader slots come back when a frame has taken the uploads.
            if (singles % 8 == 0) {
                bench.Frame();
            }
            continue;
        }
        CModelEntry& source = *sources[static_cast<size_t>(i) % sources.size()];
        entry->copy = 1;
        if (registry->MakeInstance(*entry, source, name, source.name)) {
            group.Append(std::move(entry));
        }
    }
    const auto [fullFps, fullCpu] = bench.Measure();
    const std::vector<PassTime> fullPasses = bench.passes;
    // What every frame pays to learn that the instance data is still current.
    for (int i = 0; i < kRefreshFrames && !registry->RefreshInstanceData(); ++i) {
    }
    constexpr int kChecks = 50;
    const auto checkStart = std::chrono::steady_clock::now();
    int refreshed = 0;
    for (int i = 0; i < kChecks; ++i) {
        refreshed += registry->RefreshInstanceData() ? 1 : 0;
    }
    const double checkUs =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - checkStart).count() /
        kChecks;

    std::printf("device: %s\n", device.DeviceName().c_str());
    std::printf("placements: %d (%d single, the rest copies of %zu shared models), 1920 x 1080\n",
                kPlacements, singles, sources.size());
    std::printf("frames measured: %d per case, after 4 warm-up frames\n", kMeasuredFrames);
    std::printf("RESULT field_frame_empty=%.2f fps\n", emptyFps);
    std::printf("RESULT field_frame_50k=%.2f fps\n", fullFps);
    std::printf("RESULT field_frame_ratio=%.2f x\n", fullFps > 0 ? emptyFps / fullFps : 0.0);
    std::printf("instance refresh checks: %d of %d refreshed\n", refreshed, kChecks);
    std::printf("RESULT instance_refresh_check_50k=%.1f us\n", checkUs);
    std::printf("RESULT field_cpu_50k=%.2f ms\n", fullCpu);
    if (fullPasses.empty()) {
        std::printf("no pass times: the device writes no timestamps\n");
    }
    for (const PassTime& pass : fullPasses) {
        std::printf("RESULT pass_%s_ms=%.3f ms\n", pass.name.c_str(), pass.milliseconds);
    }
    (void)emptyCpu;

    field.reset();
    scene.reset();
    registry.reset();
    lists.reset();
    device.WaitForGpu();
    device.ReleaseFinishedObjects();
    return 0;
}
