// Tile and grid-file streaming from cold on the demo field: the first timer
// pass (16 loader slots taken, 441 cells looked at), and all passes with
// frames between them until the 7 x 7 tiles and the 21 x 21 grid files are
// ready. Baseline: the same 49 tiles loaded one after another on one thread.
#include "bench_demo_field.h"
#include "bench_device.h"
#include "editor/field_streaming.h"
#include "render/model_registry.h"
#include "render/streaming_loader.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace quorvane {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void RunFrame(CCommonDevice& device, CModelRegistry& registry) {
    device.BeginFrame();
    const std::vector<VkCommandBuffer> uploads = registry.FinishUploads();
    registry.UpdateEntries(1);
    device.ComposeFrame(nullptr);
    device.EndFrame(uploads);
    device.WaitForGpu();
    device.ReleaseFinishedObjects();
}

// Placeable models of the field, as "./model/..." paths.
std::vector<std::string> PropPaths(const std::filesystem::path& field) {
    std::vector<std::string> paths;
    for (const auto& file : std::filesystem::recursive_directory_iterator(field / "model")) {
        const std::string relative = std::filesystem::relative(file.path(), field).generic_string();
        if (file.path().extension() == ".mdl" && relative.find("main_field") == std::string::npos &&
            relative.find("character") == std::string::npos) {
            paths.push_back("./" + relative);
        }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::string IdOf(const std::string& path) {
    std::string id = std::filesystem::path(path).stem().string();
    std::transform(id.begin(), id.end(), id.begin(), [](unsigned char c) { return std::toupper(c); });
    return id;
}

// Every cell of the load window around (0, 0) gets three shared copies; every
// tenth also one model of its own.
int32_t WriteGridFiles(const std::filesystem::path& root, const std::vector<std::string>& props) {
    std::filesystem::create_directories(root / "lod0");
    int32_t models = 0;
    int32_t k = 0;
    for (const CellIndex cell : GridLoadWindow(0.0f, 0.0f).Cells()) {
        std::ofstream out(GridFilePath(root, cell), std::ios::binary);
        const std::string cellName = CellName(cell);
        for (int line = 0; line < 4; ++line) {
            const bool own = line == 3;
            if (own && k % 10 != 0) {
                continue;
            }
            const std::string& path = props[static_cast<size_t>(k + line) % props.size()];
            char numbers[96];
            std::snprintf(numbers, sizeof numbers, "%f|%f|0.000000", cell.x * 50.0f + 10.0f * line,
                          cell.y * 50.0f + 5.0f);
            out << cellName << "_" << IdOf(path) << "_" << line << "|" << IdOf(path) << "|" << (own ? 0 : 1)
                << "|1|0|0|" << path << "|" << path << "|" << numbers
                << "|1.000000|1.000000|1.000000|0.000000|0.000000|0.000000\r\n";
            ++models;
        }
        ++k;
    }
    return models;
}

bool AllTilesReady(const CRegistryLists& lists) {
    bool ready = true;
    lists.fieldTiles.ForEach([&ready](const CModelEntry& entry) { ready = ready && entry.ready.load(); });
    return ready;
}

} // namespace
} // namespace quorvane

int main(int argc, char** argv) {
    using namespace quorvane;
    const std::filesystem::path field = BenchDemoField(argc, argv);
    auto device = MakeBenchDevice("bench_streaming");
    if (!device) {
        return 1;
    }
    const std::vector<std::string> props = PropPaths(field);
    if (props.empty()) {
        std::fprintf(stderr, "bench_streaming: no placeable models in %s\n", field.c_str());
        return 1;
    }
    const std::filesystem::path gridRoot =
        std::filesystem::temp_directory_path() / ("quorvane_bench_streaming_" + std::to_string(getpid()));
    std::filesystem::remove_all(gridRoot);
    const int32_t gridModels = WriteGridFiles(gridRoot, props);

    RegistryOptions options;
    options.modelRoot = field;
    double tilePass = 0.0;
    double windowLoad = 0.0;
    int passes = 0;
    double timerSeconds = 0.0; // in the timer passes
    double frameSeconds = 0.0; // in the frames and commits between them
    {
        CRegistryLists lists;
        CModelRegistry registry(*device, lists, options);
        CRegistryStreamingLoader loader(registry);
        CMainField mainField(registry, lists, gridRoot);
        CFieldStreaming streaming(lists, mainField, loader, gridRoot);
        const Clock::time_point start = Clock::now();
        for (; passes < 200; ++passes) {
            const Clock::time_point passStart = Clock::now();
            streaming.TimerPhase();
            const double passSeconds = SecondsSince(passStart);
            if (passes == 0) {
                tilePass = passSeconds;
            }
            timerSeconds += passSeconds;
            const Clock::time_point framesStart = Clock::now();
            RunFrame(*device, registry);
            RunFrame(*device, registry);
            streaming.CommitPhase();
            frameSeconds += SecondsSince(framesStart);
            if (streaming.Progress().Done() && AllTilesReady(lists)) {
                ++passes;
                break;
            }
        }
        windowLoad = SecondsSince(start);
        std::printf("streaming: %d tiles, %d grid files, %d grid models, %d shared models after %d passes\n",
                    lists.fieldTiles.Count(), lists.gridFiles.Count(), gridModels, lists.sharedModels.Count(),
                    passes);
        std::printf("streaming: %.3f s in timer passes, %.3f s in frames and commits\n", timerSeconds,
                    frameSeconds);
    }
    device->WaitForGpu();
    device->ReleaseFinishedObjects();

    // Baseline: the 49 tiles one by one, each until its upload is done.
    double serial = 0.0;
    {
        CRegistryLists lists;
        CModelRegistry registry(*device, lists, options);
        const Clock::time_point start = Clock::now();
        for (const TileIndex tile : TileLoadWindow(0.0f, 0.0f).Tiles()) {
            auto entry = std::make_unique<CModelEntry>();
            entry->name = TileName(tile);
            if (!registry.LoadEntry(*entry, TilePath(entry->name), false)) {
                std::fprintf(stderr, "bench_streaming: %s did not load\n", entry->name.c_str());
                return 1;
            }
            CModelEntry* loaded = lists.fieldTiles.Append(std::move(entry));
            while (!loaded->ready.load()) {
                RunFrame(*device, registry);
            }
        }
        serial = SecondsSince(start);
    }
    device->WaitForGpu();
    device->ReleaseFinishedObjects();
    std::filesystem::remove_all(gridRoot);

    std::printf("RESULT tile_pass=%.3f s\n", tilePass);
    std::printf("RESULT window_load=%.3f s\n", windowLoad);
    std::printf("RESULT window_passes=%d passes\n", passes);
    std::printf("RESULT serial_tiles_baseline=%.3f s\n", serial);
    return 0;
}
