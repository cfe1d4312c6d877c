// Drawable models built per second from the demo field's terrain tiles, on the
// headless device (CPU-visible placement: vertex expansion, buffers, slots),
// and the CPU half alone.
#include "bench_demo_field.h"
#include "bench_device.h"
#include "modeldata/mdl_reader.h"
#include "render/draw_model.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

using namespace quorvane;

namespace {

template <typename Build> double Rate(double seconds, size_t& built, Build build) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    double elapsed = 0;
    built = 0;
    do {
        build(built);
        ++built;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < seconds);
    return static_cast<double>(built) / elapsed;
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = BenchSeconds(argc, argv);
    const std::filesystem::path field = BenchDemoField(argc, argv);
    std::vector<std::unique_ptr<CModel>> tiles;
    size_t vertices = 0;
    for (int x = 1; x <= 8; ++x) {
        for (int y = 1; y <= 8; ++y) {
            auto model = std::make_unique<CModel>();
            const auto path = field / "model/main_field/field" /
                              ("Field" + std::to_string(x) + "-" + std::to_string(y) + ".mdl");
            if (ReadModelFile(*model, path)) {
                for (const auto& geometry : model->geometries) {
                    for (const auto& block : geometry->polygons) {
                        vertices += static_cast<size_t>(block->CornerCount());
                    }
                }
                tiles.push_back(std::move(model));
            }
        }
    }
    if (tiles.empty()) {
        std::fprintf(stderr, "bench_drawable_build: no terrain tiles under %s\n", field.string().c_str());
        return 1;
    }
    const std::unique_ptr<CCommonDevice> devicePtr = MakeBenchDevice("bench_drawable_build");
    if (!devicePtr) {
        return 1;
    }
    CCommonDevice& device = *devicePtr;
    size_t cpuBuilt = 0;
    const double cpuRate = Rate(seconds / 3, cpuBuilt, [&](size_t i) {
        CDrawModel model(nullptr);
        model.Build(tiles[i % tiles.size()].get(), DrawModelPlacement::CpuVisible, false);
    });
    size_t built = 0;
    const double rate = Rate(seconds, built, [&](size_t i) {
        CDrawModel model(&device);
        model.Build(tiles[i % tiles.size()].get(), DrawModelPlacement::CpuVisible, false);
        model.Release();
        if (i % 16 == 15) {
            device.ReleaseFinishedObjects();
        }
    });
    device.ReleaseFinishedObjects();
    std::printf("device: %s\n", device.DeviceName().c_str());
    std::printf("tiles: %zu, %zu vertices each on average\n", tiles.size(), vertices / tiles.size());
    std::printf("built: %zu with buffers, %zu CPU only\n", built, cpuBuilt);
    std::printf("RESULT drawable_build_cpu=%.1f models/s\n", cpuRate);
    std::printf("RESULT drawable_build=%.1f models/s\n", rate);
    return 0;
}
