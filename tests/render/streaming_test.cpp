// Tile and grid-file streaming on the demo field through the GPU registry, a
// timer thread loading and this thread running frames and commits.
#include "demo_registry_fixture.h"
#include "editor/field_streaming.h"
#include "platform/periodic_timer.h"
#include "render/model_registry.h"
#include "render/streaming_loader.h"
#include "tests/editor/fake_streaming_loader.h"
#include "tests/small_demo_field.h"
#include "tests/work_failures.h"

#include <chrono>
#include <mutex>
#include <set>

namespace quorvane {
namespace {

class StreamingTest : public test::DemoRegistryTest {
protected:
    void SetUp() override {
        test::DemoRegistryTest::SetUp();
        own_ = test::DemoPropWithCollider(ColliderType::kBox);
        copied_ = test::DemoPropWithCollider(ColliderType::kSphere);
        ASSERT_TRUE(own_ && copied_ && own_ != copied_);
        gridRoot_ = test::SmallDemoRoot() / "gridfile";
        std::filesystem::remove_all(gridRoot_);
        std::filesystem::create_directories(gridRoot_ / "lod0");
        MakeRecordingRegistry({});
        loader_ = std::make_unique<CRegistryStreamingLoader>(*registry_);
        field_ = std::make_unique<CMainField>(*registry_, *lists_, gridRoot_);
        streaming_ = std::make_unique<CFieldStreaming>(*lists_, *field_, *loader_, gridRoot_);
    }

    void TearDown() override {
        timer_.Stop();
        streaming_.reset();
        field_.reset();
        loader_.reset();
        test::DemoRegistryTest::TearDown();
    }

    // The render thread's side while the timer loads: frames with the commit,
    // until done holds or a generous bound (a hang guard, not a speed target) runs out.
    template <typename Done> bool FramesUntil(Done done) {
        EXPECT_TRUE(timer_.Start(std::chrono::milliseconds(30), [this] { streaming_->TimerPhase(); }));
        const bool held = test::WaitUntil([&] {
            RunFrame();
            streaming_->CommitPhase();
            return done();
        });
        timer_.Stop();
        return held;
    }

    // This many tiles, all ready, and exactly these grid files, all complete.
    bool Settled(int tiles, const std::set<std::string>& files) const {
        bool ready = true;
        lists_->fieldTiles.ForEach([&](const CModelEntry& entry) { ready = ready && entry.ready.load(); });
        std::set<std::string> fileNames;
        lists_->gridFiles.ForEach([&](const GridFileEntry& file) {
            fileNames.insert(file.path.filename().string());
            ready = ready && file.loaded.load();
        });
        return ready && lists_->fieldTiles.Count() == tiles && fileNames == files;
    }

    // Moves the centre and runs frames until the field around it is there.
    void MoveAndSettle(float x, float y, int tiles, const std::set<std::string>& files) {
        streaming_->SetCentre(x, y);
        ASSERT_TRUE(FramesUntil([&] { return Settled(tiles, files); })) << "centre " << x << ", " << y;
        RunFrames(3); // the last uploads finish and give their slots back
        EXPECT_EQ(FreeSlots(), 16);
    }

    const demofield::CWrittenModel* own_ = nullptr;    // placed on its own
    const demofield::CWrittenModel* copied_ = nullptr; // placed as copies of one shared model
    std::filesystem::path gridRoot_;
    std::unique_ptr<CRegistryStreamingLoader> loader_;
    std::unique_ptr<CMainField> field_;
    std::unique_ptr<CFieldStreaming> streaming_;
    CPeriodicTimer timer_;
};

// Placements loaded by the registry are written, taken into their cells as
// they are, read back from the files as instances of one shared model, and
// dropped off the field with every slot given back.
TEST_F(StreamingTest, WrittenPlacementsStreamThroughTheRegistry) {
    const struct {
        std::string name;
        const demofield::CWrittenModel* model;
        uint32_t copy;
        Vector4 position;
    } placements[] = {{"p0p0_A_000", own_, 0, {12.5f, 34.25f, 3, 1}},
                      {"p0p0_B_000", copied_, 1, {5, 5, 0, 1}},
                      {"p1p0_B_000", copied_, 1, {60, 1, 0, 1}}};
    for (const auto& [name, model, copy, position] : placements) {
        const std::string path = "./" + model->path;
        auto entry = test::NewEntry(name, "");
        entry->transform.position = position;
        ASSERT_TRUE(registry_->LoadEntry(*entry, path, false));
        lists_->placedModels.Append(std::move(entry));
        lists_->placementRecords.Append(testing::PlacementRecord(name, model->id, path))->copy = copy;
    }
    constexpr int tiles = 7 * 7; // the window around the centre
    MoveAndSettle(0.0f, 0.0f, tiles, {});

    GridWriteReport report;
    ASSERT_TRUE(field_->WriteGridFiles(&report));
    ASSERT_TRUE(FramesUntil([&] {
        return field_->PlacedModelCount() == 0 && Settled(tiles, {"p0p0.gmf", "p1p0.gmf"});
    }));
    const auto expectWritten = [&](bool instanced) {
        const std::vector<const CModelEntry*> entries = testing::GridEntriesOf(*lists_);
        ASSERT_EQ(entries.size(), std::size(placements));
        for (size_t i = 0; i < entries.size(); ++i) {
            SCOPED_TRACE(placements[i].name);
            const CModelEntry& entry = *entries[i];
            EXPECT_EQ(entry.name, placements[i].name);
            EXPECT_EQ(entry.modelId, placements[i].model->id);
            EXPECT_EQ(entry.transform.position, placements[i].position);
            EXPECT_TRUE(entry.ready.load());
            EXPECT_EQ(entry.isInstance, instanced && placements[i].copy == 1);
        }
    };
    expectWritten(false);

    // Away and back, the cells are read from their files: both copies share one ready model.
    MoveAndSettle(5000.0f, 5000.0f, 0, {});
    MoveAndSettle(0.0f, 0.0f, tiles, {"p0p0.gmf", "p1p0.gmf"});
    RunFrames(3); // the grid entries' uploads complete
    expectWritten(true);
    EXPECT_EQ(lists_->sharedModels.Count(), 1);
    const CModelEntry* source =
        lists_->sharedModels.FindFirst([&](const CModelEntry& e) { return e.name == copied_->id; });
    ASSERT_NE(source, nullptr);
    EXPECT_TRUE(source->ready.load());
    EXPECT_EQ(source->useCount, 2);

    // Off the field nothing is kept; the shared model goes with its last copy.
    MoveAndSettle(5000.0f, 5000.0f, 0, {});
    EXPECT_EQ(lists_->sharedModels.Count(), 0);
    EXPECT_TRUE(streaming_->Progress().Done());
    std::lock_guard lock(reportMutex_);
    EXPECT_TRUE(reports_.empty()) << reports_.front();
}

} // namespace
} // namespace quorvane
