#pragma once

#include "editor/grid_file.h"
#include "editor/model_entry.h"
#include "editor/owned_list.h"
#include "editor/placed_model.h"

#include <string_view>

namespace quorvane {

// The seven lists of the model registry, by role. The field view owns one
// record; the editing core, the GPU registry and the collision queries share
// it. Each list locks itself; when two are held, the outer one is taken first
// in the order declared here (a grid file before its groups).
struct CRegistryLists {
    COwnedList<CModelEntry> characters;        // the walking character, "SKELTON"
    COwnedList<CModelEntry> placedModels;      // parts placed by the user
    COwnedList<CModelEntry> fieldTiles;        // streamed terrain tiles, "Field<col>-<row>"
    COwnedList<CModelEntry> lowDetailField;    // "FIELD_LOW"
    COwnedList<CPlacedModel> placementRecords; // what the write button writes
    COwnedList<GridFileEntry> gridFiles;       // loaded grid map files and their instances
    COwnedList<CModelEntry> sharedModels;      // one source entry per model that instances draw

    // The first entry named name in the characters, the field tiles and the
    // low-detail field, in that order; null when there is none. The pointer
    // stays valid only while nobody removes the entry.
    CModelEntry* FindByName(std::string_view name) const {
        const auto named = [name](const CModelEntry& entry) { return entry.name == name; };
        if (CModelEntry* found = characters.FindFirst(named)) {
            return found;
        }
        if (CModelEntry* found = fieldTiles.FindFirst(named)) {
            return found;
        }
        return lowDetailField.FindFirst(named);
    }
};

} // namespace quorvane
