// Reading a cell file and writing it back: appended or rewritten whole, never
// over a change someone else made on disk, never half written.
#include "editor/grid_cell_store.h"
#include "editor/grid_map_line.h"
#include "tests/file_faults.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::testing {
namespace {

const std::filesystem::path kData = QUORVANE_TEST_DATA "/grid_store";

// The file's bytes; none when it does not exist.
std::optional<std::string> Contents(const std::filesystem::path& path) {
    if (!std::filesystem::exists(path)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes the bytes, or removes the file when there are none.
void Put(const std::filesystem::path& path, const std::optional<std::string>& bytes) {
    std::filesystem::create_directories(path.parent_path());
    if (!bytes) {
        std::filesystem::remove(path);
        return;
    }
    std::ofstream(path, std::ios::binary) << *bytes;
}

class GridCellStore : public ::testing::Test {
protected:
    test::CScratchDirectory dir{"quorvane_cell_store"}; // the process id keeps parallel tests apart
    std::filesystem::path cell = GridFilePath(dir / "gridfile", 0, "p0p0");
    CGridFileAccess access;

    CellRead MustRead(IGridFileAccess& from) {
        CellRead read = ReadCell(from, cell);
        EXPECT_TRUE(read.readable) << read.message;
        return read;
    }
};

TEST_F(GridCellStore, ARewriteAfterAMoveAndADeleteGivesTheHandWrittenFile) {
    Put(cell, Contents(kData / "p0p0.gmf"));
    const CellRead read = MustRead(access);
    ASSERT_EQ(read.lines.size(), 3u);

    // The editor moves the rock and deletes the third placement.
    std::string why;
    std::optional<GridLine> rock = ParseGridLine(read.lines[1], &why);
    ASSERT_TRUE(rock) << why;
    rock->position = {12.5f, -3.0f, 1.0f, 1.0f};
    std::optional<std::string> moved = FormatGridLine(*rock, &why);
    ASSERT_TRUE(moved) << why;
    moved->resize(moved->size() - 2); // the store adds the line end

    const auto result = WriteCell(access, {cell, CellRewrite{{read.lines[0], *moved}, read.stamp}});
    ASSERT_EQ(result.outcome, CellWriteOutcome::Written) << result.message;
    EXPECT_EQ(Contents(cell), Contents(kData / "p0p0_moved_and_deleted.gmf"));
    EXPECT_EQ(access.ReadCount(), 1u);
}

TEST_F(GridCellStore, AnAppendKeepsTheOldLfBytesAndEndsTheNewLinesWithCrLf) {
    Put(cell, Contents(kData / "p1p0_lf.gmf"));
    const std::vector<std::string> added = {
        "p1p0_BARREL_000|BARREL|0|2|1|0|model/props/barrel.mdl|model/props/barrel.mdl|54.000000|1.000000|"
        "0.000000|1.000000|1.000000|1.000000|0.000000|0.000000|30.000000",
        "p1p0_BARREL_001|BARREL|1|2|1|0|model/props/barrel.mdl|model/props/barrel.mdl|56.000000|1.000000|"
        "0.000000|1.000000|1.000000|1.000000|0.000000|0.000000|60.000000",
    };
    const CellWriteResult result = WriteCell(access, {cell, CellAppend{added}});
    ASSERT_EQ(result.outcome, CellWriteOutcome::Written) << result.message;
    EXPECT_EQ(Contents(cell), Contents(kData / "p1p0_lf_appended.gmf"));
    EXPECT_EQ(access.ReadCount(), 0u);
}

TEST_F(GridCellStore, CellLinesAreTheStoredBytesWithoutTheirLineEnds) {
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"CrLf and Lf mixed", "a\nb\r\nc\n", {"a", "b", "c"}},
        {"last line without an end", "a\r\nb", {"a", "b"}},
        {"blank lines keep their place", "a\r\n\r\n\nb\r\n", {"a", "", "", "b"}},
        {"a carriage return inside a line stays", "a\rb\r\n", {"a\rb"}},
        {"blanks at the ends stay", " a \t\r\n", {" a \t"}},
        {"Cp932 bytes stay undecoded", "\x83\x65\x83\x58\x83\x67.mdl\r\n", {"\x83\x65\x83\x58\x83\x67.mdl"}},
        {"empty", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Put(cell, c.bytes);
        const CellRead read = MustRead(access);
        EXPECT_EQ(read.lines, c.lines);
        EXPECT_TRUE(read.stamp.exists);
        EXPECT_EQ(read.stamp.size, c.bytes.size());
    }
}

TEST_F(GridCellStore, AFileChangedOnDiskSinceItWasReadIsToldAndNothingIsWritten) {
    struct Case {
        const char* what;
        std::optional<std::string> before; // the file when the editor reads it; none: missing
        std::optional<std::string> after;  // the file left by someone else; none: deleted
        bool later;                        // its time moved on as well
        const char* told;                  // what the message says happened
    };
    const Case cases[] = {
        {"a line added", "a|1\r\n", "a|1\r\nb|2\r\n", false, "5 bytes then, 10 now"},
        // Version control may bring a file of the same size: only its time tells.
        {"same size, modified later", "a|1\r\n", "z|9\r\n", true, "modified again"},
        {"deleted", "a|1\r\n", std::nullopt, false, "deleted"},
        {"created after it was read missing", std::nullopt, "t|1\r\n", false, "created"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Put(cell, c.before);
        const CellRead read = MustRead(access);
        Put(cell, c.after);
        if (c.later) {
            std::filesystem::last_write_time(cell, read.stamp.modified + std::chrono::seconds(1));
        }
        const CellWriteResult result = WriteCell(access, {cell, CellRewrite{{"mine|1"}, read.stamp}});
        EXPECT_EQ(result.outcome, CellWriteOutcome::ChangedOnDisk);
        EXPECT_NE(result.message.find(cell.string()), std::string::npos) << result.message;
        EXPECT_NE(result.message.find(c.told), std::string::npos) << result.message;
        EXPECT_FALSE(result.stamp);
        EXPECT_EQ(Contents(cell), c.after);
        EXPECT_FALSE(std::filesystem::exists(ReplaceTemporaryPath(cell)));
    }
}

TEST_F(GridCellStore, LinesWithLineEndsAreRefusedAndNothingIsWritten) {
    struct Case {
        bool rewrite; // else an append
        std::vector<std::string> lines;
        const char* told;
    };
    const Case cases[] = {
        {false, {"c|3", "d|\n4"}, "line 2 "},
        {false, {"c|3\r"}, "line 1 "},
        {true, {"a|1", "b|2", "c|3\r\n"}, "line 3 "},
        {true, {"a|\r1"}, "line 1 "},
    };
    const std::string original = "a|1\r\nb|2\r\n";
    Put(cell, original);
    const CellRead read = MustRead(access);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.told);
        const CellWriteResult result =
            WriteCell(access, c.rewrite ? CellWrite{cell, CellRewrite{c.lines, read.stamp}}
                                        : CellWrite{cell, CellAppend{c.lines}});
        EXPECT_EQ(result.outcome, CellWriteOutcome::Failed);
        EXPECT_NE(result.message.find(c.told), std::string::npos) << result.message;
        EXPECT_NE(result.message.find(cell.string()), std::string::npos) << result.message;
    }
    EXPECT_EQ(Contents(cell), original);
}

// The stamp each write hands back is all the next rewrite needs; the first
// rewrite finds no cell and makes it and its folder.
TEST_F(GridCellStore, WritesWithKnownStampsReadNothing) {
    struct Step {
        bool rewrite; // else an append
        std::vector<std::string> lines;
        const char* bytes; // the file afterwards
    };
    const std::vector<Step> steps = {
        {true, {"a|1"}, "a|1\r\n"},
        {false, {"b|2"}, "a|1\r\nb|2\r\n"},
        {true, {"b|2", "a|1"}, "b|2\r\na|1\r\n"},
        {false, {}, "b|2\r\na|1\r\n"},
        {true, {"c|3"}, "c|3\r\n"},
        {true, {}, ""},
        {true, {"d|4"}, "d|4\r\n"}, // the empty file's stamp holds
    };
    FileStamp stamp; // no cell yet
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        const CellWriteResult result =
            WriteCell(access, step.rewrite ? CellWrite{cell, CellRewrite{step.lines, stamp}}
                                           : CellWrite{cell, CellAppend{step.lines}});
        ASSERT_EQ(result.outcome, CellWriteOutcome::Written) << "step " << i << ": " << result.message;
        ASSERT_TRUE(result.stamp) << "step " << i;
        EXPECT_TRUE(std::filesystem::is_regular_file(cell)) << "step " << i;
        EXPECT_EQ(Contents(cell), step.bytes) << "step " << i;
        stamp = *result.stamp;
    }
    EXPECT_EQ(access.ReadCount(), 0u);
    EXPECT_EQ(MustRead(access).stamp, stamp);
    EXPECT_EQ(access.ReadCount(), 1u);
}

