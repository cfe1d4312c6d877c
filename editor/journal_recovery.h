#pragma once

#include "editor/grid_cell_store.h"
#include "editor/grid_file.h"
#include "editor/level_document.h"
#include "editor/recovery_journal.h"

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

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

// What a restore reads before it takes the field's lock: the names already
// in the cells of the placements, and the cells the edits change, as they are now.
struct RestoreReads {
    std::map<std::filesystem::path, std::unordered_set<std::string>> namesInFiles;
    std::map<std::string, CellRead> cells; // by the file's generic path
};
RestoreReads ReadForRestore(const JournalRecord& recoverable, const std::filesystem::path& gridRoot,
                            const std::function<GridFileLines(const std::filesystem::path&)>& linesOf,
                            IGridFileAccess& access);

// Puts an earlier run's edits back into the document, over their cells as
// read now. An edit the file already holds is dropped; one whose cell cannot
// be read, or whose placement has left its file, is returned with the reason
// in problems, to be kept for the next start. changed: the document took one.
std::vector<WrittenPart> PutEditsBack(CLevelDocument& document, const std::vector<WrittenPart>& edits,
                                      const std::map<std::string, CellRead>& cells,
                                      std::vector<std::string>& problems, bool& changed);

} // namespace quorvane
