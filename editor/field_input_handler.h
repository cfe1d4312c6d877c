#pragma once

#include "editor/arrange_tool.h"
#include "editor/cursor_placer.h"
#include "editor/field_edit_state.h"
#include "editor/field_selector.h"
#include "editor/field_view_hooks.h"
#include "editor/history_runner.h"
#include "editor/paint_tool.h"
#include "editor/placement_pick.h"
#include "editor/placement_random.h"
#include "editor/placement_tool.h"
#include "editor/selection_edits.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

namespace quorvane {

// The edit modes' machine: what a key, a mouse move and each button do in
// each of the 29 modes, typed numbers and Ctrl snapping included, with the
// window's points turned into ground points, pick rays and the camera's
// projection through the injected functions. The frame update applies posted
// input through it, with the field's lock held; calls gathers the window
// hooks to run once the lock is released.
class CFieldInputHandler {
public:
    using GroundPlanePointFunction = std::function<Vector4(PixelPoint client)>;
    using PickRayFunction = std::function<std::optional<PickRay>(PixelPoint client)>;
    using ViewProjectionFunction = std::function<ViewProjection()>;
    using RandomRangesFunction = std::function<RandomRanges()>;

    CFieldInputHandler(FieldEditState& edit, CFieldSelector& selector, CSelectionEdits& selectionEdits,
                       CPlacementTool& placement, CCursorPlacer& placer, CHistoryRunner& history,
                       CPaintTool& paint, CArrangeTool& arrange)
        : edit_(edit), selector_(selector), selectionEdits_(selectionEdits), placement_(placement),
          placer_(placer), history_(history), paint_(paint), arrange_(arrange) {}

    // Wiring, with the field's lock held.
    void SetGroundPlanePoint(GroundPlanePointFunction groundPlanePoint) {
        groundPlanePoint_ = std::move(groundPlanePoint);
    }
    void SetPickRay(PickRayFunction pickRay) { pickRay_ = std::move(pickRay); }
    void SetViewProjection(ViewProjectionFunction projection) { viewProjection_ = std::move(projection); }
    void SetRandomRanges(RandomRangesFunction ranges) { randomRanges_ = std::move(ranges); }
    void SetClientOrigin(PixelPoint origin) { origin_ = origin; }

    void KeyDown(int virtualKey, CFieldHookCalls& calls);
    void KeyUp(int virtualKey);
    void MouseMove(PixelPoint client, CFieldHookCalls& calls);
    void LeftDown(PixelPoint client, CFieldHookCalls& calls);
    void LeftUp(CFieldHookCalls& calls);
    void MiddleDown(PixelPoint client, CFieldHookCalls& calls);
    void MiddleUp(CFieldHookCalls& calls);
    void RightDown(PixelPoint client, CFieldHookCalls& calls);
    void RightUp(CFieldHookCalls& calls);
    // What a right click undoes: the running move, scale or turn, a fresh placement, the selection.
    void CancelAdjustment(CFieldHookCalls& calls);
    // The mouse moved where the camera and the pick point follow it (any thread).
    bool TakeMouseMoved() { return mouseMoved_.exchange(false, std::memory_order_acq_rel); }

private:
    Vector4 GroundPlanePoint(PixelPoint client) const;
    PixelPoint ToScreen(PixelPoint client) const { return {client.x + origin_.x, client.y + origin_.y}; }
    void LeftClick(CFieldHookCalls& calls); // a confirm, a place, or the end of an adjustment
    void FinishLeftClick(bool placed, CFieldHookCalls& calls);
    void DragEdit();
    // Typed values, Enter and Escape in a move, scale or turn; true when the key was used.
    bool TransformKey(int virtualKey, CFieldHookCalls& calls);
    bool HistoryKey(int virtualKey, CFieldHookCalls& calls); // true when the key was Ctrl+Z/Y
    bool PaintKey(int virtualKey, CFieldHookCalls& calls);   // true when paint mode used the key
    bool ArrangeKey(int virtualKey);  // true when the key was Shift+D, Ctrl+C or Ctrl+V
    bool BookmarkKey(int virtualKey); // true when a digit asked for a camera bookmark
    void DrawNextPlacement();

    FieldEditState& edit_;
    CFieldSelector& selector_;
    CSelectionEdits& selectionEdits_;
    CPlacementTool& placement_;
    CCursorPlacer& placer_;
    CHistoryRunner& history_;
    CPaintTool& paint_;
    CArrangeTool& arrange_;
    GroundPlanePointFunction groundPlanePoint_;
    PickRayFunction pickRay_;
    ViewProjectionFunction viewProjection_;
    RandomRangesFunction randomRanges_;
    PixelPoint origin_;
    std::atomic<bool> mouseMoved_{false};
};

} // namespace quorvane