// The reasons a file cannot be read are FileBytesTest's: one is enough to show
// that the store hands the failure on, naming the file.
TEST_F(GridCellStore, ACellThatCannotBeReadOrWrittenSaysWhichAndAWriteKeepsTheOldFile) {
    const std::filesystem::path unreadable = dir.DirectoryNamed("p2p0.gmf");
    const CellRead failed = ReadCell(access, unreadable);
    EXPECT_FALSE(failed.readable);
    EXPECT_NE(failed.message.find(unreadable.string()), std::string::npos) << failed.message;

    Put(cell, "a|1\r\n");
    const CellRead read = MustRead(access);
    // A folder where the temporary file goes: it cannot be created.
    std::filesystem::create_directories(ReplaceTemporaryPath(cell) / "kept");
    // A file where an appended cell's folder should be.
    Put(dir / "occupied", "a file where the folder should be");
    const std::filesystem::path folderless = GridFilePath(dir / "occupied", 0, "p0p0");
    for (const CellWrite& write :
         {CellWrite{cell, CellRewrite{{"b|2"}, read.stamp}}, CellWrite{folderless, CellAppend{{"a|1"}}}}) {
        const CellWriteResult result = WriteCell(access, write);
        EXPECT_EQ(result.outcome, CellWriteOutcome::Failed);
        EXPECT_NE(result.message.find(write.path.string()), std::string::npos) << result.message;
        EXPECT_FALSE(result.stamp);
    }
    EXPECT_EQ(Contents(cell), "a|1\r\n");
}

