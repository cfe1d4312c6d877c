#pragma once

// The field view's frame as the benchmarks drive it: the start camera turning
// slowly about its target, the registry's per-frame work, the scene drawn
// at 1920 x 1080 and waited for.
#include "editor/main_field.h"
#include "render/common_device.h"
#include "render/field_scene.h"
#include "render/model_registry.h"
#include "terrain.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quorvane {

inline double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

inline CCamera BenchStartCamera() {
    CCamera camera;
    camera.aspect = 16.0f / 9.0f;
    const float pitch = 20.0f * 3.14159265f / 180.0f;
    camera.eye = {0, -81.0f * std::sin(pitch), 81.0f * std::cos(pitch)};
    camera.light = {1, -1, -1};
    camera.lightIntensity = 0.8f;
    return camera;
}

inline std::unique_ptr<CModelEntry> BenchEntry(const std::string& name) {
    auto entry = std::make_unique<CModelEntry>();
    entry->name = name;
    return entry;
}

// Loads path into a new entry of list; null (after a message) when it fails.
inline CModelEntry* BenchLoad(CModelRegistry& registry, COwnedList<CModelEntry>& list,
                              const std::string& name, const std::string& path,
                              const Vector4& position = {0, 0, 0, 1}) {
    auto entry = BenchEntry(name);
    entry->transform.position = position;
    if (!registry.LoadEntry(*entry, path, false)) {
        std::fprintf(stderr, "cannot load %s\n", path.c_str());
        return nullptr;
    }
    return list.Append(std::move(entry));
}

// The four terrain tiles around the origin and the low-detail field.
inline void LoadFieldCentre(CModelRegistry& registry, CRegistryLists& lists) {
    for (const char* tile : {"Field13-13", "Field13-14", "Field14-13", "Field14-14"}) {
        BenchLoad(registry, lists.fieldTiles, tile, std::string("./model/main_field/field/") + tile + ".mdl");
    }
    BenchLoad(registry, lists.lowDetailField, "FIELD_LOW", "./model/main_field/field_low/field_low.mdl");
}

// The field view's world on a bench device: the registry over the demo
// field's models, the scene, the editing core and the four centre tiles.
// Its parts go in the order a view tears them down: the core first.
struct BenchFieldWorld {
    std::unique_ptr<CRegistryLists> lists;
    std::unique_ptr<CModelRegistry> registry;
    std::unique_ptr<CFieldScene> scene;
    std::unique_ptr<CMainField> field;
};

inline BenchFieldWorld MakeBenchFieldWorld(CCommonDevice& device, const std::filesystem::path& root) {
    BenchFieldWorld world;
    world.lists = std::make_unique<CRegistryLists>();
    RegistryOptions options;
    options.modelRoot = root;
    options.placement = DrawModelPlacement::CpuVisible;
    world.registry = std::make_unique<CModelRegistry>(device, *world.lists, options);
    world.scene = std::make_unique<CFieldScene>(device, root / "pict");
    world.field = std::make_unique<CMainField>(*world.registry, *world.lists, root / "gridfile");
    LoadFieldCentre(*world.registry, *world.lists);
    return world;
}

// Placement index of count on a jittered lattice over -spread..spread in x
// and y, on the demo field's ground, turned by a step of 37 degrees.
inline CModelTransform LatticePlacement(int index, int count, float spread) {
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    const float step = 2 * spread / static_cast<float>(side);
    const float x = -spread + (static_cast<float>(index % side) + 0.5f) * step;
    const float y = -spread + (static_cast<float>(index / side) + 0.5f) * step;
    CModelTransform transform;
    transform.position = {x, y, static_cast<float>(demofield::GroundHeight(x, y)), 1};
    transform.rotation = {0, 0, static_cast<float>(index * 37 % 360), 1};
    return transform;
}

// Which of filesPerSide x filesPerSide equal squares over -spread..spread a point lies in.
inline size_t SquareOf(const Vector4& position, int filesPerSide, float spread) {
    const auto cell = [&](float v) {
        return std::clamp(static_cast<int>((v + spread) / (2 * spread) * static_cast<float>(filesPerSide)), 0,
                          filesPerSide - 1);
    };
    return static_cast<size_t>(cell(position.y) * filesPerSide + cell(position.x));
}

struct FieldFrameBench {
    static constexpr int kRefreshFrames = 100; // instance data is refreshed every 100th frame
    static constexpr int kMeasuredFrames = 12;

    CCommonDevice& device;
    CRegistryLists& lists;
    CModelRegistry& registry;
    CFieldScene& scene;
    CMainField& field;
    CCamera camera = BenchStartCamera();
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

    // Frames per second and render-thread CPU milliseconds per frame, once
    // the uploads are done and the instance data has settled.
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

} // namespace quorvane
