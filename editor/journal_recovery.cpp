#include "editor/journal_recovery.h"

#include "editor/grid_map_line.h"
#include "editor/grid_writer.h"

#include <map>
#include <optional>
#include <utility>

namespace quorvane {
namespace {

// The text a placement would have as a line of its grid map file.
std::string LineTextOf(const UnwrittenPlacement& part) {
    return StoredGridLine(GridLineOf(part.record, part.transform)).value_or("");
}

// The line of that name in the cell, read; nullopt when the cell holds none.
template <typename Lines> std::optional<GridLine> LineNamed(const Lines& lines, const std::string& name) {
    for (const std::string& text : lines) {
        if (FirstGridField(text) == name) {
            return ParseGridLine(text, nullptr);
        }
    }
    return std::nullopt;
}

template <typename Lines> bool AlreadyInFile(const WrittenPart& edit, const Lines& lines) {
    const std::optional<GridLine> line = LineNamed(lines, edit.line.uniqueName);
    return edit.deleted ? !line : line && SameGridValues(*line, edit.line);
}

} // namespace

bool EditAlreadyInFile(const WrittenPart& edit, const std::vector<std::string>& lines) {
    return AlreadyInFile(edit, lines);
}

bool EditAlreadyInFile(const WrittenPart& edit, const std::unordered_set<std::string>& lines) {
    return AlreadyInFile(edit, lines);
}

OpenedJournal
OpenJournalForRecovery(const std::filesystem::path& path, const std::filesystem::path& gridRoot,
                       const std::function<GridFileLines(const std::filesystem::path&)>& linesOf) {
    OpenedJournal opened;
    auto journal = std::make_unique<CRecoveryJournal>(path);
    const JournalContents contents = journal->Read();
    if (!contents.error.empty() || contents.damagedTail) {
        // Kept whole for a person to look at; what could be read is restored
        // from memory and journaled into a new file.
        const std::string why = contents.error.empty()
                                    ? "the end of " + path.string() + " was cut off or damaged"
                                    : contents.error;
        std::filesystem::path setAside;
        std::string failure;
        if (!journal->SetAside(&setAside, &failure)) {
            opened.message = why + "; " + failure;
            return opened;
        }
        opened.message = why + "; the file is kept as " + setAside.string();
    }
    opened.recoverable = contents.Newest();
    std::map<std::filesystem::path, GridFileLines> files;
    const auto cached = [&](const std::filesystem::path& file) -> const GridFileLines& {
        auto [lines, fresh] = files.try_emplace(file);
        if (fresh) {
            lines->second = linesOf(file);
        }
        return lines->second;
    };
    std::erase_if(opened.recoverable.placements, [&](const UnwrittenPlacement& part) {
        const std::filesystem::path file =
            GridFilePath(gridRoot, part.record.lod, CellOfUniqueName(part.record.uniqueName));
        return cached(file).lines.contains(LineTextOf(part));
    });
    std::erase_if(opened.recoverable.edits,
                  [&](const WrittenPart& edit) { return AlreadyInFile(edit, cached(edit.file).lines); });
    opened.journal = std::move(journal);
    return opened;
}

RestoreReads ReadForRestore(const JournalRecord& recoverable, const std::filesystem::path& gridRoot,
                            const std::function<GridFileLines(const std::filesystem::path&)>& linesOf,
                            IGridFileAccess& access) {
    RestoreReads reads;
    for (const UnwrittenPlacement& part : recoverable.placements) {
        const std::filesystem::path file =
            GridFilePath(gridRoot, part.record.lod, CellOfUniqueName(part.record.uniqueName));
        if (!reads.namesInFiles.contains(file)) {
            reads.namesInFiles[file] = linesOf(file).names;
        }
    }
    for (const WrittenPart& edit : recoverable.edits) {
        const std::string key = edit.file.generic_string();
        if (!reads.cells.contains(key)) {
            reads.cells[key] = ReadCell(access, edit.file);
        }
    }
    return reads;
}

std::vector<WrittenPart> PutEditsBack(CLevelDocument& document, const std::vector<WrittenPart>& edits,
                                      const std::map<std::string, CellRead>& cells,
                                      std::vector<std::string>& problems, bool& changed) {
    std::vector<WrittenPart> kept;
    for (const WrittenPart& edit : edits) {
        const CellRead& cell = cells.at(edit.file.generic_string());
        if (!cell.readable) {
            problems.push_back(cell.message + "; the change of " + edit.line.uniqueName +
                               " is kept for the next start");
            kept.push_back(edit);
            continue;
        }
        if (AlreadyInFile(edit, cell.lines)) {
            continue;
        }
        if (!document.IsDirty(edit.file)) {
            document.Forget(edit.file); // the file as it is now is what the edits change
        }
        document.KeepCell(edit.file, cell.lines, cell.stamp);
        if (!document.Set(edit)) {
            problems.push_back(edit.line.uniqueName + " is no longer in " + edit.file.string() +
                               "; its change is kept for the next start");
            kept.push_back(edit);
            continue;
        }
        changed = true;
    }
    return kept;
}

} // namespace quorvane
