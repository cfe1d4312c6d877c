#pragma once

#include "editor/cell_rewrite_plan.h"
#include "editor/field_edit_state.h"
#include "editor/field_journal.h"
#include "editor/grid_cell_store.h"
#include "editor/grid_hand_over.h"
#include "editor/grid_write_runner.h"
#include "editor/grid_writer.h"
#include "editor/history_runner.h"
#include "editor/level_document.h"
#include "editor/placement_tool.h"
#include "editor/registry_lists.h"
#include "editor/shown_edits.h"
#include "editor/write_merge.h"

#include <filesystem>
#include <memory>
#include <vector>

namespace quorvane {

// The level's side of a write of the grid map files. As it begins: the
// unwritten lines to append and the cells to rewrite whole. As it ends: what
// reached its file leaves the placement lists and waits, with the rewritten
// cells' lines, to join the cells in memory, so nothing is read back; the
// history ends there, since no step may take a written placement back. The
// field's lock is held throughout.
class CGridStore {
public:
    struct Parts {
        CRegistryLists& lists;
        CLevelDocument& document;
        CShownEdits& shown;
        CPlacementTool& placement;
        FieldEditState& edit;
        CGridHandOver& handOver;
        CHistoryRunner& history;
        CFieldJournal& journal;
    };
    CGridStore(Parts parts, std::filesystem::path gridRoot)
        : parts_(parts), gridRoot_(std::move(gridRoot)), writer_(WriteGridLines),
          access_(std::make_shared<CGridFileAccess>()) {}

    // The file layers: appends (WriteGridLines unless replaced), and the cells' reads and rewrites.
    void SetWriter(GridWriteJob::LineWriter writer) { writer_ = std::move(writer); }
    void SetFileAccess(std::shared_ptr<IGridFileAccess> access) { access_ = std::move(access); }
    std::shared_ptr<IGridFileAccess> FileAccess() const { return access_; }

    GridWriteBatch PendingLines() const;
    void Collect(GridWriteJob& job) const;
    // The outcome into report; the records that reached their files into
    // records, to be destroyed after the lock.
    void TakeOut(const GridWriteJob& job, GridWriteReport& report,
                 std::vector<std::unique_ptr<CPlacedModel>>& records);
    // Render thread, its grid pass held: the written copies and cells join the cells in memory.
    CWriteMerge::Leftovers Merge();
    // Entries taken out of the lists off the render thread, for it to destroy.
    std::vector<std::unique_ptr<CModelEntry>> TakeRetired() { return std::exchange(retired_, {}); }

private:
    void FinishRewrites(const std::vector<PlannedRewrite>& rewrites,
                        const std::vector<CellWriteResult>& results, GridWriteReport& report);
    void TakeOutWritten(GridWriteReport& report, std::vector<std::unique_ptr<CPlacedModel>>& records);

    Parts parts_;
    const std::filesystem::path gridRoot_;
    GridWriteJob::LineWriter writer_;
    std::shared_ptr<IGridFileAccess> access_;
    CWriteMerge merge_; // what the last write changed, until the cells in memory take it
    std::vector<std::unique_ptr<CModelEntry>> retired_;
};

} // namespace quorvane
