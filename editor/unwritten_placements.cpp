#include "editor/unwritten_placements.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace quorvane {
namespace {

// Moves the named elements to their 1-based positions, the others keeping their
// order. The elements themselves stay where they are in memory.
template <typename T, typename NameOf>
void PutAtPositions(COwnedList<T>& list, const std::unordered_map<std::string, int32_t>& wanted,
                    NameOf nameOf) {
    bool inPlace = true;
    int32_t position = 0;
    list.ForEach([&](const T& element) {
        ++position;
        const auto found = wanted.find(nameOf(element));
        if (found != wanted.end() && found->second != position) {
            inPlace = false;
        }
    });
    if (inPlace) {
        return;
    }
    std::vector<std::unique_ptr<T>> moved =
        list.ExtractIf([&](const T& element) { return wanted.contains(nameOf(element)); });
    std::vector<std::unique_ptr<T>> all = list.ExtractAll();
    std::sort(moved.begin(), moved.end(),
              [&](const auto& a, const auto& b) { return wanted.at(nameOf(*a)) < wanted.at(nameOf(*b)); });
    // In rising order each insert lands on its position: later ones go behind it.
    for (std::unique_ptr<T>& element : moved) {
        const auto at =
            std::min<size_t>(static_cast<size_t>(std::max(wanted.at(nameOf(*element)), 1) - 1), all.size());
        all.insert(all.begin() + static_cast<std::ptrdiff_t>(at), std::move(element));
    }
    for (std::unique_ptr<T>& element : all) {
        list.Append(std::move(element));
    }
}

} // namespace

std::vector<PlacedPartState> CUnwrittenPlacements::CaptureGroup(int64_t serial) const {
    if (serial < 0) {
        return {};
    }
    return CaptureGroups({static_cast<uint32_t>(serial)});
}

std::vector<PlacedPartState>
CUnwrittenPlacements::CaptureGroups(const std::unordered_set<uint32_t>& serials) const {
    std::vector<PlacedPartState> parts;
    std::unordered_map<std::string, size_t> partNamed;
    int32_t position = 0;
    placedModels_.ForEach([&](const CModelEntry& entry) {
        ++position;
        if (!serials.contains(entry.placementSerial)) {
            return;
        }
        partNamed.emplace(entry.name, parts.size());
        PlacedPartState& part = parts.emplace_back();
        // Without a record the entry alone says how to load it again.
        part.record.uniqueName = entry.name;
        part.record.partPath = entry.path;
        part.record.animated = entry.animated ? 1 : 0;
        part.hasRecord = false;
        part.placementSerial = entry.placementSerial;
        part.hasDrawModel = entry.hasDrawModel;
        part.transform = entry.transform;
        part.entryPosition = position;
    });
    position = 0;
    records_.ForEach([&](const CPlacedModel& record) {
        ++position;
        const auto found = partNamed.find(record.uniqueName);
        if (found == partNamed.end() || parts[found->second].hasRecord) {
            return;
        }
        PlacedPartState& part = parts[found->second];
        part.record = record;
        part.hasRecord = true;
        part.recordPosition = position;
    });
    return parts;
}

bool CUnwrittenPlacements::ApplyStep(const std::vector<PlacedPartState>& current,
                                     const std::vector<PlacedPartState>& target,
                                     std::vector<LoadedPart>& loaded, Removed& removed) {
    std::unordered_map<size_t, LoadedPart*> loadedAt;
    for (LoadedPart& part : loaded) {
        loadedAt[part.index] = &part;
    }
    // Gathered once: a step may hold thousands of parts, a stroke's.
    std::unordered_set<std::string> placedNames;
    placedModels_.ForEach([&placedNames](const CModelEntry& entry) { placedNames.insert(entry.name); });
    std::unordered_set<std::string> targetNames;
    for (size_t i = 0; i < target.size(); ++i) {
        const std::string& name = target[i].record.uniqueName;
        targetNames.insert(name);
        const bool present = placedNames.contains(name);
        const auto found = loadedAt.find(i);
        const bool hasLoaded = found != loadedAt.end() && found->second->entry;
        if (present == hasLoaded) {
            return false; // changed since the loads began: look again
        }
    }

    // Parts of the other side that the target does not have go.
    std::unordered_set<std::string> dropped;
    for (const PlacedPartState& part : current) {
        if (!targetNames.contains(part.record.uniqueName)) {
            dropped.insert(part.record.uniqueName);
        }
    }
    removed.records =
        records_.ExtractIf([&](const CPlacedModel& record) { return dropped.contains(record.uniqueName); });
    removed.entries =
        placedModels_.ExtractIf([&](const CModelEntry& entry) { return dropped.contains(entry.name); });

    std::unordered_map<std::string, CPlacedModel*> recordNamed;
    records_.ForEach(
        [&recordNamed](CPlacedModel& record) { recordNamed.emplace(record.uniqueName, &record); });
    std::unordered_map<std::string, int32_t> recordPositions;
    std::unordered_map<std::string, int32_t> entryPositions;
    std::unordered_map<std::string, const PlacedPartState*> targetByName;
    for (size_t i = 0; i < target.size(); ++i) {
        const PlacedPartState& part = target[i];
        const std::string& name = part.record.uniqueName;
        targetByName[name] = &part;
        entryPositions[name] = part.entryPosition;
        if (const auto found = loadedAt.find(i); found != loadedAt.end() && found->second->entry) {
            // Whole before it is listed: the render thread reads entries under the list's lock only.
            std::unique_ptr<CModelEntry>& entry = found->second->entry;
            entry->placementSerial = part.placementSerial;
            entry->transform = part.transform;
            placedModels_.Append(std::move(entry));
        }

        if (part.hasRecord) {
            if (const auto found = recordNamed.find(name); found == recordNamed.end()) {
                records_.Append(std::make_unique<CPlacedModel>(part.record));
            } else {
                *found->second = part.record;
            }
            recordPositions[name] = part.recordPosition;
        }
    }
    // Listed entries change only under the list's lock, which the render thread reads them under.
    placedModels_.ForEach([&targetByName](CModelEntry& entry) {
        if (const auto found = targetByName.find(entry.name); found != targetByName.end()) {
            entry.placementSerial = found->second->placementSerial;
            entry.transform = found->second->transform;
        }
    });
    CountPlacedChange();
    PutAtPositions(records_, recordPositions,
                   [](const CPlacedModel& record) -> const std::string& { return record.uniqueName; });
    PutAtPositions(placedModels_, entryPositions,
                   [](const CModelEntry& entry) -> const std::string& { return entry.name; });
    return true;
}

