#include "editor/grid_file.h"

#include "editor/grid_map_line.h"
#include "modeldata/file_bytes.h"
#include "platform/text_encoding.h"

#include <functional>

namespace quorvane {
namespace {

// Calls visit(line, tooLong) for every line; a line past the limit is not kept
// in memory, only reported, so a file without line ends cannot exhaust it.
// False, with error saying why, when the file cannot be opened or read.
bool ForEachLine(const std::filesystem::path& path, const std::function<void(std::string&, bool)>& visit,
                 std::string& error) {
    std::string line;
    bool tooLong = false;
    const bool read = ReadFilePieces(
        path,
        [&](std::string_view piece) {
            for (const char c : piece) {
                if (c == '\n') {
                    visit(line, tooLong);
                    line.clear();
                    tooLong = false;
                } else if (line.size() > kMaxGridLineBytes) {
                    tooLong = true;
                } else {
                    line.push_back(c);
                }
            }
        },
        error);
    if (!read) {
        return false;
    }
    if (!line.empty() || tooLong) {
        visit(line, tooLong);
    }
    return true;
}

std::unique_ptr<GridFileEntry> ReadGridFileOnce(const std::filesystem::path& path, GridReadReport* report) {
    auto file = std::make_unique<GridFileEntry>();
    file->path = path;
    // Before the read: a change made during it then shows as a changed file.
    std::string ignored;
    CGridFileAccess().Stamp(path, &file->stamp, &ignored);
    int32_t lineNumber = 0;
    std::string error;
    const bool opened = ForEachLine(
        path,
        [&](std::string& line, bool tooLong) {
            ++lineNumber;
            if (tooLong) {
                // Keep the line's place so later line numbers stay right; the build skips it.
                file->lines.emplace_back();
                file->notRewritable =
                    "line " + std::to_string(lineNumber) + " of " + path.string() + " is too long to keep";
                if (report != nullptr) {
                    ++report->linesSkipped;
                    report->problems.push_back("line " + std::to_string(lineNumber) + ": line too long");
                }
                return;
            }
            const std::string_view stored = StripCarriageReturn(line);
            file->lines.push_back(DecodeTextLine(stored));
            if (file->notRewritable.empty() && file->lines.back() != stored) {
                file->notRewritable =
                    path.string() + " is not UTF-8 (line " + std::to_string(lineNumber) + ")";
            }
        },
        error);
    if (!opened) {
        if (report != nullptr) {
            report->fileError = error;
        }
        return nullptr;
    }
    BuildGridEntries(*file, report);
    return file;
}

} // namespace

std::unique_ptr<GridFileEntry> LoadGridFile(const std::filesystem::path& path, GridReadReport* report) {
    // A write appending while the file is read leaves lines its stamp does not
    // account for, and the write's merge would then add them a second time:
    // the file is read again until it held still, a few times at most.
    constexpr int kTries = 3;
    for (int attempt = 1;; ++attempt) {
        GridReadReport read;
        std::unique_ptr<GridFileEntry> file = ReadGridFileOnce(path, &read);
        FileStamp after;
        std::string ignored;
        const bool heldStill =
            !file || (CGridFileAccess().Stamp(path, &after, &ignored) && after == file->stamp);
        if (heldStill || attempt == kTries) {
            if (report != nullptr) {
                *report = std::move(read);
            }
            return file;
        }
    }
}

std::unique_ptr<CModelEntry> GridEntryOf(const GridLine& line) {
    auto entry = std::make_unique<CModelEntry>();
    entry->path = line.partPath;
    entry->name = line.uniqueName;
    entry->modelId = line.modelId;
    entry->shader = static_cast<uint32_t>(line.shader);
    entry->animated = line.animated != 0;
    entry->copy = static_cast<uint32_t>(line.copy);
    entry->transform.position = line.position;
    entry->transform.scale = line.scale;
    entry->transform.rotation = line.rotation;
    return entry;
}

void BuildGridEntries(GridFileEntry& file, GridReadReport* report) {
    int32_t lineNumber = 0;
    for (const std::string& text : file.lines) {
        ++lineNumber;
        if (text.empty()) {
            continue; // blank lines, and over-long ones already reported
        }
        std::string why;
        const std::optional<GridLine> line = ParseGridLine(text, &why);
        if (report != nullptr) {
            ++report->linesRead;
        }
        if (!line) {
            if (report != nullptr) {
                ++report->linesSkipped;
                report->problems.push_back("line " + std::to_string(lineNumber) + ": " + why);
            }
            continue;
        }
        std::unique_ptr<CModelEntry> entry = GridEntryOf(*line);
        const auto group = static_cast<size_t>(line->listNumber);
        while (file.groups.size() <= group) {
            file.groups.push_back(std::make_unique<COwnedList<CModelEntry>>());
            file.groupShaders.push_back(0);
        }
        file.groups[group]->Append(std::move(entry));
        file.groupShaders[group] = static_cast<uint32_t>(line->shader);
    }
}

void DestroyGridFile(GridFileEntry& file, COwnedList<CModelEntry>& sharedModels) {
    for (auto& group : file.groups) {
        group->ForEach([&sharedModels](const CModelEntry& entry) {
            // Only an entry made into an instance holds a use; a copy still waiting
            // for its shared model never took one.
            if (!entry.isInstance) {
                return;
            }
            // By pointer: two shared entries may carry the same model ID.
            for (int32_t i = 1; i <= sharedModels.Count(); ++i) {
                CModelEntry* shared = sharedModels.At(i);
                if (shared == entry.source) {
                    if (--shared->useCount < 1) {
                        sharedModels.RemoveAt(i);
                    }
                    break;
                }
            }
        });
        group->DestroyAll();
    }
    file.groups.clear();
    file.groupShaders.clear();
    file.lines.clear();
}

GridFileLines ReadGridFileLines(const std::filesystem::path& path) {
    GridFileLines contents;
    std::string ignored;
    ForEachLine(
        path,
        [&contents](std::string& line, bool tooLong) {
            if (tooLong) {
                return;
            }
            std::string text = DecodeTextLine(StripCarriageReturn(line));
            contents.names.insert(std::string(FirstGridField(text)));
            contents.lines.insert(std::move(text));
        },
        ignored);
    return contents;
}

} // namespace quorvane
