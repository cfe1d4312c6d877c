#pragma once

#include "editor/grid_file_access.h"
#include "editor/grid_map_line.h"
#include "editor/model_entry.h"
#include "editor/owned_list.h"
#include "editor/placed_model.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

struct GridWriteFailure {
    std::string uniqueName;
    std::filesystem::path path; // empty when the record never got as far as a file
    std::string message;
};

// A cell file a write appended to, so that a cell held in memory can take the
// new lines without reading the file again.
struct AppendedCell {
    std::filesystem::path path;
    std::vector<std::string> lines; // as appended, without line ends
    FileStamp before;               // the file just before the append (exists false: the write made it)
    std::optional<FileStamp> after; // just after; none when it could not be looked at
};

// The outcome of one write, for the user and for the clean-up that follows it.
struct GridWriteReport {
    bool refused = false;                   // the previous write is still being cleaned up
    std::vector<std::string> writtenNames;  // records whose line is in their file
    std::vector<std::string> orphanNames;   // records whose placed model is gone: nothing to write
    std::vector<GridWriteFailure> failures; // records kept for a later try
    bool historyCleared = false;            // the field's undo history ended with this write
    std::vector<std::string> changedNames;  // written placements whose change or delete reached their file
    std::vector<AppendedCell> appended;     // the files appended to, in the order written

    bool AllWritten() const { return !refused && failures.empty(); }
};

// One record turned into its line, with the level of detail and cell that name its file.
struct PendingGridLine {
    uint32_t lod = 0;
    std::string cell;
    GridLine line;
};

// What a write will do, taken from the lists in one go so that the files can be
// written without holding them.
struct GridWriteBatch {
    std::vector<PendingGridLine> lines;
    std::vector<std::string> orphanNames;   // records whose placed model is gone: nothing to write
    std::vector<GridWriteFailure> failures; // records that can never be written as they are
};

// The line a record is written as, standing where transform puts it.
GridLine GridLineOf(const CPlacedModel& record, const CModelTransform& transform);

// One line per record, the position, scale and rotation taken from the placed
// model of the same name.
GridWriteBatch CollectGridLines(const COwnedList<CPlacedModel>& records,
                                const COwnedList<CModelEntry>& placedModels);

// Appends the lines to root/lod<lod>/<cell>.gmf. Each file gets its lines in one
// append; a file that fails is cut back to its old length so no half line stays
// in it. Directories are created as needed.
GridWriteReport WriteGridLines(const std::filesystem::path& root, GridWriteBatch batch);

// Both of the above.
GridWriteReport WriteGridRecords(const std::filesystem::path& root, const COwnedList<CPlacedModel>& records,
                                 const COwnedList<CModelEntry>& placedModels);

// Appends bytes to the file (created when missing); on failure the file keeps
// its old length and the message says why.
bool AppendToFile(const std::filesystem::path& path, const std::string& bytes, std::string* message);

} // namespace quorvane
