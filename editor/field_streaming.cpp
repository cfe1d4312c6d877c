#include "editor/field_streaming.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <utility>

namespace quorvane {
namespace {

constexpr int32_t kIdle = 0;
constexpr int32_t kLoaded = 1;

bool TakeFlag(std::atomic<bool>& busy) {
    bool expected = false;
    return busy.compare_exchange_strong(expected, true, std::memory_order_acq_rel);
}

// Releases a busy flag however the pass ends.
class CBusyTurn {
public:
    explicit CBusyTurn(std::atomic<bool>& busy) : busy_(busy) {}
    ~CBusyTurn() { busy_.store(false, std::memory_order_release); }
    CBusyTurn(const CBusyTurn&) = delete;
    CBusyTurn& operator=(const CBusyTurn&) = delete;

private:
    std::atomic<bool>& busy_;
};

class CGridTurn {
public:
    explicit CGridTurn(CMainField& field) : field_(field) {}
    ~CGridTurn() { field_.EndGridPass(); }
    CGridTurn(const CGridTurn&) = delete;
    CGridTurn& operator=(const CGridTurn&) = delete;

private:
    CMainField& field_;
};

std::unique_ptr<CModelEntry> NewTileEntry(TileIndex tile) {
    auto entry = std::make_unique<CModelEntry>();
    entry->name = TileName(tile);
    entry->path = TilePath(entry->name);
    return entry;
}

// The entry a copy shares: named by the model ID, with the copy's file and placement.
std::unique_ptr<CModelEntry> NewSharedEntry(const CModelEntry& copy) {
    auto entry = std::make_unique<CModelEntry>();
    entry->name = copy.modelId;
    entry->path = copy.path;
    entry->shader = copy.shader;
    entry->animated = copy.animated;
    entry->transform = copy.transform;
    return entry;
}

std::vector<CModelEntry*> EntriesOf(const GridFileEntry& file) {
    std::vector<CModelEntry*> entries;
    for (const auto& group : file.groups) {
        group->ForEach([&entries](CModelEntry& entry) { entries.push_back(&entry); });
    }
    return entries;
}

} // namespace

CFieldStreaming::CFieldStreaming(CRegistryLists& lists, CMainField& field, IStreamingLoader& loader,
                                 std::filesystem::path gridRoot, StreamLayout layout)
    : lists_(lists), field_(field), loader_(loader), gridRoot_(std::move(gridRoot)), layout_(layout),
      problemSink_([](const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); }),
      modelWatch_([&loader](const std::string& path, bool thorough) {
          return loader.CheckModelFiles(path, thorough);
      }) {}

void CFieldStreaming::SetProblemSink(ProblemSink sink) {
    problemSink_ = std::move(sink);
}

void CFieldStreaming::SetCentre(float x, float y) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        return;
    }
    std::lock_guard lock(centreMutex_);
    centre_ = {x, y};
}

CFieldStreaming::Centre CFieldStreaming::CurrentCentre() const {
    std::lock_guard lock(centreMutex_);
    return centre_;
}

void CFieldStreaming::Report(const std::string& message) const {
    if (problemSink_) {
        problemSink_(message);
    }
}

StreamingProgress CFieldStreaming::Progress() const {
    return {tilesLoading_.load(std::memory_order_acquire),
            gridModelsLoading_.load(std::memory_order_acquire)};
}

void CFieldStreaming::TimerPhase() {
    const Centre centre = CurrentCentre();
    if (TakeFlag(tileBusy_)) {
        CBusyTurn turn(tileBusy_);
        if (tileState_.load(std::memory_order_acquire) == kIdle) {
            LoadNearbyTiles(centre);
            tileState_.store(kLoaded, std::memory_order_release);
        }
    }
    if (field_.TryBeginGridPass()) {
        CGridTurn turn(field_);
        if (field_.GridState() == CMainField::kGridIdle) {
            LoadNearbyGridFiles(centre);
            // A write made meanwhile keeps its state: the next commit clears instead.
            field_.HandOverGridFiles();
        }
    }
}

void CFieldStreaming::CommitPhase() {
    const Centre centre = CurrentCentre();
    if (TakeFlag(tileBusy_)) {
        CBusyTurn turn(tileBusy_);
        if (tileState_.load(std::memory_order_acquire) == kLoaded) {
            UnloadFarTiles(centre);
            tileState_.store(kIdle, std::memory_order_release);
        }
    }
    if (field_.GridState() == CMainField::kGridWritten) {
        if (field_.MergeAfterWrite()) {
            gridModelsLoading_.store(0, std::memory_order_release);
        }
        return;
    }
    if (field_.TryBeginGridPass()) {
        CGridTurn turn(field_);
        if (field_.GridState() == CMainField::kGridLoaded) {
            UnloadFarGridFiles(centre);
            field_.TakeBackGridFiles(); // a write made meanwhile stays for the next commit
        }
    }
}

