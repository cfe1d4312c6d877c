#pragma once

#include "editor/edit_history.h"
#include "editor/model_entry.h"
#include "editor/owned_list.h"
#include "editor/placed_model.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace quorvane {

// The placements not yet written, as the field's two lists hold them: the
// placed models that are drawn and the records that a write puts into the grid
// map files, the parts of one click sharing a placement serial. It finds,
// captures, takes out and puts back whole clicks, as steps and undo need. The
// field's lock guards every call; the lists lock themselves for the render
// thread, which reads entries under the list's lock only, so entries are
// whole before they are listed and change only under that lock.
// Copies drawn instanced are redrawn from their transforms only when a
// change is counted: whatever moves a placed copy counts it.
inline void CountPlacedChange() {
    EntryStateChanges().fetch_add(1, std::memory_order_release);
}

class CUnwrittenPlacements {
public:
    // What a step took out of the lists, destroyed after the field's lock.
    struct Removed {
        std::vector<std::unique_ptr<CPlacedModel>> records;
        std::vector<std::unique_ptr<CModelEntry>> entries;
    };
    // A part an undo or redo loaded again, for the target part at index.
    struct LoadedPart {
        size_t index = 0;
        std::unique_ptr<CModelEntry> entry;
    };

    CUnwrittenPlacements(COwnedList<CModelEntry>& placedModels, COwnedList<CPlacedModel>& records)
        : placedModels_(placedModels), records_(records) {}

    bool IsPlaced(const std::string& name) const;
    // Every click's parts, and every restored group, share a serial of their own.
    uint32_t NewSerial() { return ++serial_; }
    uint32_t LastSerial() const { return serial_; }
    // The serial of the click that placed name; -1 when none did.
    int64_t SerialOf(const std::string& uniqueName) const;
    // The click's parts as a step remembers them, with their list positions.
    std::vector<PlacedPartState> CaptureGroup(int64_t serial) const;
    // The parts of every click named, in one walk.
    std::vector<PlacedPartState> CaptureGroups(const std::unordered_set<uint32_t>& serials) const;
    // Changes the transform of every drawable part placed by the same click as uniqueName.
    template <typename F> void ForEachInGroup(const std::string& uniqueName, F change) {
        const int64_t serial = SerialOf(uniqueName);
        if (serial < 0) {
            return;
        }
        placedModels_.ForEach([&](CModelEntry& entry) {
            if (entry.placementSerial == serial && entry.hasDrawModel) {
                change(entry.transform);
            }
        });
        CountPlacedChange();
    }
    Removed ExtractGroup(const std::string& uniqueName);
    // Puts parts loaded again from changed files in the places of the listed
    // parts of the same names, which hand them their transform, click and
    // marks and go into removed. A part no longer listed is dropped.
    void ReplaceParts(std::vector<std::unique_ptr<CModelEntry>> fresh, Removed& removed);
    // Turns the parts of current into those of target: parts target lacks go
    // into removed, loaded ones join, every part gets its transform, record
    // and place in both lists. False, changing nothing, when the lists no
    // longer match what the loads were made for.
    bool ApplyStep(const std::vector<PlacedPartState>& current, const std::vector<PlacedPartState>& target,
                   std::vector<LoadedPart>& loaded, Removed& removed);

private:
    std::vector<std::unique_ptr<CPlacedModel>> ExtractGroupRecords(const std::string& uniqueName);
    std::vector<std::unique_ptr<CModelEntry>> ExtractGroupEntries(const std::string& uniqueName);
    COwnedList<CModelEntry>& placedModels_;
    COwnedList<CPlacedModel>& records_;
    uint32_t serial_ = 0;
};

} // namespace quorvane
