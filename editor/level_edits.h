#pragma once

#include "editor/edit_history.h"
#include "editor/level_document.h"
#include "editor/model_entry.h"
#include "editor/registry_lists.h"
#include "editor/shown_edits.h"
#include "editor/unwritten_placements.h"

#include <cstdint>
#include <optional>
#include <span>

namespace quorvane {

// A grid line takes a transform; its w components stay.
void SetLineTransform(GridLine& line, const CModelTransform& transform);

// Edits of copies in the level, written or not, and the undo steps that take
// them back: a written copy's edit goes into the document, an unwritten
// copy's into its placed models (all the parts its click placed). Copies are
// named as the selection names them. The field's lock is held throughout.
class CLevelEdits {
public:
    CLevelEdits(CLevelDocument& document, CUnwrittenPlacements& unwritten, CRegistryLists& lists,
                CShownEdits& shown)
        : document_(document), unwritten_(unwritten), lists_(lists), shown_(shown) {}

    // Where the copy stands now; nullopt when it is gone (deleted, undone) or has no model.
    std::optional<CModelTransform> TransformOf(const SelectedCopy& copy) const;
    // A written placement's line as edited (or deleted) from now on.
    void SetWritten(const WrittenPart& part);
    // Moves copy i to transforms[i]; an unwritten copy's parts are found by
    // its click's serial (serials[i]), all in one walk.
    void MoveCopies(std::span<const SelectedCopy> copies, std::span<const int64_t> serials,
                    std::span<const CModelTransform> transforms);
    // The step that takes the copies back from where they stand to starts;
    // nullopt when none of them moved. Its selections are the caller's.
    std::optional<EditStep> MoveStep(std::span<const SelectedCopy> copies,
                                     std::span<const CModelTransform> starts) const;
    // Deletes the copies: the unwritten ones' parts go into removed, the
    // written ones are marked deleted. Undone, they come back at starts when
    // backToStarts (deleted in the middle of a gesture), else where they stood.
    // The step; its selections are the caller's.
    EditStep DeleteCopies(std::span<const SelectedCopy> copies, std::span<const CModelTransform> starts,
                          bool backToStarts, CUnwrittenPlacements::Removed& removed);

private:
    CLevelDocument& document_;
    CUnwrittenPlacements& unwritten_;
    CRegistryLists& lists_;
    CShownEdits& shown_;
};

} // namespace quorvane
