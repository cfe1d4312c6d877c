#pragma once

#include "editor/grid_file.h"
#include "editor/grid_map_line.h"
#include "editor/grid_writer.h"
#include "editor/model_entry.h"
#include "editor/owned_list.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// What one write changed in the cell files, kept until the render thread's
// turn takes it into the cells in memory, so that nothing is read back: the
// written copies join their cells, and the cells' lines and stamps follow
// their files. Only a cell someone else changed on disk meanwhile is dropped,
// for streaming to read again.
class CWriteMerge {
public:
    // A placed copy whose line went into file.
    struct WrittenCopy {
        std::unique_ptr<CModelEntry> entry;
        std::filesystem::path file;
        GridLine line; // as written
    };
    // A cell replaced whole; no stamp when the file could not be looked at after.
    struct RewrittenCell {
        std::filesystem::path path;
        std::vector<std::string> lines;
        std::optional<FileStamp> stamp;
    };
    // What the cells in memory leave behind, to be destroyed after the lists' lock.
    struct Leftovers {
        std::vector<std::unique_ptr<GridFileEntry>> droppedCells;
        std::vector<std::unique_ptr<CModelEntry>> entries;
    };

    void AddCopy(WrittenCopy copy) { copies_.push_back(std::move(copy)); }
    void AddRewrite(RewrittenCell cell) { rewritten_.push_back(std::move(cell)); }
    void SetAppended(std::vector<AppendedCell> cells) { appended_ = std::move(cells); }
    bool HasRewrites() const { return !rewritten_.empty(); }

    // Takes everything kept into files (the render thread, its grid pass held)
    // and starts empty again.
    Leftovers MergeInto(COwnedList<GridFileEntry>& files, COwnedList<CModelEntry>& sharedModels);

private:
    // Puts a written copy into its file's group. One whose model is not in
    // (still loading) joins as a fresh entry of its line, for streaming to
    // load; the entry it replaces is returned.
    static std::unique_ptr<CModelEntry> JoinCell(GridFileEntry& file, WrittenCopy& copy);

    std::vector<WrittenCopy> copies_;
    std::vector<AppendedCell> appended_;
    std::vector<RewrittenCell> rewritten_;
};

} // namespace quorvane
