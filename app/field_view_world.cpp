#include "app/field_view_world.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace quorvane {
namespace {
constexpr std::chrono::milliseconds kStreamingPeriod{1000};
} // namespace

CFieldViewWorld::CFieldViewWorld(CCommonDevice& device)
    : registry(device, lists), field(registry, lists, "./gridfile"), scene(device, "./pict"),
      streamingLoader(registry), streaming(lists, field, streamingLoader, "./gridfile") {}

CFieldViewWorld::~CFieldViewWorld() {
    StopBackgroundWork();
}

void CFieldViewWorld::StopBackgroundWork() {
    if (startup_.joinable()) {
        startup_.request_stop();
        startup_.join();
    }
    if (restore_.joinable()) {
        restore_.join(); // its loads finish while the render thread frees slots
    }
    streamTimer.Stop();
    streamingLoader.WaitForLoads();
    registry.WaitForLoaderThreads();
}

void CFieldViewWorld::StartLoading() {
    if (startup_.joinable()) {
        return;
    }
    startup_ = std::jthread([this](std::stop_token stop) { LoadStartModels(stop); });
}

void CFieldViewWorld::StartRestore(std::function<void(int32_t, const std::string&)> done) {
    if (restore_.joinable()) {
        return;
    }
    restore_ = std::jthread([this, done = std::move(done)] {
        std::string message;
        const int32_t restored = field.RestoreFromJournal(&message);
        restoreFinished_.store(true, std::memory_order_release);
        if (done) {
            done(restored, message);
        }
    });
}

void CFieldViewWorld::LoadStartModels(const std::stop_token& stop) {
    LoadCharacter();
    if (!stop.stop_requested()) {
        LoadLowDetailField();
    }
    if (!stop.stop_requested()) {
        ChooseFromEnvironment();
    }
    if (!stop.stop_requested()) {
        streamTimer.Start(kStreamingPeriod, [this] { streaming.TimerPhase(); });
    }
    startupFinished_.store(true, std::memory_order_release);
}

void CFieldViewWorld::LoadCharacter() {
    auto character = std::make_unique<CModelEntry>();
    if (!registry.LoadCharacter(*character)) {
        std::fprintf(stderr,
                     "quorvane: the character %s could not be loaded; the field view goes on without it\n",
                     CModelRegistry::kCharacterModelPath);
        return;
    }
    if (!registry.AddCharacterAnimations(*character)) {
        std::fprintf(stderr, "quorvane: the character's \"STAND\" animation could not be started\n");
    }
    character->name = kCharacterName;
    lists.characters.Append(std::move(character));
}

void CFieldViewWorld::LoadLowDetailField() {
    auto low = std::make_unique<CModelEntry>();
    if (!registry.LoadEntryByPath(*low, kLowFieldPath, kLowFieldName, false)) {
        std::fprintf(stderr, "quorvane: the low-detail field %s could not be loaded; it is left out\n",
                     kLowFieldPath);
        return;
    }
    lists.lowDetailField.Append(std::move(low));
}

void CFieldViewWorld::ChooseFromEnvironment() {
    const char* named = std::getenv(kChooseVariable);
    if (named == nullptr || *named == '\0') {
        return;
    }
    CModelDefinition definition;
    std::string why;
    if (!definition.Load(named, why)) {
        std::fprintf(stderr, "quorvane: %s=%s: %s\n", kChooseVariable, named, why.c_str());
        return;
    }
    field.ChooseModelForPlacement(definition);
}

} // namespace quorvane
