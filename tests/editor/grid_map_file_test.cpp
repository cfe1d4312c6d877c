// Writing placements to grid map files and reading them back.
#include "editor/grid_map_line.h"
#include "editor_fixture.h"
#include "tests/comma_locale.h"

#include <clocale>
#include <limits>
#include <tuple>

namespace quorvane::testing {
namespace {

using GridMapFiles = EditorFixture;

const char* const kTreeLine = "p0p0_TREE_000|TREE|0|2|0|0|tree.mdl|tree.mdl|10.000000|20.000000|0.000000|"
                              "1.000000|1.000000|1.000000|0.000000|0.000000|0.000000\r\n";

// A rock placed in the given cell, to be written at a level.
std::unique_ptr<CPlacedModel> Rock(const std::string& name, uint32_t lod) {
    auto record = PlacementRecord(name, "ROCK", "rock.mdl");
    record->lod = lod;
    return record;
}

// A write also ends the undo history: the copies it wrote live in their files now.
TEST_F(GridMapFiles, AWriteAppendsCrLfLinesClearsTheHistoryAndTheNextFrameDropsWhatWasWritten) {
    GridWriteReport report;
    ASSERT_TRUE(field->WriteGridFiles(&report));
    EXPECT_FALSE(report.historyCleared) << "nothing was written";
    Place({"tree.mdl"}, 10, 20);
    LeftClick();
    EXPECT_EQ(field->UnwrittenPlacementCount(), 1);
    ASSERT_TRUE(field->WriteGridFiles(&report))
        << (report.failures.empty() ? "" : report.failures[0].message);
    EXPECT_EQ(report.writtenNames, (std::vector<std::string>{"p0p0_TREE_000"}));
    EXPECT_EQ(ReadFile(CellPath()), kTreeLine);
    EXPECT_EQ(field->GridState(), CMainField::kGridWritten);
    EXPECT_TRUE(report.historyCleared);
    EXPECT_EQ(field->UnwrittenPlacementCount(), 0) << "written, though not yet cleaned up";

    // Until the render thread has cleaned up, a second write is refused and writes nothing.
    EXPECT_FALSE(field->WriteGridFiles(&report));
    EXPECT_TRUE(report.refused);
    EXPECT_EQ(ReadFile(CellPath()), kTreeLine);

    field->UpdateEditing();
    EXPECT_EQ(field->GridState(), CMainField::kGridIdle);
    EXPECT_EQ(field->PlacedModelCount(), 0);
    EXPECT_EQ(field->PlacementRecordCount(), 0);

    // The name is taken now: the next tree continues the count.
    PlaceAt(10, 20);
    EXPECT_EQ(RecordNames(), (std::vector<std::string>{"p0p0_TREE_001"}));
}

// A record goes to the cell and level it was placed in, even after its model
// moved; negative cells and higher levels get their own directories.
TEST_F(GridMapFiles, RecordsGoToTheirCellAndLevelAndReadBackWithSixDecimalsKept) {
    // A decimal comma locale must neither leak into the file nor change how it reads back.
    const test::CCommaLocale locale(LC_NUMERIC);
    ASSERT_TRUE(locale.InEffect());

    COwnedList<CPlacedModel> records;
    COwnedList<CModelEntry> placed;
    records.Append(Rock("p0p0_ROCK_000", 0))->shader = 2;
    records.Append(Rock("m1p0_ROCK_000", 2));
    records.Append(Rock("p3m12_ROCK_000", 0));
    // Now over cell p0m2.
    CModelEntry* entry = placed.Append(PlacedEntry("p0p0_ROCK_000", {1.2345678f, -75.5f, 123456.78f, 1}));
    entry->transform.scale = {1.0f, 0.5f, 2.25f, 1};
    entry->transform.rotation = {-179.999f, 90.0f, 0.0000001f, 1};
    placed.Append(PlacedEntry("m1p0_ROCK_000", {-10, 5, 0, 1}));
    placed.Append(PlacedEntry("p3m12_ROCK_000", {160, -590, 0, 1}));
    ASSERT_TRUE(WriteGridRecords(dir / "gridfile", records, placed).AllWritten());
    EXPECT_FALSE(std::filesystem::exists(CellPath("p0m2")));
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / "gridfile" / "lod2" / "m1p0.gmf"));
    EXPECT_TRUE(std::filesystem::is_regular_file(CellPath("p3m12")));
    const std::string written = ReadFile(CellPath());
    EXPECT_EQ(written.find(','), std::string::npos) << written;
    EXPECT_NE(written.find("|1.234568|"), std::string::npos) << written;

