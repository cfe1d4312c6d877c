#pragma once

#include "editor/copy_placer.h"
#include "editor/edit_history.h"
#include "editor/field_edit_state.h"
#include "editor/field_selector.h"
#include "editor/level_edits.h"
#include "editor/paint_stroke.h"
#include "editor/placement_random.h"
#include "editor/placement_tool.h"
#include "editor/registry_lists.h"
#include "editor/selection_edits.h"
#include "editor/unwritten_placements.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace quorvane {

// Paint mode: the brush under the mouse paints copies of the definition
// taken for placing while the left button is held, or with Ctrl erases the
// copies of it under the brush, written or not. A stroke, press to release,
// is one undo step. The brush follows the pick point, so strokes advance in
// the frame update; the field's lock is held throughout.
class CPaintTool {
public:
    static constexpr float kSmallestRadius = 0.5f;
    static constexpr float kLargestRadius = 500.0f;
    static constexpr float kRadiusStep = 1.25f; // [ and ] divide or multiply by it

    CPaintTool(FieldEditState& edit, CPlacementTool& placement, CCopyPlacer& copies, CSharedSources& sources,
               CUnwrittenPlacements& unwritten, CLevelEdits& levelEdits, CRegistryLists& lists,
               CFieldSelector& selector, CSelectionEdits& selectionEdits)
        : edit_(edit), placement_(placement), copies_(copies), sources_(sources), unwritten_(unwritten),
          levelEdits_(levelEdits), lists_(lists), selector_(selector), selectionEdits_(selectionEdits) {}

    BrushSettings Brush() const { return brush_; }
    // Values out of range are brought into it; a radius that is not a number keeps the last.
    void SetBrush(const BrushSettings& brush);
    void StepRadius(bool larger);

    // P: into paint mode with a definition taken for placing, out of it back
    // to placing. False when the mode did not change.
    bool Toggle(CFieldHookCalls& calls);
    // The left button went down in paint mode: a stroke begins (erasing with Ctrl).
    void Begin(bool erase, const RandomRanges& ranges, CFieldHookCalls& calls);
    // The left button came up: the stroke ends once its last copies are placed.
    void End();
    // Frame update: the stroke follows the brush to the pick point, removed
    // copies into removed; a stroke that ended and has nothing left to place
    // becomes its undo step.
    void Update(CUnwrittenPlacements::Removed& removed, CFieldHookCalls& calls);
    bool Stroking() const { return stroke_ != nullptr; }
    // Copies the stroke waits to place: their models or cell names are on their way.
    size_t Waiting() const { return stroke_ ? stroke_->waiting.size() : 0; }

private:
    struct Stroke {
        bool erase = false;
        bool released = false;
        RandomRanges ranges;
        std::unique_ptr<CSpacingGrid> taken;
        std::unique_ptr<CPaintStroke> paint;
        std::vector<NewCopy> waiting;
        std::vector<uint32_t> serials; // of the copies placed
        std::unordered_set<std::string> partPaths;
        EditStep step; // what the erasing took so far
    };
    std::vector<NewCopy> CopiesAt(const std::vector<PaintedSpot>& spots, const RandomRanges& ranges);
    void PlaceWaiting();
    void EraseUnder(const Vector4& centre, CUnwrittenPlacements::Removed& removed);
    void Finish(CFieldHookCalls& calls);
    std::unique_ptr<CSpacingGrid> LevelSpacing() const;

    FieldEditState& edit_;
    CPlacementTool& placement_;
    CCopyPlacer& copies_;
    CSharedSources& sources_;
    CUnwrittenPlacements& unwritten_;
    CLevelEdits& levelEdits_;
    CRegistryLists& lists_;
    CFieldSelector& selector_;
    CSelectionEdits& selectionEdits_;
    BrushSettings brush_;
    std::unique_ptr<Stroke> stroke_;
    uint32_t strokes_ = 0; // each stroke's seed
};

} // namespace quorvane