TEST_F(GridCellStore, AnInterruptedRewriteLeavesTheWholeOldOrTheWholeNewCell) {
    struct Case {
        const char* what;
        ReplaceStep crashAt;
        bool newLinesAtPath; // else the old ones
        bool temporaryLeft;  // "<cell>.gmf.new" holds the new bytes
        CellWriteOutcome retryWithOldStamp;
    };
    const Case cases[] = {
        {"after the temporary is synced", ReplaceStep::TemporarySynced, false, true,
         CellWriteOutcome::Written},
        {"after the rename, before the folder sync", ReplaceStep::Renamed, true, false,
         CellWriteOutcome::ChangedOnDisk},
    };
    const std::string oldBytes = Contents(kData / "p0p0.gmf").value();
    const std::string newBytes = Contents(kData / "p0p0_moved_and_deleted.gmf").value();
    // The lines of the hand-written result, as a read hands them over.
    const std::vector<std::string> newLines = ReadCell(access, kData / "p0p0_moved_and_deleted.gmf").lines;
    ASSERT_EQ(newLines.size(), 2u);
    const std::filesystem::path temporary = ReplaceTemporaryPath(cell);
    // Cells are found by the name the cell gives them: the leftover is never one.
    EXPECT_NE(temporary.extension(), ".gmf");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Put(cell, oldBytes);
        const CellRead before = MustRead(access);
        CGridFileAccess crashing([&](ReplaceStep step) {
            return step == c.crashAt ? StepDecision::Stop : StepDecision::Continue;
        });
        const CellWriteResult crashed = WriteCell(crashing, {cell, CellRewrite{newLines, before.stamp}});
        EXPECT_EQ(crashed.outcome, CellWriteOutcome::Failed);
        EXPECT_FALSE(crashed.stamp);
        EXPECT_EQ(Contents(cell), c.newLinesAtPath ? newBytes : oldBytes);
        EXPECT_EQ(Contents(temporary), c.temporaryLeft ? std::optional(newBytes) : std::nullopt);

        // Trying again with the stamp of the first read only works while the old file is still there.
        const CellWriteResult retried = WriteCell(access, {cell, CellRewrite{newLines, before.stamp}});
        EXPECT_EQ(retried.outcome, c.retryWithOldStamp) << retried.message;
        // The next rewrite from a fresh read puts the leftover to use.
        const auto next = WriteCell(access, {cell, CellRewrite{{newLines[0]}, MustRead(access).stamp}});
        ASSERT_EQ(next.outcome, CellWriteOutcome::Written) << next.message;
        EXPECT_EQ(Contents(cell), newLines[0] + "\r\n");
        EXPECT_FALSE(std::filesystem::exists(temporary));
    }
}

} // namespace
} // namespace quorvane::testing
