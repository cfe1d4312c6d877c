#pragma once

#include "editor/main_field.h"
#include "editor/model_entry.h"
#include "editor/model_file_watch.h"
#include "editor/registry_lists.h"
#include "editor/stream_windows.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

namespace quorvane {

// How the streaming loads models: the GPU registry in the editor, a fake in tests.
class IStreamingLoader {
public:
    virtual ~IStreamingLoader() = default;
    // Takes a loader slot (one attempt) and starts loading the entry on a
    // thread of its own; false, with nothing started, when no slot is free.
    virtual bool StartLoad(CModelEntry& entry) = 0;
    virtual bool IsLoading(const CModelEntry& entry) const = 0;
    // Returns once every started load has ended, loaded or not.
    virtual void WaitForLoads() = 0;
    // The entry draws source's model (source is loaded); false when it cannot.
    virtual bool MakeInstance(CModelEntry& entry, CModelEntry& source) = 0;
    // The files a build of the model at path reads (see CModelFileWatch);
    // by default the model file alone, taken as reading.
    virtual ModelFileCheck CheckModelFiles(const std::string& path, bool /*thorough*/) {
        return {.reads = true, .why = {}, .files = {path}};
    }
};

// What is still on its way: tiles, and models of loaded grid map files. Loads
// that failed count as done.
struct StreamingProgress {
    int32_t tilesLoading = 0;
    int32_t gridModelsLoading = 0;
    bool Done() const { return tilesLoading == 0 && gridModelsLoading == 0; }
};

// Keeps the terrain tiles and the grid map files around the stream centre
// loaded. The timer thread loads, once a second; the render thread drops what
// left the keep windows, in its frame update. Each set (tiles, grid files)
// has a busy flag and a state: a pass takes the flag by compare-exchange, the
// timer runs only while the state is idle and hands over with "loaded", the
// render thread runs only on "loaded" and hands back. So the two threads
// never walk one set's entries at the same time, and an entry pointer the
// timer pass keeps between list operations cannot be removed under it. The
// render thread additionally removes only entries that have finished loading
// (loaded, or failed and not loading), so no loader thread holds them either.
//
// A grid map file someone else changed on disk is read again within a
// timer pass or two, so a teammate's placements appear; a cell with edits
// not written yet keeps them and the user is told. So is every cell that
// shows a model whose files changed and still read, and the cursor loads
// again; a model file that no longer reads is told and changes nothing.
//
// A model whose load failed is not tried again while its entry lives: it
// counts as done, not loaded, so its grid file can become complete and be
// dropped later. A tile or grid file that comes back into the load window
// after it was dropped gets a fresh entry, and so one more try.
class CFieldStreaming {
public:
    using ProblemSink = std::function<void(const std::string& message)>;
    using ModelChangeSink = std::function<void(const std::vector<std::string>& modelPaths)>;

    CFieldStreaming(CRegistryLists& lists, CMainField& field, IStreamingLoader& loader,
                    std::filesystem::path gridRoot = "./gridfile", StreamLayout layout = {});
    CFieldStreaming(const CFieldStreaming&) = delete;
    CFieldStreaming& operator=(const CFieldStreaming&) = delete;

    // Grid map files that cannot be read or hold damaged lines are reported
    // here (stderr by default). Set before the timer starts.
    void SetProblemSink(ProblemSink sink);
    // Told, on the timer thread, of the models whose files changed on disk
    // and read well, so that views outside the field load them again. Set
    // before the timer starts.
    void SetModelChangeSink(ModelChangeSink sink) { modelChangeSink_ = std::move(sink); }

    void SetCentre(float x, float y); // any thread; non-finite values are ignored
    void TimerPhase();                // the 1000 ms timer thread
    void CommitPhase();               // render thread, frame update; skipped while the camera is busy
    StreamingProgress Progress() const;

private:
    struct Centre {
        float x = 0.0f;
        float y = 0.0f;
    };
    // Where an entry stands after a look at it.
    enum class LoadStep { kDone, kPending };

    Centre CurrentCentre() const;
    void Report(const std::string& message) const;

    // Tiles: timer thread, then render thread.
    void LoadNearbyTiles(const Centre& centre);
    void UnloadFarTiles(const Centre& centre);
    int32_t CountTilesLoading() const;

    // Grid map files: timer thread, then render thread.
    void LoadNearbyGridFiles(const Centre& centre);
    bool OpenGridFile(const std::filesystem::path& path);
    std::vector<GridFileEntry*> IncompleteGridFiles() const;
    // Looks at every entry of the file, starting loads when mayStart; true
    // when nothing is pending, adding the pending ones to pending.
    bool AdvanceGridFile(GridFileEntry& file, bool mayStart, int32_t& pending);
    LoadStep AdvanceOwnModel(CModelEntry& entry, bool mayStart);
    LoadStep AdvanceCopy(CModelEntry& entry, bool mayStart);
    void UnloadFarGridFiles(const Centre& centre);
    // Timer thread: the files in memory that someone changed on disk since they were read.
    void FindChangedOnDisk();
    // Timer thread: the models in use whose files changed on disk.
    void FindChangedModels();
    void DropUnusedSharedModels();
    void ForgetGoneGridAttempts();
    bool Settled(const CModelEntry& entry, const std::unordered_set<const CModelEntry*>& attempts) const;

    CRegistryLists& lists_;
    CMainField& field_;
    IStreamingLoader& loader_;
    const std::filesystem::path gridRoot_;
    const StreamLayout layout_;
    ProblemSink problemSink_;
    ModelChangeSink modelChangeSink_;
    CModelFileWatch modelWatch_; // timer thread

    mutable std::mutex centreMutex_;
    Centre centre_;

    // The tile pair; the grid pair is the field's.
    std::atomic<bool> tileBusy_{false};
    std::atomic<int32_t> tileState_{0};

    // Entries whose load was started: a finished one that is not loaded
    // failed. Each set is used only by whoever holds its busy flag.
    std::unordered_set<const CModelEntry*> tileAttempts_;
    std::unordered_set<const CModelEntry*> gridAttempts_;
    // Grid map files that could not be read, by path, with the change time
    // they had then: read again only once they change.
    std::map<std::string, std::filesystem::file_time_type> unreadableFiles_;
    // Files in memory that changed on disk: dropped by the next commit, so
    // the timer reads them again, unless the cell holds edits not written
    // yet. Used by whoever holds the grid turn.
    std::vector<std::pair<std::filesystem::path, FileStamp>> changedOnDisk_; // with the stamp seen
    std::map<std::string, FileStamp> toldChanged_; // the change a cell with edits was told of
    // Cells showing a model whose files changed, with that model's path;
    // handed over as changedOnDisk_ is.
    std::vector<std::pair<std::filesystem::path, std::string>> modelChangedCells_;

    std::atomic<int32_t> tilesLoading_{0};
    std::atomic<int32_t> gridModelsLoading_{0};
};

} // namespace quorvane
