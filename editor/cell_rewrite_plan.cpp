#include "editor/cell_rewrite_plan.h"

#include "editor/grid_map_line.h"

#include <utility>

namespace quorvane {

std::vector<PlannedRewrite> PlanCellRewrites(const CLevelDocument& document,
                                             const std::filesystem::path& gridRoot, GridWriteBatch& batch) {
    std::vector<PlannedRewrite> rewrites;
    for (const std::filesystem::path& path : document.DirtyCells()) {
        if (const std::string why = document.WhyNotRewritable(path); !why.empty()) {
            // Rewritten, its other lines would lose their bytes: the edits wait, new lines are appended.
            for (const WrittenPart& part : document.Edits()) {
                if (part.file.generic_string() == path.generic_string()) {
                    batch.failures.push_back({part.line.uniqueName, path,
                                              why + "; the editor does not rewrite it, to keep its bytes"});
                }
            }
            continue;
        }
        PlannedRewrite& rewrite = rewrites.emplace_back();
        rewrite.path = path;
        rewrite.expected = document.StampOf(path).value_or(FileStamp{});
        std::vector<std::string> additions;
        std::erase_if(batch.lines, [&](const PendingGridLine& pending) {
            if (GridFilePath(gridRoot, pending.lod, pending.cell).generic_string() != path.generic_string()) {
                return false;
            }
            std::string error;
            std::optional<std::string> text = StoredGridLine(pending.line, &error);
            if (!text) {
                batch.failures.push_back({pending.line.uniqueName, path, error});
                return true;
            }
            additions.push_back(std::move(*text));
            rewrite.addedNames.push_back(pending.line.uniqueName);
            return true;
        });
        rewrite.lines = document.LinesAfterEdits(path, additions);
        for (const WrittenPart& part : document.Edits()) {
            if (part.file.generic_string() == path.generic_string()) {
                rewrite.editedNames.push_back(part.line.uniqueName);
            }
        }
    }
    return rewrites;
}

} // namespace quorvane
