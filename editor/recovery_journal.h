#pragma once

#include "editor/level_document.h"
#include "editor/model_entry.h"
#include "editor/placed_model.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quorvane {

// One placement not yet in a grid map file: its record, the group it belongs
// to and where it stands.
struct UnwrittenPlacement {
    CPlacedModel record;
    uint32_t placementSerial = 0;
    CModelTransform transform;

    friend bool operator==(const UnwrittenPlacement& a, const UnwrittenPlacement& b);
};

using UnwrittenSet = std::vector<UnwrittenPlacement>; // in list order

// Everything a crash would lose: the placements not yet written, and the
// changes and deletes of written ones.
struct JournalRecord {
    UnwrittenSet placements;
    std::vector<WrittenPart> edits;

    bool Empty() const { return placements.empty() && edits.empty(); }
    friend bool operator==(const JournalRecord&, const JournalRecord&) = default;
};

struct JournalContents {
    std::vector<JournalRecord> records; // every complete record, oldest first
    size_t validLength = 0;             // bytes up to the end of the last complete record
    bool damagedTail = false;           // a cut or corrupt record followed them and was ignored
    std::string error;                  // set when the file is not a journal at all
    bool olderFormat = false;           // written by an editor that journaled placements only

    // What a restart should restore: the newest complete record, or nothing.
    JournalRecord Newest() const { return records.empty() ? JournalRecord{} : records.back(); }
    UnwrittenSet Latest() const { return Newest().placements; }
};

// An append-only file of what is not written yet. A record is its payload's
// length and CRC-32, then the payload; each is on disk (fsync) before Append
// returns, so a crash loses at most the record being written, which the reader
// then skips. Files of the older placements-only format read too; the first
// append replaces such a file whole.
class CRecoveryJournal {
public:
    static constexpr const char* kDefaultFileName = "recovery.journal";
    static constexpr uint32_t kMaxPayload = 256u * 1024u * 1024u;

    explicit CRecoveryJournal(std::filesystem::path path);

    const std::filesystem::path& Path() const { return path_; }

    // Reads every complete record; a missing file is an empty journal.
    JournalContents Read() const;

    // Appends one record holding the whole set. The first append cuts a damaged
    // tail off; a file that is not a journal is never written over.
    bool Append(const JournalRecord& record, std::string* message);

    // Leaves the header alone: nothing is left to recover.
    bool Clear(std::string* message);

    // Renames the file to the first free "<name>.damaged", "<name>.damaged-2", ...
    // so that a journal this run cannot read is kept for a person to look at;
    // the next append starts a new one.
    bool SetAside(std::filesystem::path* setAsidePath, std::string* message);

    // The byte form of one record, for tests that cut or damage files.
    static std::string EncodeRecord(const JournalRecord& record);
    static const std::string& Header();
    static const std::string& OlderHeader();

private:
    bool Prepare(std::string* message);
    // Replaces the file by header + bytes through a fresh file and a rename.
    bool Rewrite(const std::string& bytes, std::string* message);

    std::filesystem::path path_;
    bool prepared_ = false;
    bool olderFormat_ = false; // the file on disk has the older header: replace it, never append
    size_t length_ = 0;        // file length after our last write
};

} // namespace quorvane
