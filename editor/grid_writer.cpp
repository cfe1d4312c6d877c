#include "editor/grid_writer.h"

#include "platform/durable_file.h"

#include <map>
#include <memory>
#include <utility>

namespace quorvane {
namespace {

struct PendingFile {
    std::string bytes;
    std::vector<std::string> names;
    std::vector<std::string> lines;
};

} // namespace

bool AppendToFile(const std::filesystem::path& path, const std::string& bytes, std::string* message) {
    // On disk before the write counts: the journal is emptied once it does.
    return AppendDurably(path, bytes, AppendTarget::CreateIfMissing, message);
}

GridLine GridLineOf(const CPlacedModel& record, const CModelTransform& transform) {
    GridLine line;
    line.uniqueName = record.uniqueName;
    line.modelId = record.modelId;
    line.copy = static_cast<int32_t>(record.copy);
    line.shader = static_cast<int32_t>(record.shader);
    line.listNumber = static_cast<int32_t>(record.listNumber);
    line.animated = static_cast<int32_t>(record.animated);
    line.partPath = record.partPath;
    line.sourcePath = record.sourcePath;
    line.position = transform.position;
    line.scale = transform.scale;
    line.rotation = transform.rotation;
    return line;
}

GridWriteBatch CollectGridLines(const COwnedList<CPlacedModel>& records,
                                const COwnedList<CModelEntry>& placedModels) {
    GridWriteBatch batch;
    records.ForEach([&](const CPlacedModel& record) {
        const std::string_view cell = CellOfUniqueName(record.uniqueName);
        if (!IsCellName(cell)) {
            batch.failures.push_back(
                {record.uniqueName,
                 {},
                 "the name \"" + record.uniqueName + "\" does not begin with a cell name"});
            return;
        }
        const CModelEntry* entry =
            placedModels.FindFirst([&record](const CModelEntry& e) { return e.name == record.uniqueName; });
        if (entry == nullptr) {
            batch.orphanNames.push_back(record.uniqueName);
            return;
        }
        batch.lines.push_back({record.lod, std::string(cell), GridLineOf(record, entry->transform)});
    });
    return batch;
}

GridWriteReport WriteGridLines(const std::filesystem::path& root, GridWriteBatch batch) {
    GridWriteReport report;
    report.orphanNames = std::move(batch.orphanNames);
    report.failures = std::move(batch.failures);
    // Lines gathered per file, in record order, so each file is written once.
    std::map<std::filesystem::path, PendingFile> files;
    for (PendingGridLine& pending : batch.lines) {
        std::string error;
        std::optional<std::string> text = StoredGridLine(pending.line, &error);
        const std::filesystem::path path = GridFilePath(root, pending.lod, pending.cell);
        if (!text) {
            report.failures.push_back({std::move(pending.line.uniqueName), path, error});
            continue;
        }
        PendingFile& file = files[path];
        file.bytes += *text;
        file.bytes += "\r\n";
        file.names.push_back(std::move(pending.line.uniqueName));
        file.lines.push_back(std::move(*text));
    }
    CGridFileAccess disk;

    for (auto& [path, pending] : files) {
        std::string message;
        std::error_code error;
        std::filesystem::create_directories(path.parent_path(), error);
        bool written = false;
        AppendedCell appended{path, std::move(pending.lines), {}, std::nullopt};
        std::string ignored;
        const bool seenBefore = disk.Stamp(path, &appended.before, &ignored);
        if (error) {
            message = "cannot create the directory " + path.parent_path().string() + ": " + error.message();
        } else {
            written = AppendToFile(path, pending.bytes, &message);
        }
        if (written) {
            FileStamp after;
            if (seenBefore && disk.Stamp(path, &after, &ignored)) {
                appended.after = after;
            }
            report.appended.push_back(std::move(appended));
        }
        for (std::string& name : pending.names) {
            if (written) {
                report.writtenNames.push_back(std::move(name));
            } else {
                report.failures.push_back({std::move(name), path, message});
            }
        }
    }
    return report;
}

GridWriteReport WriteGridRecords(const std::filesystem::path& root, const COwnedList<CPlacedModel>& records,
                                 const COwnedList<CModelEntry>& placedModels) {
    return WriteGridLines(root, CollectGridLines(records, placedModels));
}

} // namespace quorvane
