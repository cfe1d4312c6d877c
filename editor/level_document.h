#pragma once

#include "editor/grid_file_access.h"
#include "editor/grid_map_line.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace quorvane {

// A placement already in a grid map file as the editor holds it now.
struct WrittenPart {
    std::filesystem::path file;
    GridLine line; // its values now; the name never changes
    bool deleted = false;

    friend bool operator==(const WrittenPart&, const WrittenPart&) = default;
};

// The written side of the level: the cells whose placements the user changed
// or deleted since they were read, each with its lines as read, until a write
// puts the edits into the file or the user drops them. A placement whose
// values come back to its line as written is no longer an edit.
class CLevelDocument {
public:
    // The cell file as read. Kept from the first edit of one of its placements
    // on; a cell kept already keeps its first reading, which the edits refer to.
    // notRewritable says why the file's bytes could not be kept (another
    // encoding, a line too long to hold): its edits then stay unwritten.
    void KeepCell(const std::filesystem::path& file, std::vector<std::string> linesAsRead, FileStamp stamp,
                  std::string notRewritable = {});
    // Why the cell cannot be rewritten; empty when it can (or is not kept).
    std::string WhyNotRewritable(const std::filesystem::path& file) const;
    bool HasCell(const std::filesystem::path& file) const;
    // What the file looked like when its kept lines were read or last written.
    std::optional<FileStamp> StampOf(const std::filesystem::path& file) const;

    // The placement's state now; false when its cell is not kept or holds no line of that name.
    bool Set(const WrittenPart& part);
    // The placement as the file has it, when its cell is kept.
    std::optional<WrittenPart> AsWritten(const std::filesystem::path& file, const std::string& name) const;
    // The edited state; nullopt when the placement is as written.
    std::optional<WrittenPart> Edited(const std::string& name) const;
    // The same without a copy; null when the placement is as written. Valid until the next change.
    const WrittenPart* EditOf(const std::string& name) const;
    std::vector<WrittenPart> Edits() const;
    // The names of the lines next to name's, itself included, that stand
    // exactly where it does now: the parts one click placed, written together.
    // Deleted placements in between are passed over.
    std::vector<std::string> PlacedTogether(const std::filesystem::path& file, const std::string& name) const;
    // The placement now: its edit, else its line as written; nullopt when its cell is not kept.
    std::optional<WrittenPart> Current(const std::filesystem::path& file, const std::string& name) const {
        std::optional<WrittenPart> edited = Edited(name);
        return edited ? edited : AsWritten(file, name);
    }
    bool Empty() const { return edits_.empty(); }

    bool IsDirty(const std::filesystem::path& file) const; // edits wait for a write
    std::vector<std::filesystem::path> DirtyCells() const;
    // The cell's lines with its edits: a changed line replaced where it
    // stands, a deleted one left out, then the additions. Lines the editor
    // cannot read stay as they are.
    std::vector<std::string> LinesAfterEdits(const std::filesystem::path& file,
                                             const std::vector<std::string>& additions) const;
    // The cell's write reached the disk: its edits are its written state now.
    void MarkWritten(const std::filesystem::path& file, std::vector<std::string> linesNow, FileStamp stamp);
    // Drops the cell's reading and its edits (the user discarded them, or the cell left memory clean).
    void Forget(const std::filesystem::path& file);

private:
    struct Cell {
        std::vector<std::string> lines;
        FileStamp stamp;
        std::string notRewritable;
        std::unordered_map<std::string, size_t> byName; // each name's first line: found without a walk

        Cell(std::vector<std::string> linesNow, FileStamp stampNow, std::string why);
    };
    static std::string KeyOf(const std::filesystem::path& file) { return file.generic_string(); }
    const std::string* LineNamed(const Cell& cell, const std::string& name) const;

    std::map<std::string, Cell> cells_;        // by file
    std::map<std::string, WrittenPart> edits_; // by unique name
};

// Whether two lines hold the same values, however their file spelt the numbers.
bool SameGridValues(const GridLine& a, const GridLine& b);

} // namespace quorvane
