// Scenarios driving the field view with keys and mouse as a user would.
#include "editor_fixture.h"

namespace quorvane::testing {
namespace {

using Scenario = EditorFixture;

TEST_F(Scenario, PlacingAThreePartModelMakesOneGroupThatMovesScalesAndRotatesTogether) {
    const std::string shadow = "p0p0_SHADOW_000";
    Choose({"tree/trunk.mdl", "tree/leaves.mdl", "tree/shadow.mdl"});
    ASSERT_EQ(Mode(), EditMode::ModePlace);
    ASSERT_EQ(field->CursorPartCount(), 3u);

    EXPECT_EQ(PlaceAt(10.0f, 20.0f), EditMode::ModeAdjust);
    EXPECT_TRUE(field->Input().justPlaced);
    EXPECT_EQ(RecordNames(), (std::vector<std::string>{kTrunk, kLeaves, shadow}));
    ASSERT_EQ(field->PlacedModelCount(), 3);
    for (const std::string& part : {kLeaves, shadow}) {
        EXPECT_EQ(Entry(part)->placementSerial, Entry(kTrunk)->placementSerial) << part;
    }
    EXPECT_EQ(field->ListModel().Selected(), 3);
    EXPECT_EQ(field->SelectedName(), shadow);
    EXPECT_EQ(Entry(kTrunk)->transform.position, (Vector4{10, 20, 0, 1}));

    // G, X, drag 30 pixels right: every part follows along x only.
    MoveTo(100, 100);
    EXPECT_EQ(Key('G'), EditMode::ModePlacedMove);
    EXPECT_EQ(Key('X'), EditMode::ModePlacedMoveX);
    MoveTo(130, 80);
    for (const std::string& name : {kTrunk, kLeaves, shadow}) {
        EXPECT_EQ(Entry(name)->transform.position, (Vector4{40, 20, 0, 1})) << name;
    }
    EXPECT_EQ(LeftClick(), EditMode::ModeAdjust);
    EXPECT_EQ(field->Vectors().selPositionUndo, (Vector4{40, 20, 0, 1}));

    // R, Z, drag up 190 pixels: the angle wraps past 180.
    Key('R');
    EXPECT_EQ(Key('Z'), EditMode::ModePlacedRotateZ);
    MoveTo(130, -90);
    MoveTo(130, -110);
    EXPECT_NEAR(Entry(kTrunk)->transform.rotation.z, -170.0f, 1e-4);
    EXPECT_EQ(LeftClick(), EditMode::ModeAdjust);
    EXPECT_NEAR(field->Vectors().selRotationUndo.z, -170.0f, 1e-4);

    // Confirming the placement returns to placing with a fresh cursor.
    EXPECT_EQ(LeftClick(), EditMode::ModePlace);
    EXPECT_FALSE(field->Input().justPlaced);
    EXPECT_EQ(field->PlacedModelCount(), 3);
}

TEST_F(Scenario, AxisKeyDuringACursorDragKeepsTheOffsetFromTheGPress) {
    Choose({"rock.mdl"});
    MoveTo(50, 50);
    EXPECT_EQ(Key('G'), EditMode::ModeCursorMove);
    MoveTo(40, 60);
    EXPECT_EQ(field->Vectors().cursorOffset, (Vector4{10, 10, 0, 1}));

    EXPECT_EQ(Key('X'), EditMode::ModeCursorMoveX);
    EXPECT_EQ(field->Input().dragAnchor, (PixelPoint{40, 60}));
    MoveTo(35, 60);
    // x starts again from the offset at G time; y keeps the last dragged value.
    EXPECT_EQ(field->Vectors().cursorOffset, (Vector4{5, 10, 0, 1}));

    EXPECT_EQ(LeftClick(), EditMode::ModePlace);
    EXPECT_EQ(field->Vectors().cursorOffsetUndo, (Vector4{5, 10, 0, 1}));
    int parts = 0;
    field->ForEachCursorPart([&](const CCursorPart& part) {
        ++parts;
        EXPECT_EQ(part.offset, (Vector4{5, 10, 0, 1}));
    });
    EXPECT_EQ(parts, 1);
}

TEST_F(Scenario, CursorZMoveAndScaleFollowTheVerticalMouseMotion) {
    Choose({"rock.mdl"});
    Drag('G', {0, 100}, {0, 80}, 'Z'); // up 20 pixels raises the model: the offset goes down
    EXPECT_FLOAT_EQ(field->Vectors().cursorOffset.z, -2.0f);
    EXPECT_EQ(RightClick(), EditMode::ModeMove) << "no placement is pending";
    EXPECT_FLOAT_EQ(field->Vectors().cursorOffset.z, 0.0f);

    MiddleClick();
    Drag('S', {0, 80}, {0, 60}, 'Y');
    const EditVectors v = field->Vectors();
    EXPECT_FLOAT_EQ(v.cursorScale.y, 3.0f);
    EXPECT_FLOAT_EQ(v.cursorScale.x, 1.0f);
}

TEST_F(Scenario, ConfirmedCursorScaleAndRotationBecomeTheCentreOfTheNextDraw) {
    Choose({"rock.mdl"});
    Drag('S', {0, 0}, {0, 5}); // down 5 pixels: -0.5
    LeftClick();
    EXPECT_EQ(field->Vectors().baseScale, (Vector4{0.5f, 0.5f, 0.5f, 1}));
    Drag('R', {0, 5}, {0, 35}, 'X'); // down 30 pixels: -30 degrees
    LeftClick();
    EXPECT_FLOAT_EQ(field->Vectors().baseRotation.x, -30.0f);

    PlaceAt(0, 0);
    EXPECT_EQ(Entry("p0p0_ROCK_000")->transform.scale, (Vector4{0.5f, 0.5f, 0.5f, 1}));
    LeftClick(); // confirm: all ranges 0, so the next cursor is exactly the base
    const EditVectors v = field->Vectors();
    EXPECT_EQ(v.cursorScale, v.baseScale);
    EXPECT_EQ(v.cursorRotation, v.baseRotation);
}

TEST_F(Scenario, ConfirmDrawsTheNextScaleAndRotationFromTheSeededGenerator) {
    ranges.scale = {1, 1, 1, 0};
    ranges.rotation = {1, 1, 1, 0};
    Place({"rock.mdl"}, 0, 0);
    LeftClick();
    // Draws 4068, 213, 12761, 8758 from seed 1234.
    const EditVectors v = field->Vectors();
    EXPECT_NEAR(v.cursorScale.z, 0.5068f, 1e-5);
    EXPECT_NEAR(v.cursorRotation.y, 99.396f, 1e-4);
    EXPECT_NEAR(v.cursorRotation.z, -44.712f, 1e-4);
}

TEST_F(Scenario, RotationNeedsAnAxisBeforeItCanBeConfirmed) {
    Choose({"rock.mdl"});
    EXPECT_EQ(Key('R'), EditMode::ModeCursorRotate);
    MoveTo(0, 50);
    EXPECT_EQ(LeftClick(), EditMode::ModeCursorRotate);
    EXPECT_EQ(Key('Y'), EditMode::ModeCursorRotateY);
    EXPECT_EQ(RightClick(), EditMode::ModeMove);

    // The same for a placed model: mode 24 ignores the left button.
    MiddleClick();
    PlaceAt(0, 0);
    Key('R');
    EXPECT_EQ(LeftClick(), EditMode::ModePlacedRotate);
    EXPECT_EQ(RightClick(), EditMode::ModeAdjust);
}

TEST_F(Scenario, CancellingACursorAxisModeOrClickingAListedModelAfterAConfirmedPlacementEndsInMoveMode) {
    Place({"rock.mdl"}, 0, 0);
    ASSERT_EQ(LeftClick(), EditMode::ModePlace);
    Key('G');
    ASSERT_EQ(Key('X'), EditMode::ModeCursorMoveX);
    EXPECT_EQ(RightClick(), EditMode::ModeMove);
    EXPECT_EQ(RightClick(), EditMode::ModeMove);
    EXPECT_EQ(MiddleClick(), EditMode::ModePlace);
    EXPECT_EQ(RightClick(), EditMode::ModeMove);

    // A left click on the model picked from the list ends in move mode too.
    ASSERT_EQ(ListClick(0), EditMode::ModeAdjust);
    ASSERT_FALSE(field->Input().justPlaced);
    EXPECT_EQ(LeftClick(), EditMode::ModeMove);
    EXPECT_EQ(field->ListModel().Selected(), -1);
    EXPECT_EQ(field->PlacedModelCount(), 1);
}

TEST_F(Scenario, ModeKeysOutsideTheirModesOnlyMoveTheAnchor) {
    MoveTo(5, 7);
    for (char key : {'G', 'S', 'R', 'X', 'Y', 'Z'}) {
        EXPECT_EQ(Key(key), EditMode::ModeNoModel) << key;
    }
    EXPECT_EQ(field->Input().dragAnchor, (PixelPoint{5, 7}));

    Choose({"rock.mdl"});
    ASSERT_EQ(RightClick(), EditMode::ModeMove);
    EXPECT_EQ(Key('G'), EditMode::ModeMove);

    // Inside a group, S does not leave it nor save a new undo value.
    MiddleClick();
    Key('G');
    MoveTo(15, 7); // offset x -10
    EXPECT_EQ(Key('S'), EditMode::ModeCursorMove);
    RightClick();
    EXPECT_FLOAT_EQ(field->Vectors().cursorOffset.x, 0.0f);
}

TEST_F(Scenario, ShiftHandsTheMouseToTheCameraUntilAnotherKeyIsPressed) {
    Choose({"rock.mdl"});
    field->OnKeyDown(vk::kShift);
    field->SetPickPoint({1, 1, 0, 0});
    LeftClick();
    EXPECT_EQ(RightClick(), EditMode::ModePlace) << "shifted buttons change no mode";
    EXPECT_EQ(field->PlacedModelCount(), 0);
    EXPECT_TRUE(field->Input().rightHeld == false && field->Input().leftHeld == false);

    field->OnKeyUp(vk::kShift);
    Key('G');
    field->OnKeyDown(vk::kShift);
    field->ApplyPostedInput();
    field->TakeMouseMoved();
    MoveTo(30, 0);
    EXPECT_TRUE(field->TakeMouseMoved());
    EXPECT_EQ(field->Vectors().cursorOffset.x, 0.0f);
    EXPECT_EQ(LeftClick(30, 0), EditMode::ModeCursorMove) << "a press with Shift only pans";

    field->OnKeyDown(vk::Letter('X')); // Shift still down, but X clears it
    MoveTo(40, 0);
    EXPECT_FLOAT_EQ(field->Vectors().cursorOffset.x, -10.0f);
    EXPECT_FALSE(field->TakeMouseMoved());
    Press(vk::kShift);
    EXPECT_FALSE(field->Input().shiftHeld);

    ASSERT_EQ(RightClick(), EditMode::ModeMove);
    field->OnKeyDown(vk::kShift);
    EXPECT_EQ(MiddleClick(), EditMode::ModeMove);
}

TEST_F(Scenario, MouseCaptureFollowsTheButtons) {
    std::vector<bool> captures;
    FieldViewHooks hooks;
    hooks.captureMouse = [&](bool capture) { captures.push_back(capture); };
    std::vector<int> keys;
    hooks.characterKey = [&](int key, bool down) { keys.push_back(down ? key : -key); };
    field->SetHooks(hooks);
    field->SetClientOrigin({100, 200});
    field->OnRButtonDown({3, 4});
    field->ApplyPostedInput();
    EXPECT_TRUE(field->Input().rightHeld);
    EXPECT_EQ(field->Input().buttonScreen, (PixelPoint{103, 204}));
    MoveTo(10, 10);
    MoveTo(7, 15);
    EXPECT_EQ(field->Input().mouseDelta, (PixelPoint{3, -5})) << "previous minus current, in screen pixels";
    field->OnRButtonUp();
    Press(vk::kLeft);
    EXPECT_EQ(captures, (std::vector<bool>{true, false}));
    EXPECT_EQ(keys, (std::vector<int>{vk::kLeft, -vk::kLeft}));
}

} // namespace
} // namespace quorvane::testing
