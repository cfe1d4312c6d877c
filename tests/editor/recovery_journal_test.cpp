// The recovery journal file: round trips, cut and damaged ends, foreign files.
#include "editor/recovery_journal.h"
#include "tests/file_faults.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <string>

namespace quorvane {
namespace {

class RecoveryJournalTest : public ::testing::Test {
protected:
    test::CScratchDirectory dir{"quorvane_journal"};
    std::filesystem::path path = dir / "recovery.journal";

    std::string Bytes() const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void WriteBytes(const std::string& bytes) const { std::ofstream(path, std::ios::binary) << bytes; }

    static UnwrittenPlacement Part(const std::string& name, float x, uint32_t serial) {
        const std::string path = "model/木/" + name + ".mdl";
        // Level 1, copy 2, shader 3, list number 4, animated.
        return {{1, 2, 3, 4, 1, name, path, "ID_" + name, path, u8"./model/森.mdf"},
                serial,
                {{1.5f, 2.0f, 0.25f, 1.0f}, {-170.0f, 0.0f, 33.5f, 1.0f}, {x, -7.125f, 1e-7f, 1.0f}}};
    }
    // Appends sets of one, two, ... parts, keeping each and where its record ends in the file.
    void AppendSets(int count) {
        CRecoveryJournal journal(path);
        std::string message;
        for (int i = 0; i < count; ++i) {
            UnwrittenSet set;
            for (int part = 0; part <= i; ++part) {
                set.push_back(Part("p0p0_P_00" + std::to_string(part), static_cast<float>(i), part));
            }
            ASSERT_TRUE(journal.Append({set, {}}, &message)) << message;
            sets.push_back(set);
            ends.push_back(Bytes().size());
        }
    }

