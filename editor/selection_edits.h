#pragma once

#include "editor/edit_history.h"
#include "editor/field_edit_state.h"
#include "editor/field_journal.h"
#include "editor/field_selector.h"
#include "editor/history_runner.h"
#include "editor/level_edits.h"
#include "editor/registry_lists.h"
#include "editor/unwritten_placements.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvane {

// What G, S, R and Delete do to the selection, whatever it is: an unwritten
// placement alone (all the parts its click placed), a written copy alone, or
// copies together about their centre. A confirmed change or a delete is one
// undo step, and the journal is told a step came. The field's lock is held throughout.
class CSelectionEdits {
public:
    CSelectionEdits(FieldEditState& edit, CFieldSelector& selector, CLevelEdits& edits,
                    CUnwrittenPlacements& unwritten, CRegistryLists& lists, CHistoryRunner& history,
                    CFieldJournal& journal)
        : edit_(edit), selector_(selector), edits_(edits), unwritten_(unwritten), lists_(lists),
          history_(history), journal_(journal) {}

    // What the frame update is asked to do to the selection: Delete, or a
    // right click on a fresh placement. Asked with the lock held; read by any thread.
    static constexpr int32_t kRequestNone = 0;
    static constexpr int32_t kRequestCancelPlacement = 1;
    static constexpr int32_t kRequestDeleteSelected = 2;
    static constexpr int32_t kRequestDropToGround = 3;
    static constexpr int32_t kRequestDropAndTilt = 4;
    void RequestCancelPlacement() { request_.store(kRequestCancelPlacement, std::memory_order_release); }
    void RequestDelete(); // ignored while nothing is selected
    // End, or Shift+End to tilt too: ignored unless a selection stands still.
    void RequestDrop(bool tilt);
    int32_t Request() const { return request_.load(std::memory_order_acquire); }
    // Answers the request, unwritten parts into removed; true when the selection or the level changed.
    bool HandleRequest(CUnwrittenPlacements::Removed& removed);

    void Push(EditStep step);
    // A removal of parts as one step; nothing when there are none.
    void RecordRemoval(std::vector<PlacedPartState> parts, const PlacementSelection& before);
    // The selected vectors onto the selection, as the gesture goes on.
    void ApplyTransform();
    // The selection's parts as they were before the running adjustment: what a right click would put back.
    void ToConfirmedTransforms(std::vector<PlacedPartState>& parts) const;
    // On the confirming click or Enter, while the undo vectors still hold
    // where the adjustment began; nothing when it ends where it began.
    void RecordAdjustment();
    // The copies selected together go, as one step: unwritten parts into removed.
    void DeleteGroup(const PlacementSelection& before, CUnwrittenPlacements::Removed& removed);
    // The written copy selected alone is marked deleted; false when there is none.
    bool DeleteWritten(const PlacementSelection& before);
    // The unwritten placement named (all its click's parts) goes, into removed;
    // the list's row that is highlighted then is the one selected.
    void DeleteUnwritten(const std::string& name, const PlacementSelection& before,
                         CUnwrittenPlacements::Removed& removed);
    // A right click on a placement waiting for its confirmation takes it back, into removed.
    void CancelPlacement(PlacementSelection before, CUnwrittenPlacements::Removed& removed);
    // Each selected copy down (or up) onto the ground under its position,
    // tilted to the ground's normal when asked, as one step; copies off the
    // field stay where they are.
    void DropToGround(bool tilt, const PlacementSelection& before);

private:
    void ResetSelectionFromCursor(); // the selected vectors back to the cursor's
    void ApplyGroupTransform();
    void ApplyWrittenTransform();
    void RecordGroupAdjustment();
    void RecordWrittenAdjustment();

    FieldEditState& edit_;
    CFieldSelector& selector_;
    CLevelEdits& edits_;
    CUnwrittenPlacements& unwritten_;
    CRegistryLists& lists_;
    CHistoryRunner& history_;
    CFieldJournal& journal_;
    std::atomic<int32_t> request_{kRequestNone};
    std::string deleteName_; // the unwritten placement Delete was pressed on
};

} // namespace quorvane
