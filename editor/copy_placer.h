#pragma once

#include "editor/field_recovery.h"
#include "editor/model_entry.h"
#include "editor/placed_model.h"
#include "editor/placement_tool.h"
#include "editor/registry_lists.h"
#include "editor/shared_sources.h"
#include "editor/unwritten_placements.h"

#include <cstdint>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

namespace quorvane {

// One part of a copy to make: its record (the name is given on placing) and
// where it stands.
struct NewPart {
    CPlacedModel record;
    CModelTransform transform;
};
// The parts one placement makes, which share its serial.
using NewCopy = std::vector<NewPart>;

// Makes many unwritten copies at once, as a stroke, a duplicate or a paste
// needs: each part draws its file's shared model, and takes the next free
// name of the cell it stands in, as a click's copies do. A batch gathers the
// names in use once, so naming thousands of copies costs no walk per name.
// The field's lock is held throughout.
class CCopyPlacer {
public:
    CCopyPlacer(CPlacementTool& placement, CSharedSources& sources, CUnwrittenPlacements& unwritten,
                CRegistryLists& lists, const CFieldRecovery& recovery)
        : placement_(placement), sources_(sources), unwritten_(unwritten), lists_(lists),
          recovery_(recovery) {}

    enum class Readiness { kReady, kWaiting, kFailed };
    // Whether the copy can be placed now: every part's shared model loaded
    // and the names of its cell read. What is missing is asked for.
    Readiness Check(const NewCopy& copy);
    // Gathers the names in use; before the first Place of a batch.
    void BeginBatch();
    // Places a copy that Check found ready: its serial, or 0 when no part could be made.
    uint32_t Place(const NewCopy& copy);

private:
    // The names in the cell's file as the level holds it in memory: what a
    // write merged in is known before the cell's names are read again.
    const std::unordered_set<std::string>& NamesInMemory(const std::string& cell);

    CPlacementTool& placement_;
    CSharedSources& sources_;
    CUnwrittenPlacements& unwritten_;
    CRegistryLists& lists_;
    const CFieldRecovery& recovery_;
    std::unordered_set<std::string> taken_;
    std::map<std::string, uint32_t> nextCounter_; // by name prefix: every lower counter is taken
    std::map<std::string, std::unordered_set<std::string>> inMemory_; // by cell, gathered once a batch
};

// A placement's record of a definition part, its name and model ID not given yet.
CPlacedModel RecordOfSource(const CursorPartSource& source);

// The cell a part standing at position belongs to.
std::string CellOfPosition(const Vector4& position);

} // namespace quorvane
