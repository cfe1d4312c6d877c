#include "editor/placement_tool.h"

#include "editor/grid_map_line.h"

#include <algorithm>
#include <utility>

namespace quorvane {

CPlacementTool::CPlacementTool(std::mutex& fieldMutex, IModelLoader& loader, CBackgroundQueue& background,
                               std::filesystem::path gridRoot, NameReader names)
    : mutex_(fieldMutex), loader_(loader), background_(background), gridRoot_(std::move(gridRoot)),
      readNames_(std::move(names)) {}

void CPlacementTool::Choose(const CModelDefinition& definition) {
    CursorLoad load;
    {
        std::lock_guard lock(mutex_);
        load = cursor_.Choose(definition);
        pendingCell_.reset();
        arrived_.reset();
    }
    Load(load);
}

void CPlacementTool::PostNextCopiesLocked() {
    background_.Post([this, load = cursor_.NextCopies()] { Load(load); });
}

std::vector<std::string> CPlacementTool::PartPathsLocked() const {
    std::vector<std::string> paths;
    cursor_.ForEachSource([&paths](const CursorPartSource& source) { paths.push_back(source.path); });
    return paths;
}

void CPlacementTool::ReloadPartsLocked(const std::vector<std::string>& paths) {
    bool uses = false;
    cursor_.ForEachSource([&](const CursorPartSource& source) {
        uses = uses || std::find(paths.begin(), paths.end(), source.path) != paths.end();
    });
    if (uses) {
        PostNextCopiesLocked();
    }
}

void CPlacementTool::Load(const CursorLoad& load) {
    // Outside every lock: loads take long, and the parts are ours alone until handed over.
    std::optional<LoadedCursor> loaded = CPlacementCursor::Load(load, loader_, [this, &load] {
        std::lock_guard lock(mutex_);
        return background_.Stopping() || !cursor_.IsCurrent(load); // a newer choice, or the field is going
    });
    if (!loaded) {
        return;
    }
    const std::optional<Vector4> centredOffset = loaded->centredOffset;
    CursorSlots replaced; // never drawn: they may go on this thread, after the lock
    std::lock_guard lock(mutex_);
    if (!cursor_.IsCurrent(load)) {
        return;
    }
    replaced = cursor_.Offer(std::move(*loaded));
    if (load.fromChoice) {
        arrived_ = ArrivedChoice{centredOffset};
    }
}

std::optional<CPlacementTool::SwappedIn> CPlacementTool::SwapInLocked() {
    std::optional<CursorSlots> retired = cursor_.SwapIn();
    if (!retired) {
        return std::nullopt;
    }
    return SwappedIn{std::move(*retired), std::exchange(arrived_, std::nullopt)};
}

void CPlacementTool::SetCellLocked(const std::string& cell) {
    if (cell != cell_) {
        RequestNamesLocked(cell);
        cell_ = cell;
    }
}

std::optional<CPlacementTool::ReadyPlace> CPlacementTool::TakeReadyPlaceLocked() {
    if (!pendingCell_) {
        return std::nullopt;
    }
    const std::unordered_set<std::string>* written = names_.Find(GridFilePath(gridRoot_, 0, *pendingCell_));
    if (written == nullptr) {
        RequestNamesLocked(*pendingCell_);
        return std::nullopt;
    }
    if (!cursor_.Ready()) {
        return std::nullopt; // the cursor's next copies are loading; the swap-in places
    }
    ReadyPlace ready{std::move(*pendingCell_), written};
    pendingCell_.reset();
    return ready;
}

const std::unordered_set<std::string>* CPlacementTool::WrittenNamesLocked(const std::string& cell) {
    const std::unordered_set<std::string>* written = names_.Find(GridFilePath(gridRoot_, 0, cell));
    if (written == nullptr) {
        RequestNamesLocked(cell);
    }
    return written;
}

void CPlacementTool::RequestNamesLocked(const std::string& cell) {
    const std::filesystem::path file = GridFilePath(gridRoot_, 0, cell);
    if (names_.BeginRead(file)) {
        background_.Post([this, file] { ReadNames(file); });
    }
}

void CPlacementTool::ReadNames(const std::filesystem::path& file) {
    GridFileLines contents;
    try {
        contents = readNames_(file);
    } catch (...) {
        std::lock_guard lock(mutex_);
        names_.CancelRead(file); // the next request reads it again
        throw;
    }
    std::lock_guard lock(mutex_);
    names_.EndRead(file, contents.names);
}

} // namespace quorvane
