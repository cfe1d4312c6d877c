#pragma once

#include "editor/copy_placer.h"
#include "editor/edit_history.h"
#include "editor/field_edit_state.h"
#include "editor/field_selector.h"
#include "editor/field_view_hooks.h"
#include "editor/level_document.h"
#include "editor/selection_edits.h"
#include "editor/unwritten_placements.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quorvane {

// Shift+D, Ctrl+C and Ctrl+V on the selection, written copies or not.
// Duplicating makes the copies where the selection stands and starts
// moving them: the confirming click makes them one undo step, a right click
// or Escape drops them. Pasting puts the copied layout's centre at the pick
// point, as one step. The copies are made once their shared models and
// their cells' names are in; until then the request waits. The field's lock
// is held throughout.
class CArrangeTool {
public:
    CArrangeTool(FieldEditState& edit, CFieldSelector& selector, CSelectionEdits& selectionEdits,
                 CCopyPlacer& copies, CUnwrittenPlacements& unwritten, const CLevelDocument& document)
        : edit_(edit), selector_(selector), selectionEdits_(selectionEdits), copies_(copies),
          unwritten_(unwritten), document_(document) {}

    // False when there was nothing to act on.
    bool Duplicate();
    bool Copy();
    bool Paste();
    // The running move carries fresh duplicates.
    bool Duplicating() const { return duplicating_.has_value(); }
    // The move of the duplicates was confirmed: they are one step, where they stand now.
    void ConfirmDuplicate();
    // The move was cancelled: the duplicates go with the next update.
    void CancelDuplicate();
    // Frame update: makes what waits once it can, takes cancelled duplicates out into removed.
    void Update(CUnwrittenPlacements::Removed& removed, CFieldHookCalls& calls);
    bool Waiting() const { return pending_.has_value(); }

private:
    struct Pending {
        bool duplicate = false; // else a paste
        std::vector<NewCopy> copies;
        PlacementSelection before;
    };
    struct Duplicated {
        std::vector<uint32_t> serials;
        PlacementSelection before;
        bool cancelled = false;
    };
    // The selection as copies to make: each unwritten click with its parts, each written line.
    std::vector<NewCopy> SelectedCopies() const;
    bool Idle() const; // no move, scale or turn runs, nothing waits
    void Make(Pending pending, CFieldHookCalls& calls);

    FieldEditState& edit_;
    CFieldSelector& selector_;
    CSelectionEdits& selectionEdits_;
    CCopyPlacer& copies_;
    CUnwrittenPlacements& unwritten_;
    const CLevelDocument& document_;
    std::vector<NewCopy> clipboard_;
    std::optional<Pending> pending_;
    std::optional<Duplicated> duplicating_;
};

} // namespace quorvane
