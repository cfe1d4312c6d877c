// How long a click that places takes on the thread that takes input, while
// streaming holds every loader slot: the cursor's models are placed as they
// are, so it reads no file and waits for nothing. Between clicks the slots are
// given back so that the cursor's next copies can load.
// First, without the device, how long a click takes to find the copy under
// the cursor among a whole field of placed copies. Last, how many grid map
// files are read after a write of 100 placements into a streamed cell, while
// streaming goes on: none, since the cells in memory take what was written.
#include "bench_demo_field.h"
#include "bench_device.h"
#include "editor/grid_file.h"
#include "editor/grid_map_line.h"
#include "editor/main_field.h"
#include "editor/placement_pick.h"
#include "render/model_registry.h"
#include "render/registry_payload.h"
#include "render/streaming_loader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
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

// No model loads: the field below picks among grid-file copies only.
class CNoModels final : public IModelLoader {
public:
    bool LoadEntry(CModelEntry&, const std::string&, bool) override { return false; }
    std::unique_ptr<CCursorPart> LoadCursorPart(const std::string&, bool) override { return nullptr; }
    bool MakeCopy(CModelEntry&, CModelEntry&) override { return false; }
};

// A click's whole pick, as the field's frame update makes it: the copies of 20
// loaded cells of 2 500 each gathered, the nearest one picked and selected with
// the parts beside it in its file, and the shown copies marked.
double MeasureFieldPicking() {
    constexpr int kCells = 20;
    constexpr int kPerCell = 2500;
    constexpr int kClicks = 400;
    std::mt19937 random(7u);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    CNoModels noModels;
    CRegistryLists lists;
    CMainField field(noModels, lists, std::filesystem::temp_directory_path() / "quorvane_bench_pick");
    for (int c = 0; c < kCells; ++c) {
        auto file = std::make_unique<GridFileEntry>();
        std::string cell = "p";
        cell += std::to_string(c);
        cell += "p0";
        file->path = GridFilePath("grid", 0, cell);
        for (int i = 0; i < kPerCell; ++i) {
            GridLine line{.uniqueName = cell,
                          .modelId = "M",
                          .partPath = "m.mdl",
                          .sourcePath = "m.mdl",
                          .position = {c * 50.0f + unit(random) * 50.0f, unit(random) * 50.0f, 0.0f, 1.0f},
                          .scale = {1.0f, 1.0f, 1.0f, 1.0f},
                          .rotation = {0.0f, 0.0f, unit(random) * 360.0f, 1.0f}};
            line.uniqueName += "_M_";
            line.uniqueName += std::to_string(i);
            std::string error;
            std::string text = FormatGridLine(line, &error).value_or("");
            file->lines.push_back(text.substr(0, text.size() - 2));
        }
        BuildGridEntries(*file, nullptr);
        for (auto& group : file->groups) {
            group->ForEach([](CModelEntry& entry) {
                entry.bounds = {{-1.0f, -1.0f, 0.0f, 1.0f}, {1.0f, 1.0f, 3.0f, 1.0f}};
                entry.hasDrawModel = true;
                SetEntryLoaded(entry, true);
            });
        }
        file->loaded.store(true);
        lists.gridFiles.Append(std::move(file));
    }
    // Pixel x names the ray: straight down onto a point of the cells.
    std::vector<PickRay> rays;
    for (int r = 0; r < kClicks; ++r) {
        rays.push_back(
            {{unit(random) * kCells * 50.0f, unit(random) * 50.0f, 80.0f, 1.0f}, {0.0f, 0.0f, -1.0f, 0.0f}});
    }
    field.SetPickRay(
        [&rays](PixelPoint p) { return std::optional<PickRay>(rays[static_cast<size_t>(p.x)]); });
    field.UpdateEditing();
    double totalMs = 0.0;
    int selected = 0;
    for (int r = 0; r < kClicks; ++r) {
        field.OnLButtonDown({r, 0});
        field.OnLButtonUp();
        const Clock::time_point start = Clock::now();
        field.UpdateEditing();
        totalMs += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        selected += field.SelectedName().empty() ? 0 : 1;
    }
    const double meanMs = totalMs / kClicks;
    std::printf("a click's pick in the frame among %d copies: %d of %d clicks selected one, mean %.4f ms\n",
                kCells * kPerCell, selected, kClicks, meanMs);
    return meanMs;
}

struct Editing {
    CCommonDevice& device;
    CModelRegistry& registry;
    CMainField& field;
    CFieldStreaming* streaming = nullptr;

    void Frame() {
        if (!device.BeginFrame()) {
            return;
        }
        std::vector<VkCommandBuffer> uploads = registry.FinishUploads();
        field.ForEachCursorPart([&](CCursorPart& part) { registry.AdvanceUploads(*part.payload, uploads); });
        field.UpdateEditing();
        if (streaming != nullptr) {
            streaming->CommitPhase();
        }
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
        field.ApplyPostedInput(); // as the frame update does
    }