bool CFieldStreaming::Settled(const CModelEntry& entry,
                              const std::unordered_set<const CModelEntry*>& attempts) const {
    if (entry.loaded.load(std::memory_order_acquire)) {
        return true;
    }
    return attempts.contains(&entry) && !loader_.IsLoading(entry);
}

// ---- tiles ---------------------------------------------------------------------------

void CFieldStreaming::LoadNearbyTiles(const Centre& centre) {
    for (const TileIndex tile : TileLoadWindow(centre.x, centre.y, layout_).Tiles()) {
        if (lists_.FindByName(TileName(tile)) == nullptr) {
            lists_.fieldTiles.Append(NewTileEntry(tile));
        }
    }
    // Gathered under the list's lock, started without it: only this pass's
    // commit removes tiles, and it waits for the hand-over.
    std::vector<CModelEntry*> waiting;
    lists_.fieldTiles.ForEach([&](CModelEntry& entry) {
        if (!entry.loaded.load(std::memory_order_acquire) && !entry.hasDrawModel &&
            !tileAttempts_.contains(&entry)) {
            waiting.push_back(&entry);
        }
    });
    for (CModelEntry* entry : waiting) {
        if (!loader_.IsLoading(*entry) && loader_.StartLoad(*entry)) {
            tileAttempts_.insert(entry);
        }
        // Refused: no slot is free; the tile waits for a later second.
    }
    loader_.WaitForLoads();
    tilesLoading_.store(CountTilesLoading(), std::memory_order_release);
}

int32_t CFieldStreaming::CountTilesLoading() const {
    int32_t loading = 0;
    lists_.fieldTiles.ForEach([&](const CModelEntry& entry) {
        if (!Settled(entry, tileAttempts_)) {
            ++loading;
        }
    });
    return loading;
}

void CFieldStreaming::UnloadFarTiles(const Centre& centre) {
    const TileWindow keep = TileKeepWindow(centre.x, centre.y, layout_);
    std::unordered_set<std::string> kept;
    for (const TileIndex tile : keep.Tiles()) {
        kept.insert(TileName(tile));
    }
    // Destroyed when this goes, after the list's lock.
    const std::vector<std::unique_ptr<CModelEntry>> removed =
        lists_.fieldTiles.ExtractIf([&](const CModelEntry& entry) {
            return !kept.contains(entry.name) && Settled(entry, tileAttempts_);
        });
    for (const auto& entry : removed) {
        tileAttempts_.erase(entry.get());
    }
}

// ---- grid map files ------------------------------------------------------------------

void CFieldStreaming::FindChangedOnDisk() {
    std::vector<std::pair<std::filesystem::path, FileStamp>> inMemory;
    lists_.gridFiles.ForEach([&inMemory](const GridFileEntry& file) {
        if (file.loaded.load(std::memory_order_acquire)) {
            inMemory.emplace_back(file.path, file.stamp);
        }
    });
    changedOnDisk_.clear();
    CGridFileAccess disk;
    for (const auto& [path, read] : inMemory) {
        FileStamp now;
        std::string ignored;
        if (disk.Stamp(path, &now, &ignored) && now != read) {
            changedOnDisk_.emplace_back(path, now);
        }
    }
}

void CFieldStreaming::FindChangedModels() {
    std::map<std::string, std::vector<std::filesystem::path>> cellsByModel;
    lists_.gridFiles.ForEach([&cellsByModel](const GridFileEntry& file) {
        if (!file.loaded.load(std::memory_order_acquire)) {
            return; // its models load from the files as they are now
        }
        for (const CModelEntry* entry : EntriesOf(file)) {
            std::vector<std::filesystem::path>& cells = cellsByModel[entry->path];
            if (cells.empty() || cells.back() != file.path) {
                cells.push_back(file.path);
            }
        }
    });
    std::vector<std::string> inUse = field_.CursorModelPaths(); // outside the lists' locks
    for (const auto& item : cellsByModel) {
        inUse.push_back(item.first);
    }
    const CModelFileWatch::Changes changes = modelWatch_.Poll(inUse);
    for (const auto& [path, why] : changes.broken) {
        Report(path + " changed on disk and no longer reads (" + why +
               "): the field keeps showing the model it had");
    }
    if (changes.rebuild.empty()) {
        return;
    }
    for (const std::string& path : changes.rebuild) {
        const auto cells = cellsByModel.find(path);
        if (cells == cellsByModel.end()) {
            continue;
        }
        for (const std::filesystem::path& cell : cells->second) {
            modelChangedCells_.emplace_back(cell, path);
        }
    }
    // Copies read from now on draw a shared model built from the new files.
    lists_.sharedModels.ForEach([&changes](CModelEntry& shared) {
        if (std::find(changes.rebuild.begin(), changes.rebuild.end(), shared.path) != changes.rebuild.end()) {
            shared.outdated.store(true, std::memory_order_release);
        }
    });
    field_.FollowChangedModels(changes.rebuild);
    if (modelChangeSink_) {
        modelChangeSink_(changes.rebuild);
    }
}

