#pragma once

#include "editor/field_edit_state.h"
#include "editor/field_selector.h"
#include "editor/field_view_hooks.h"
#include "editor/placement_tool.h"
#include "editor/registry_lists.h"
#include "editor/selection_edits.h"
#include "editor/unwritten_placements.h"

#include <cstdint>
#include <functional>
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
    // Names that are taken though no copy carries them yet (an earlier run's, waiting to be restored).
    using WaitingNames = std::function<void(std::unordered_set<std::string>& taken)>;

    CCursorPlacer(FieldEditState& edit, CPlacementTool& placement, CUnwrittenPlacements& unwritten,
                  CRegistryLists& lists, CFieldSelector& selector, CSelectionEdits& selectionEdits,
                  WaitingNames waiting)
        : edit_(edit), placement_(placement), unwritten_(unwritten), lists_(lists), selector_(selector),
          selectionEdits_(selectionEdits), waiting_(std::move(waiting)) {}

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

    // Every click's parts share a serial, which makes them one group.
    uint32_t Serial() const { return serial_; }
    uint32_t NextSerial() { return ++serial_; }

private:
    int32_t Publish(const std::string& cell, const std::unordered_set<std::string>& written,
                    CFieldHookCalls& calls);

    FieldEditState& edit_;
    CPlacementTool& placement_;
    CUnwrittenPlacements& unwritten_;
    CRegistryLists& lists_;
    CFieldSelector& selector_;
    CSelectionEdits& selectionEdits_;
    WaitingNames waiting_;
    uint32_t serial_ = 0;
};

} // namespace quorvane
