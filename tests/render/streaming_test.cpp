// Tile and grid-file streaming on the demo field through the GPU registry, a
// timer thread loading and this thread running frames and commits.
#include "demo_registry_fixture.h"
#include "editor/field_streaming.h"
#include "platform/periodic_timer.h"
#include "render/model_registry.h"
#include "render/streaming_loader.h"
#include "tests/small_demo_field.h"
#include "tests/work_failures.h"

#include <chrono>
#include <fstream>
#include <mutex>
#include <set>

namespace quorvane {
namespace {

std::set<std::string> TileBlock(int firstI, int lastI, int firstJ, int lastJ) {
    std::set<std::string> names;
    for (int i = firstI; i <= lastI; ++i) {
        for (int j = firstJ; j <= lastJ; ++j) {
            names.insert("Field" + std::to_string(i) + "-" + std::to_string(j));
        }
    }
    return names;
}

std::string Line(const std::string& name, const demofield::CWrittenModel& model, int copy, float x, float y) {
    return name + "|" + model.id + "|" + std::to_string(copy) + "|1|0|0|./" + model.path + "|./" +
           model.path + "|" + std::to_string(x) + "|" + std::to_string(y) +
           "|0.000000|1.000000|1.000000|1.000000|0.000000|0.000000|0.000000";
}

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

    // Tiles and grid files are exactly these, every tile ready, every file complete.
    bool Settled(const std::set<std::string>& tiles, const std::set<std::string>& files) const {
        std::set<std::string> tileNames;
        bool ready = true;
        lists_->fieldTiles.ForEach([&](const CModelEntry& entry) {
            tileNames.insert(entry.name);
            ready = ready && entry.ready.load();
        });
        std::set<std::string> fileNames;
        lists_->gridFiles.ForEach([&](const GridFileEntry& file) {
            fileNames.insert(file.path.filename().string());
            ready = ready && file.loaded.load();
        });
        return ready && tileNames == tiles && fileNames == files;
    }

    // Moves the centre and runs frames until the field around it is there.
    void MoveAndSettle(float x, float y, const std::set<std::string>& tiles,
                       const std::set<std::string>& files) {
        streaming_->SetCentre(x, y);
        ASSERT_TRUE(FramesUntil([&] { return Settled(tiles, files); })) << "centre " << x << ", " << y;
        RunFrames(3); // the last uploads finish and give their slots back
        EXPECT_EQ(FreeSlots(), 16);
    }

    void WriteGridFile(const std::string& cell, const std::vector<std::string>& lines) {
        std::ofstream out(gridRoot_ / "lod0" / (cell + ".gmf"), std::ios::binary);
        for (const std::string& line : lines) {
            out << line << "\r\n";
        }
    }

    std::vector<const CModelEntry*> GridEntries() const {
        std::vector<const CModelEntry*> entries;
        lists_->gridFiles.ForEach([&entries](const GridFileEntry& file) {
            for (const auto& group : file.groups) {
                group->ForEach([&entries](const CModelEntry& entry) { entries.push_back(&entry); });
            }
        });
        return entries;
    }
    const CModelEntry* Shared(const std::string& id) const {
        return lists_->sharedModels.FindFirst([&id](const CModelEntry& entry) { return entry.name == id; });
    }

