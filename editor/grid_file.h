#pragma once

#include "editor/grid_file_access.h"
#include "editor/grid_map_line.h"
#include "editor/model_entry.h"
#include "editor/owned_list.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace quorvane {

// One loaded grid map file: its raw lines and the entries built from them,
// grouped by list number.
struct GridFileEntry {
    std::filesystem::path path;
    std::atomic<bool> loaded{false}; // every model of the file is loaded or shared
    std::vector<std::unique_ptr<COwnedList<CModelEntry>>> groups; // index: list number
    std::vector<uint32_t> groupShaders;                           // the last line read for a group wins
    std::vector<std::string> lines; // as read, decoded to UTF-8, without line ends
    FileStamp stamp;                // taken before the read: a later rewrite must find the file so
    // Why lines does not hold the file's bytes (a line in another encoding,
    // or one too long to keep); empty when it does, so the cell can be rewritten.
    std::string notRewritable;
};

// What reading a file left out, so the caller can tell the user.
struct GridReadReport {
    int32_t linesRead = 0;
    int32_t linesSkipped = 0;
    std::vector<std::string> problems; // "line N: why", one per skipped line
    std::string fileError;             // why the file could not be read at all
};

// Reads the file's lines (CR LF or LF) and builds their entries, or nothing when
// the file cannot be opened or read (null then, with fileError set). Damaged
// lines are skipped and reported.
std::unique_ptr<GridFileEntry> LoadGridFile(const std::filesystem::path& path, GridReadReport* report);

// The entry of one line, not loaded yet.
std::unique_ptr<CModelEntry> GridEntryOf(const GridLine& line);

// Turns the stored lines into entries (not loaded yet) in the groups of their list numbers.
void BuildGridEntries(GridFileEntry& file, GridReadReport* report);

// Destroys the file's entries; an instance gives its use of the shared entry back,
// and a shared entry nobody uses any more goes from the shared list too.
void DestroyGridFile(GridFileEntry& file, COwnedList<CModelEntry>& sharedModels);

// What naming a new placement and recovering an old one need of a grid map file.
struct GridFileLines {
    std::unordered_set<std::string> names; // first fields
    std::unordered_set<std::string> lines; // whole lines as read, decoded, without their ends
};

// Both of a grid map file; empty when it cannot be read.
GridFileLines ReadGridFileLines(const std::filesystem::path& path);

} // namespace quorvane
