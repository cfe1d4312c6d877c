#pragma once

#include "editor/grid_file.h"
#include "editor/recovery_journal.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>

namespace quorvane {

// A journal opened at start-up, with what the earlier run left unwritten.
struct OpenedJournal {
    std::unique_ptr<CRecoveryJournal> journal; // null when it could neither be read nor set aside
    JournalRecord recoverable;
    std::string message; // why the file was set aside, or why it could not be; empty when all went well
};

// Reads the journal at path. One that cannot be read, whole or at its end, is
// set aside under a new name, never cut, and a fresh one takes its place.
// What a crash between a write and the journal's clearing left in it is
// dropped: a placement whose own line is in its grid map file, an edit the
// file already holds. A name alone proves nothing: the same name may have
// been used since. linesOf reads a grid map file.
OpenedJournal
OpenJournalForRecovery(const std::filesystem::path& path, const std::filesystem::path& gridRoot,
                       const std::function<GridFileLines(const std::filesystem::path&)>& linesOf);

// True when the cell's lines already hold the edit: the line changed as the
// edit says, or gone for a delete.
bool EditAlreadyInFile(const WrittenPart& edit, const std::vector<std::string>& lines);
bool EditAlreadyInFile(const WrittenPart& edit, const std::unordered_set<std::string>& lines);

} // namespace quorvane
