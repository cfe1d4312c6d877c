#include "editor/write_merge.h"

#include <algorithm>
#include <iterator>
#include <unordered_set>
#include <utility>

namespace quorvane {

std::unique_ptr<CModelEntry> CWriteMerge::JoinCell(GridFileEntry& file, WrittenCopy& copy) {
    const auto group = static_cast<size_t>(copy.line.listNumber);
    while (file.groups.size() <= group) {
        file.groups.push_back(std::make_unique<COwnedList<CModelEntry>>());
        file.groupShaders.push_back(0);
    }
    std::unique_ptr<CModelEntry> replaced;
    if (!copy.entry->loaded.load(std::memory_order_acquire)) {
        replaced = std::exchange(copy.entry, GridEntryOf(copy.line));
    }
    copy.entry->selected.store(false, std::memory_order_relaxed);
    file.groups[group]->Append(std::move(copy.entry));
    file.groupShaders[group] = static_cast<uint32_t>(copy.line.shader);
    return replaced;
}

CWriteMerge::Leftovers CWriteMerge::MergeInto(COwnedList<GridFileEntry>& files,
                                              COwnedList<CModelEntry>& sharedModels) {
    Leftovers left;
    const auto fileAt = [&files](const std::filesystem::path& path) {
        return files.FindFirst([&path](const GridFileEntry& file) {
            return file.path.generic_string() == path.generic_string();
        });
    };
    // Cells someone else changed on disk since they were read: read again.
    std::unordered_set<std::string> stale;
    for (RewrittenCell& cell : rewritten_) {
        if (GridFileEntry* file = fileAt(cell.path)) {
            if (cell.stamp) {
                file->lines = std::move(cell.lines);
                file->stamp = *cell.stamp;
            } else {
                stale.insert(cell.path.generic_string());
            }
        }
    }
    for (AppendedCell& cell : appended_) {
        GridFileEntry* file = fileAt(cell.path);
        if (file != nullptr && cell.after && file->stamp == cell.before) {
            std::ranges::move(cell.lines, std::back_inserter(file->lines));
            file->stamp = *cell.after;
        } else if (file != nullptr) {
            stale.insert(cell.path.generic_string());
        } else if (!cell.before.exists && cell.after) {
            // A cell the write began: its file holds just these lines.
            auto created = std::make_unique<GridFileEntry>();
            created->path = cell.path;
            created->lines = std::move(cell.lines);
            created->stamp = *cell.after;
            created->loaded.store(true, std::memory_order_release);
            files.Append(std::move(created));
        }
        // Any other cell is not in memory: streaming reads it when it comes near.
    }
    for (WrittenCopy& copy : copies_) {
        GridFileEntry* file = fileAt(copy.file);
        if (file != nullptr && !stale.contains(copy.file.generic_string())) {
            if (std::unique_ptr<CModelEntry> replaced = JoinCell(*file, copy)) {
                left.entries.push_back(std::move(replaced));
            }
        } else {
            left.entries.push_back(std::move(copy.entry));
        }
    }
    left.droppedCells = files.ExtractIf(
        [&stale](const GridFileEntry& file) { return stale.contains(file.path.generic_string()); });
    for (const auto& file : left.droppedCells) {
        DestroyGridFile(*file, sharedModels);
    }
    copies_.clear();
    appended_.clear();
    rewritten_.clear();
    return left;
}

} // namespace quorvane
