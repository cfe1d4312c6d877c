// A write is one step in the order of edits: what it writes, what it takes out
// of the list and where the history ends come from the moment it begins, and
// requests the render thread meets during the file work apply after it.
#include "editor_fixture.h"

#include <atomic>
#include <future>
#include <thread>

namespace quorvane::testing {
namespace {

class WriteOrder : public EditorFixture {
protected:
    // The file work of the next write runs duringFileWork first.
    void HoldWriteWhile(std::function<void()> duringFileWork) {
        field->SetGridLineWriter([duringFileWork](const std::filesystem::path& root, GridWriteBatch batch) {
            duringFileWork();
            return WriteGridLines(root, std::move(batch));
        });
    }
};

// The render thread's frame during the file work leaves the placements alone;
// the undo then meets a history the write has ended, and nothing the user saw
// undone comes back from the file.
TEST_F(WriteOrder, AnUndoDuringTheFileWorkWaitsForTheWriteToEnd) {
    Choose({"rock.mdl"});
    PlaceAt(10.0f, 20.0f);
    Typed('G', 'X', "5"); // 15 on x, one undoable step
    ASSERT_EQ(Entry("p0p0_ROCK_000")->transform.position.x, 15.0f);
    ASSERT_EQ(field->UndoCount(), 2u);

    std::optional<float> xDuringWrite;
    HoldWriteWhile([&] {
        field->RequestUndo();
        field->UpdateEditing(); // a frame of the render thread
        xDuringWrite = Entry("p0p0_ROCK_000")->transform.position.x;
    });
    GridWriteReport report;
    ASSERT_TRUE(field->WriteGridFiles(&report));
    EXPECT_EQ(xDuringWrite, 15.0f) << "the undo must not change what the write is putting in the file";
    EXPECT_EQ(field->HistoryRequest(), CMainField::kHistoryUndo) << "it waits for the write";
    EXPECT_TRUE(report.historyCleared);

    field->UpdateEditing();
    EXPECT_EQ(field->HistoryRequest(), CMainField::kHistoryNone);
    EXPECT_EQ(field->UndoCount(), 0u);
    EXPECT_EQ(field->PlacedModelCount(), 0) << "written: it lives in its file now";
    EXPECT_NE(ReadFile(CellPath()).find("|15.000000|"), std::string::npos) << ReadFile(CellPath());
}

// A delete and the cancel of a fresh placement during the file work apply
// after the write, to what it left: the written group is not deleted behind
// the file's back, and the unwritten one placed meanwhile goes.
TEST_F(WriteOrder, ADeleteDuringTheFileWorkAppliesToWhatTheWriteLeft) {
    Choose({"rock.mdl"});
    PlaceAt(10.0f, 20.0f);
    LeftClick(); // confirmed
    ASSERT_EQ(Mode(), EditMode::ModePlace);

    HoldWriteWhile([&] {
        field->PickListRow(0);
        field->RequestDelete();
        field->UpdateEditing();
        EXPECT_EQ(field->PlacedModelCount(), 1) << "the delete waits while the file work runs";
    });
    ASSERT_TRUE(field->WriteGridFiles(nullptr));
    field->UpdateEditing();
    EXPECT_EQ(field->EditRequest(), CMainField::kRequestNone);
    EXPECT_EQ(field->UndoCount(), 0u) << "a delete of a written placement is no step";
    EXPECT_EQ(field->PlacementRecordCount(), 0);
    EXPECT_NE(ReadFile(CellPath()).find("p0p0_ROCK_000"), std::string::npos);
}

// What is written, what leaves the list and what the journal keeps agree:
// a placement that arrives while the file work runs stays unwritten.
TEST_F(WriteOrder, APlacementMadeDuringTheFileWorkStaysForTheNextWrite) {
    Choose({"rock.mdl"});
    PlaceAt(10.0f, 20.0f);
    LeftClick();
    HoldWriteWhile([&] { PlaceAt(30.0f, 20.0f); });
    GridWriteReport report;
    ASSERT_TRUE(field->WriteGridFiles(&report));
    EXPECT_EQ(report.writtenNames, (std::vector<std::string>{"p0p0_ROCK_000"}));
    EXPECT_EQ(RecordNames(), (std::vector<std::string>{"p0p0_ROCK_001"}));
    EXPECT_EQ(field->UnwrittenPlacementCount(), 1);
}

// The write button's write is begun and ended by the frame update, its files
// written and synced on a thread of its own: the window and the frames go on
// meanwhile, and the outcome comes afterwards.
TEST_F(WriteOrder, AWriteInTheBackgroundLeavesTheCallerFreeAndTellsItsOutcome) {
    Choose({"rock.mdl"});
    PlaceAt(10.0f, 20.0f);
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    HoldWriteWhile([released] { released.wait(); });
    std::promise<GridWriteReport> outcome;
    std::atomic<int> told{0};
    const auto tellAndCount = [&](const GridWriteReport& report) {
        if (told.fetch_add(1) == 0) {
            outcome.set_value(report);
        }
    };
    field->WriteGridFilesInBackground(tellAndCount);
    field->WriteGridFilesInBackground(tellAndCount); // a second click waits for the first write
    EXPECT_EQ(field->PlacementRecordCount(), 1) << "nothing is written before a frame update";
    field->UpdateEditing(); // begins the write
    field->UpdateEditing(); // a frame while the files are written
    EXPECT_EQ(told.load(), 0);
    EXPECT_EQ(Mode(), EditMode::ModeAdjust) << "the field answers while the files are written";
    release.set_value();
    std::future<GridWriteReport> report = outcome.get_future();
    for (int frame = 0; frame < 10000 && told.load() < 2; ++frame) {
        field->UpdateEditing();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(told.load(), 2) << "each click hears its write's outcome";
    EXPECT_EQ(report.get().writtenNames, (std::vector<std::string>{"p0p0_ROCK_000"}));
    EXPECT_NE(ReadFile(CellPath()).find("p0p0_ROCK_000"), std::string::npos);
    EXPECT_EQ(field->PlacementRecordCount(), 0);
}

} // namespace
} // namespace quorvane::testing
