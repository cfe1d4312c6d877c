// The streaming's timer and commit passes over tiles and grid map files, with a fake loader.
#include "fake_streaming_loader.h"

#include <cmath>
#include <set>

namespace quorvane::testing {
namespace {

using Outcome = FakeStreamingLoader::Outcome;

std::string TileFile(int i, int j) {
    return "./model/main_field/field/Field" + std::to_string(i) + "-" + std::to_string(j) + ".mdl";
}

std::set<std::string> TileBlock(int firstI, int lastI, int firstJ, int lastJ) {
    std::set<std::string> names;
    for (int i = firstI; i <= lastI; ++i) {
        for (int j = firstJ; j <= lastJ; ++j) {
            names.insert("Field" + std::to_string(i) + "-" + std::to_string(j));
        }
    }
    return names;
}

class FieldStreamingTest : public StreamingFixture<FakeStreamingLoader> {
protected:
    std::set<std::string> TileNames() const {
        std::set<std::string> names;
        lists.fieldTiles.ForEach([&names](const CModelEntry& entry) { names.insert(entry.name); });
        return names;
    }
    std::vector<std::string> GridFileNames() const {
        std::vector<std::string> names;
        lists.gridFiles.ForEach(
            [&names](const GridFileEntry& file) { names.push_back(file.path.filename().string()); });
        return names;
    }
};

TEST_F(FieldStreamingTest, TilesOfTheLoadWindowLoadOnceAndStayUntilTheyLeaveTheKeepWindow) {
    streaming->SetCentre(NAN, 100.0f); // ignored: the centre stays at (0, 0)
    streaming->TimerPhase();
    EXPECT_EQ(TileNames(), TileBlock(10, 16, 11, 17));
    ASSERT_EQ(loader.started.size(), 49u);
    EXPECT_EQ(loader.started[0], TileFile(10, 11));
    EXPECT_EQ(loader.started[1], TileFile(11, 11)); // j outer, i inner
    lists.fieldTiles.ForEach([](const CModelEntry& entry) {
        EXPECT_TRUE(entry.loaded.load()) << entry.name;
        EXPECT_EQ(entry.copy, 0u);
        EXPECT_EQ(entry.transform.position, (Vector4{0.0f, 0.0f, 0.0f, 1.0f}));
    });
    EXPECT_TRUE(streaming->Progress().Done());

    // Until the render thread has taken its turn, the timer loads nothing more.
    streaming->SetCentre(160.0f, 0.0f); // load columns 12..18, keep 11..19
    streaming->TimerPhase();
    EXPECT_EQ(TileNames().size(), 49u);
    streaming->CommitPhase();
    EXPECT_EQ(TileNames().size(), 49u); // column 11 left the load window, not the keep window
    Round();
    EXPECT_EQ(TileNames(), TileBlock(10, 16, 11, 18));
    EXPECT_EQ(loader.started.size(), 56u); // only column 18 was new
}

TEST_F(FieldStreamingTest, UnfinishedTilesStayAndFailedOnesAreNotRetried) {
    loader.outcomes[TileFile(10, 11)] = Outcome::kFails;
    loader.outcomes[TileFile(11, 11)] = Outcome::kNoSlot;
    loader.outcomes[TileFile(12, 11)] = Outcome::kHeld;
    Round(3);
    EXPECT_EQ(loader.StartsOf(TileFile(10, 11)), 1);
    EXPECT_EQ(loader.refused[TileFile(11, 11)], 3);
    EXPECT_EQ(loader.StartsOf(TileFile(12, 11)), 1);
    EXPECT_EQ(streaming->Progress().tilesLoading, 2); // waiting for a slot, and in flight
    EXPECT_FALSE(streaming->Progress().Done());

    // Column 11 leaves the keep window: only what has finished goes.
    streaming->SetCentre(400.0f, 0.0f);
    Round();
    std::set<std::string> names = TileBlock(10, 16, 12, 19);
    names.insert({"Field11-11", "Field12-11"}); // the failed Field10-11 is done, not loaded
    EXPECT_EQ(TileNames(), names);

    loader.FinishHeld(true);
    loader.outcomes.erase(TileFile(11, 11));
    Round(); // the waiting tile loads, then both go; column 12 is still kept
    EXPECT_EQ(TileNames(), TileBlock(10, 16, 12, 19));
    EXPECT_TRUE(streaming->Progress().Done());

    // Back again, the failed tile is a new entry and gets one more try.
    streaming->SetCentre(0.0f, 0.0f);
    Round(2);
    EXPECT_EQ(loader.StartsOf(TileFile(10, 11)), 2);
}

TEST_F(FieldStreamingTest, GridFilesOfTheLoadWindowAreReadTheirModelsLoadedAndDamagedLinesTold) {
    WriteGridFile("p0p0", {Line("p0p0_TREE_000", "TREE", 0, "tree.mdl", "10.000000", "20.000000"),
                           Line("p0p0_ROCK_000", "ROCK", 0, "rock.mdl", "30.500000", "-4.250000"),
                           "not a grid map line"});
    WriteGridFile("p11p0", {Line("p11p0_TREE_000", "TREE", 0, "tree.mdl", "560.000000", "1.000000")});
    WriteGridFile("m10p0", {Line("m10p0_TREE_000", "TREE", 0, "tree.mdl", "-490.000000", "1.000000")});
    std::filesystem::create_directories(dir / "gridfile" / "lod0" / "p1p0.gmf"); // not a file: skipped

    streaming->TimerPhase(); // x from -9 to 11
    EXPECT_EQ(GridFileNames(), (std::vector<std::string>{"p0p0.gmf", "p11p0.gmf"}));
    lists.gridFiles.ForEach([](const GridFileEntry& file) { EXPECT_TRUE(file.loaded.load()) << file.path; });
    const std::vector<const CModelEntry*> entries = GridEntriesOf(lists);
    ASSERT_EQ(entries.size(), 3u);
    for (const CModelEntry* entry : entries) {
        EXPECT_TRUE(entry->loaded.load()) << entry->name;
        EXPECT_FALSE(entry->isInstance);
    }
    const CModelEntry* rock = entries[1];
    EXPECT_EQ(rock->name, "p0p0_ROCK_000");
    EXPECT_EQ(rock->transform.position, (Vector4{30.5f, -4.25f, 0.0f, 1.0f}));
    EXPECT_EQ(field->GridState(), CMainField::kGridLoaded);
    EXPECT_TRUE(streaming->Progress().Done());
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("p0p0.gmf"), std::string::npos) << problems[0];
    EXPECT_NE(problems[0].find("line 3"), std::string::npos) << problems[0];

