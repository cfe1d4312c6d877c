// Typed numbers, Enter, Escape and Ctrl snapping inside moves, scales and rotations.
#include "editor/typed_value.h"
#include "editor_fixture.h"

#include <map>
#include <string_view>
#include <utility>

namespace quorvane::testing {
namespace {

class TypedValues : public ListFixture {
protected:
    // Types on the main keyboard: capitals are letter keys, '<' is Backspace
    // and '\n' Enter; the keys apply in order, as a frame applies them.
    EditMode Type(std::string_view text) {
        static const std::map<char, int> kSigns{
            {'-', vk::kOemMinus}, {'.', vk::kOemPeriod}, {'<', vk::kBack}, {'\n', vk::kReturn}};
        for (char c : text) {
            const int key = (c >= 'A' && c <= 'Z') ? vk::Letter(c)
                            : kSigns.contains(c)   ? kSigns.at(c)
                                                   : vk::kDigit0 + (c - '0');
            field->OnKeyDown(key);
            field->OnKeyUp(key);
        }
        return Applied();
    }
    EditMode Enter() { return Press(vk::kReturn); }
    EditMode Escape() { return Press(vk::kEscape); }
    EditMode Ctrl(bool held) {
        held ? field->OnKeyDown(vk::kControl) : field->OnKeyUp(vk::kControl);
        return Applied();
    }
    // The one placed rock, whichever cell named it.
    CModelTransform Rock() const {
        const std::vector<std::string> names = RecordNames();
        EXPECT_EQ(names.size(), 1u);
        const std::optional<PlacedView> view = names.empty() ? std::nullopt : Entry(names.front());
        return view ? view->transform : CModelTransform{};
    }
    // A rock placed at (x, y) and waiting for adjustments.
    void PlaceRock(float x, float y) { ASSERT_EQ(Place({"rock.mdl"}, x, y), EditMode::ModeAdjust); }
};

// Incomplete numbers ("-", "-.") are typed through the field below.
TEST(TypedValueText, DigitsPointMinusBackspaceAndBoundedLength) {
    CTypedValue typed;
    EXPECT_FALSE(typed.Value());
    EXPECT_FALSE(typed.Key(vk::kBack)) << "nothing to erase: the key is not used";
    EXPECT_FALSE(typed.Key(vk::Letter('X')));
    for (int key : {vk::kDigit0 + 1, vk::kDigit0 + 2, vk::kOemPeriod, vk::kOemPeriod, vk::kNumpad0 + 5}) {
        EXPECT_TRUE(typed.Key(key));
    }
    EXPECT_EQ(typed.Text(), "12.5") << "a second point is ignored";
    EXPECT_FLOAT_EQ(*typed.Value(), 12.5f);
    typed.Key(vk::kOemMinus);
    EXPECT_EQ(typed.Text(), "-12.5") << "the minus always goes in front";
    typed.Key(vk::kSubtract);
    EXPECT_EQ(typed.Text(), "12.5") << "pressed again it drops";
    typed.Key(vk::kBack);
    typed.Key(vk::kBack);
    EXPECT_EQ(typed.Text(), "12");
    EXPECT_TRUE(typed.Key(vk::kDecimal));
    EXPECT_EQ(typed.Text(), "12.");
    EXPECT_EQ(typed.Value(), std::optional<float>(12.0f)) << "a trailing point reads as .0";
    for (int i = 0; i < 40; ++i) {
        EXPECT_TRUE(typed.Key(vk::kDigit0 + 9));
    }
    EXPECT_EQ(typed.Text().size(), 12u);
}

// An Enter confirm is a step, undone and journaled as a click's; an Escape is neither.
TEST_F(TypedValues, MoveOnXByTwoAndAHalfForTheCursorAndThenForThePlacedModel) {
    OpenJournal();
    Choose({"rock.mdl"});
    field->SetPickPoint({10.0f, 20.0f, 0.0f, 0.0f});
    EXPECT_EQ(Type("GX2.5\n"), EditMode::ModePlace);
    EXPECT_EQ(LeftClick(), EditMode::ModeAdjust); // places at the unchanged pick point
    EXPECT_EQ(Rock().position, (Vector4{12.5f, 20, 0, 1}));

    const size_t steps = field->UndoCount();
    MoveTo(100, 100);
    Type("GX2.5");
    EXPECT_EQ(field->TypedValueText(), "2.5");
    EXPECT_EQ(Rock().position, (Vector4{15, 20, 0, 1}));
    EXPECT_EQ(Enter(), EditMode::ModeAdjust);
    EXPECT_EQ(field->TypedValueText(), "");
    EXPECT_EQ(field->Vectors().selPositionUndo, (Vector4{15, 20, 0, 1}));
    EXPECT_EQ(field->UndoCount(), steps + 1);
    Type("GY9");
    Escape();
    const UnwrittenSet journaled = Journaled();
    ASSERT_EQ(journaled.size(), 1u);
    EXPECT_EQ(journaled[0].transform.position, (Vector4{15, 20, 0, 1}));
    UndoStep();
    EXPECT_EQ(Rock().position, (Vector4{12.5f, 20, 0, 1}));
}

// Turns add up and wrap past 180; scale factors multiply the entry scale.
TEST_F(TypedValues, TypedTurnsAndScalesOnAPlacedModelAndOnTheCursor) {
    PlaceRock(0.0f, 0.0f);
    Type("RZ-90\n");
    EXPECT_EQ(Rock().rotation, (Vector4{0, 0, -90, 1}));
    Type("RZ-100\n");
    EXPECT_FLOAT_EQ(Rock().rotation.z, 170.0f);
    Type("SY3\nS2\n");
    EXPECT_EQ(Rock().scale, (Vector4{2, 6, 2, 1}));

    LeftClick(); // confirm the placement: back to placing
    Type("RZ-90\nS2\n");
    const EditVectors v = field->Vectors();
    EXPECT_FLOAT_EQ(v.cursorRotation.z, -90.0f);
    EXPECT_FLOAT_EQ(v.baseRotation.z, -90.0f) << "confirmed as a click confirms";
    EXPECT_EQ(v.cursorScale, (Vector4{2, 2, 2, 1}));
    EXPECT_EQ(v.baseScale, (Vector4{2, 2, 2, 1}));
}

TEST_F(TypedValues, BackspaceEditsAnEmptyTextGivesTheMouseBackAndIncompleteNumbersApplyNothing) {
    PlaceRock(10.0f, 20.0f);
    MoveTo(100, 100);
    Type("GY12<5");
    EXPECT_EQ(field->TypedValueText(), "15");
    EXPECT_EQ(Rock().position, (Vector4{10, 35, 0, 1}));
    Type("<<");
    EXPECT_EQ(Rock().position, (Vector4{10, 20, 0, 1}));
    MoveTo(100, 90); // up 10 pixels: +10 on y
    EXPECT_EQ(Rock().position, (Vector4{10, 30, 0, 1}));
    Escape();

    // Incomplete numbers apply nothing, and the mouse is ignored while typing.
    MoveTo(100, 100);
    Type("GX");
    MoveTo(140, 100); // the mouse moved first: the number counts from the entry value
    for (const auto& [typed, x] : {std::pair{"-", 10.0f}, {".", 10.0f}, {"5", 9.5f}}) {
        Type(typed);
        EXPECT_EQ(Rock().position, (Vector4{x, 20, 0, 1})) << typed;
    }
    MoveTo(300, 50);
    EXPECT_EQ(Rock().position, (Vector4{9.5f, 20, 0, 1}));

    Key('Z'); // the number moves to the new axis
    EXPECT_EQ(Rock().position, (Vector4{10, 20, -0.5f, 1}));
    MoveTo(300, 0);
    EXPECT_EQ(Rock().position, (Vector4{10, 20, -0.5f, 1}));
}

TEST_F(TypedValues, FreeMoveAndRotateKeepTheNumberUntilAnAxisIsChosen) {
    PlaceRock(10.0f, 20.0f);
    Type("G4");
    EXPECT_EQ(field->TypedValueText(), "4");
    EXPECT_EQ(Rock().position, (Vector4{10, 20, 0, 1}));
    EXPECT_EQ(Key('Y'), EditMode::ModePlacedMoveY);
    EXPECT_EQ(Rock().position, (Vector4{10, 24, 0, 1}));
    Enter();

    Type("R30");
    EXPECT_EQ(Enter(), EditMode::ModePlacedRotate); // as a click: a rotation waits for its axis
    Type("X\n");
    EXPECT_EQ(Rock().rotation, (Vector4{30, 0, 0, 1}));
}

TEST_F(TypedValues, EscapeRestoresTheEntryValuesAsARightClickDoes) {
    PlaceRock(10.0f, 20.0f);
    const size_t steps = field->UndoCount();
    // Outside a group Enter, Escape and digits change nothing.
    Type("\n");
    Escape();
    EXPECT_EQ(Type("5"), EditMode::ModeAdjust);
    EXPECT_EQ(field->TypedValueText(), "");
    for (char group : {'G', 'S', 'R'}) {
        Key(group);
        Type("X7");
        EXPECT_EQ(Escape(), EditMode::ModeAdjust) << group;
        EXPECT_EQ(field->TypedValueText(), "") << group;
    }
    EXPECT_EQ(Rock().position, (Vector4{10, 20, 0, 1}));
    EXPECT_EQ(Rock().scale, (Vector4{1, 1, 1, 1}));
    EXPECT_EQ(Rock().rotation, (Vector4{0, 0, 0, 1}));
    EXPECT_EQ(field->UndoCount(), steps) << "a cancel makes no step";

    LeftClick();
    ASSERT_EQ(MiddleClick(), EditMode::ModePlace); // back to placing with the cursor
    const EditVectors before = field->Vectors();
    Type("GZ3");
    EXPECT_FLOAT_EQ(field->Vectors().cursorOffset.z, -3.0f);
    EXPECT_EQ(Escape(), EditMode::ModeMove) << "no placement is pending, as after a right click";
    EXPECT_EQ(field->Vectors().cursorOffset, before.cursorOffset);
}

TEST_F(TypedValues, CtrlDragSnapsTheResultAtAwkwardStartingPositions) {
    PlaceRock(-3.37f, 1234.56f);
    MoveTo(100, 100);
    Key('G');
    EXPECT_EQ(Ctrl(true), EditMode::ModePlacedMove) << "Ctrl alone does not cancel";
    MoveTo(101, 100);
    EXPECT_FLOAT_EQ(Rock().position.x, -2.0f);
    EXPECT_FLOAT_EQ(Rock().position.y, 1235.0f);
    Ctrl(false);
    MoveTo(102, 100); // without Ctrl the drag goes on unrounded
    EXPECT_NEAR(Rock().position.x, -1.37f, 1e-4);
    EXPECT_NEAR(Rock().position.y, 1234.56f, 1e-3);
    Escape();

    // Vertical steps of 0.1 add up under the rounding instead of sticking to it.
    Type("GZ-3.37\nGZ");
    Ctrl(true);
    for (const auto& [y, z] : {std::pair{99, -3.0f}, {92, -3.0f}, {90, -2.0f}}) { // raw -3.27, -2.57, -2.37
        MoveTo(100, y);
        EXPECT_FLOAT_EQ(Rock().position.z, z) << y;
    }
    Enter();
    Ctrl(false);
    EXPECT_FLOAT_EQ(field->Vectors().selPositionUndo.z, -2.0f);
}

TEST_F(TypedValues, CtrlDragSnapsAnglesToFifteenAndScalesToTenths) {
    PlaceRock(0.0f, 0.0f);
    MoveTo(0, 100);
    Type("RX7.3\nRX");
    Ctrl(true);
    for (const auto& [y, angle] : {std::pair{95, 15.0f}, {87, 15.0f}, {84, 30.0f}}) { // raw 12.3, 20.3, 23.3
        MoveTo(0, y);
        EXPECT_FLOAT_EQ(Rock().rotation.x, angle) << y;
    }
    Ctrl(false);
    Enter();

    Type("S1234.56\nS");
    Ctrl(true);
    MoveTo(0, 83); // raw 1234.66 on every axis
    EXPECT_NEAR(Rock().scale.x, 1234.7f, 1e-3);
    EXPECT_NEAR(Rock().scale.z, 1234.7f, 1e-3);
    MoveTo(0, 106); // down 23 pixels: raw 1232.36
    EXPECT_NEAR(Rock().scale.y, 1232.4f, 1e-3);
    Ctrl(false);
    Escape();
}

TEST_F(TypedValues, CtrlDragSnapsTheCursorsWorldPosition) {
    Choose({"rock.mdl"});
    field->SetPickPoint({-3.37f, 1234.56f, 0.0f, 0.0f});
    MoveTo(100, 100);
    Key('G');
    Ctrl(true);
    MoveTo(101, 100); // the model would stand at (-2.37, 1234.56)
    Enter();
    Ctrl(false);
    LeftClick();
    EXPECT_FLOAT_EQ(Rock().position.x, -2.0f);
    EXPECT_FLOAT_EQ(Rock().position.y, 1235.0f);
}

} // namespace
} // namespace quorvane::testing
