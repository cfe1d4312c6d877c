// The recovery journal through the field view: nothing offered for restore
// is lost without the user saying so.
#include "editor/recovery_journal.h"
#include "editor_fixture.h"

#include <map>
#include <mutex>
#include <tuple>

namespace quorvane::testing {
namespace {

// CRC-32 (IEEE), bit by bit: the journal's own table is not used to check itself.
uint32_t Crc32(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (const char ch : bytes) {
        crc ^= static_cast<uint8_t>(ch);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1u) != 0 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
        }
    }
    return ~crc;
}

std::string U32(uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

class FieldRecovery : public ListFixture {
protected:
    static UnwrittenPlacement Old(const std::string& name, const std::string& path, float x) {
        UnwrittenPlacement part{{0, 0, 0, 0, 0, name, path, FakeModelLoader::IdOf(path), path, {}}, 7, {}};
        part.transform.position = {x, 4.0f, 0.0f, 1.0f};
        return part;
    }
    void LeaveJournal(const UnwrittenSet& set) const {
        std::string message;
        ASSERT_TRUE(CRecoveryJournal(JournalPath()).Append({set, {}}, &message)) << message;
    }
    // Placing the chosen model again after the last one was confirmed.
    void PlaceAnotherAt(float x) {
        LeftClick();
        PlaceAt(x, 20.0f);
    }
};

TEST_F(FieldRecovery, ARestartRestoresTheUnwrittenPlacementsExactly) {
    OpenJournal();
    EXPECT_TRUE(field->RecoverablePlacements().empty());
    PlaceTreeAndRockThenMoveTheTree();
    const std::vector<CPlacedModel> records = field->PlacementRecordSnapshot();
    field->FlushJournal();

    // The crash: this field is never written; another one starts on the same journal.
    const std::unique_ptr<CMainField> restarted = Restarted();
    std::string message;
    ASSERT_EQ(restarted->RecoverablePlacements().size(), 3u);
    EXPECT_EQ(restarted->RestoreFromJournal(&message), 3);
    EXPECT_TRUE(message.empty()) << message;

    const auto fields = [](const CPlacedModel& r) {
        return std::tie(r.uniqueName, r.partPath, r.modelId, r.sourcePath, r.definitionPath, r.lod, r.copy,
                        r.shader, r.listNumber, r.animated);
    };
    const std::vector<CPlacedModel> back = restarted->PlacementRecordSnapshot();
    ASSERT_EQ(back.size(), records.size());
    for (size_t i = 0; i < back.size(); ++i) {
        EXPECT_EQ(fields(back[i]), fields(records[i])) << "row " << i + 1;
    }
    std::map<std::string, PlacedView> restored;
    restarted->ForEachPlacedModel([&](const CModelEntry& e) {
        restored[e.name] = {e.placementSerial, e.transform};
    });
    ASSERT_EQ(restored.size(), 3u);
    EXPECT_EQ(restored[kTrunk].transform.position, (Vector4{40, 40, 0, 1}));
    EXPECT_EQ(restored[kLeaves].transform.position, (Vector4{40, 40, 0, 1}));
    EXPECT_EQ(restored[kRock].transform.position, (Vector4{30, 5, 0, 1}));
    EXPECT_EQ(restored[kTrunk].transform.scale, (Vector4{1, 1, 1, 1}));
    EXPECT_EQ(restored[kTrunk].placementSerial, restored[kLeaves].placementSerial);
    EXPECT_NE(restored[kTrunk].placementSerial, restored[kRock].placementSerial);
    EXPECT_EQ(restarted->UnwrittenPlacementCount(), 3);
}

// Placements already in their grid file are not recovered twice.
TEST_F(FieldRecovery, TheJournalFollowsStepsUndosAndWrites) {
    OpenJournal();
    Place({"rock.mdl"}, 10.0f, 20.0f);
    PlaceAnotherAt(12.0f);
    EXPECT_EQ(JournaledNames(), (std::vector<std::string>{kRock, "p0p0_ROCK_001"}));
    UndoStep();
    EXPECT_EQ(JournaledNames(), (std::vector<std::string>{kRock}));
    RedoStep();
    EXPECT_EQ(JournaledNames(), (std::vector<std::string>{kRock, "p0p0_ROCK_001"}));
    const std::string journaled = ReadFile(JournalPath());

    ASSERT_TRUE(field->WriteGridFiles(nullptr));
    field->FlushJournal();
    const JournalContents afterWrite = CRecoveryJournal(JournalPath()).Read();
    EXPECT_TRUE(afterWrite.records.empty());
    EXPECT_TRUE(afterWrite.error.empty());
    EXPECT_TRUE(field->JournalError().empty());

    // The crash came after the lines were appended, before the journal was
    // emptied, and one more placement came after the write.
    std::ofstream(JournalPath(), std::ios::binary | std::ios::trunc) << journaled;
    UnwrittenSet newest = CRecoveryJournal(JournalPath()).Read().Latest();
    ASSERT_EQ(newest.size(), 2u);
    const UnwrittenPlacement later = Old("p0p0_ROCK_002", "rock.mdl", 1.0f);
    newest.push_back(later);
    LeaveJournal(newest);
    EXPECT_EQ(Restarted()->RecoverablePlacements(), (UnwrittenSet{later}));
}

// Their names are taken meanwhile, so this run's rock gets the next one; a
// part that does not load is kept for the next start.
TEST_F(FieldRecovery, AnEarlierRunsPlacementsWaitAndKeepTheirNamesUntilTheUserDecides) {
    const UnwrittenPlacement old = Old(kRock, "rock.mdl", 3.0f);
    const UnwrittenPlacement broken = Old("p0p0_BROKEN_000", "broken.mdl", 1.0f);
    LeaveJournal({old, broken});
    loader.failing.insert("broken.mdl");
    OpenJournal();
    ASSERT_EQ(field->RecoverablePlacements(), (UnwrittenSet{old, broken}));
    Place({"rock.mdl"}, 10.0f, 20.0f);
    EXPECT_EQ(RecordNames(), (std::vector<std::string>{"p0p0_ROCK_001"}));
    // A crash before the answer loses neither.
    const UnwrittenSet journaled = Journaled();
    ASSERT_EQ(journaled.size(), 3u);
    EXPECT_EQ(journaled[0].record.uniqueName, "p0p0_ROCK_001");
    EXPECT_EQ(journaled[1], old);
    EXPECT_EQ(journaled[2], broken);

    std::string message;
    EXPECT_EQ(field->RestoreFromJournal(&message), 1);
    EXPECT_NE(message.find("broken.mdl"), std::string::npos) << message;
    EXPECT_NE(message.find("kept for the next start"), std::string::npos) << message;
    EXPECT_EQ(RecordNames(), (std::vector<std::string>{"p0p0_ROCK_001", kRock}));
    EXPECT_EQ(Entry(kRock)->transform.position, (Vector4{3, 4, 0, 1}));
    EXPECT_NE(Entry(kRock)->placementSerial, Entry("p0p0_ROCK_001")->placementSerial);
    EXPECT_EQ(JournaledNames(), (std::vector<std::string>{"p0p0_ROCK_001", kRock, "p0p0_BROKEN_000"}));
    EXPECT_EQ(field->RecoverablePlacements(), (UnwrittenSet{broken}));
    EXPECT_EQ(Restarted()->RecoverablePlacements().size(), 3u) << "the rocks are unwritten too";
}

// Closing without writing forgets everything for good, whatever the render
// thread applies before it is stopped.
TEST_F(FieldRecovery, DecliningKeepsThisRunJournaledAndDiscardingAtCloseForgetsForGood) {
    LeaveJournal({Old("p0p0_OLD_000", "old.mdl", 3.0f)});
    OpenJournal();
    Place({"rock.mdl"}, 10.0f, 20.0f);
    std::string message;
    ASSERT_TRUE(field->DiscardRecoverable(&message)) << message;
    EXPECT_TRUE(field->RecoverablePlacements().empty());
    EXPECT_EQ(JournaledNames(), std::vector<std::string>{kRock})
        << "this run's placement, journaled without waiting for a step";

    PlaceAnotherAt(12.0f);
    ASSERT_TRUE(field->DiscardUnwritten(&message)) << message;
    UndoStep(); // the render thread still runs until it is joined
    RedoStep();
    PlaceAnotherAt(14.0f);
    EXPECT_EQ(field->PlacementRecordCount(), 3);
    EXPECT_TRUE(Journaled().empty()) << "the next start must not offer what the user discarded";
}

// So the user knows recovery is off; the handler comes with the opening, so
// even the first write, queued by the opening itself, is told.
TEST_F(FieldRecovery, AJournalThatCannotBeWrittenIsToldOncePerRunOfFailures) {
    const std::filesystem::path occupied = dir / "occupied";
    std::ofstream(occupied) << "a file where the journal's folder should be";
    std::mutex toldMutex;
    std::vector<std::string> told;
    const auto tell = [&](const std::string& what) {
        std::lock_guard lock(toldMutex);
        told.push_back(what);
    };
    std::string message;
    ASSERT_TRUE(field->OpenRecoveryJournal(occupied / "recovery.journal", &message, tell)) << message;
    const auto toldAfterFlush = [&] {
        field->FlushJournal();
        std::lock_guard lock(toldMutex);
        return told;
    };
    ASSERT_EQ(toldAfterFlush().size(), 1u);
    EXPECT_NE(told[0].find("occupied"), std::string::npos) << told[0];
    EXPECT_EQ(field->JournalError(), told[0]);
    Place({"rock.mdl"}, 10.0f, 20.0f);
    EXPECT_EQ(toldAfterFlush().size(), 1u) << "still failing: not told again";

    std::filesystem::remove(occupied);
    std::filesystem::create_directory(occupied);
    PlaceAnotherAt(12.0f);
    EXPECT_EQ(toldAfterFlush().size(), 1u);
    EXPECT_TRUE(field->JournalError().empty()) << field->JournalError();
    EXPECT_EQ(CRecoveryJournal(occupied / "recovery.journal").Read().Latest().size(), 2u);

    std::filesystem::remove_all(occupied);
    std::ofstream(occupied) << "in the way again";
    PlaceAnotherAt(14.0f);
    EXPECT_EQ(toldAfterFlush().size(), 2u) << "failing again after it worked";
}

// A name taken before the journal was read (or in a teammate's file since)
// is a clash, not a reason to drop the placement: it gets the next free name.
TEST_F(FieldRecovery, AClashGetsTheNextFreeNameAndNothingIsDropped) {
    std::filesystem::create_directories(dir / "gridfile" / "lod0");
    // Another placement under the same name, written since: a different line.
    std::ofstream(CellPath(), std::ios::binary)
        << "p0p0_TREE_000|TREE|0|0|0|0|tree.mdl|tree.mdl|99|0|0|1|1|1|0|0|0\r\n";
    Place({"rock.mdl"}, 10.0f, 20.0f); // p0p0_ROCK_000, before the journal is open
    LeaveJournal({Old(kRock, "rock.mdl", 3.0f), Old("p0p0_TREE_000", "tree.mdl", 5.0f)});
    OpenJournal();
    ASSERT_EQ(field->RecoverablePlacements().size(), 2u) << "a name in the file proves nothing by itself";

    std::string message;
    EXPECT_EQ(field->RestoreFromJournal(&message), 2);
    EXPECT_NE(message.find("p0p0_ROCK_000 was taken and is restored as p0p0_ROCK_001"), std::string::npos)
        << message;
    EXPECT_NE(message.find("p0p0_TREE_000 was taken and is restored as p0p0_TREE_001"), std::string::npos)
        << message;
    const std::vector<std::string> names{kRock, "p0p0_ROCK_001", "p0p0_TREE_001"};
    EXPECT_EQ(RecordNames(), names);
    EXPECT_EQ(Entry("p0p0_ROCK_001")->transform.position.x, 3.0f);
    EXPECT_EQ(Entry("p0p0_TREE_001")->transform.position.x, 5.0f);
    EXPECT_EQ(JournaledNames(), names);
}

// A count the record's bytes cannot hold: the file is set aside whole, beside
// an earlier one kept the same way, and what came before it is still offered.
TEST_F(FieldRecovery, AHugeCountWithAValidChecksumSetsTheFileAsideAndTheStartGoesOn) {
    std::ofstream(dir / "recovery.journal.damaged") << "an earlier one, kept";
    const UnwrittenPlacement good = Old(kRock, "rock.mdl", 3.0f);
    LeaveJournal({good});
    const std::string payload = U32(0x00FFFFFFu) + std::string(4096, 'x');
    std::ofstream(JournalPath(), std::ios::binary | std::ios::app)
        << U32(static_cast<uint32_t>(payload.size())) + U32(Crc32(payload)) + payload;
    const std::string before = ReadFile(JournalPath());

    std::string message;
    ASSERT_TRUE(field->OpenRecoveryJournal(JournalPath(), &message)) << message;
    EXPECT_NE(message.find("recovery.journal.damaged-2"), std::string::npos) << message;
    EXPECT_EQ(ReadFile(dir / "recovery.journal.damaged-2"), before) << "kept byte for byte";
    EXPECT_EQ(ReadFile(dir / "recovery.journal.damaged"), "an earlier one, kept");
    EXPECT_EQ(field->RecoverablePlacements(), (UnwrittenSet{good}));
    Place({"tree.mdl"}, 10.0f, 20.0f);
    EXPECT_EQ(JournaledNames(), (std::vector<std::string>{"p0p0_TREE_000", kRock}));
}

} // namespace
} // namespace quorvane::testing
