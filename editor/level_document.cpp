#include "editor/level_document.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

namespace quorvane {

bool SameGridValues(const GridLine& a, const GridLine& b) {
    const std::optional<std::string> left = StoredGridLine(a);
    return left && left == StoredGridLine(b);
}

void CLevelDocument::KeepCell(const std::filesystem::path& file, std::vector<std::string> linesAsRead,
                              FileStamp stamp, std::string notRewritable) {
    cells_.try_emplace(KeyOf(file), std::move(linesAsRead), stamp, std::move(notRewritable));
}

CLevelDocument::Cell::Cell(std::vector<std::string> linesNow, FileStamp stampNow, std::string why)
    : lines(std::move(linesNow)), stamp(stampNow), notRewritable(std::move(why)) {
    for (size_t i = 0; i < lines.size(); ++i) {
        byName.try_emplace(std::string(FirstGridField(lines[i])), i);
    }
}

std::string CLevelDocument::WhyNotRewritable(const std::filesystem::path& file) const {
    const auto cell = cells_.find(KeyOf(file));
    return cell == cells_.end() ? std::string() : cell->second.notRewritable;
}

std::optional<FileStamp> CLevelDocument::StampOf(const std::filesystem::path& file) const {
    const auto cell = cells_.find(KeyOf(file));
    if (cell == cells_.end()) {
        return std::nullopt;
    }
    return cell->second.stamp;
}

bool CLevelDocument::HasCell(const std::filesystem::path& file) const {
    return cells_.contains(KeyOf(file));
}

const std::string* CLevelDocument::LineNamed(const Cell& cell, const std::string& name) const {
    const auto found = cell.byName.find(name);
    return found == cell.byName.end() ? nullptr : &cell.lines[found->second];
}

std::vector<std::string> CLevelDocument::PlacedTogether(const std::filesystem::path& file,
                                                        const std::string& name) const {
    const auto cell = cells_.find(KeyOf(file));
    const std::optional<WrittenPart> picked = Current(file, name);
    if (cell == cells_.end() || !picked) {
        return {name};
    }
    const std::vector<std::string>& lines = cell->second.lines;
    const auto index = cell->second.byName.find(name);
    if (index == cell->second.byName.end()) {
        return {name};
    }
    const auto at = lines.begin() + static_cast<std::ptrdiff_t>(index->second);
    const GridLine& where = picked->line;
    // 0: keep walking, 1: passed over, 2: the run ends here.
    const auto step = [&](const std::string& text) {
        const std::optional<WrittenPart> part = Current(file, std::string(FirstGridField(text)));
        if (part && part->deleted) {
            return 1;
        }
        return part && part->line.position == where.position && part->line.scale == where.scale &&
                       part->line.rotation == where.rotation
                   ? 0
                   : 2;
    };
    std::vector<std::string> together;
    auto first = at;
    while (first != lines.begin() && step(*(first - 1)) != 2) {
        --first;
    }
    for (auto it = first; it != lines.end() && (it == at || step(*it) != 2); ++it) {
        if (it == at || step(*it) == 0) {
            together.emplace_back(FirstGridField(*it));
        }
    }
    return together;
}

bool CLevelDocument::Set(const WrittenPart& part) {
    const auto cell = cells_.find(KeyOf(part.file));
    if (cell == cells_.end()) {
        return false;
    }
    const std::string* written = LineNamed(cell->second, part.line.uniqueName);
    if (written == nullptr) {
        return false;
    }
    const std::optional<GridLine> asWritten = ParseGridLine(*written, nullptr);
    if (!part.deleted && asWritten && SameGridValues(part.line, *asWritten)) {
        edits_.erase(part.line.uniqueName);
    } else {
        edits_.insert_or_assign(part.line.uniqueName, part);
    }
    return true;
}

std::optional<WrittenPart> CLevelDocument::AsWritten(const std::filesystem::path& file,
                                                     const std::string& name) const {
    const auto cell = cells_.find(KeyOf(file));
    if (cell == cells_.end()) {
        return std::nullopt;
    }
    const std::string* written = LineNamed(cell->second, name);
    if (written == nullptr) {
        return std::nullopt;
    }
    std::optional<GridLine> line = ParseGridLine(*written, nullptr);
    if (!line) {
        return std::nullopt;
    }
    return WrittenPart{file, std::move(*line), false};
}

const WrittenPart* CLevelDocument::EditOf(const std::string& name) const {
    const auto found = edits_.find(name);
    return found == edits_.end() ? nullptr : &found->second;
}

std::optional<WrittenPart> CLevelDocument::Edited(const std::string& name) const {
    const auto found = edits_.find(name);
    if (found == edits_.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::vector<WrittenPart> CLevelDocument::Edits() const {
    std::vector<WrittenPart> edits;
    edits.reserve(edits_.size());
    for (const auto& [name, part] : edits_) {
        edits.push_back(part);
    }
    return edits;
}

bool CLevelDocument::IsDirty(const std::filesystem::path& file) const {
    const std::string key = KeyOf(file);
    for (const auto& [name, part] : edits_) {
        if (KeyOf(part.file) == key) {
            return true;
        }
    }
    return false;
}

std::vector<std::filesystem::path> CLevelDocument::DirtyCells() const {
    std::map<std::string, std::filesystem::path> files;
    for (const auto& [name, part] : edits_) {
        files.try_emplace(KeyOf(part.file), part.file);
    }
    std::vector<std::filesystem::path> dirty;
    for (auto& [key, file] : files) {
        dirty.push_back(std::move(file));
    }
    return dirty;
}

std::vector<std::string> CLevelDocument::LinesAfterEdits(const std::filesystem::path& file,
                                                         const std::vector<std::string>& additions) const {
    std::vector<std::string> lines;
    const auto cell = cells_.find(KeyOf(file));
    if (cell != cells_.end()) {
        std::unordered_map<std::string, const WrittenPart*> edits;
        for (const auto& [name, part] : edits_) {
            if (KeyOf(part.file) == cell->first) {
                edits.emplace(name, &part);
            }
        }
        for (const std::string& text : cell->second.lines) {
            const auto edit = edits.find(std::string(FirstGridField(text)));
            if (edit == edits.end()) {
                lines.push_back(text);
                continue;
            }
            const WrittenPart& part = *edit->second;
            edits.erase(edit); // a second line of the same name stays as it is
            if (part.deleted) {
                continue;
            }
            std::optional<std::string> now = StoredGridLine(part.line);
            lines.push_back(now ? std::move(*now) : text);
        }
    }
    lines.insert(lines.end(), additions.begin(), additions.end());
    return lines;
}

void CLevelDocument::MarkWritten(const std::filesystem::path& file, std::vector<std::string> linesNow,
                                 FileStamp stamp) {
    const std::string key = KeyOf(file);
    std::erase_if(edits_, [&key](const auto& edit) { return KeyOf(edit.second.file) == key; });
    cells_.insert_or_assign(key, Cell(std::move(linesNow), stamp, {}));
}

void CLevelDocument::Forget(const std::filesystem::path& file) {
    const std::string key = KeyOf(file);
    std::erase_if(edits_, [&key](const auto& edit) { return KeyOf(edit.second.file) == key; });
    cells_.erase(key);
}

} // namespace quorvane
