// Opening, restoring and declining what an earlier run left unwritten: nothing
// offered for restore is lost without the user saying so.
#include "editor/recovery_journal.h"
#include "editor_fixture.h"

#include <mutex>

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

std::string U32(uint32_t value) {
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<char>((value >> shift) & 0xFFu));
    }
    return bytes;
}

class FieldRecovery : public EditorFixture {
protected:
    std::filesystem::path JournalPath() const { return dir / "recovery.journal"; }

    static UnwrittenPlacement Old(const std::string& name, const std::string& path, float x) {
        UnwrittenPlacement part;
        part.record.uniqueName = name;
        part.record.partPath = part.record.sourcePath = path;
        part.record.modelId = FakeModelLoader::IdOf(path);
        part.placementSerial = 7;
        part.transform.position = {x, 4.0f, 0.0f, 1.0f};
        return part;
    }
    void LeaveJournal(const UnwrittenSet& set) const {
        std::string message;
        ASSERT_TRUE(CRecoveryJournal(JournalPath()).Append({set, {}}, &message)) << message;
    }
    void Open() {
        std::string message;
        ASSERT_TRUE(field->OpenRecoveryJournal(JournalPath(), &message)) << message;
    }
    std::vector<std::string> JournaledNames() const {
        field->FlushJournal();
        std::vector<std::string> names;
        for (const UnwrittenPlacement& part : CRecoveryJournal(JournalPath()).Read().Latest()) {
            names.push_back(part.record.uniqueName);
        }
        return names;
    }
};

// Names waiting to be recovered are taken: this run's rock does not get the
// earlier run's name, and restoring then brings both.
TEST_F(FieldRecovery, NamesWaitingToBeRestoredAreNotGivenToNewPlacements) {
    LeaveJournal({Old("p0p0_ROCK_000", "rock.mdl", 3.0f)});
    Open();
    Choose({"rock.mdl"});
    PlaceAt(10.0f, 20.0f);
    EXPECT_EQ(RecordNames(), (std::vector<std::string>{"p0p0_ROCK_001"}));
    std::string message;
    EXPECT_EQ(field->RestoreFromJournal(&message), 1);
    EXPECT_TRUE(message.empty()) << message;
    EXPECT_EQ(RecordNames(), (std::vector<std::string>{"p0p0_ROCK_001", "p0p0_ROCK_000"}));
    EXPECT_EQ(Entry("p0p0_ROCK_000")->transform.position.x, 3.0f);
}

// A name taken before the journal was read (or in a teammate's file since)
// is a clash, not a reason to drop the placement: it gets the next free name.
TEST_F(FieldRecovery, AClashGetsTheNextFreeNameAndNothingIsDropped) {
    std::filesystem::create_directories(dir / "gridfile" / "lod0");
    // Another placement under the same name, written since: a different line.
    std::ofstream(dir / "gridfile" / "lod0" / "p0p0.gmf", std::ios::binary)
        << "p0p0_TREE_000|TREE|0|0|0|0|tree.mdl|tree.mdl|99|0|0|1|1|1|0|0|0\r\n";
    Choose({"rock.mdl"});
    PlaceAt(10.0f, 20.0f); // p0p0_ROCK_000, before the journal is open
    LeaveJournal({Old("p0p0_ROCK_000", "rock.mdl", 3.0f), Old("p0p0_TREE_000", "tree.mdl", 5.0f)});
    Open();
    ASSERT_EQ(field->RecoverablePlacements().size(), 2u) << "a name in the file proves nothing by itself";

    std::string message;
    EXPECT_EQ(field->RestoreFromJournal(&message), 2);
    EXPECT_NE(message.find("p0p0_ROCK_000 was taken and is restored as p0p0_ROCK_001"), std::string::npos)
        << message;
    EXPECT_NE(message.find("p0p0_TREE_000 was taken and is restored as p0p0_TREE_001"), std::string::npos)
        << message;
    EXPECT_EQ(RecordNames(), (std::vector<std::string>{"p0p0_ROCK_000", "p0p0_ROCK_001", "p0p0_TREE_001"}));
    EXPECT_EQ(Entry("p0p0_ROCK_001")->transform.position.x, 3.0f);
    EXPECT_EQ(Entry("p0p0_TREE_001")->transform.position.x, 5.0f);
    EXPECT_EQ(JournaledNames(),
              (std::vector<std::string>{"p0p0_ROCK_000", "p0p0_ROCK_001", "p0p0_TREE_001"}));
}