    streaming->CommitPhase(); // all inside the keep window
    EXPECT_EQ(GridFileNames().size(), 2u);
    EXPECT_EQ(field->GridState(), CMainField::kGridIdle);
}

TEST_F(FieldStreamingTest, AFileWhoseModelsAreStillLoadingIsKeptWhenTheCentreMovesAway) {
    WriteGridFile("p0p0", {Line("p0p0_A_000", "A", 0, "a.mdl", "1.000000", "1.000000"),
                           Line("p0p0_B_000", "B", 0, "b.mdl", "2.000000", "2.000000")});
    WriteGridFile("p1p0", {Line("p1p0_C_000", "C", 0, "c.mdl", "60.000000", "1.000000")});
    loader.outcomes["a.mdl"] = Outcome::kNoSlot;
    Round();
    EXPECT_FALSE(GridFile("p0p0")->loaded.load());
    EXPECT_TRUE(GridFile("p1p0")->loaded.load());
    EXPECT_EQ(streaming->Progress().gridModelsLoading, 1);

    streaming->SetCentre(2000.0f, 0.0f); // cells 26..56 kept
    Round();
    EXPECT_EQ(GridFileNames(), (std::vector<std::string>{"p0p0.gmf"}));

    loader.outcomes.erase("a.mdl");
    Round(); // a loads, the file completes and goes
    EXPECT_TRUE(GridFileNames().empty());
    EXPECT_TRUE(streaming->Progress().Done());
    EXPECT_EQ(loader.StartsOf("a.mdl"), 1);
}

// A teammate's write to a cell in memory shows within a timer pass and a
// commit: the file is dropped and read again; a file left alone stays.
TEST_F(FieldStreamingTest, AFileChangedOnDiskIsReadAgain) {
    WriteGridFile("p0p0", {Line("p0p0_A_000", "A", 0, "a.mdl", "1.000000", "1.000000")});
    WriteGridFile("p1p0", {Line("p1p0_C_000", "C", 0, "c.mdl", "60.000000", "1.000000")});
    Round();
    ASSERT_TRUE(GridFile("p0p0") != nullptr && GridFile("p0p0")->loaded.load());
    const GridFileEntry* untouched = GridFile("p1p0");

    WriteGridFile("p0p0", {Line("p0p0_A_000", "A", 0, "a.mdl", "1.000000", "1.000000"),
                           Line("p0p0_B_000", "B", 0, "b.mdl", "2.000000", "2.000000")});
    Round(); // sees the change and drops the cell
    Round(); // reads it again
    EXPECT_EQ(GridEntryNamesOf(lists),
              (std::multiset<std::string>{"p0p0_A_000", "p0p0_B_000", "p1p0_C_000"}));
    EXPECT_EQ(GridFile("p1p0"), untouched) << "an unchanged file is not read again";
    EXPECT_EQ(loader.StartsOf("c.mdl"), 1);
    Round();
    EXPECT_EQ(GridEntryNamesOf(lists).size(), 3u) << "read once per change";
}

TEST_F(FieldStreamingTest, CopiesShareOneLoadedSourceAndFailedOnesDoNotStallTheirFile) {
    WriteGridFile("p0p0", {Line("p0p0_ROCK_000", "ROCK", 1, "rock.mdl", "1.000000", "1.000000"),
                           Line("p0p0_ROCK_001", "ROCK", 1, "rock.mdl", "2.000000", "1.000000"),
                           Line("p0p0_ROCK_002", "ROCK", 1, "rock.mdl", "3.000000", "1.000000"),
                           Line("p0p0_BROKEN_000", "BROKEN", 1, "broken.mdl", "4.000000", "1.000000"),
                           Line("p0p0_BAD_000", "BAD", 0, "bad.mdl", "5.000000", "1.000000")});
    WriteGridFile("p1p0", {Line("p1p0_ROCK_000", "ROCK", 1, "rock.mdl", "60.000000", "1.000000")});
    loader.outcomes["broken.mdl"] = Outcome::kFails;
    loader.outcomes["bad.mdl"] = Outcome::kFails;

    streaming->TimerPhase();
    EXPECT_EQ(lists.sharedModels.Count(), 2); // ROCK and BROKEN, once each
    const CModelEntry* rock =
        lists.sharedModels.FindFirst([](const CModelEntry& entry) { return entry.name == "ROCK"; });
    ASSERT_NE(rock, nullptr);
    EXPECT_EQ(rock->path, "rock.mdl");
    EXPECT_EQ(rock->copy, 0u);
    EXPECT_EQ(rock->useCount, 4);
    for (const CModelEntry* entry : GridEntriesOf(lists)) {
        const bool isRock = entry->modelId == "ROCK";
        EXPECT_EQ(entry->loaded.load(), isRock) << entry->name;
        EXPECT_TRUE(!isRock || (entry->isInstance && entry->source == rock)) << entry->name;
    }
    // Failed loads count as done: both files are complete after one pass.
    lists.gridFiles.ForEach([](const GridFileEntry& file) { EXPECT_TRUE(file.loaded.load()) << file.path; });
    EXPECT_TRUE(streaming->Progress().Done());

    streaming->CommitPhase();
    Round(2);
    EXPECT_EQ(loader.StartsOf("rock.mdl"), 1);
    EXPECT_EQ(loader.StartsOf("broken.mdl"), 1);
    EXPECT_EQ(loader.StartsOf("bad.mdl"), 1);

    // Moving away drops the files and the shared entries with them.
    streaming->SetCentre(-2000.0f, 0.0f);
    Round();
    EXPECT_TRUE(GridFileNames().empty());
    EXPECT_EQ(lists.sharedModels.Count(), 0);
}

TEST_F(FieldStreamingTest, AWriteDuringATimerPassIsNotOverwrittenAndTheNextCommitTakesItIn) {
    WriteGridFile("p0p0", {Line("p0p0_OLD_000", "OLD", 0, "old.mdl", "1.000000", "1.000000")});
    const auto place = [this](const std::string& name, Vector4 position) {
        lists.placementRecords.Append(PlacementRecord(name, "TREE", "tree.mdl"));
        SetEntryLoaded(*lists.placedModels.Append(PlacedEntry(name, position)), true);
    };
    place("p0p0_TREE_000", {12.0f, 34.0f, 0.0f, 1.0f});

    bool wrote = false;
    loader.whileStarting = [&](const CModelEntry& entry) {
        if (entry.path != "old.mdl" || wrote) {
            return;
        }
        wrote = true;
        // The user writes while the timer reads grid files; the render thread's
        // turn comes meanwhile and must leave the grid files alone.
        EXPECT_TRUE(field->WriteGridFiles(nullptr));
        streaming->CommitPhase();
        EXPECT_FALSE(field->MergeAfterWrite());
        EXPECT_EQ(GridFileNames().size(), 1u);
        EXPECT_EQ(field->PlacedModelCount(), 0) << "the written placement left the list with the write";
    };
    streaming->TimerPhase();
    ASSERT_TRUE(wrote);
    EXPECT_EQ(field->GridState(), CMainField::kGridWritten);
    streaming->TimerPhase(); // nothing to do until cleaned up
    EXPECT_EQ(loader.StartsOf("old.mdl"), 1);

    // The written placement joins the cell the timer read, which is not read again.
    streaming->CommitPhase();
    EXPECT_EQ(field->GridState(), CMainField::kGridIdle);
    EXPECT_EQ(field->GridFileCount(), 1);
    EXPECT_EQ(field->PlacedModelCount(), 0);
    EXPECT_EQ(field->PlacementRecordCount(), 0);
    streaming->TimerPhase();
    EXPECT_EQ(field->GridFileReads(), 1u);
    std::vector<const CModelEntry*> entries = GridEntriesOf(lists);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1]->name, "p0p0_TREE_000");
    EXPECT_EQ(entries[1]->transform.position, (Vector4{12.0f, 34.0f, 0.0f, 1.0f}));
    EXPECT_TRUE(entries[1]->loaded.load());

    // A write after the hand-over: the commit takes it in instead of unloading.
    place("p0p0_TREE_001", {-5.0f, 6.0f, 0.0f, 1.0f});
    EXPECT_TRUE(field->WriteGridFiles(nullptr));
    streaming->CommitPhase();
    EXPECT_EQ(field->GridState(), CMainField::kGridIdle);
    EXPECT_EQ(field->GridFileCount(), 1);
    streaming->TimerPhase();
    EXPECT_EQ(field->GridFileReads(), 1u);
    entries = GridEntriesOf(lists);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2]->name, "p0p0_TREE_001");
    EXPECT_EQ(entries[2]->transform.position, (Vector4{-5.0f, 6.0f, 0.0f, 1.0f}));
}

} // namespace
} // namespace quorvane::testing
