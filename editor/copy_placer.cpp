#include "editor/copy_placer.h"

#include "editor/cell_name.h"
#include "editor/grid_map_line.h"
#include "editor/unique_name.h"

namespace quorvane {

std::string CellOfPosition(const Vector4& position) {
    return CellName(PickCell(position.x, position.y));
}

CPlacedModel RecordOfSource(const CursorPartSource& source) {
    CPlacedModel record;
    record.lod = source.lod;
    record.copy = source.copy;
    record.shader = source.shader;
    record.listNumber = source.listNumber;
    record.animated = source.animated;
    record.partPath = source.path;
    record.sourcePath = source.path;
    record.definitionPath = source.definitionPath;
    return record;
}

CCopyPlacer::Readiness CCopyPlacer::Check(const NewCopy& copy) {
    Readiness readiness = Readiness::kReady;
    for (const NewPart& part : copy) {
        const std::string& path = part.record.partPath;
        if (sources_.Failed(path)) {
            return Readiness::kFailed;
        }
        if (sources_.Find(path) == nullptr) {
            sources_.Request(path);
            readiness = Readiness::kWaiting;
        }
        if (placement_.WrittenNamesLocked(CellOfPosition(part.transform.position)) == nullptr) {
            readiness = Readiness::kWaiting;
        }
    }
    return readiness;
}

const std::unordered_set<std::string>& CCopyPlacer::NamesInMemory(const std::string& cell) {
    const auto [found, added] = inMemory_.try_emplace(cell);
    std::unordered_set<std::string>& names = found->second;
    if (added) {
        const std::string file = GridFilePath(placement_.GridRoot(), 0, cell).generic_string();
        lists_.gridFiles.ForEach([&](const GridFileEntry& entry) {
            if (entry.path.generic_string() != file) {
                return;
            }
            for (const auto& group : entry.groups) {
                group->ForEach([&](const CModelEntry& copy) { names.insert(copy.name); });
            }
        });
    }
    return names;
}

void CCopyPlacer::BeginBatch() {
    taken_.clear();
    nextCounter_.clear();
    inMemory_.clear();
    lists_.placedModels.ForEach([this](const CModelEntry& entry) { taken_.insert(entry.name); });
    recovery_.AddWaitingNames(taken_);
}

uint32_t CCopyPlacer::Place(const NewCopy& copy) {
    const uint32_t serial = unwritten_.NewSerial();
    bool placed = false;
    for (const NewPart& part : copy) {
        const std::string cell = CellOfPosition(part.transform.position);
        const std::unordered_set<std::string>* written = placement_.WrittenNamesLocked(cell);
        std::unique_ptr<CModelEntry> entry = sources_.MakeCopy(part.record.partPath, {});
        if (written == nullptr || !entry) {
            continue;
        }
        const std::string modelId = !part.record.modelId.empty() ? part.record.modelId : entry->modelId;
        const std::string prefix = cell + "_" + modelId + "_";
        uint32_t& counter = nextCounter_[prefix];
        const std::unordered_set<std::string>& inMemory = NamesInMemory(cell);
        const std::string name = FirstFreeName(
            cell, modelId, *written,
            [&](const std::string& n) { return taken_.contains(n) || inMemory.contains(n); }, counter);
        taken_.insert(name);
        entry->name = name;
        entry->modelId = modelId;
        entry->animated = part.record.animated != 0;
        entry->placementSerial = serial;
        entry->transform = part.transform;
        auto record = std::make_unique<CPlacedModel>(part.record);
        record->uniqueName = name;
        record->modelId = modelId;
        // Whole before it is listed: the render thread reads entries under the list's lock only.
        lists_.placedModels.Append(std::move(entry));
        lists_.placementRecords.Append(std::move(record));
        placed = true;
    }
    return placed ? serial : 0;
}

} // namespace quorvane