    // The timer's pass and the render thread's turn, until the cells around the origin are in.
    bool StreamIn() {
        for (int pass = 0; pass < 200; ++pass) {
            streaming->TimerPhase();
            Frame();
            if (field.GridFileCount() > 0 && streaming->Progress().Done()) {
                return true;
            }
        }
        return false;
    }
};

// The cell at the origin as a teammate left it: one copy of each of the definition's parts.
void SeedCell(const std::filesystem::path& gridRoot, const CModelDefinition& definition) {
    std::string text;
    for (uint32_t part = 0; part < definition.count; ++part) {
        GridLine line;
        line.uniqueName = "p0p0_SEED_00" + std::to_string(part);
        line.modelId = "SEED";
        line.shader = static_cast<int32_t>(definition.shaderValues[part]);
        line.listNumber = static_cast<int32_t>(definition.listNumbers[part]);
        line.partPath = line.sourcePath = definition.paths[part];
        line.position = {-20.0f, 10.0f * static_cast<float>(part), 0.0f, 1.0f};
        line.scale = {1.0f, 1.0f, 1.0f, 1.0f};
        std::string error;
        text += FormatGridLine(line, &error).value_or("");
    }
    const std::filesystem::path cell = GridFilePath(gridRoot, 0, "p0p0");
    std::filesystem::create_directories(cell.parent_path());
    std::ofstream(cell, std::ios::binary) << text;
}

} // namespace

int main(int argc, char** argv) {
    const PickTimes pickTimes = MeasurePicking();
    const double framePickMs = MeasureFieldPicking();
    const std::filesystem::path root = BenchDemoField(argc, argv);
    std::unique_ptr<CCommonDevice> device = MakeBenchDevice("bench_editing");
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
    uint64_t readsAfterWrite = 0;
    SeedCell(gridRoot, house);
    {
        auto lists = std::make_unique<CRegistryLists>();
        RegistryOptions options;
        options.modelRoot = root;
        CModelRegistry registry(*device, *lists, options);
        CMainField field(registry, *lists, gridRoot);
        CRegistryStreamingLoader streamingLoader(registry);
        CFieldStreaming streaming(*lists, field, streamingLoader, gridRoot);
        streaming.SetProblemSink(
            [](const std::string& problem) { std::fprintf(stderr, "%s\n", problem.c_str()); });
        streaming.SetCentre(0.0f, 0.0f);
        Editing editing{*device, registry, field, &streaming};
        if (!editing.StreamIn()) {
            std::fprintf(stderr, "bench_editing: the seeded cell never streamed in\n");
            return 1;
        }
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
        // On to 100 placements, then a write while streaming goes on.
        while (field.PlacedModelCount() < 100) {
            if (!editing.WaitForCursor()) {
                std::fprintf(stderr, "bench_editing: the cursor's models never came back\n");
                return 1;
            }
            editing.Click();
            editing.Click();
        }
        const int32_t placed = field.PlacedModelCount();
        const uint64_t readsBefore = field.GridFileReads();
        GridWriteReport report;
        const Clock::time_point writeStart = Clock::now();
        if (!field.WriteGridFiles(&report)) {
            std::fprintf(stderr, "bench_editing: the write failed\n");
            return 1;
        }
        const double writeMs = std::chrono::duration<double, std::milli>(Clock::now() - writeStart).count();
        for (int pass = 0; pass < 5; ++pass) {
            streaming.TimerPhase();
            editing.Frame();
        }
        readsAfterWrite = field.GridFileReads() - readsBefore;
        int32_t inCell = 0;
        lists->gridFiles.ForEach([&inCell](const GridFileEntry& file) {
            for (const auto& group : file.groups) {
                inCell += group->Count();
            }
        });
        std::printf(
            "wrote %zu placements in %.1f ms; the cells in memory hold %d copies, %d placements left\n",
            report.writtenNames.size(), writeMs, inCell, field.PlacedModelCount());
        if (report.writtenNames.size() != static_cast<size_t>(placed) ||
            inCell != placed + static_cast<int32_t>(house.count)) {
            std::fprintf(stderr, "bench_editing: the written copies did not join their cell\n");
            return 1;
        }
        field.StopBackgroundWork();
        device->WaitForGpu();
        std::printf("placed %d copies of %s, %zu slots held during each of the first %d clicks\n", placed,
                    house.filePath.generic_string().c_str(), size_t{CUploadCommandPool::kEntryCount},
                    kClicks);
    }
    std::filesystem::remove_all(gridRoot);
    std::sort(clickMs.begin(), clickMs.end());
    worstMs = clickMs.back();
    std::printf("RESULT click_place_ms=%.3f ms\n", clickMs[clickMs.size() / 2]);
    std::printf("RESULT click_place_worst_ms=%.3f ms\n", worstMs);
    std::printf("RESULT select_pick_ms=%.4f ms\n", pickTimes.meanMs);
    std::printf("RESULT select_pick_frame_ms=%.4f ms\n", framePickMs);
    std::printf("RESULT write_reload_reads=%llu files\n", static_cast<unsigned long long>(readsAfterWrite));
    return 0;
}
