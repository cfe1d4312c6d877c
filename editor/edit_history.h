#pragma once

#include "editor/edit_mode.h"
#include "editor/level_document.h"
#include "editor/model_entry.h"
#include "editor/placed_model.h"
#include "editor/placement_list_model.h"
#include "editor/vector4.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// One placed part as a step remembers it: enough to re-create it through the
// model loader and put it back where it stood in both lists.
struct PlacedPartState {
    CPlacedModel record;
    bool hasRecord = true; // false for a placed model whose record was removed by hand
    uint32_t placementSerial = 0;
    bool hasDrawModel = true; // the transform applies only then
    CModelTransform transform;
    int32_t recordPosition = 0; // 1-based position in the placement records
    int32_t entryPosition = 0;  // 1-based position in the placed models
};

// One copy of a selection of several: an unwritten placement (named by any
// part of its click) or, with its file, a written one.
struct SelectedCopy {
    std::string name;
    std::optional<std::filesystem::path> writtenFile;

    friend bool operator==(const SelectedCopy&, const SelectedCopy&) = default;
};

// The selection and mode around a step, so undo and redo land where the user was.
struct PlacementSelection {
    EditMode mode = EditMode::ModeNoModel;
    std::string selectedName;
    std::optional<std::filesystem::path> writtenFile; // the selected placement is a written one of this file
    std::vector<SelectedCopy> group;                  // two or more copies selected together
    CPlacementListModel list;
    bool justPlaced = false;
    Vector4 selPosition;
    Vector4 selScale;
    Vector4 selRotation;
};

// One undoable change: the affected parts as they were and as they became.
// A place has no parts before, a delete none after, a move, scale or rotation
// the same parts on both sides with their old and new transforms.
struct EditStep {
    std::vector<PlacedPartState> before;
    std::vector<PlacedPartState> after;
    PlacementSelection selectionBefore;
    PlacementSelection selectionAfter;
    // Written placements the step changed, as they were and as they became.
    std::vector<WrittenPart> writtenBefore;
    std::vector<WrittenPart> writtenAfter;
};

// A linear undo history: steps up to the cursor are done, those after it can
// be redone. A new step drops the redo branch; beyond the capacity the oldest
// steps fall off.
class CEditHistory {
public:
    static constexpr size_t kDefaultCapacity = 256;

    explicit CEditHistory(size_t capacity = kDefaultCapacity);

    void Push(EditStep step);
    void Clear();

    // The step an undo would take back, or a redo would do again; null when none.
    const EditStep* NextUndo() const;
    const EditStep* NextRedo() const;
    // Move the cursor once the step has been applied; false when there was none.
    bool MarkUndone();
    bool MarkRedone();

    size_t UndoCount() const { return done_; }
    size_t RedoCount() const { return steps_.size() - done_; }
    size_t Capacity() const { return capacity_; }
    // Changes on every push, undo, redo and clear, so that a caller that let go
    // of the history meanwhile sees that its step may be stale.
    uint64_t Version() const { return version_; }

private:
    size_t capacity_;
    std::deque<EditStep> steps_;
    size_t done_ = 0;
    uint64_t version_ = 0;
};

} // namespace quorvane
