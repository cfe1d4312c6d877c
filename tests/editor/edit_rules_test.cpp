// The small rules the editing core is built from: angles, the random draw,
// cells, mode guides and the placement list's paging.
#include "editor/cell_name.h"
#include "editor/edit_mode.h"
#include "editor/grid_map_line.h"
#include "editor/placement_list_model.h"
#include "editor/placement_random.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(Angles, WrapIntoMinus180To180) {
    EXPECT_FLOAT_EQ(WrapAngle(190.0f), -170.0f);
    EXPECT_FLOAT_EQ(WrapAngle(-190.0f), 170.0f);
    EXPECT_FLOAT_EQ(WrapAngle(180.0f), 180.0f);
    EXPECT_FLOAT_EQ(WrapAngle(540.0f), 180.0f);
    EXPECT_FLOAT_EQ(WrapAngle(-900.0f), -180.0f);
    const float far = WrapAngle(1e30f); // would never finish stepping by 360
    EXPECT_GE(far, -180.0f);
    EXPECT_LE(far, 180.0f);
}

TEST(RandomDraw, TheGeneratorMatchesTheClassicSequenceFromSeed1234) {
    CPlacementRandom random;
    EXPECT_EQ(random.Next(), 4068);
    EXPECT_EQ(random.Next(), 213);
    EXPECT_EQ(random.Next(), 12761);
    EXPECT_EQ(random.Next(), 8758);
    for (int i = 0; i < 10000; ++i) {
        const int r = random.Next();
        ASSERT_TRUE(r >= 0 && r <= 32767);
    }
}

TEST(RandomDraw, ANegativeFactorNeverTakesTheScaleBelowOneHundredth) {
    CPlacementRandom random; // first factor (4068 - 9000) / 10000 = -0.4932
    RandomRanges ranges;
    ranges.scale = {0.1f, 0.1f, 0.1f, 0};
    const CursorDraw next = DrawNextCursor(random, ranges, {0.02f, 0.1f, 0.02f, 1}, {});
    EXPECT_FLOAT_EQ(next.scale.x, 0.01f);
    EXPECT_NEAR(next.scale.y, 0.1f - 0.04932f, 1e-6);
    EXPECT_FLOAT_EQ(next.scale.z, 0.01f);
}

TEST(RandomDraw, RotationsWrapAroundTheBase) {
    CPlacementRandom random; // angles 7.668, 99.396, 315.288
    RandomRanges ranges;
    ranges.rotation = {1, 0, 1, 0};
    const CursorDraw next = DrawNextCursor(random, ranges, {1, 1, 1, 1}, {175, 170, 0, 0});
    EXPECT_NEAR(next.rotation.x, 175 + 7.668f - 360, 1e-3);
    EXPECT_FLOAT_EQ(next.rotation.y, 170.0f);
    EXPECT_NEAR(next.rotation.z, 315.288f - 360, 1e-3);
}

TEST(Cells, NegativeCoordinatesAreLoweredAfterTruncation) {
    EXPECT_EQ(PickCellIndex(-0.5f), -1);
    EXPECT_EQ(PickCellIndex(-50.0f), -2);
    EXPECT_EQ(PickCellIndex(49.9f), 0);
    EXPECT_EQ(PickCellIndex(50.0f), 1);
    EXPECT_EQ(PickCellIndex(1e30f) > 0, true);
    EXPECT_EQ(PickCellIndex(-1e30f) < 0, true);
}

TEST(Cells, NamesCarryTheSignThenTheMagnitude) {
    EXPECT_EQ(CellName({3, -12}), "p3m12");
    EXPECT_EQ(CellName({0, 0}), "p0p0");
    EXPECT_EQ(CellName({-1, 5}), "m1p5");
    EXPECT_TRUE(IsCellName("m1p5"));
    EXPECT_FALSE(IsCellName("m1"));
    EXPECT_FALSE(IsCellName("p1p2x"));
    EXPECT_FALSE(IsCellName("../p1p2"));
    EXPECT_EQ(CellOfUniqueName("p3m12_TREE_000"), "p3m12");
}

TEST(EditModes, GuidesFollowTheGroups) {
    EXPECT_FALSE(GuidesForMode(EditMode::ModeAdjust));
    const auto all = GuidesForMode(EditMode::ModeCursorScale);
    ASSERT_TRUE(all);
    EXPECT_TRUE(all->x && all->y && all->z && !all->atSelection);
    const auto x = GuidesForMode(EditMode::ModePlacedScaleX);
    ASSERT_TRUE(x);
    EXPECT_TRUE(x->x && !x->y && !x->z && x->atSelection);
}

TEST(PlacementList, TwentyEntriesOnNineRowPagesTurnBetweenPageZeroAndTwo) {
    CPlacementListModel list;
    list.SetHeight(200);
    ASSERT_EQ(list.RowsPerPage(), 9);
    EXPECT_EQ(list.LastPage(20), 2);
    for (int i = 0; i < 4; ++i) {
        list.Wheel(-120, 20);
    }
    EXPECT_EQ(list.Page(), 2);
    for (int i = 0; i < 4; ++i) {
        list.Wheel(120, 20);
    }
    EXPECT_EQ(list.Page(), 0);

    list.Wheel(-120, 20);
    EXPECT_EQ(list.ClickAt(2 * CPlacementListModel::kRowHeight + 1, 20), 12);
    EXPECT_EQ(list.Page(), 1);
}

TEST(PlacementList, ClicksBelowTheRowsPickTheLastOrTurnThePage) {
    CPlacementListModel list;
    list.SetHeight(200);
    EXPECT_EQ(list.ClickAt(150, 4), 4) << "below the last row of a short list";
    EXPECT_EQ(list.ClickAt(9 * CPlacementListModel::kRowHeight + 5, 20), 10) << "the strip under a full page";
    EXPECT_EQ(list.Page(), 1);
    list.Wheel(120, 20);
    EXPECT_EQ(list.ClickAt(10, 0), 0);
    EXPECT_FALSE(list.HasSelection());

    list.SetHeight(5); // lower than one row: still one row a page
    EXPECT_EQ(list.RowsPerPage(), 1);
    list.SelectLast(3);
    EXPECT_EQ(list.Page(), 2);
}

} // namespace
} // namespace quorvane
