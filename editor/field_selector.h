#pragma once

#include "editor/edit_history.h"
#include "editor/field_edit_state.h"
#include "editor/field_view_hooks.h"
#include "editor/grid_hand_over.h"
#include "editor/level_document.h"
#include "editor/level_edits.h"
#include "editor/pick_targets.h"
#include "editor/placement_tool.h"
#include "editor/registry_lists.h"
#include "editor/unwritten_placements.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// What is selected in the field, and how a selection is made: a click on a
// copy, written or not (a written part brings the parts placed with it), a
// Shift+click that adds or takes out, a rectangle, a row of the placement
// list, an undo that puts an earlier selection back. It sets the selection,
// the mode and the selected vectors of the edit state; moving, scaling and
// deleting what is selected are the caller's. The field's lock is held throughout.
class CFieldSelector {
public:
    CFieldSelector(FieldEditState& edit, CLevelDocument& document, CLevelEdits& edits,
                   const CUnwrittenPlacements& unwritten, const CRegistryLists& lists,
                   const CGridHandOver& handOver, const CPlacementTool& placement)
        : edit_(edit), document_(document), edits_(edits), unwritten_(unwritten), lists_(lists),
          handOver_(handOver), placement_(placement) {}

    // A click's pick, made by the next HandleRequests: toggles for a
    // Shift+click, which adds or takes out instead of selecting alone. A ray
    // of nullopt (none under the pixel) picks nothing.
    void RequestPick(std::optional<PickRay> ray, bool toggles);
    struct RectangleRequest {
        ViewPoint a;
        ViewPoint b;
        ViewProjection view;
    };
    // A drag's rectangle; made only when the press that began it hit nothing.
    void RequestRectangle(RectangleRequest rectangle) { rectangle_ = std::move(rectangle); }
    bool PickPending() const { return pick_.has_value(); }
    // Frame update: the pick and the rectangle asked for since the last time.
    void HandleRequests(CFieldHookCalls& calls);

    // The selection as an undo step keeps it; a running gesture counts as the mode it began in.
    PlacementSelection Capture() const;
    // Puts a kept selection back, about the copies as they stand now.
    void Restore(const PlacementSelection& selection);
    EditMode ModeWithoutSelection() const; // moving, or nothing chosen yet
    // The document keeps the file's cell as read, unless it holds newer: edits, or a write not merged yet.
    void KeepWrittenCell(const GridFileEntry& file);
    std::optional<WrittenPart> SelectedWritten() const; // the written copy selected alone, as it is now
    // An unwritten placement selected alone by name; false when there is none.
    bool SelectPlaced(const std::string& uniqueName);
    bool SelectWritten(const GridFileEntry& file, const CModelEntry& entry);
    void SelectOnly(const SelectedCopy& copy); // a selection of one
    void SelectPicked(const PickTarget& target);
    void Toggle(const PickTarget& target); // Shift+click: the copy joins or leaves the selection
    void SelectInRectangle(const std::vector<PickTarget>& found, CFieldHookCalls& calls);
    // The copies become the selection: one alone, several together, none clears it.
    void SelectCopies(std::vector<SelectedCopy> members);
    void Clear(CFieldHookCalls& calls);
    // The copies' transforms now become the gesture's start, about their centre.
    void ResetGroup();
    // A click on a row of the placement list selects its placement; the wheel scrolls the list.
    void ListRow(int32_t clientY, CFieldHookCalls& calls);
    void ListWheel(int32_t delta, CFieldHookCalls& calls);

private:
    std::optional<PickRay> pick_;
    bool pickToggles_ = false;
    std::optional<RectangleRequest> rectangle_;
    bool pressHit_ = false; // the press that began a rectangle hit a copy: no rectangle then
    CPickTargets targets_;  // kept from one pick to the next
    FieldEditState& edit_;
    CLevelDocument& document_;
    CLevelEdits& edits_;
    const CUnwrittenPlacements& unwritten_;
    const CRegistryLists& lists_;
    const CGridHandOver& handOver_;
    const CPlacementTool& placement_;
};

} // namespace quorvane
