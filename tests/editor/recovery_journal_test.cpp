// The recovery journal file: round trips, cut and damaged ends, foreign files.
#include "editor/recovery_journal.h"
#include "tests/file_faults.h"

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
    EXPECT_EQ(contents.Latest(), second.placements);
    EXPECT_EQ(contents.validLength, Bytes().size());
    EXPECT_EQ(Bytes().substr(0, 8), std::string("QVJRNL2\n"));
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

TEST_F(RecoveryJournalTest, RecordIsLengthAndChecksumBeforeItsPayload) {
    const UnwrittenPlacement part{{0, 0, 0, 0, 0, "p0p0_A_000", "a.mdl", "A", "a.mdl", "d.mdf"}, 0, {}};
    const std::string record = CRecoveryJournal::EncodeRecord({{part}, {}});
    // count 4, five lengths 20, their 26 bytes, six numbers 24, twelve floats 48, no edits 4.
    const uint32_t payload = 4 + 20 + 26 + 24 + 48 + 4;
    ASSERT_EQ(record.size(), 8 + payload);
    EXPECT_EQ(static_cast<uint8_t>(record[0]), payload);
    EXPECT_EQ(record.substr(1, 3), std::string(3, '\0'));
    EXPECT_EQ(record.substr(8, 4), std::string("\x01\0\0\0", 4)); // one part
    EXPECT_EQ(record.substr(12, 14), std::string("\x0a\0\0\0p0p0_A_000", 14));
}

TEST_F(RecoveryJournalTest, ACutOrDamagedLastRecordLeavesTheEarlierOnesUntilTheNextAppendCutsItOff) {
    std::string message;
    const UnwrittenSet first{Part("p0p0_A_000", 1.0f, 1)};
    const UnwrittenSet second{Part("p0p0_A_000", 1.0f, 1), Part("p0p0_B_000", 2.0f, 2)};
    const UnwrittenSet third{Part("p0p0_B_000", 3.0f, 2)};
    {
        CRecoveryJournal journal(path);
        ASSERT_TRUE(journal.Append({first, {}}, &message));
        ASSERT_TRUE(journal.Append({second, {}}, &message));
    }
    const std::string complete = Bytes();
    const std::string last = CRecoveryJournal::EncodeRecord({third, {}});
    for (size_t cut = 0; cut < last.size(); ++cut) {
        WriteBytes(complete + last.substr(0, cut));
        const JournalContents contents = CRecoveryJournal(path).Read();
        ASSERT_TRUE(contents.error.empty()) << "cut at " << cut;
        ASSERT_EQ(contents.records.size(), 2u) << "cut at " << cut;
        EXPECT_EQ(contents.records[1].placements, second) << "cut at " << cut;
        EXPECT_EQ(contents.damagedTail, cut > 0) << "cut at " << cut;
        EXPECT_EQ(contents.validLength, complete.size());
    }
    // Whole but with a flipped bit it is dropped too, and appending behind it
    // would hide the new record: the next append cuts it off first.
    std::string damaged = last;
    damaged.back() ^= 0x01;
    WriteBytes(complete + damaged);
    ASSERT_TRUE(CRecoveryJournal(path).Append({third, {}}, &message)) << message;
    const JournalContents contents = CRecoveryJournal(path).Read();
    EXPECT_FALSE(contents.damagedTail);
    EXPECT_EQ(contents.records.size(), 3u);
    EXPECT_EQ(contents.Latest(), third);
}

TEST_F(RecoveryJournalTest, AnyChangedByteDropsItsRecordAndEverythingAfterIt) {
    std::string message;
    std::vector<UnwrittenSet> sets;
    std::vector<size_t> ends; // where each record ends in the file
    {
        CRecoveryJournal journal(path);
        for (int i = 0; i < 5; ++i) {
            UnwrittenSet set;
            for (int part = 0; part <= i; ++part) {
                set.push_back(Part("p0p0_P_00" + std::to_string(part), static_cast<float>(i), part));
            }
            ASSERT_TRUE(journal.Append({set, {}}, &message));
            sets.push_back(set);
            ends.push_back(Bytes().size());
        }
    }
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

TEST_F(RecoveryJournalTest, MissingEmptyAndCutHeaderFilesHoldNothing) {
    const auto holdsNothing = [this] {
        const JournalContents contents = CRecoveryJournal(path).Read();
        return contents.error.empty() && contents.records.empty();
    };
    EXPECT_TRUE(holdsNothing()) << "missing";
    WriteBytes("");
    EXPECT_TRUE(holdsNothing()) << "empty";
    WriteBytes("QVJR"); // the header itself was being written
    EXPECT_TRUE(holdsNothing()) << "cut in the header";
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
