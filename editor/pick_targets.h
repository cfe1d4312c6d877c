#pragma once

#include "editor/grid_file.h"
#include "editor/model_entry.h"
#include "editor/placement_pick.h"
#include "editor/registry_lists.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quorvane {

// A copy a click or a rectangle can select: a placed model, or a copy in a
// loaded grid map file (file set). The pointers hold while the field's lock does.
struct PickTarget {
    const CModelEntry* entry = nullptr;
    const GridFileEntry* file = nullptr; // null for a placement not written yet
};

// The copies a pick looks at. The unwritten ones move under the mouse without
// a count and are gathered afresh for each pick; the written ones, tens of
// thousands, again only when a file came, went or finished loading, a group
// took a copy, or a copy moved, hid or loaded. Frame update, under the field's
// lock: the only thread that changes the copies of a loaded file.
class CPickTargets {
public:
    void Gather(const CRegistryLists& lists);
    // The nearest copy on the ray; an unwritten copy standing exactly where a written one does wins.
    std::optional<PickTarget> Nearest(const PickRay& ray) const;
    // The copies inside the rectangle between corners a and b, unwritten ones first.
    std::vector<PickTarget> InRectangle(ViewPoint a, ViewPoint b, const ViewProjection& view) const;

private:
    struct WrittenKey {
        uint64_t fileList = ~uint64_t{0};
        uint64_t entryStates = 0;
        uint64_t files = 0; // each file's loaded flag and its groups' versions

        bool operator==(const WrittenKey&) const = default;
    };
    // Kept from one pick to the next, so a pick allocates nothing.
    std::vector<PickCandidate> unwrittenCandidates_;
    std::vector<PickTarget> unwrittenTargets_;
    std::vector<PickCandidate> writtenCandidates_;
    std::vector<PickTarget> writtenTargets_;
    WrittenKey writtenKey_;
};

} // namespace quorvane
