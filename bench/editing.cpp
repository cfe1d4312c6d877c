// How long a click that places takes on the thread that takes input, while
// streaming holds every loader slot: the cursor's models are placed as they
// are, so it reads no file and waits for nothing. Between clicks the slots are
// given back so that the cursor's next copies can load.
// First, without the device, how long a click takes to find the copy under
// the cursor among a whole field of placed copies.
#include "bench_demo_field.h"
#include "bench_device.h"
#include "editor/main_field.h"
#include "editor/placement_pick.h"
#include "render/model_registry.h"
#include "render/registry_payload.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

using namespace quorvane;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kClicks = 15;

struct PickTimes {
    double meanMs = 0.0;
    double worstMs = 0.0;
};

// 50 000 copies over 40 × 40 cells of 50 units, picked by 2 000 rays from a
// camera 80 units up looking down at points around it.
PickTimes MeasurePicking() {
    constexpr float kField = 40 * 50.0f;
    constexpr size_t kCopies = 50000;
    constexpr int kRays = 2000;
    std::mt19937 random(20240611u);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const auto between = [&](float lo, float hi) { return lo + (hi - lo) * unit(random); };
    std::vector<PickCandidate> copies(kCopies);
    for (PickCandidate& copy : copies) {
        copy.transform.position = {between(0, kField), between(0, kField), between(0, 3), 1};
        copy.transform.rotation = {between(-10, 10), between(-10, 10), between(0, 360), 1};
        const float scale = between(0.5f, 2.0f);
        copy.transform.scale = {scale * between(0.8f, 1.25f), scale * between(0.8f, 1.25f),
                                scale * between(0.8f, 1.25f), 1};
        const auto half = [&] { return between(0.5f, 5.0f); };
        copy.bounds = {{-half(), -half(), 0, 1}, {half(), half(), between(1.0f, 10.0f), 1}};
    }
    std::vector<double> pickMs;
    pickMs.reserve(kRays);
    int hits = 0;
    for (int r = 0; r < kRays; ++r) {
        const Vector4 eye{between(0, kField), between(0, kField), 80, 1};
        const Vector4 target{eye.x + between(-150, 150), eye.y + between(-150, 150), 0, 1};
        const PickRay ray{eye, {target.x - eye.x, target.y - eye.y, target.z - eye.z, 0}};
        const Clock::time_point start = Clock::now();
        const std::optional<PickHit> hit = NearestPick(copies, ray);
        pickMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        hits += hit ? 1 : 0;
    }
    PickTimes times;
    for (const double ms : pickMs) {
        times.meanMs += ms / kRays;
    }
    std::sort(pickMs.begin(), pickMs.end());
    times.worstMs = pickMs.back();
    std::printf(
        "picking among %zu copies: %d of %d rays hit one, mean %.4f ms, median %.4f ms, worst %.4f ms\n",
        kCopies, hits, kRays, times.meanMs, pickMs[pickMs.size() / 2], times.worstMs);
    std::fflush(stdout);
    return times;
}

struct Editing {
    CCommonDevice1& device;
    CModelRegistry& registry;
    CMainField& field;

    void Frame() {
        if (!device.BeginFrame()) {
            return;
        }
        std::vector<VkCommandBuffer> uploads = registry.FinishUploads();
        field.ForEachCursorPart([&](CCursorPart& part) { registry.AdvanceUploads(*part.payload, uploads); });
        field.UpdateEditing();
        registry.UpdateEntries(1);
        device.ComposeFrame(nullptr);
        device.EndFrame(uploads);
        device.WaitForGpu();
        device.ReleaseFinishedObjects();
    }

    uint32_t ReadyCursorParts() const {
        uint32_t ready = 0;
        field.ForEachCursorPart([&ready](const CCursorPart& part) {
            const CRegistryPayload* payload = RegistryPayloadOf(part.payload);
            ready += payload != nullptr && payload->drawModel && payload->drawModel->LoadState() == 4 ? 1 : 0;
        });
        return ready;
    }

    bool WaitForCursor() {
        // Frames give the held slots back; the background thread then loads.
        for (int frame = 0; frame < 500; ++frame) {
            Frame();
            if (field.CursorPartCount() > 0 && ReadyCursorParts() == field.CursorPartCount() &&
                !field.PlacePending()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    void Click() {
        field.OnLButtonDown({0, 0});
        field.OnLButtonUp();
    }
};

} // namespace

int main(int argc, char** argv) {
    const PickTimes pickTimes = MeasurePicking();
    const std::filesystem::path root = BenchDemoField(argc, argv);
    std::unique_ptr<CCommonDevice1> device = MakeBenchDevice("bench_editing");
    if (!device) {
        return 1;
    }
    const std::filesystem::path gridRoot =
        std::filesystem::temp_directory_path() / "quorvane_bench_editing_grid";
    std::filesystem::remove_all(gridRoot);
    CModelDefinition house;
    std::string why;
    if (!house.Load(root / "model" / "buildings" / "house.mdf", why)) {
        std::fprintf(stderr, "bench_editing: %s\n", why.c_str());
        return 1;
    }
    double worstMs = 0.0;
    std::vector<double> clickMs;
    {
        auto lists = std::make_unique<CRegistryLists>();
        RegistryOptions options;
        options.modelRoot = root;
        CModelRegistry registry(*device, *lists, options);
        CMainField field(registry, *lists, gridRoot);
        Editing editing{*device, registry, field};
        field.ChooseModelForPlacement(house);
        for (int click = 0; click < kClicks; ++click) {
            if (!editing.WaitForCursor()) {
                std::fprintf(stderr, "bench_editing: the cursor's models never came back\n");
                return 1;
            }
            std::vector<CLoaderSlot> held;
            while (const std::optional<uint32_t> index = AcquireLoaderSlot(device->UploadPool(), 1, {})) {
                held.emplace_back(*device, *index);
            }
            const int32_t before = field.PlacedModelCount();
            const Clock::time_point start = Clock::now();
            editing.Click(); // places
            clickMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            if (field.PlacedModelCount() == before) {
                std::fprintf(stderr, "bench_editing: the click did not place at once\n");
                return 1;
            }
            editing.Click(); // confirms
            held.clear();
        }
        field.StopBackgroundWork();
        device->WaitForGpu();
        std::printf("placed %d copies of %s, %zu slots held during each click\n", field.PlacedModelCount(),
                    house.filePath.generic_string().c_str(), size_t{CUploadCommandPool::kEntryCount});
    }
    std::filesystem::remove_all(gridRoot);
    std::sort(clickMs.begin(), clickMs.end());
    worstMs = clickMs.back();
    std::printf("RESULT click_place_ms=%.3f ms\n", clickMs[clickMs.size() / 2]);
    std::printf("RESULT click_place_worst_ms=%.3f ms\n", worstMs);
    std::printf("RESULT select_pick_ms=%.4f ms\n", pickTimes.meanMs);
    return 0;
}
