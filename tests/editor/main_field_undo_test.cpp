// Undo, redo and the recovery journal driven through the field view as a user would.
#include "editor/recovery_journal.h"
#include "editor_fixture.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <random>
#include <thread>

namespace quorvane::testing {
namespace {

class UndoTest : public ListFixture {
protected:
    EditMode CtrlKey(char letter, bool shift = false) {
        field->OnKeyDown(vk::kControl);
        if (shift) {
            field->OnKeyDown(vk::kShift);
        }
        Key(letter);
        if (shift) {
            field->OnKeyUp(vk::kShift);
        }
        field->OnKeyUp(vk::kControl);
        return Applied();
    }
    void Undo() {
        CtrlKey('Z');
        FinishHistoryStep();
    }
    void Redo(bool withShiftZ = false) {
        withShiftZ ? CtrlKey('Z', true) : CtrlKey('Y');
        FinishHistoryStep();
    }
    EditMode PickRow(int32_t row) { return ListClick((row - 1) * CPlacementListModel::kRowHeight); }
    Vector4 Position(const std::string& name) const { return Entry(name)->transform.position; }
    Vector4 Rotation(const std::string& name) const { return Entry(name)->transform.rotation; }
};

// How undo and redo move placements and drop redone steps is the plain
// model's below; here what comes back with the steps it does not follow.
TEST_F(UndoTest, AnUndoneDeleteComesBackSelectedAndAnUndonePlacementReturnsToPlacing) {
    PlaceTreeAndRockThenMoveTheTree();
    Drag('R', {130, 80}, {130, 70}, 'Z'); // a turn of 10 degrees about z
    LeftClick();
    ASSERT_EQ(Rotation(kLeaves), (Vector4{0, 0, 10, 1}));
    DeleteButton();
    ASSERT_EQ(RecordNames(), (std::vector<std::string>{kRock}));
    const size_t loadsBefore = loader.entryLoads.size();

    // Both parts, loaded again, in their rows, selected as before.
    Undo();
    EXPECT_EQ(RecordNames(), (std::vector<std::string>{kTrunk, kLeaves, kRock}));
    EXPECT_EQ(loader.entryLoads.size(), loadsBefore + 2);
    EXPECT_EQ(Rotation(kTrunk), (Vector4{0, 0, 10, 1}));
    EXPECT_EQ(field->SelectedName(), kTrunk);
    EXPECT_EQ(field->ListModel().Selected(), 1);
    EXPECT_EQ(Mode(), EditMode::ModeAdjust);
    EXPECT_EQ(field->Vectors().selPosition, (Vector4{40, 40, 0, 1}));
    Undo(); // the turn
    EXPECT_EQ(Rotation(kLeaves), (Vector4{0, 0, 0, 1}));
    Redo(true);
    EXPECT_EQ(Rotation(kLeaves), (Vector4{0, 0, 10, 1}));

    Place({"rock.mdl"}, 20.0f, 20.0f);
    Undo();
    EXPECT_EQ(RecordNames(), (std::vector<std::string>{kTrunk, kLeaves, kRock}));
    EXPECT_EQ(Mode(), EditMode::ModePlace);
    EXPECT_EQ(field->ListModel().Selected(), 1);
    EXPECT_EQ(field->SelectedName(), kTrunk);
}

// Ctrl+Z inside an adjustment only cancels it, as a right click does; a delete
// during one is undone to the confirmed place; the next Ctrl+Z outside one undoes.
TEST_F(UndoTest, CtrlZInsideAnAdjustmentOnlyCancelsItTheNextPressUndoes) {
    Choose({"rock.mdl"});
    const Vector4 offset = field->Vectors().cursorOffset;
    Drag('G', {100, 100}, {120, 100});
    ASSERT_NE(field->Vectors().cursorOffset, offset);
    EXPECT_EQ(CtrlKey('Z'), EditMode::ModeMove) << "nothing placed yet";
    EXPECT_EQ(field->Vectors().cursorOffset, offset);
    EXPECT_EQ(field->HistoryRequest(), CMainField::kHistoryNone);

    MiddleClick(); // back to placing
    PlaceAt(10.0f, 20.0f);
    PickRow(1);
    Drag('G', {100, 100}, {110, 100}, 'X');
    ASSERT_EQ(Position(kRock), (Vector4{20, 20, 0, 1}));
    EXPECT_EQ(CtrlKey('Z'), EditMode::ModeAdjust);
    EXPECT_EQ(Position(kRock), (Vector4{10, 20, 0, 1}));
    EXPECT_EQ(field->HistoryRequest(), CMainField::kHistoryNone);
    field->UpdateEditing();
    EXPECT_EQ(RecordNames(), (std::vector<std::string>{kRock}));

    Drag('G', {100, 100}, {125, 100});
    ASSERT_EQ(Position(kRock), (Vector4{35, 20, 0, 1}));
    DeleteButton();
    ASSERT_EQ(field->PlacementRecordCount(), 0);
    Undo();
    EXPECT_EQ(Position(kRock), (Vector4{10, 20, 0, 1}));
    EXPECT_EQ(Mode(), EditMode::ModeAdjust);
    EXPECT_EQ(field->Vectors().selPosition, (Vector4{10, 20, 0, 1}));

    CtrlKey('Z');
    EXPECT_EQ(field->HistoryRequest(), CMainField::kHistoryUndo);
    field->UpdateEditing();
    EXPECT_EQ(field->PlacementRecordCount(), 0);
    EXPECT_EQ(field->PlacedModelCount(), 0);
    EXPECT_EQ(Mode(), EditMode::ModePlace);
}

TEST_F(UndoTest, CancelledOrUnchangedAdjustmentsMakeNoStep) {
    Place({"rock.mdl"}, 10.0f, 20.0f);
    PickRow(1);
    ASSERT_EQ(field->UndoCount(), 1u);
    Drag('G', {100, 100}, {140, 100});
    RightClick();
    EXPECT_EQ(field->UndoCount(), 1u);
    Key('S');
    LeftClick(); // confirmed without a change
    EXPECT_EQ(field->UndoCount(), 1u);
    Key('S');
    MoveTo(140, 90);
    LeftClick();
    EXPECT_EQ(field->UndoCount(), 2u);
    EXPECT_FLOAT_EQ(Entry(kRock)->transform.scale.x, 2.0f);
    Undo();
    EXPECT_EQ(Entry(kRock)->transform.scale, (Vector4{1, 1, 1, 1}));
}

TEST_F(UndoTest, ACancelledPlacementGoesOnTheNextFrameAndUndoBringsItBackAwaitingConfirmation) {
    Place({"house/walls.mdl", "house/roof.mdl", "house/door.mdl"}, 5.0f, 5.0f);
    EXPECT_EQ(RightClick(), EditMode::ModePlace);
    EXPECT_EQ(field->EditRequest(), CMainField::kRequestCancelPlacement);
    EXPECT_EQ(field->PlacedModelCount(), 3) << "removal waits for the render thread";
    field->WaitForBackgroundWork(); // the cursor's next copies
    field->UpdateEditing();
    EXPECT_EQ(field->PlacedModelCount(), 0);
    ASSERT_EQ(field->PlacementRecordCount(), 0);
    EXPECT_EQ(field->EditRequest(), CMainField::kRequestNone);
    EXPECT_EQ(Mode(), EditMode::ModePlace);
    EXPECT_EQ(field->Vectors().selPosition, field->Vectors().cursorOffset);
    EXPECT_EQ(loader.livePayloads, 3) << "only the cursor's three next copies are left";
    // The placement is still pending, so leaving a cursor sub-mode returns to placing.
    Key('G');
    EXPECT_EQ(RightClick(), EditMode::ModePlace);

    Undo();
    EXPECT_EQ(RecordNames(), (std::vector<std::string>{"p0p0_WALLS_000", "p0p0_ROOF_000", "p0p0_DOOR_000"}));
    EXPECT_EQ(Mode(), EditMode::ModeAdjust);
    EXPECT_TRUE(field->Input().justPlaced);
    EXPECT_EQ(field->SelectedName(), "p0p0_DOOR_000");
    EXPECT_EQ(LeftClick(), EditMode::ModePlace);
}

// Only the frame update gives loader slots back, so the models an undone
// delete needs load on the background thread.
TEST_F(UndoTest, UndoingADeleteLoadsItsModelsOffTheFrameOrChangesNothing) {
    Place({"rock.mdl"}, 10.0f, 20.0f);
    PickRow(1);
    DeleteButton();
    loader.failing.insert("rock.mdl");
    UndoStep();
    EXPECT_EQ(field->PlacementRecordCount(), 0);
    EXPECT_EQ(field->PlacedModelCount(), 0);
    EXPECT_NE(field->HistoryMessage().find("rock.mdl"), std::string::npos) << field->HistoryMessage();
    EXPECT_EQ(field->UndoCount(), 2u);

    loader.failing.clear();
    std::atomic<int> loads{0};
    std::atomic<int> loadsOnTheFrame{0};
    loader.whileLoading = [&, frame = std::this_thread::get_id()](const std::string&) {
        ++loads;
        loadsOnTheFrame += std::this_thread::get_id() == frame ? 1 : 0;
    };
    field->RequestUndo();
    field->UpdateEditing(); // the frame asks for the load and goes on
    EXPECT_EQ(field->PlacementRecordCount(), 0);
    field->WaitForBackgroundWork();
    field->UpdateEditing();
    EXPECT_EQ(RecordNames(), (std::vector<std::string>{kRock}));
    EXPECT_EQ(Position(kRock), (Vector4{10, 20, 0, 1}));
    EXPECT_TRUE(field->HistoryMessage().empty());
    EXPECT_GT(loads, 0);
    EXPECT_EQ(loadsOnTheFrame, 0);
}

TEST_F(UndoTest, OnlyTheNewest256StepsCanBeUndone) {
    Choose({"rock.mdl"});
    for (int i = 0; i < 260; ++i) {
        PlaceAt(static_cast<float>(i % 50), 1.0f);
        LeftClick();
    }
    ASSERT_EQ(field->PlacementRecordCount(), 260);
    EXPECT_EQ(field->UndoCount(), 256u);
    for (int i = 0; i < 260; ++i) {
        Undo();
    }
    // The first four placements fell out of the history and stay.
    EXPECT_EQ(RecordNames(),
              (std::vector<std::string>{kRock, "p0p0_ROCK_001", "p0p0_ROCK_002", "p0p0_ROCK_003"}));
    EXPECT_EQ(field->RedoCount(), 256u);
}

// ---- many random operations against a plain model ------------------------------------

// The model keeps the whole record list after every step.
struct ModelRecord {
    std::string name;
    int group = 0;
    Vector4 position;
};
using ModelList = std::vector<ModelRecord>;

// The lowest number not taken, as the editor fills gaps.
std::string FreeName(const ModelList& list, const std::string& base) {
    for (int n = 0;; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "p0p0_%s_%03d", base.c_str(), n);
        if (std::ranges::none_of(list, [&](const ModelRecord& record) { return record.name == name; })) {
            return name;
        }
    }
}

TEST_F(UndoTest, TenThousandRandomOperationsMatchAPlainModel) {
    std::mt19937 random(20261206u);
    const auto pick = [&](int low, int high) { return std::uniform_int_distribution(low, high)(random); };
    // Every state of the list; undo and redo only move the index.
    std::vector<ModelList> states{ModelList{}};
    size_t at = 0;
    const auto push = [&](const ModelList& list) {
        states.resize(at + 1);
        states.push_back(list);
        if (states.size() > 257) { // 256 steps between 257 states
            states.erase(states.begin());
        }
        at = states.size() - 1;
    };
    int nextGroup = 0;
    for (int op = 0; op < 10000; ++op) {
        SCOPED_TRACE(op);
        ModelList list = states[at];
        const int count = static_cast<int>(list.size());
        const int roll = pick(0, 99);
        const int kind = roll < 30 && count > 40 ? 40 : roll; // a delete instead keeps the list short
        if (kind < 30) {
            if (Mode() != EditMode::ModePlace) {
                Choose({"a.mdl", "b.mdl"});
            }
            const Vector4 spot{static_cast<float>(pick(0, 49)), static_cast<float>(pick(0, 49)), 0, 1};
            PlaceAt(spot.x, spot.y);
            for (const char* base : {"A", "B"}) {
                list.push_back({FreeName(list, base), nextGroup, spot});
            }
            ++nextGroup;
            push(list);
        } else if (kind < 65 && count > 0) {
            const int row = pick(1, count);
            const int group = list[static_cast<size_t>(row - 1)].group;
            PickRow(row);
            if (kind >= 50) {
                DeleteButton();
                std::erase_if(list, [group](const ModelRecord& record) { return record.group == group; });
                push(list);
            } else {
                const int dx = pick(-3, 3);
                const int dy = pick(-3, 3);
                Drag('G', {100, 100}, {100 + dx, 100 + dy});
                LeftClick();
                if (dx != 0 || dy != 0) { // an unchanged confirm is no step
                    for (ModelRecord& record : list) {
                        if (record.group == group) {
                            record.position.x += static_cast<float>(dx);
                            record.position.y -= static_cast<float>(dy); // up the screen is +y
                        }
                    }
                    push(list);
                }
            }
        } else if (kind < 85) {
            Undo();
            at -= at > 0 ? 1 : 0;
        } else {
            Redo(kind % 2 == 0);
            at += at + 1 < states.size() ? 1 : 0;
        }

        const ModelList& expected = states[at];
        std::map<std::string, PlacedView> placed;
        field->ForEachPlacedModel([&](const CModelEntry& e) {
            placed[e.name] = {e.placementSerial, e.transform};
        });
        const std::vector<std::string> names = RecordNames();
        ASSERT_EQ(names.size(), expected.size());
        ASSERT_EQ(placed.size(), expected.size());
        std::map<int, uint32_t> serialOfGroup;
        std::map<uint32_t, int> groupOfSerial;
        for (size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(names[i], expected[i].name) << "row " << i + 1;
            const PlacedView& view = placed.at(names[i]);
            ASSERT_EQ(view.transform.position, expected[i].position) << names[i];
            ASSERT_EQ(view.transform.scale, (Vector4{1, 1, 1, 1}));
            const int group = expected[i].group;
            const uint32_t serial = view.placementSerial;
            ASSERT_EQ(serialOfGroup.try_emplace(group, serial).first->second, serial) << "a group split";
            ASSERT_EQ(groupOfSerial.try_emplace(serial, group).first->second, group) << "two groups merged";
        }
        const std::string selected = field->SelectedName();
        if (placed.contains(selected)) {
            ASSERT_EQ(field->Vectors().selPosition, placed.at(selected).transform.position);
        }
    }
}

} // namespace
} // namespace quorvane::testing
