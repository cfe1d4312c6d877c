#pragma once

#include "editor/edit_history.h"
#include "editor/model_entry.h"
#include "editor/shown_edits.h"
#include "editor/vector4.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// What is selected in the field: one copy, unwritten (by its name) or written
// (by its file and name), or two or more copies together, which move, scale
// and turn about their centre. Guarded by the field's lock.
struct FieldSelection {
    std::string name;                                 // the copy selected alone
    std::optional<std::filesystem::path> writtenFile; // that copy is a written one of this file
    std::vector<SelectedCopy> group;                  // copies selected together, else empty
    std::vector<CModelTransform> groupStart;          // each one's transform when the gesture began
    std::vector<int64_t> groupSerials;                // each unwritten copy's click; -1 for a written one
    Vector4 groupCentre;                              // their centre then

    bool IsGroup() const { return group.size() >= 2; }
    void ClearGroup() {
        group.clear();
        groupStart.clear();
    }
    // The written copies selected, which the placement list shows after the unwritten placements.
    std::vector<std::string> WrittenNames() const {
        std::vector<std::string> names;
        if (writtenFile) {
            names.push_back(name);
        }
        for (const SelectedCopy& copy : group) {
            if (copy.writtenFile) {
                names.push_back(copy.name);
            }
        }
        return names;
    }
    ShownSelection Shown() const { return {writtenFile, name, group, groupSerials}; }
};

} // namespace quorvane