void CFieldStreaming::LoadNearbyGridFiles(const Centre& centre) {
    ForgetGoneGridAttempts();
    FindChangedOnDisk();
    FindChangedModels();
    std::unordered_set<std::string> open;
    lists_.gridFiles.ForEach([&open](const GridFileEntry& file) { open.insert(file.path.string()); });
    for (const CellIndex cell : GridLoadWindow(centre.x, centre.y, layout_).Cells()) {
        const std::filesystem::path path = GridFilePath(gridRoot_, cell);
        if (!open.contains(path.string())) {
            OpenGridFile(path);
        }
    }

    // Loads start on the first look; the second, after they have ended, makes
    // the instances of models that just arrived, so a file can complete in one pass.
    const std::vector<GridFileEntry*> files = IncompleteGridFiles();
    int32_t pending = 0;
    for (GridFileEntry* file : files) {
        AdvanceGridFile(*file, true, pending);
    }
    loader_.WaitForLoads();
    pending = 0;
    for (GridFileEntry* file : files) {
        if (AdvanceGridFile(*file, false, pending)) {
            file->loaded.store(true, std::memory_order_release);
        }
    }
    gridModelsLoading_.store(pending, std::memory_order_release);
}

bool CFieldStreaming::OpenGridFile(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return false; // a cell without placements has no file
    }
    const std::filesystem::file_time_type changed = std::filesystem::last_write_time(path, error);
    const auto unreadable = unreadableFiles_.find(path.string());
    if (unreadable != unreadableFiles_.end()) {
        if (!error && unreadable->second == changed) {
            return false; // reported already; tried again once it changes
        }
        unreadableFiles_.erase(unreadable);
    }
    GridReadReport report;
    if (!field_.LoadGridFile(path, &report)) {
        unreadableFiles_[path.string()] = changed;
        Report("grid map file " + path.string() + " not read: " + report.fileError);
        return false;
    }
    for (const std::string& problem : report.problems) {
        Report("grid map file " + path.string() + ", " + problem);
    }
    return true;
}

std::vector<GridFileEntry*> CFieldStreaming::IncompleteGridFiles() const {
    std::vector<GridFileEntry*> files;
    lists_.gridFiles.ForEach([&files](GridFileEntry& file) {
        if (!file.loaded.load(std::memory_order_acquire)) {
            files.push_back(&file);
        }
    });
    return files;
}

bool CFieldStreaming::AdvanceGridFile(GridFileEntry& file, bool mayStart, int32_t& pending) {
    bool complete = true;
    for (CModelEntry* entry : EntriesOf(file)) {
        const LoadStep step =
            entry->copy != 0 ? AdvanceCopy(*entry, mayStart) : AdvanceOwnModel(*entry, mayStart);
        if (step == LoadStep::kPending) {
            complete = false;
            ++pending;
        }
    }
    return complete;
}

CFieldStreaming::LoadStep CFieldStreaming::AdvanceOwnModel(CModelEntry& entry, bool mayStart) {
    if (Settled(entry, gridAttempts_)) {
        return LoadStep::kDone;
    }
    if (mayStart && !entry.hasDrawModel && !loader_.IsLoading(entry) && !gridAttempts_.contains(&entry) &&
        loader_.StartLoad(entry)) {
        gridAttempts_.insert(&entry);
    }
    return LoadStep::kPending;
}

CFieldStreaming::LoadStep CFieldStreaming::AdvanceCopy(CModelEntry& entry, bool mayStart) {
    if (Settled(entry, gridAttempts_)) {
        return LoadStep::kDone;
    }
    CModelEntry* shared = lists_.sharedModels.FindFirst([&entry](const CModelEntry& candidate) {
        return candidate.name == entry.modelId && !candidate.outdated.load(std::memory_order_acquire);
    });
    if (shared == nullptr) {
        if (mayStart) {
            std::unique_ptr<CModelEntry> created = NewSharedEntry(entry);
            if (loader_.StartLoad(*created)) {
                gridAttempts_.insert(created.get());
                field_.AddSharedModel(std::move(created));
            }
        }
        return LoadStep::kPending;
    }
    if (shared->loaded.load(std::memory_order_acquire)) {
        if (!loader_.MakeInstance(entry, *shared)) {
            gridAttempts_.insert(&entry); // cannot be drawn; done, not loaded
        }
        return LoadStep::kDone;
    }
    if (Settled(*shared, gridAttempts_)) {
        return LoadStep::kDone; // its model failed to load: every copy of it stays unloaded
    }
    if (mayStart && !loader_.IsLoading(*shared) && !gridAttempts_.contains(shared) &&
        loader_.StartLoad(*shared)) {
        gridAttempts_.insert(shared);
    }
    return LoadStep::kPending;
}