// A part whose model does not load now stays recoverable, journaled, and is
// offered again by the next start.
TEST_F(FieldRecovery, APartThatDoesNotLoadIsKeptForTheNextStart) {
    const UnwrittenPlacement broken = Old("p0p0_BROKEN_000", "broken.mdl", 1.0f);
    LeaveJournal({Old("p0p0_ROCK_000", "rock.mdl", 3.0f), broken});
    loader.failing.insert("broken.mdl");
    Open();
    std::string message;
    EXPECT_EQ(field->RestoreFromJournal(&message), 1);
    EXPECT_NE(message.find("broken.mdl"), std::string::npos) << message;
    EXPECT_NE(message.find("kept for the next start"), std::string::npos) << message;
    EXPECT_EQ(field->RecoverablePlacements(), (UnwrittenSet{broken}));
    EXPECT_EQ(JournaledNames(), (std::vector<std::string>{"p0p0_ROCK_000", "p0p0_BROKEN_000"}));

    CMainField restarted(loader, dir / "gridfile");
    ASSERT_TRUE(restarted.OpenRecoveryJournal(JournalPath(), &message)) << message;
    EXPECT_EQ(restarted.RecoverablePlacements().size(), 2u) << "the rock is unwritten too";
}

// A record whose checksum holds but whose count the bytes cannot hold: the
// file is set aside whole, what came before it is still offered, and the
// start goes on with a fresh journal.
TEST_F(FieldRecovery, AHugeCountWithAValidChecksumSetsTheFileAsideAndTheStartGoesOn) {
    const UnwrittenPlacement good = Old("p0p0_ROCK_000", "rock.mdl", 3.0f);
    LeaveJournal({good});
    const std::string payload = U32(0x00FFFFFFu) + std::string(4096, 'x');
    const std::string huge = U32(static_cast<uint32_t>(payload.size())) + U32(Crc32(payload)) + payload;
    {
        std::ofstream out(JournalPath(), std::ios::binary | std::ios::app);
        out << huge;
    }
    const std::string before = ReadFile(JournalPath());

    std::string message;
    ASSERT_TRUE(field->OpenRecoveryJournal(JournalPath(), &message)) << message;
    EXPECT_NE(message.find("recovery.journal.damaged"), std::string::npos) << message;
    EXPECT_EQ(ReadFile(dir / "recovery.journal.damaged"), before) << "kept byte for byte";
    EXPECT_EQ(field->RecoverablePlacements(), (UnwrittenSet{good}));
    Choose({"tree.mdl"});
    PlaceAt(10.0f, 20.0f);
    EXPECT_EQ(JournaledNames(), (std::vector<std::string>{"p0p0_TREE_000", "p0p0_ROCK_000"}));
}

// The failure handler comes with the opening, so even the first write, queued
// by the opening itself, is told.
TEST_F(FieldRecovery, TheFirstWriteThatFailsIsTold) {
    std::ofstream(dir / "occupied") << "a file where the journal's folder should be";
    std::mutex toldMutex;
    std::vector<std::string> told;
    std::string message;
    ASSERT_TRUE(field->OpenRecoveryJournal(dir / "occupied" / "recovery.journal", &message,
                                           [&](const std::string& failure) {
                                               std::lock_guard lock(toldMutex);
                                               told.push_back(failure);
                                           }))
        << message;
    field->FlushJournal();
    std::lock_guard lock(toldMutex);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("occupied"), std::string::npos) << told[0];
}

} // namespace
} // namespace quorvane::testing
