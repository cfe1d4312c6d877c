#include "editor/grid_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <utility>

namespace quorvane {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

struct PendingFile {
    std::string bytes;
    std::vector<std::string> names;
};

} // namespace

bool AppendToFile(const std::filesystem::path& path, const std::string& bytes, std::string* message) {
    std::error_code error;
    const bool existed = std::filesystem::is_regular_file(path, error); // false, with error, when missing
    error.clear();
    const uintmax_t oldSize = existed ? std::filesystem::file_size(path, error) : 0;
    if (error) {
        *message = "cannot read the size of the file: " + error.message();
        return false;
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "ab"));
    if (!file) {
        *message = std::string("cannot open the file for appending: ") + std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    int savedErrno = ok ? 0 : errno;
    ok = std::fflush(file.get()) == 0 && ok;
    if (!ok && savedErrno == 0) {
        savedErrno = errno;
    }
    const bool closed = std::fclose(file.release()) == 0;
    if (!closed && savedErrno == 0) {
        savedErrno = errno;
    }
    if (ok && closed) {
        return true;
    }
    *message = std::string("writing the file failed: ") + std::strerror(savedErrno);
    std::error_code ignored;
    if (existed) {
        std::filesystem::resize_file(path, oldSize, ignored);
    } else {
        std::filesystem::remove(path, ignored);
    }
    return false;
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
        PendingGridLine& pending = batch.lines.emplace_back();
        pending.lod = record.lod;
        pending.cell = std::string(cell);
        GridLine& line = pending.line;
        line.uniqueName = record.uniqueName;
        line.modelId = record.modelId;
        line.copy = static_cast<int32_t>(record.copy);
        line.shader = static_cast<int32_t>(record.shader);
        line.listNumber = static_cast<int32_t>(record.listNumber);
        line.animated = static_cast<int32_t>(record.animated);
        line.partPath = record.partPath;
        line.sourcePath = record.sourcePath;
        line.position = entry->transform.position;
        line.scale = entry->transform.scale;
        line.rotation = entry->transform.rotation;
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
        const std::optional<std::string> text = FormatGridLine(pending.line, &error);
        const std::filesystem::path path = GridFilePath(root, pending.lod, pending.cell);
        if (!text) {
            report.failures.push_back({std::move(pending.line.uniqueName), path, error});
            continue;
        }
        PendingFile& file = files[path];
        file.bytes += *text;
        file.names.push_back(std::move(pending.line.uniqueName));
    }

    for (auto& [path, pending] : files) {
        std::string message;
        std::error_code error;
        std::filesystem::create_directories(path.parent_path(), error);
        bool written = false;
        if (error) {
            message = "cannot create the directory " + path.parent_path().string() + ": " + error.message();
        } else {
            written = AppendToFile(path, pending.bytes, &message);
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
