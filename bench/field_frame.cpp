// Frames per second of the field view's scene from the start camera, turning
// slowly about its target while measured: the demo field's centre with
// nothing placed, then with 50 000 placements in grid files around the centre
// (single models and shared copies), the render thread's CPU time per frame
// with them, and the GPU time of each pass.
#include "bench_demo_field.h"
#include "bench_device.h"
#include "bench_field_scene.h"

using namespace quorvane;

namespace {

constexpr int kPlacements = 50000;
constexpr int kSingles = 500;      // each with its own drawable model
constexpr int kFilesPerSide = 5;   // grid files of 400 x 400 units
constexpr float kSpread = 1000.0f; // placements cover -1000..1000 in x and y
constexpr int kRefreshFrames = FieldFrameBench::kRefreshFrames;
constexpr int kMeasuredFrames = FieldFrameBench::kMeasuredFrames;

} // namespace

int main(int argc, char** argv) {
    const std::filesystem::path root = BenchDemoField(argc, argv);
    const std::unique_ptr<CCommonDevice> devicePtr = MakeBenchDevice("bench_field_frame");
    if (!devicePtr) {
        return 1;
    }
    CCommonDevice& device = *devicePtr;
    BenchFieldWorld world = MakeBenchFieldWorld(device, root);
    std::unique_ptr<CRegistryLists>& lists = world.lists;
    std::unique_ptr<CModelRegistry>& registry = world.registry;
    std::unique_ptr<CFieldScene>& scene = world.scene;
    std::unique_ptr<CMainField>& field = world.field;

    FieldFrameBench bench{device, *lists, *registry, *scene, *field, BenchStartCamera(), FieldSceneState{},
                          {},     false};
    bench.state.pickPoint = {0, 0, 0, 1};
    const auto [emptyFps, emptyCpu] = bench.Measure();

    // Shared sources, one per model, and the placements in grid files.
    const std::vector<std::string> models = {"./model/nature/oak.mdl", "./model/rocks/boulder.mdl",
                                             "./model/nature/pine.mdl"};
    std::vector<CModelEntry*> sources;
    for (const std::string& path : models) {
        if (CModelEntry* source = BenchLoad(*registry, lists->sharedModels, path, path)) {
            sources.push_back(source);
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
    int singles = 0;
    for (int i = 0; i < kPlacements; ++i) {
        const CModelTransform placement = LatticePlacement(i, kPlacements, kSpread);
        COwnedList<CModelEntry>& group =
            *files[SquareOf(placement.position, kFilesPerSide, kSpread)]->groups[2];
        const std::string name = std::string("p").append(std::to_string(i));
        auto entry = BenchEntry(name);
        entry->transform = placement;
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
