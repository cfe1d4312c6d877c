#include "editor/field_recovery.h"

#include "editor/grid_map_line.h"
#include "editor/unique_name.h"

#include <map>
#include <unordered_map>
#include <utility>

namespace quorvane {

void CFieldRecovery::AddWaitingNames(std::unordered_set<std::string>& taken) const {
    for (const UnwrittenPlacement& part : left_.placements) {
        taken.insert(part.record.uniqueName);
    }
}

// Each journal record holds the whole unwritten state rather than a change:
// it is emptied by every write and so stays small, a restart needs only the
// newest complete record, a torn record costs only the last step, and two
// threads may finish steps in any order because a record older than the one
// on disk is simply not written.
JournalRecord CFieldRecovery::Collect() const {
    std::unordered_map<std::string, const CModelEntry*> entries;
    lists_.placedModels.ForEach(
        [&entries](const CModelEntry& entry) { entries.emplace(entry.name, &entry); });
    JournalRecord record;
    lists_.placementRecords.ForEach([&](const CPlacedModel& placed) {
        const auto found = entries.find(placed.uniqueName);
        if (found == entries.end()) {
            return; // nothing left to write
        }
        record.placements.push_back({placed, found->second->placementSerial, found->second->transform});
    });
    record.edits = document_.Edits();
    record.placements.insert(record.placements.end(), left_.placements.begin(), left_.placements.end());
    record.edits.insert(record.edits.end(), left_.edits.begin(), left_.edits.end());
    return record;
}

int32_t CFieldRecovery::PutBack(const JournalRecord& left, std::vector<std::unique_ptr<CModelEntry>>& entries,
                                RestoreReads& reads, std::vector<std::string>& problems) {
    std::unordered_set<std::string> waiting;
    AddWaitingNames(waiting);
    // Serials of the earlier run would clash with this run's: each group gets a new one.
    std::map<uint32_t, uint32_t> serials;
    std::vector<UnwrittenPlacement> kept;
    std::unordered_set<std::string> restoredNames;
    int32_t restored = 0;
    for (size_t i = 0; i < left.placements.size(); ++i) {
        UnwrittenPlacement part = left.placements[i];
        if (i >= entries.size() || !entries[i]) {
            kept.push_back(std::move(part));
            continue;
        }
        const std::string cell(CellOfUniqueName(part.record.uniqueName));
        const std::unordered_set<std::string>& inFile =
            reads.namesInFiles[GridFilePath(gridRoot_, part.record.lod, cell)];
        const auto taken = [&](const std::string& name) {
            return unwritten_.IsPlaced(name) || inFile.contains(name) || restoredNames.contains(name);
        };
        if (taken(part.record.uniqueName)) {
            // Another placement has the name now: this one gets the next free one.
            const auto takenOrWaiting = [&](const std::string& name) {
                return taken(name) || waiting.contains(name);
            };
            const std::string renamed = FirstFreeName(cell, part.record.modelId, {}, takenOrWaiting);
            problems.push_back(part.record.uniqueName + " was taken and is restored as " + renamed);
            part.record.uniqueName = renamed;
        }
        auto [serial, fresh] = serials.try_emplace(part.placementSerial, 0);
        if (fresh) {
            serial->second = unwritten_.NewSerial();
        }
        entries[i]->name = part.record.uniqueName;
        entries[i]->placementSerial = serial->second;
        entries[i]->transform = part.transform;
        restoredNames.insert(part.record.uniqueName);
        lists_.placedModels.Append(std::move(entries[i]));
        lists_.placementRecords.Append(std::make_unique<CPlacedModel>(part.record));
        ++restored;
    }
    left_.placements = std::move(kept);
    bool documentChanged = false;
    left_.edits = PutEditsBack(document_, left.edits, reads.cells, problems, documentChanged);
    if (documentChanged) {
        shown_.DocumentChanged();
    }
    return restored + static_cast<int32_t>(left.edits.size() - left_.edits.size());
}

} // namespace quorvane