    const demofield::CWrittenModel* own_ = nullptr;    // placed on its own
    const demofield::CWrittenModel* copied_ = nullptr; // placed as copies of one shared model
    std::filesystem::path gridRoot_;
    std::unique_ptr<CRegistryStreamingLoader> loader_;
    std::unique_ptr<CMainField> field_;
    std::unique_ptr<CFieldStreaming> streaming_;
    CPeriodicTimer timer_;
};

TEST_F(StreamingTest, MovingAcrossTheFieldLoadsAndDropsTilesAndGridFiles) {
    WriteGridFile("p0p0",
                  {Line("p0p0_A_000", *own_, 0, 10.0f, 20.0f), Line("p0p0_B_000", *copied_, 1, 5.0f, 5.0f),
                   Line("p0p0_B_001", *copied_, 1, 15.0f, 5.0f)});
    WriteGridFile("p30p0", {Line("p30p0_B_000", *copied_, 1, 1510.0f, 5.0f)});

    MoveAndSettle(0.0f, 0.0f, TileBlock(10, 16, 11, 17), {"p0p0.gmf"});
    const CModelEntry* source = Shared(copied_->id);
    ASSERT_NE(source, nullptr);
    EXPECT_TRUE(source->ready.load());
    EXPECT_EQ(source->useCount, 2);
    for (const CModelEntry* entry : GridEntries()) {
        EXPECT_TRUE(entry->ready.load()) << entry->name;
        EXPECT_EQ(entry->isInstance, entry->name != "p0p0_A_000") << entry->name;
    }

    // x = 1600: load columns 21..27 (26 exist), keep 20..28; cell 32, so p0p0 goes and p30p0 comes.
    // Whether the source outlives the move depends on whether the new file's copy
    // arrives before the old file goes; either way one shared entry serves it.
    MoveAndSettle(1600.0f, 0.0f, TileBlock(10, 16, 21, 26), {"p30p0.gmf"});
    const CModelEntry* moved = Shared(copied_->id);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(lists_->sharedModels.Count(), 1);
    EXPECT_TRUE(moved->ready.load());
    EXPECT_EQ(moved->useCount, 1);
    EXPECT_EQ(Shared(own_->id), nullptr); // never shared: it loads on its own

    // Off the field nothing is kept; the shared model goes with its last copy.
    MoveAndSettle(5000.0f, 5000.0f, {}, {});
    EXPECT_EQ(lists_->sharedModels.Count(), 0);
    EXPECT_TRUE(streaming_->Progress().Done());
    std::lock_guard lock(reportMutex_);
    EXPECT_TRUE(reports_.empty()) << reports_.front();
}

TEST_F(StreamingTest, WrittenPlacementsComeBackAsGridFileEntriesWithTheirTransforms) {
    const struct {
        std::string name;
        const demofield::CWrittenModel* model;
        uint32_t copy;
        CModelTransform transform; // scale, rotation, position
    } placements[] = {{"p0p0_A_000", own_, 0, {{2, 2, 2, 1}, {0, 0, 45, 1}, {12.5f, 34.25f, 3, 1}}},
                      {"p1p0_B_000", copied_, 1, {{1, 1, 1, 1}, {10, 0, 0, 1}, {60, 1, 0, 1}}}};
    for (const auto& placement : placements) {
        auto entry = test::NewEntry(placement.name, "");
        entry->transform = placement.transform;
        ASSERT_TRUE(registry_->LoadEntry(*entry, "./" + placement.model->path, false));
        lists_->placedModels.Append(std::move(entry));
        auto record = std::make_unique<CPlacedModel>();
        record->uniqueName = placement.name;
        record->modelId = placement.model->id;
        record->copy = placement.copy;
        record->partPath = "./" + placement.model->path;
        record->sourcePath = record->partPath;
        lists_->placementRecords.Append(std::move(record));
    }
    MoveAndSettle(0.0f, 0.0f, TileBlock(10, 16, 11, 17), {});

    GridWriteReport report;
    ASSERT_TRUE(field_->WriteGridFiles(&report));
    // The next commit takes the written copies into their cells as they are, reading nothing.
    const uint64_t readsBefore = field_->GridFileReads();
    ASSERT_TRUE(FramesUntil([&] {
        return field_->PlacedModelCount() == 0 &&
               Settled(TileBlock(10, 16, 11, 17), {"p0p0.gmf", "p1p0.gmf"});
    }));
    EXPECT_EQ(field_->GridFileReads(), readsBefore);
    EXPECT_EQ(field_->PlacementRecordCount(), 0);
    const auto expectWritten = [&](bool instanced) {
        const std::vector<const CModelEntry*> entries = GridEntries();
        ASSERT_EQ(entries.size(), std::size(placements));
        for (size_t i = 0; i < entries.size(); ++i) {
            const CModelEntry& entry = *entries[i];
            EXPECT_EQ(entry.name, placements[i].name);
            EXPECT_EQ(entry.modelId, placements[i].model->id);
            EXPECT_EQ(entry.transform.position, placements[i].transform.position);
            EXPECT_EQ(entry.transform.scale, placements[i].transform.scale);
            EXPECT_EQ(entry.transform.rotation, placements[i].transform.rotation);
            EXPECT_TRUE(entry.ready.load());
            EXPECT_EQ(entry.isInstance, instanced && placements[i].copy == 1);
        }
    };
    expectWritten(false);

    // Away and back, the cells are read from their files: a copy shares its model.
    MoveAndSettle(5000.0f, 5000.0f, {}, {});
    MoveAndSettle(0.0f, 0.0f, TileBlock(10, 16, 11, 17), {"p0p0.gmf", "p1p0.gmf"});
    RunFrames(3); // the grid entries' uploads complete
    expectWritten(true);
    EXPECT_NE(Shared(copied_->id), nullptr);
}

} // namespace
} // namespace quorvane
