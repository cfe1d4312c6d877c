// The field's lock is never held while models load, grid map files are read or
// window hooks run, and the field stays consistent with several threads using it.
#include "bounded_wait.h"
#include "editor_fixture.h"

#include <algorithm>
#include <atomic>
#include <latch>
#include <map>
#include <mutex>
#include <thread>

namespace quorvane::testing {
namespace {

using namespace std::chrono_literals;

using FieldLocking = EditorFixture;

// A read of the field from another thread, which waits while the lock is held.
bool FieldIsFree(const CMainField& field) {
    return FinishesWithin(1s, [&field] { (void)field.Mode(); });
}

TEST_F(FieldLocking, ModelsLoadWhileOtherThreadsCanStillReadTheField) {
    std::vector<std::string> loadedUnderLock;
    loader.whileLoading = [&](const std::string& path) {
        if (!FieldIsFree(*field)) {
            loadedUnderLock.push_back(path);
        }
    };
    Choose({"a.mdl", "b.mdl"});
    PlaceAt(0, 0);
    field->WaitForBackgroundWork();
    EXPECT_EQ(loader.cursorLoads, (std::vector<std::string>{"a.mdl", "b.mdl", "a.mdl", "b.mdl"}))
        << "the chosen parts, then their next copies";
    EXPECT_TRUE(loadedUnderLock.empty()) << loadedUnderLock.size() << " loads held the field's lock";
}

TEST_F(FieldLocking, WindowInputNeverWaitsForTheLockAndAppliesInOrderInTheFrameUpdate) {
    Choose({"a.mdl"});
    PlaceAt(10, 0);
    LeftClick(); // confirmed: placing again, the first copy at x 10
    RightClick();
    ListClick(0); // the copy selected for adjusting
    ASSERT_EQ(Mode(), EditMode::ModeAdjust);
    ASSERT_TRUE(Entry("p0p0_A_000").has_value());
    std::latch visiting(1);
    std::latch posted(1);
    bool returnedUnderLock = false;
    std::thread frame([&] {
        // The render thread holds the field's lock, as while it draws the placed models.
        field->ForEachPlacedModel([&](const CModelEntry&) {
            visiting.count_down();
            const auto deadline = std::chrono::steady_clock::now() + 2s;
            while (!posted.try_wait() && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(1ms);
            }
            returnedUnderLock = posted.try_wait();
        });
    });
    visiting.wait();
    for (const int key : {vk::Letter('G'), vk::Letter('X'), vk::kDigit0 + 5, vk::kReturn}) {
        field->OnKeyDown(key);
        field->OnKeyUp(key);
    }
    field->WheelList(-120);
    field->RequestDelete();
    posted.count_down();
    frame.join();
    EXPECT_TRUE(returnedUnderLock) << "the window thread waited for the field's lock";
    EXPECT_EQ(Entry("p0p0_A_000")->transform.position.x, 10.0f) << "nothing applies before the frame update";
    EXPECT_FALSE(field->PostedInputApplied());

    field->UpdateEditing(); // the move, confirmed by Enter, then the delete of the moved copy
    EXPECT_TRUE(field->PostedInputApplied());
    EXPECT_EQ(field->PlacementRecordCount(), 0);
    UndoStep();
    ASSERT_TRUE(Entry("p0p0_A_000").has_value());
    EXPECT_EQ(Entry("p0p0_A_000")->transform.position.x, 15.0f) << "the delete came after the typed move";
}

TEST_F(FieldLocking, HooksRunAfterTheLockIsReleased) {
    FieldViewHooks hooks;
    std::vector<std::string> heldDuring;
    auto probe = [&](const char* hook) {
        // Another thread reads the field, and this thread calls back into it.
        if (!FieldIsFree(*field)) {
            heldDuring.emplace_back(hook);
        }
        (void)field->ListModel();
    };
    hooks.captureMouse = [&](bool) { probe("captureMouse"); };
    hooks.repaintField = [&] { probe("repaintField"); };
    hooks.repaintList = [&] { probe("repaintList"); };
    hooks.repaintMain = [&] { probe("repaintMain"); };
    hooks.characterKey = [&](int, bool) { probe("characterKey"); };
    field->SetHooks(hooks);

    const bool finished = FinishesWithin(20s, [this] {
        Choose({"a.mdl"});
        PlaceAt(5, 5);          // capture, repaints of the list and the main window
        Key('G');               // character keys
        MoveTo(3, 3);           // a drag: no hook
        RightClick();           // cancels the drag
        RightClick();           // cancels the placement
        field->UpdateEditing(); // the removal repaints from the render thread
        field->OnKeyDown(vk::kShift);
        MoveTo(4, 4); // a camera move repaints the field
        field->WheelList(-120);
        field->PickListRow(0);
        field->ApplyPostedInput();
    });
    if (!finished) {
        // A thread is stuck inside the field: leave the field to it and fail.
        static_cast<void>(field.release());
        FAIL() << "a hook deadlocked against the field's lock";
    }
    EXPECT_TRUE(heldDuring.empty()) << heldDuring.size() << " hook calls held the lock, the first "
                                    << (heldDuring.empty() ? "" : heldDuring.front());
    EXPECT_EQ(field->PlacedModelCount(), 0);
}

// A click reads no file: the names in a cell's file are read off the input
// thread, once per visit of the cell, whatever the placements and parts.
TEST_F(FieldLocking, AClickReadsNoFileAndEachVisitOfACellReadsItOnce) {
    const std::filesystem::path p0p0 = CellPath();
    std::filesystem::create_directories(p0p0.parent_path());
    std::ofstream(p0p0, std::ios::binary) << "p0p0_A_000|A|0|0|0|0|a.mdl|a.mdl|0|0|0|1|1|1|0|0|0\r\n"
                                             "p0p0_C_000|C|0|0|0|0|c.mdl|c.mdl|0|0|0|1|1|1|0|0|0\r\n";
    std::mutex readsMutex;
    std::map<std::filesystem::path, int> reads;
    const auto readsNow = [&] {
        std::lock_guard lock(readsMutex);
        return reads;
    };
    field = std::make_unique<CMainField>(loader, dir / "gridfile", [&](const std::filesystem::path& path) {
        std::lock_guard lock(readsMutex);
        ++reads[path];
        return ReadGridFileLines(path);
    });
    Choose({"a.mdl", "b.mdl", "c.mdl"});
    field->SetPickPoint({1, 1, 0, 0});
    LeftClick(); // places
    EXPECT_EQ(readsNow(), (std::map<std::filesystem::path, int>{{p0p0, 1}}));
    LeftClick(); // confirms
    LeftClick();
    EXPECT_EQ(readsNow(), (std::map<std::filesystem::path, int>{{p0p0, 1}}));
    EXPECT_EQ(RecordNames(), (std::vector<std::string>{"p0p0_A_001", "p0p0_B_000", "p0p0_C_001", "p0p0_A_002",
                                                       "p0p0_B_001", "p0p0_C_002"}));

    field->SetPickPoint({60, 1, 0, 0}); // another cell, then back: a teammate may have written meanwhile
    field->SetPickPoint({1, 1, 0, 0});
    field->WaitForBackgroundWork();
    EXPECT_EQ(readsNow(), (std::map<std::filesystem::path, int>{{p0p0, 2}, {CellPath("p1p0"), 1}}));
    field.reset(); // before the reads it counts into
}

TEST_F(FieldLocking, TwoWritesAtOnceAppendEachLineOnce) {
    Choose({"tree.mdl"});
    PlaceAt(10, 20);
    LeftClick();
    std::latch start(2);
    std::atomic<int> written{0};
    auto writer = [&] {
        start.arrive_and_wait();
        GridWriteReport report;
        field->WriteGridFiles(&report);
        written += static_cast<int>(report.writtenNames.size());
    };
    std::thread first(writer);
    std::thread second(writer);
    first.join();
    second.join();
    EXPECT_EQ(written, 1);
    const std::string text = ReadFile(CellPath());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
}

} // namespace
} // namespace quorvane::testing