void CUnwrittenPlacements::ReplaceParts(std::vector<std::unique_ptr<CModelEntry>> fresh, Removed& removed) {
    std::unordered_map<std::string, std::unique_ptr<CModelEntry>*> freshNamed;
    for (std::unique_ptr<CModelEntry>& entry : fresh) {
        freshNamed[entry->name] = &entry;
    }
    std::unordered_map<std::string, int32_t> positions;
    int32_t position = 0;
    placedModels_.ForEach([&](const CModelEntry& entry) {
        ++position;
        if (freshNamed.contains(entry.name)) {
            positions[entry.name] = position;
        }
    });
    if (positions.empty()) {
        return;
    }
    std::vector<std::unique_ptr<CModelEntry>> replaced = placedModels_.ExtractIf(
        [&positions](const CModelEntry& entry) { return positions.contains(entry.name); });
    for (std::unique_ptr<CModelEntry>& old : replaced) {
        // Whole before it is listed: the render thread reads entries under the list's lock only.
        std::unique_ptr<CModelEntry>& entry = *freshNamed.at(old->name);
        entry->transform = old->transform;
        entry->placementSerial = old->placementSerial;
        entry->hidden.store(old->hidden.load(std::memory_order_relaxed), std::memory_order_relaxed);
        entry->selected.store(old->selected.load(std::memory_order_relaxed), std::memory_order_relaxed);
        placedModels_.Append(std::move(entry));
        removed.entries.push_back(std::move(old));
    }
    CountPlacedChange();
    PutAtPositions(placedModels_, positions,
                   [](const CModelEntry& entry) -> const std::string& { return entry.name; });
}

int64_t CUnwrittenPlacements::SerialOf(const std::string& uniqueName) const {
    const CModelEntry* entry =
        placedModels_.FindFirst([&uniqueName](const CModelEntry& e) { return e.name == uniqueName; });
    return entry != nullptr ? static_cast<int64_t>(entry->placementSerial) : -1;
}

std::vector<std::unique_ptr<CPlacedModel>>
CUnwrittenPlacements::ExtractGroupRecords(const std::string& uniqueName) {
    const int64_t serial = SerialOf(uniqueName);
    if (serial < 0) {
        return {};
    }
    std::unordered_set<std::string> names;
    placedModels_.ForEach([&](const CModelEntry& entry) {
        if (entry.placementSerial == serial) {
            names.insert(entry.name);
        }
    });
    return records_.ExtractIf(
        [&names](const CPlacedModel& record) { return names.contains(record.uniqueName); });
}

std::vector<std::unique_ptr<CModelEntry>>
CUnwrittenPlacements::ExtractGroupEntries(const std::string& uniqueName) {
    const int64_t serial = SerialOf(uniqueName);
    if (serial < 0) {
        return {};
    }
    return placedModels_.ExtractIf(
        [serial](const CModelEntry& entry) { return entry.placementSerial == serial; });
}

CUnwrittenPlacements::Removed CUnwrittenPlacements::ExtractGroup(const std::string& uniqueName) {
    Removed removed;
    // Records first: they are found through the entries.
    removed.records = ExtractGroupRecords(uniqueName);
    removed.entries = ExtractGroupEntries(uniqueName);
    return removed;
}

bool CUnwrittenPlacements::IsPlaced(const std::string& name) const {
    return placedModels_.FindFirst([&name](const CModelEntry& e) { return e.name == name; }) != nullptr;
}

} // namespace quorvane