    GridReadReport read;
    const auto file = LoadGridFile(CellPath(), &read);
    ASSERT_TRUE(file);
    EXPECT_EQ(read.linesSkipped, 0);
    ASSERT_EQ(file->groups.size(), 1u);
    ASSERT_EQ(file->groups[0]->Count(), 1);
    const CModelEntry& back = *file->groups[0]->At(1);
    EXPECT_EQ(std::tie(back.name, back.modelId, back.path, back.shader),
              std::tuple("p0p0_ROCK_000", "ROCK", "rock.mdl", 2u));
    EXPECT_FALSE(back.loaded);
    EXPECT_NEAR(back.transform.position.x, 1.234568f, 1e-6);
    EXPECT_EQ(back.transform.position.y, -75.5f);
    EXPECT_NEAR(back.transform.position.z, 123456.78f, 0.01);
    EXPECT_EQ(back.transform.scale, (Vector4{1.0f, 0.5f, 2.25f, 1}));
    EXPECT_NEAR(back.transform.rotation.x, -179.999f, 1e-4);
    EXPECT_EQ(back.transform.rotation.z, 0.0f);
}

TEST_F(GridMapFiles, WritingTwiceAppendsEveryLineTwice) {
    Place({"tree.mdl"}, 10, 20);
    const auto first = WriteGridLines(dir / "gridfile", field->PendingGridLines());
    const auto second = WriteGridLines(dir / "gridfile", field->PendingGridLines());
    ASSERT_TRUE(first.AllWritten() && second.AllWritten());
    EXPECT_EQ(ReadFile(CellPath()), std::string(kTreeLine) + kTreeLine);
    const auto file = LoadGridFile(CellPath(), nullptr);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->groups[0]->Count(), 2);
    EXPECT_EQ(file->groups[0]->At(1)->name, file->groups[0]->At(2)->name);
}

TEST_F(GridMapFiles, LinesOfSeveralListNumbersFillEveryGroupUpToTheHighest) {
    std::ofstream(dir / "p0p0.gmf", std::ios::binary)
        << "p0p0_A_000|A|0|4|3|0|a.mdl|a.mdl|0|0|0|1|1|1|0|0|0\r\n"
           "p0p0_B_000|B|0|1|0|1|b.mdl|b.mdl|0|0|0|1|1|1|0|0|0\n" // LF alone is read too
           "p0p0_C_000|C|1|6|3|0|c.mdl|c.mdl|0|0|0|1|1|1|0|0|0";  // and a last line without one
    GridReadReport read;
    const auto file = LoadGridFile(dir / "p0p0.gmf", &read);
    ASSERT_TRUE(file);
    EXPECT_EQ(read.linesSkipped, 0);
    ASSERT_EQ(file->groups.size(), 4u);
    EXPECT_EQ(file->groups[0]->Count(), 1);
    EXPECT_EQ(file->groups[1]->Count(), 0);
    EXPECT_EQ(file->groups[2]->Count(), 0);
    EXPECT_EQ(file->groups[3]->Count(), 2);
    EXPECT_EQ(file->groupShaders[3], 6u) << "the last line of a group sets its shader";
    EXPECT_TRUE(file->groups[0]->At(1)->animated);
    EXPECT_EQ(file->groups[3]->At(2)->copy, 1u);
}

TEST_F(GridMapFiles, DamagedLinesAreSkippedCountedAndNeverBlowUpTheGroups) {
    std::ofstream(dir / "bad.gmf", std::ios::binary)
        << "p0p0_A_000|A|0|0|0|0|a.mdl|a.mdl|0|0|0|1|1|1|0|0|0\r\n"
           "p0p0_B_000|B|0|0|0|0|b.mdl|b.mdl|0|0|0|1|1|1|0|0\r\n"          // 16 fields
           "p0p0_C_000|C|0|x|0|0|c.mdl|c.mdl|0|0|0|1|1|1|0|0|0\r\n"        // shader not a number
           "p0p0_D_000|D|0|0|99999999|0|d.mdl|d.mdl|0|0|0|1|1|1|0|0|0\r\n" // list number far too high
           "p0p0_E_000|E|0|0|-1|0|e.mdl|e.mdl|0|0|0|1|1|1|0|0|0\r\n"       // negative list number
           "p0p0_F_000|F|0|0|0|0|f.mdl|f.mdl|0|0|0|1|1|1|0|0|zero\r\n"     // rotation not a number
           "p0p0_G|H_000|G|0|0|0|0|g.mdl|g.mdl|0|0|0|1|1|1|0|0|0\r\n"      // a name holding "|"
           "\r\n"
           "p0p0_I_000|I|0|0|0|0|i.mdl|i.mdl|.5|-2|+3|1|1|1|0|0|0\r\n";
    GridReadReport read;
    const auto file = LoadGridFile(dir / "bad.gmf", &read);
    ASSERT_TRUE(file);
    EXPECT_EQ(read.linesSkipped, 6);
    EXPECT_EQ(read.problems.size(), 6u);
    EXPECT_EQ(read.linesRead, 8);
    ASSERT_EQ(file->groups.size(), 1u);
    ASSERT_EQ(file->groups[0]->Count(), 2);
    EXPECT_EQ(file->groups[0]->At(2)->transform.position, (Vector4{0.5f, -2, 3, 1}));
}

