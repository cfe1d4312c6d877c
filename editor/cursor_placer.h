#pragma once

#include "editor/field_edit_state.h"
#include "editor/field_recovery.h"
#include "editor/field_selector.h"
#include "editor/field_view_hooks.h"
#include "editor/placement_tool.h"
#include "editor/registry_lists.h"
#include "editor/selection_edits.h"
#include "editor/unwritten_placements.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>

namespace quorvane {

// Placing from the cursor. A click asks for a place at the selected vectors;
// it is made once the cursor holds its parts and the cell's names are known.
// Each cursor part becomes a placed copy as it is, so a place reads no file
// and waits for no loader slot; each copy takes the next free name of its
// cell, and the place is one undo step. The field's lock is held throughout.
class CCursorPlacer {
public:
    CCursorPlacer(FieldEditState& edit, CPlacementTool& placement, CUnwrittenPlacements& unwritten,
                  CRegistryLists& lists, CFieldSelector& selector, CSelectionEdits& selectionEdits,
                  const CFieldRecovery& recovery)
        : edit_(edit), placement_(placement), unwritten_(unwritten), lists_(lists), selector_(selector),
          selectionEdits_(selectionEdits), recovery_(recovery) {}

    // The parts placed; 0 while the place waits for the cursor or the cell's names.
    int32_t Place(CFieldHookCalls& calls);
    // Makes a waiting place once it can; dropped when the user went on to something else.
    int32_t TryPending(CFieldHookCalls& calls);
    // Render thread: the offered parts go live (a new choice starts placing,
    // centred) and a waiting place is tried. The parts they replace, to be
    // destroyed once the lock is released; nullopt when none were offered.
    std::optional<CPlacementTool::SwappedIn> SwapIn(CFieldHookCalls& calls);
    // The cursor's parts take the cursor vectors.
    void ApplyCursorTransform();

private:
    int32_t Publish(const std::string& cell, const std::unordered_set<std::string>& written,
                    CFieldHookCalls& calls);

    FieldEditState& edit_;
    CPlacementTool& placement_;
    CUnwrittenPlacements& unwritten_;
    CRegistryLists& lists_;
    CFieldSelector& selector_;
    CSelectionEdits& selectionEdits_;
    const CFieldRecovery& recovery_; // its names wait to be restored: no new copy takes one
};

} // namespace quorvane
