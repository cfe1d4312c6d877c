// Choosing, placing, naming, selecting and removing placed models.
#include "editor_fixture.h"

#include <thread>
#include <tuple>

namespace quorvane::testing {
namespace {

using Placement = EditorFixture;

TEST_F(Placement, ChoosingCentresTheCursorOnTheBoxAndWaitsForTheFrameToSwapIn) {
    loader.boxes["crate.mdl"] = {{-1, 2, 0, 0}, {3, 6, 5, 0}};
    field->ChooseModelForPlacement(Definition({"crate.mdl"}));
    EXPECT_EQ(Mode(), EditMode::ModeNoModel) << "only the frame update changes the mode";
    EXPECT_TRUE(field->CursorPending());
    int shown = 0;
    field->ForEachCursorPart([&](const CCursorPart&) { ++shown; });
    EXPECT_EQ(shown, 0) << "nothing is drawn before the render thread swaps it in";

    field->UpdateEditing();
    EXPECT_FALSE(field->CursorPending());
    EXPECT_EQ(Mode(), EditMode::ModePlace);
    const EditVectors v = field->Vectors();
    EXPECT_EQ(v.cursorOffset, (Vector4{1, 4, 0, 1}));
    EXPECT_EQ(v.cursorScale, (Vector4{1, 1, 1, 1}));
    EXPECT_EQ(v.baseScale, (Vector4{1, 1, 1, 1}));
    field->ForEachCursorPart([&](const CCursorPart& part) {
        ++shown;
        EXPECT_EQ(part.modelId, "CRATE");
        EXPECT_EQ(part.offset, v.cursorOffset);
    });
    EXPECT_EQ(shown, 1);
}

TEST_F(Placement, ANewerChoiceReplacesAPendingOneWholeAndTheOldPartsAreDestroyedOnSwapIn) {
    Choose({"old.mdl"});
    field->ChooseModelForPlacement(Definition({"a.mdl", "b.mdl", "c.mdl"}));
    field->ChooseModelForPlacement(Definition({"d.mdl"}));
    EXPECT_EQ(loader.livePayloads, 2) << "the replaced pending choice is gone, the live part stays";
    field->UpdateEditing();
    EXPECT_EQ(loader.livePayloads, 1);
    std::vector<std::string> ids;
    field->ForEachCursorPart([&](const CCursorPart& part) { ids.push_back(part.modelId); });
    EXPECT_EQ(ids, (std::vector<std::string>{"D"}));
    EXPECT_EQ(field->CursorPartCount(), 1u);
}

TEST_F(Placement, ChoosingFromAnotherThreadWhileFramesRunNeverMixesTwoChoices) {
    std::atomic<bool> done{false};
    std::thread viewer([&] {
        for (int i = 0; i < 300; ++i) {
            field->ChooseModelForPlacement(i % 2 == 0 ? Definition({"a.mdl"})
                                                      : Definition({"b1.mdl", "b2.mdl", "b3.mdl"}));
        }
        done = true;
    });
    bool mixed = false;
    while (!done && !mixed) {
        field->UpdateEditing();
        std::vector<std::string> ids;
        field->ForEachCursorPart([&](const CCursorPart& part) { ids.push_back(part.modelId); });
        mixed = !(ids.empty() || ids == std::vector<std::string>{"A"} ||
                  ids == (std::vector<std::string>{"B1", "B2", "B3"}));
    }
    EXPECT_FALSE(mixed);
    viewer.join();
    field->UpdateEditing();
    EXPECT_EQ(field->CursorPartCount(), 3u);
    EXPECT_EQ(loader.livePayloads, 3);
}

// A definition without level-0 parts enters placing but places nothing.
TEST_F(Placement, OnlyLevelZeroPartsBecomeTheCursorAndEachKeepsItsOwnDefinitionValues) {
    field->ChooseModelForPlacement(Definition({"far.mdl"}, 2));
    field->UpdateEditing();
    EXPECT_EQ(Mode(), EditMode::ModePlace);
    EXPECT_EQ(field->CursorPartCount(), 0u);
    EXPECT_EQ(PlaceAt(0, 0), EditMode::ModePlace);
    EXPECT_FALSE(field->Input().justPlaced);

    CModelDefinition def = Definition({"far.mdl", "near.mdl"});
    def.lodValues[0] = 1;
    def.listNumbers[1] = 7;
    def.copyValues[1] = 1;
    field->ChooseModelForPlacement(def);
    field->UpdateEditing();
    EXPECT_EQ(loader.cursorLoads, (std::vector<std::string>{"near.mdl"}));
    EXPECT_EQ(field->CursorPartCount(), 1u);

    PlaceAt(0, 0);
    field->WaitForBackgroundWork();
    EXPECT_TRUE(loader.entryLoads.empty()) << "a click places the cursor's models, loading nothing";
    EXPECT_EQ(loader.cursorLoads, (std::vector<std::string>{"near.mdl", "near.mdl"})) << "the next copy";
    const std::vector<CPlacedModel> records = field->PlacementRecordSnapshot();
    ASSERT_EQ(records.size(), 1u);
    const CPlacedModel& r = records[0];
    EXPECT_EQ(std::tie(r.uniqueName, r.partPath, r.sourcePath, r.modelId, r.listNumber, r.copy, r.lod,
                       r.definitionPath),
              std::tuple("p0p0_NEAR_000", "near.mdl", "near.mdl", "NEAR", 7u, 1u, 0u, "./model/test.mdf"));
}

// And when no part loads, the previous placement is not taken for the new one.
TEST_F(Placement, APartThatFailsToLoadIsLeftOutAndTheOthersArePlaced) {
    loader.failing.insert("b.mdl");
    Choose({"a.mdl", "b.mdl", "c.mdl"});
    PlaceAt(0, 0);
    EXPECT_EQ(RecordNames(), (std::vector<std::string>{"p0p0_A_000", "p0p0_C_000"}));
    EXPECT_EQ(field->PlacedModelCount(), 2);
    EXPECT_EQ(Mode(), EditMode::ModeAdjust);

    LeftClick(); // confirmed
    Choose({"b.mdl"});
    PlaceAt(0, 0);
    EXPECT_EQ(field->PlacementRecordCount(), 2);
    EXPECT_EQ(Mode(), EditMode::ModePlace);
    EXPECT_FALSE(field->Input().justPlaced);
    RightClick(); // must not cancel the confirmed placement
    field->UpdateEditing();
    EXPECT_EQ(field->PlacedModelCount(), 2);
}

TEST_F(Placement, CountersFillGapsAndNamesInTheLevelZeroFileAreAvoided) {
    std::filesystem::create_directories(dir / "gridfile" / "lod0");
    std::ofstream(dir / "gridfile" / "lod0" / "m1p0.gmf", std::ios::binary)
        << "m1p0_A_000|A|0|0|0|0|a.mdl|a.mdl|0|0|0|1|1|1|0|0|0\r\n";
    Choose({"a.mdl"});
    field->SetPickPoint({-10, 10, 0, 0});
    EXPECT_EQ(field->CellName(), "m1p0");

    for (int i = 0; i < 3; ++i) {
        PlaceAt(-10, 10);
        LeftClick();
    }
    EXPECT_EQ(RecordNames(), (std::vector<std::string>{"m1p0_A_001", "m1p0_A_002", "m1p0_A_003"}));

    // Delete the middle one through the list and the delete button.
    RightClick(); // move mode: the delete button is ignored here
    ListClick(CPlacementListModel::kRowHeight + 3);
    EXPECT_EQ(field->SelectedName(), "m1p0_A_002");
    EXPECT_EQ(Mode(), EditMode::ModeAdjust);
    DeleteButton();
    EXPECT_EQ(RecordNames(), (std::vector<std::string>{"m1p0_A_001", "m1p0_A_003"}));
    LeftClick();   // the row's adjustment ends
    MiddleClick(); // back to placing
    PlaceAt(-10, 10);
    EXPECT_EQ(RecordNames(), (std::vector<std::string>{"m1p0_A_001", "m1p0_A_003", "m1p0_A_002"}));
}

TEST_F(Placement, DeletingKeepsTheListSelectionOnARowThatExistsAndEditsThatRow) {
    Choose({"a.mdl"});
    for (float x : {10.0f, 20.0f, 30.0f}) {
        PlaceAt(x, 0);
        LeftClick();
    }
    LeftClick(); // a fourth, at the last pick point
    ASSERT_EQ(field->PlacementRecordCount(), 4);
    RightClick(); // cancels the fourth through the render thread
    field->UpdateEditing();
    ASSERT_EQ(field->PlacementRecordCount(), 3);

    RightClick();
    ASSERT_EQ(Mode(), EditMode::ModeMove);
    DeleteButton();
    ASSERT_EQ(field->PlacementRecordCount(), 3) << "ignored in move mode";
    ListClick(2 * CPlacementListModel::kRowHeight); // row 3
    ASSERT_EQ(field->ListModel().Selected(), 3);
    DeleteButton();
    EXPECT_EQ(field->ListModel().Selected(), 2);
    EXPECT_EQ(Mode(), EditMode::ModeAdjust);
    EXPECT_EQ(field->SelectedName(), "p0p0_A_001");
    EXPECT_FLOAT_EQ(field->Vectors().selPosition.x, 20.0f);

    // Delete the remaining two: the list empties and the mode falls back to moving.
    DeleteButton();
    ASSERT_EQ(field->PlacementRecordCount(), 1);
    DeleteButton();
    EXPECT_EQ(field->PlacementRecordCount(), 0);
    EXPECT_EQ(Mode(), EditMode::ModeMove);
}

TEST_F(Placement, PickingARowSelectsItsPlacedModelAndEndsThePendingPlacement) {
    Choose({"a.mdl", "b.mdl"});
    PlaceAt(10, 0);
    LeftClick();
    PlaceAt(40, 5);
    ASSERT_TRUE(field->Input().justPlaced);
    ListClick(3); // row 1: the first placement's A
    EXPECT_FALSE(field->Input().justPlaced);
    EXPECT_EQ(field->SelectedName(), "p0p0_A_000");
    EXPECT_EQ(field->Vectors().selPosition, (Vector4{10, 0, 0, 1}));
    EXPECT_EQ(field->Vectors().selPositionUndo, (Vector4{10, 0, 0, 1}));

    // Editing now moves the first group only.
    MoveTo(0, 0);
    Key('G');
    MoveTo(0, -5);
    EXPECT_FLOAT_EQ(Entry("p0p0_B_000")->transform.position.y, 5.0f);
    EXPECT_FLOAT_EQ(Entry("p0p0_A_000")->transform.position.x, 10.0f);
    EXPECT_EQ(Entry("p0p0_A_001")->transform.position, (Vector4{40, 5, 0, 1}));

    // A right click there cancels the drag only; nothing is removed.
    RightClick();
    RightClick();
    field->UpdateEditing();
    EXPECT_EQ(field->PlacedModelCount(), 4);
    EXPECT_EQ(Mode(), EditMode::ModeMove);
}

TEST_F(Placement, AMiddleClickOutsideAdjustmentClearsTheListSelection) {
    Choose({"a.mdl"});
    PlaceAt(0, 0);
    MiddleClick();
    EXPECT_EQ(field->ListModel().Selected(), 1) << "adjusting keeps its row";
    Key('G');
    MiddleClick();
    EXPECT_EQ(field->ListModel().Selected(), -1);
}

} // namespace
} // namespace quorvane::testing