    std::vector<UnwrittenSet> sets;
    std::vector<size_t> ends;
};

TEST_F(RecoveryJournalTest, RecordsOfPlacementsAndEditsComeBackExactlyInOrder) {
    const auto edit = [](const std::string& name, float x, bool deleted) {
        GridLine line{name, "ID_" + name, 1, 2, 3, 1, "model/家.mdl", "src.mdl", {}, {}, {}};
        line.position = {x, -2.5f, 1e-7f, 1.0f};
        line.scale = {2.0f, 1.0f, 0.5f, 1.0f};
        line.rotation = {0.0f, -90.0f, 45.5f, 1.0f};
        return WrittenPart{u8"グリッド/lod0/p0m1.gmf", line, deleted};
    };
    const JournalRecord first{{Part("p0p0_TRUNK_000", 10.0f, 1), Part("p0p0_LEAVES_000", 10.0f, 1)},
                              {edit("p0m1_HOUSE_000", 5.0f, false)}};
    const JournalRecord second{{Part("p0p0_TRUNK_000", 40.0f, 1), Part("p1p0_ROCK_000", 55.5f, 2)},
                               {edit("p0m1_HOUSE_000", 7.0f, false), edit("p0m1_TREE_002", 3.0f, true)}};
    CRecoveryJournal journal(path);
    std::string message;
    ASSERT_TRUE(journal.Append(first, &message)) << message;
    ASSERT_TRUE(journal.Append(second, &message)) << message;

    const JournalContents contents = CRecoveryJournal(path).Read();
    EXPECT_TRUE(contents.error.empty());
    EXPECT_FALSE(contents.damagedTail);
    EXPECT_EQ(contents.records, (std::vector<JournalRecord>{first, second}));
    EXPECT_EQ(contents.validLength, Bytes().size());
}

// Written by an editor that journaled unwritten placements only.
TEST_F(RecoveryJournalTest, AnOlderJournalReadsAndTheFirstAppendReplacesItWhole) {
    std::filesystem::copy_file(QUORVANE_TEST_DATA "/journal/older_format.journal", path);
    JournalContents contents = CRecoveryJournal(path).Read();
    ASSERT_TRUE(contents.error.empty()) << contents.error;
    EXPECT_TRUE(contents.olderFormat);
    EXPECT_FALSE(contents.damagedTail);
    const std::string tree = "./model/tree/tree.mdl";
    const UnwrittenPlacement part{
        {0, 0, 2, 0, 0, "p0p0_TREE_000", tree, "TREE", tree, u8"./model/森.mdf"},
        3,
        {{1.5f, 1.5f, 1.5f, 1.0f}, {0.0f, 90.0f, 0.0f, 1.0f}, {12.5f, 0.0f, -4.0f, 1.0f}}};
    EXPECT_EQ(contents.records, (std::vector<JournalRecord>{{{part}, {}}}));

    // Appended behind the older header, the new record would not read back.
    CRecoveryJournal journal(path);
    std::string message;
    const JournalRecord next{{part, Part("p0p0_B_000", 2.0f, 4)}, {}};
    ASSERT_TRUE(journal.Append(next, &message)) << message;
    contents = CRecoveryJournal(path).Read();
    EXPECT_FALSE(contents.olderFormat);
    EXPECT_EQ(Bytes().substr(0, 8), std::string("QVJRNL2\n"));
    EXPECT_EQ(contents.records, std::vector<JournalRecord>{next});
}

// A cut in the header is a journal still being made; one after it keeps the
// whole records before the cut.
TEST_F(RecoveryJournalTest, AFileCutAtAnyByteHoldsTheWholeRecordsBeforeTheCut) {
    AppendSets(3);
    const std::string complete = Bytes();
    for (size_t cut = 0; cut < complete.size(); ++cut) {
        SCOPED_TRACE(cut);
        WriteBytes(complete.substr(0, cut));
        const JournalContents contents = CRecoveryJournal(path).Read();
        const auto whole =
            static_cast<size_t>(std::ranges::count_if(ends, [&](size_t end) { return end <= cut; }));
        ASSERT_TRUE(contents.error.empty()) << contents.error;
        ASSERT_EQ(contents.records.size(), whole);
        for (size_t i = 0; i < whole; ++i) {
            EXPECT_EQ(contents.records[i].placements, sets[i]);
        }
        EXPECT_EQ(contents.damagedTail, cut != 0 && cut != 8 && std::ranges::find(ends, cut) == ends.end());
        EXPECT_EQ(contents.validLength, whole > 0 ? ends[whole - 1] : cut < 8 ? 0 : 8);
    }
    // Whole but with a flipped bit the last record is dropped too, and appending
    // behind it would hide the new record: the next append cuts it off first.
    std::string damaged = complete;
    damaged.back() ^= 0x01;
    WriteBytes(damaged);
    const UnwrittenSet third{Part("p0p0_B_000", 3.0f, 2)};
    std::string message;
    ASSERT_TRUE(CRecoveryJournal(path).Append({third, {}}, &message)) << message;
    const JournalContents contents = CRecoveryJournal(path).Read();
    EXPECT_FALSE(contents.damagedTail);
    ASSERT_EQ(contents.records.size(), 3u);
    EXPECT_EQ(contents.records[1].placements, sets[1]);
    EXPECT_EQ(contents.Latest(), third);
}

TEST_F(RecoveryJournalTest, AnyChangedByteDropsItsRecordAndEverythingAfterIt) {
    AppendSets(5);
    const std::string original = Bytes();
    std::mt19937 random(12345u);
    for (size_t trial = 0; trial < 2000; ++trial) {
        std::string bytes = original;
        // The first trials make each record's length huge, which must not be
        // allocated; the rest change a byte at random.
        const bool huge = trial < ends.size();
        const size_t at = huge ? (trial == 0 ? 8 : ends[trial - 1]) + 3
                               : std::uniform_int_distribution<size_t>(8, bytes.size() - 1)(random);
        bytes[at] =
            static_cast<char>(bytes[at] ^ (huge ? 0xFF : std::uniform_int_distribution<int>(1, 255)(random)));
        WriteBytes(bytes);
        const JournalContents contents = CRecoveryJournal(path).Read();
        size_t intact = 0;
        while (ends[intact] <= at) {
            ++intact;
        }
        ASSERT_TRUE(contents.error.empty()) << "byte " << at;
        ASSERT_TRUE(contents.damagedTail) << "byte " << at;
        ASSERT_EQ(contents.records.size(), intact) << "byte " << at;
        for (size_t i = 0; i < intact; ++i) {
            ASSERT_EQ(contents.records[i].placements, sets[i]) << "byte " << at;
        }
    }
}

TEST_F(RecoveryJournalTest, AFileThatIsNoJournalIsRejectedAndLeftAlone) {
    const std::string foreign = "p0p0_TREE_000 TREE 0 2 0 0 tree.mdl tree.mdl 1 2 3\n";
    WriteBytes(foreign);
    CRecoveryJournal journal(path);
    const JournalContents contents = journal.Read();
    EXPECT_NE(contents.error.find("not a recovery journal"), std::string::npos) << contents.error;
    EXPECT_TRUE(contents.records.empty());
    std::string message;
    EXPECT_FALSE(journal.Append({{Part("p0p0_A_000", 1.0f, 1)}, {}}, &message));
    EXPECT_NE(message.find("not a recovery journal"), std::string::npos) << message;
    EXPECT_FALSE(journal.Clear(&message));
    EXPECT_EQ(Bytes(), foreign);
}

TEST_F(RecoveryJournalTest, AClearedOrDeletedJournalStillTakesRecords) {
    std::string message;
    CRecoveryJournal journal(path);
    ASSERT_TRUE(journal.Append({{Part("p0p0_A_000", 1.0f, 1)}, {}}, &message)) << message;
    ASSERT_TRUE(journal.Clear(&message)) << message;
    EXPECT_EQ(Bytes(), std::string("QVJRNL2\n"));
    EXPECT_TRUE(CRecoveryJournal(path).Read().records.empty());
    std::filesystem::remove(path); // deleted while in use: started again
    const UnwrittenSet later{Part("p0p0_A_000", 1.0f, 1), Part("p0p0_B_000", 2.0f, 2)};
    ASSERT_TRUE(journal.Append({later, {}}, &message)) << message;
    const JournalContents contents = CRecoveryJournal(path).Read();
    ASSERT_EQ(contents.records.size(), 1u);
    EXPECT_EQ(contents.Latest(), later);
    EXPECT_EQ(contents.validLength, Bytes().size());
}

} // namespace
} // namespace quorvane
