#pragma once

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

struct JournalContents {
    std::vector<UnwrittenSet> records; // every complete record, oldest first
    size_t validLength = 0;            // bytes up to the end of the last complete record
    bool damagedTail = false;          // a cut or corrupt record followed them and was ignored
    std::string error;                 // set when the file is not a journal at all

    // What a restart should restore: the newest complete record, or nothing.
    UnwrittenSet Latest() const { return records.empty() ? UnwrittenSet{} : records.back(); }
};

// An append-only file of the unwritten placements. A record is its payload's
// length and CRC-32, then the payload; each is on disk (fsync) before Append
// returns, so a crash loses at most the record being written, which the reader
// then skips.
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
    bool Append(const UnwrittenSet& set, std::string* message);

    // Leaves the header alone: nothing is left to recover.
    bool Clear(std::string* message);

    // Renames the file to the first free "<name>.damaged", "<name>.damaged-2", ...
    // so that a journal this run cannot read is kept for a person to look at;
    // the next append starts a new one.
    bool SetAside(std::filesystem::path* setAsidePath, std::string* message);

    // The byte form of one record, for tests that cut or damage files.
    static std::string EncodeRecord(const UnwrittenSet& set);
    static const std::string& Header();

private:
    bool Prepare(std::string* message);
    // Replaces the file by header + bytes through a fresh file and a rename.
    bool Rewrite(const std::string& bytes, std::string* message);

    std::filesystem::path path_;
    bool prepared_ = false;
    size_t length_ = 0; // file length after our last write
};

} // namespace quorvane