void CFieldStreaming::UnloadFarGridFiles(const Centre& centre) {
    std::unordered_set<std::string> kept;
    for (const CellIndex cell : GridKeepWindow(centre.x, centre.y, layout_).Cells()) {
        kept.insert(GridFilePath(gridRoot_, cell).string());
    }
    // A cell with edits not yet written stays until they are. Asked outside
    // the list's lock: the field takes its own lock before a list's.
    std::vector<std::filesystem::path> far;
    lists_.gridFiles.ForEach([&](const GridFileEntry& file) {
        if (!kept.contains(file.path.string())) {
            far.push_back(file.path);
        }
    });
    for (const std::filesystem::path& path : far) {
        if (field_.HasUnwrittenEdits(path)) {
            kept.insert(path.string());
        }
    }
    // A file changed on disk goes too, to be read again, unless edits wait for a write there.
    std::unordered_set<std::string> changed;
    for (const auto& [path, now] : changedOnDisk_) {
        if (!field_.HasUnwrittenEdits(path)) {
            changed.insert(path.string());
            toldChanged_.erase(path.string());
            continue;
        }
        if (const auto told = toldChanged_.find(path.string());
            told == toldChanged_.end() || told->second != now) {
            toldChanged_[path.string()] = now;
            Report(path.generic_string() +
                   " changed on disk while it holds edits not written yet: the edits stay as they are");
        }
    }
    changedOnDisk_.clear();
    for (const auto& [cell, model] : modelChangedCells_) {
        if (!field_.HasUnwrittenEdits(cell)) {
            changed.insert(cell.string());
        } else {
            Report(cell.generic_string() + " holds edits not written yet: it shows the new " + model +
                   " once they are written");
        }
    }
    modelChangedCells_.clear();
    const std::vector<std::unique_ptr<GridFileEntry>> removed =
        lists_.gridFiles.ExtractIf([&kept, &changed](const GridFileEntry& file) {
            return file.loaded.load(std::memory_order_acquire) &&
                   (!kept.contains(file.path.string()) || changed.contains(file.path.string()));
        });
    for (const auto& file : removed) {
        for (const CModelEntry* entry : EntriesOf(*file)) {
            gridAttempts_.erase(entry);
        }
        DestroyGridFile(*file, lists_.sharedModels);
    }
    if (!removed.empty()) {
        DropUnusedSharedModels();
    }
}

// A shared model whose copies all went without becoming instances (its load
// failed) is dropped with its last file, so that it does not stay forever.
void CFieldStreaming::DropUnusedSharedModels() {
    std::unordered_set<std::string> wanted;
    lists_.gridFiles.ForEach([&wanted](const GridFileEntry& file) {
        for (const CModelEntry* entry : EntriesOf(file)) {
            if (entry->copy != 0) {
                wanted.insert(entry->modelId);
            }
        }
    });
    const std::vector<std::unique_ptr<CModelEntry>> dropped =
        lists_.sharedModels.ExtractIf([&](const CModelEntry& shared) {
            return shared.useCount < 1 && (shared.outdated || !wanted.contains(shared.name)) &&
                   Settled(shared, gridAttempts_);
        });
    for (const auto& shared : dropped) {
        gridAttempts_.erase(shared.get());
    }
}

// The clean-up after a write destroys grid files and shared models without
// the streaming; what it destroyed must not be mistaken for a new entry that
// happens to get the same address.
void CFieldStreaming::ForgetGoneGridAttempts() {
    if (gridAttempts_.empty()) {
        return;
    }
    std::unordered_set<const CModelEntry*> alive;
    lists_.gridFiles.ForEach([&alive](const GridFileEntry& file) {
        for (const CModelEntry* entry : EntriesOf(file)) {
            alive.insert(entry);
        }
    });
    lists_.sharedModels.ForEach([&alive](const CModelEntry& shared) { alive.insert(&shared); });
    std::erase_if(gridAttempts_, [&alive](const CModelEntry* entry) { return !alive.contains(entry); });
}

} // namespace quorvane