TEST_F(GridMapFiles, AFileWithoutLineEndsOrUnreadableIsReportedNotHeldInMemory) {
    std::ofstream(dir / "huge.gmf", std::ios::binary) << std::string(200000, 'a');
    GridReadReport read;
    const auto file = LoadGridFile(dir / "huge.gmf", &read);
    ASSERT_TRUE(file);
    EXPECT_EQ(read.linesSkipped, 1);
    EXPECT_TRUE(file->groups.empty());
    EXPECT_LE(file->lines[0].size(), kMaxGridLineBytes);
    // Why a file cannot be read is the file reader's to tell (its own tests): it is passed on.
    GridReadReport missing;
    EXPECT_FALSE(LoadGridFile(dir / "missing.gmf", &missing));
    EXPECT_FALSE(missing.fileError.empty());
    EXPECT_TRUE(ReadGridFileLines(dir / "missing.gmf").names.empty());
    EXPECT_FALSE(LoadGridFile(dir, nullptr)) << "a directory is not a file";
}

TEST_F(GridMapFiles, AFailedWriteKeepsItsPlacementsAndOnlyTheWrittenOnesAreCleanedUp) {
    std::ofstream(dir / "gridfile") << "a file where the directory should be";
    Place({"tree.mdl"}, 10, 20);
    GridWriteReport report;
    EXPECT_FALSE(field->WriteGridFiles(&report));
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].uniqueName, "p0p0_TREE_000");
    EXPECT_NE(report.failures[0].message.find("cannot create the directory"), std::string::npos);
    EXPECT_EQ(field->GridState(), CMainField::kGridIdle);
    field->UpdateEditing();
    EXPECT_EQ(field->PlacementRecordCount(), 1);
    EXPECT_EQ(field->PlacedModelCount(), 1);

    // Once the directory can be made the same placement goes out, but not one
    // whose cell file cannot be opened.
    std::filesystem::remove(dir / "gridfile");
    std::filesystem::create_directories(CellPath("p1p0"));
    LeftClick();
    PlaceAt(60, 20);
    EXPECT_FALSE(field->WriteGridFiles(&report));
    EXPECT_EQ(report.writtenNames, (std::vector<std::string>{"p0p0_TREE_000"}));
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].path, CellPath("p1p0"));
    field->UpdateEditing();
    EXPECT_EQ(RecordNames(), (std::vector<std::string>{"p1p0_TREE_000"}));
    EXPECT_TRUE(Entry("p1p0_TREE_000").has_value());
}

TEST_F(GridMapFiles, ATextFieldThatWouldBreakTheLineIsRefusedWithAReason) {
    Place({"tree.mdl", "odd|name.mdl"}, 10, 20);
    GridWriteReport report;
    EXPECT_FALSE(field->WriteGridFiles(&report));
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].uniqueName, "p0p0_ODD|NAME_000");
    EXPECT_NE(report.failures[0].message.find("\"|\""), std::string::npos);
    EXPECT_EQ(ReadFile(CellPath()), kTreeLine);
    field->UpdateEditing();
    EXPECT_EQ(RecordNames(), (std::vector<std::string>{"p0p0_ODD|NAME_000"}));

    std::string why;
    GridLine line{"p0p0_A_000", "A", 0, 0, 0, 0, "a\n.mdl", "a.mdl", {}, {}, {}};
    EXPECT_FALSE(FormatGridLine(line, &why));
    line.partPath = "";
    EXPECT_FALSE(FormatGridLine(line, &why)) << "an empty field would shift the ones after it";
    line.partPath = "a.mdl";
    ASSERT_TRUE(FormatGridLine(line, &why));
    line.scale.y = std::numeric_limits<float>::infinity();
    EXPECT_FALSE(FormatGridLine(line, &why));
    EXPECT_NE(why.find("not finite"), std::string::npos);
}

