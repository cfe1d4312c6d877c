#include "editor/level_document.h"

#include <gtest/gtest.h>

namespace quorvane::testing {
namespace {

const std::filesystem::path kCell = "gridfile/lod0/p0p0.gmf";
const std::string kHouse =
    "p0p0_H|HOUSE|0|2|0|0|h.mdl|h.mdl|1.000000|2.000000|0.000000|1.000000|1.000000|1.000000|"
    "0.000000|0.000000|0.000000";
const std::string kHouseMoved =
    "p0p0_H|HOUSE|0|2|0|0|h.mdl|h.mdl|4.000000|2.000000|0.000000|1.000000|1.000000|"
    "1.000000|0.000000|0.000000|0.000000";
// The same values, spelt otherwise by another tool.
const std::string kTree = "p0p0_T|TREE|0|2|1|0|t.mdl|t.mdl|5|6|0|1|1|1|0|0|0";
const std::string kDamaged = "not a grid line";

CLevelDocument Kept() {
    CLevelDocument document;
    document.KeepCell(kCell, {kHouse, kDamaged, kTree, ""}, FileStamp{true, 1, {}});
    return document;
}

WrittenPart Part(const CLevelDocument& document, const std::string& name) {
    return *document.AsWritten(kCell, name);
}

TEST(LevelDocument, EditsReplaceTheirLinesInPlaceAndKeepWhatCannotBeRead) {
    CLevelDocument document = Kept();
    WrittenPart house = Part(document, "p0p0_H");
    house.line.position.x = 4.0f;
    ASSERT_TRUE(document.Set(house));
    WrittenPart tree = Part(document, "p0p0_T");
    tree.deleted = true;
    ASSERT_TRUE(document.Set(tree));

    const std::vector<std::string> expected = {kHouseMoved, kDamaged, "", "p0p0_N|added"};
    EXPECT_EQ(document.LinesAfterEdits(kCell, {"p0p0_N|added"}), expected);
    EXPECT_EQ(document.DirtyCells(), std::vector<std::filesystem::path>{kCell});
}

TEST(LevelDocument, AValueBackAsWrittenIsNoEditWhateverItsSpelling) {
    CLevelDocument document = Kept();
    WrittenPart tree = Part(document, "p0p0_T");
    tree.line.position.x = 9.0f;
    document.Set(tree);
    ASSERT_TRUE(document.IsDirty(kCell));
    tree.line.position.x = 5.0f;
    document.Set(tree);
    EXPECT_FALSE(document.IsDirty(kCell));
    EXPECT_EQ(document.LinesAfterEdits(kCell, {}), (std::vector<std::string>{kHouse, kDamaged, kTree, ""}));
}

TEST(LevelDocument, APlacementOutsideTheKeptCellsCannotBeSet) {
    CLevelDocument document = Kept();
    WrittenPart stranger = Part(document, "p0p0_H");
    stranger.line.uniqueName = "p0p0_X";
    EXPECT_FALSE(document.Set(stranger));
    stranger.file = "gridfile/lod0/p1p0.gmf";
    EXPECT_FALSE(document.Set(stranger));
    EXPECT_TRUE(document.Empty());
}

// The parts one click placed are written one after another at one spot; a
// neighbour elsewhere, or the same spot further on, is another copy.
TEST(LevelDocument, PartsPlacedTogetherAreTheNeighboursAtTheSameSpot) {
    const auto line = [](const std::string& name, const char* x) {
        return name + "|M|0|2|0|0|m.mdl|m.mdl|" + x + "|2.000000|0.000000|1.000000|1.000000|1.000000|" +
               "0.000000|0.000000|30.000000";
    };
    CLevelDocument document;
    document.KeepCell(kCell,
                      {line("p0p0_A", "1.000000"), line("p0p0_B", "1.0"), line("p0p0_C", "1.000000"),
                       line("p0p0_D", "7.000000"), line("p0p0_E", "1.000000")},
                      FileStamp{true, 1, {}});
    const std::vector<std::string> abc{"p0p0_A", "p0p0_B", "p0p0_C"};
    EXPECT_EQ(document.PlacedTogether(kCell, "p0p0_B"), abc);
    EXPECT_EQ(document.PlacedTogether(kCell, "p0p0_D"), std::vector<std::string>{"p0p0_D"});
    EXPECT_EQ(document.PlacedTogether(kCell, "p0p0_E"), std::vector<std::string>{"p0p0_E"});
    // A deleted part between them is passed over; a moved one leaves the run.
    WrittenPart b = Part(document, "p0p0_B");
    b.deleted = true;
    document.Set(b);
    EXPECT_EQ(document.PlacedTogether(kCell, "p0p0_A"), (std::vector<std::string>{"p0p0_A", "p0p0_C"}));
    WrittenPart c = Part(document, "p0p0_C");
    c.line.position.x = 3.0f;
    document.Set(c);
    EXPECT_EQ(document.PlacedTogether(kCell, "p0p0_A"), std::vector<std::string>{"p0p0_A"});
}

} // namespace
} // namespace quorvane::testing
