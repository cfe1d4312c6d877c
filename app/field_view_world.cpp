#include "app/field_view_world.h"

#include "editor/recovery_journal.h"
#include "platform/guarded_work.h"

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
    field.StopBackgroundWork();
    streamTimer.Stop();
    streamingLoader.WaitForLoads();
    registry.WaitForLoaderThreads();
}

void CFieldViewWorld::StartLoading(JournalHandlers journal) {
    if (startup_.joinable()) {
        return;
    }
    startup_ = std::jthread(
        [this, journal = std::move(journal)](std::stop_token stop) { LoadStartModels(stop, journal); });
}

void CFieldViewWorld::StartRestore(std::function<void(int32_t, const std::string&)> done) {
    if (restore_.joinable()) {
        return;
    }
    restore_ = std::jthread([this, done = std::move(done)] {
        std::string message;
        int32_t restored = 0;
        // A restore that throws keeps what it could not place recoverable and journaled.
        RunGuarded("前回の配置の復元", [&] { restored = field.RestoreFromJournal(&message); });
        restoreFinished_.store(true, std::memory_order_release);
        if (done) {
            RunGuarded("前回の配置の復元", [&] { done(restored, message); });
        }
    });
}

void CFieldViewWorld::OpenJournal(const JournalHandlers& journal) {
    std::string message;
    const bool opened =
        field.OpenRecoveryJournal(CRecoveryJournal::kDefaultFileName, &message, journal.writeFailed);
    if (journal.opened) {
        journal.opened(opened, message, opened ? field.RecoverableCount() : 0);
    }
}

void CFieldViewWorld::LoadStartModels(const std::stop_token& stop, const JournalHandlers& journal) {
    // Each step has its own boundary: one that throws is told and the next still runs.
    RunGuarded("復元用の記録を開く", [&] { OpenJournal(journal); });
    if (!stop.stop_requested()) {
        RunGuarded("キャラクターの読み込み", [this] { LoadCharacter(); });
    }
    if (!stop.stop_requested()) {
        RunGuarded("低詳細フィールドの読み込み", [this] { LoadLowDetailField(); });
    }
    if (!stop.stop_requested()) {
        RunGuarded("モデル定義の選択", [this] { ChooseFromEnvironment(); });
    }
    if (!stop.stop_requested()) {
        RunGuarded("ストリーミングの開始",
                   [this] { streamTimer.Start(kStreamingPeriod, [this] { streaming.TimerPhase(); }); });
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
