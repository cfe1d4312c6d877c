#pragma once

#include "editor/grid_cell_store.h"
#include "editor/grid_writer.h"
#include "editor/level_document.h"

#include <filesystem>
#include <string>
#include <vector>

namespace quorvane {

// A cell whose written placements changed: its whole new text, and what it carries.
struct PlannedRewrite {
    std::filesystem::path path;
    std::vector<std::string> lines;
    FileStamp expected;                   // the file as it was read; another one is not overwritten
    std::vector<std::string> addedNames;  // new placements that go in with it
    std::vector<std::string> editedNames; // written placements changed or deleted
};

// The rewrites a write makes of the document's dirty cells. Their additions
// leave the batch, to go in with the rewrite; a cell that cannot be rewritten
// without losing bytes of its other lines is not planned, and its edits go
// into the batch's failures with the reason.
std::vector<PlannedRewrite> PlanCellRewrites(const CLevelDocument& document,
                                             const std::filesystem::path& gridRoot, GridWriteBatch& batch);

} // namespace quorvane