TEST_F(GridMapFiles, DestroyingAFileGivesBackOnlyTheUsesItsInstancesHeld) {
    std::ofstream(dir / "a.gmf", std::ios::binary)
        << "p0p0_R_000|ROCK|1|0|0|0|r.mdl|r.mdl|0|0|0|1|1|1|0|0|0\n"
           "p0p0_R_001|ROCK|1|0|1|0|r.mdl|r.mdl|0|0|0|1|1|1|0|0|0\n"
           "p0p0_R_002|ROCK|1|0|1|0|r.mdl|r.mdl|0|0|0|1|1|1|0|0|0\n";
    std::ofstream(dir / "b.gmf", std::ios::binary)
        << "p1p0_R_000|ROCK|1|0|0|0|r.mdl|r.mdl|0|0|0|1|1|1|0|0|0\n";
    auto a = LoadGridFile(dir / "a.gmf", nullptr);
    auto b = LoadGridFile(dir / "b.gmf", nullptr);
    ASSERT_TRUE(a && b);
    COwnedList<CModelEntry> shared;
    // Another shared entry of the same model ID, listed first: its uses are not the copies'.
    CModelEntry* otherRock = shared.Append(PlacedEntry("ROCK", {}));
    otherRock->useCount = 1;
    CModelEntry* source = shared.Append(PlacedEntry("ROCK", {}));
    source->useCount = 3;
    // Two of a's copies and b's copy became instances; a's third still waits for the model.
    for (CModelEntry* copy : {a->groups[0]->At(1), a->groups[1]->At(1), b->groups[0]->At(1)}) {
        copy->isInstance = true;
        copy->source = source;
    }

    DestroyGridFile(*a, shared);
    EXPECT_TRUE(a->groups.empty());
    ASSERT_EQ(shared.Count(), 2);
    EXPECT_EQ(source->useCount, 1);
    EXPECT_EQ(otherRock->useCount, 1);
    DestroyGridFile(*b, shared);
    ASSERT_EQ(shared.Count(), 1);
    EXPECT_EQ(shared.At(1), otherRock);
}

// The cells in memory take the written copies and lines; only a cell someone
// else changed since it was read goes, to be read again.
TEST_F(GridMapFiles, AWriteJoinsTheCellsInMemoryWithoutReadingThem) {
    // A tree placed, confirmed and written.
    const auto writeATree = [this] {
        PlaceAt(10, 20);
        LeftClick();
        ASSERT_TRUE(field->WriteGridFiles(nullptr));
        field->UpdateEditing();
    };
    Choose({"tree.mdl"});

    // The cell the first write begins joins memory as a new file; in memory it
    // takes the next copy, line and stamp: the next rewrite finds the file as it expects.
    writeATree();
    writeATree();
    ASSERT_EQ(field->GridFileCount(), 1);
    field->Lists().gridFiles.ForEach([&](const GridFileEntry& file) {
        std::vector<std::string> names;
        for (const auto& group : file.groups) {
            group->ForEach([&](const CModelEntry& entry) { names.push_back(entry.name); });
        }
        EXPECT_EQ(names, (std::vector<std::string>{"p0p0_TREE_000", "p0p0_TREE_001"}));
        EXPECT_EQ(file.path, CellPath());
        EXPECT_EQ(file.lines.size(), 2u);
        FileStamp now;
        std::string message;
        ASSERT_TRUE(CGridFileAccess().Stamp(CellPath(), &now, &message)) << message;
        EXPECT_EQ(file.stamp, now);
    });
    EXPECT_EQ(field->GridFileReads(), 0u);

    // A teammate's line since: the cell goes and is read again by streaming.
    std::ofstream(CellPath(), std::ios::binary | std::ios::app)
        << "p0p0_WELL_000|WELL|0|2|0|0|well.mdl|well.mdl|1.000000|1.000000|0.000000|"
           "1.000000|1.000000|1.000000|0.000000|0.000000|0.000000\r\n";
    writeATree();
    EXPECT_EQ(field->GridFileCount(), 0);
    EXPECT_EQ(field->PlacedModelCount(), 0);
}

} // namespace
} // namespace quorvane::testing
