#pragma once

#include "editor/background_queue.h"
#include "editor/camera_bookmarks.h"
#include "editor/cell_name.h"
#include "editor/cell_rewrite_plan.h"
#include "editor/copy_placer.h"
#include "editor/cursor_placer.h"
#include "editor/edit_history.h"
#include "editor/edit_mode.h"
#include "editor/field_edit_state.h"
#include "editor/field_input_handler.h"
#include "editor/field_input_queue.h"
#include "editor/field_input_state.h"
#include "editor/field_journal.h"
#include "editor/field_recovery.h"
#include "editor/field_selection.h"
#include "editor/field_selector.h"
#include "editor/field_view_hooks.h"
#include "editor/grid_cell_store.h"
#include "editor/grid_file.h"
#include "editor/grid_name_cache.h"
#include "editor/grid_store.h"
#include "editor/grid_write_runner.h"
#include "editor/grid_writer.h"
#include "editor/history_runner.h"
#include "editor/level_document.h"
#include "editor/level_edits.h"
#include "editor/model_definition.h"
#include "editor/model_entry.h"
#include "editor/model_loader.h"
#include "editor/owned_list.h"
#include "editor/paint_tool.h"
#include "editor/pick_targets.h"
#include "editor/placed_model.h"
#include "editor/placement_cursor.h"
#include "editor/placement_list_model.h"
#include "editor/placement_pick.h"
#include "editor/placement_random.h"
#include "editor/placement_tool.h"
#include "editor/recovery_journal.h"
#include "editor/registry_lists.h"
#include "editor/selection_edits.h"
#include "editor/shared_sources.h"
#include "editor/shown_edits.h"
#include "editor/transform_gesture.h"
#include "editor/unwritten_placements.h"
#include "editor/vector4.h"
#include "editor/write_merge.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace quorvane {

// The editing core of the field view, and the face the windows call: the
// posted input, the frame update's order of work and the snapshots. Each
// part has a class of its own: the input handler (the modes' machine), the
// selector and the selection's edits, the placement tool (cursor, choice,
// cell names) and the cursor placer, the unwritten placements and the
// written cells' document with the edits of both, the history runner, the
// grid store and its write runner, the journal and the recovery. It holds no window and no GPU
// object: models come through IModelLoader, the ground point under a pixel
// through an injected function. The window threads post their input and the
// frame update (UpdateEditing, on the field's render thread) applies it, so
// edits happen on one thread; the lock covers what other threads read, the
// loads they hand in and a write's begin and end. Model loads and grid map
// reads run on the core's background thread, so a click never reads a file
// or waits for a loader slot. The lock is never held while models load, grid
// map files are read or written, or window hooks run; what leaves the field
// is a copy or a visit under the lock, never a list to lock by hand. Places,
// confirmed adjustments and deletes are undoable steps; what is not written
// yet is journaled to disk after each of them, on the journal's own thread.
class CMainField : private IHistoryHost, private IGridWriteHost {
public:
    static constexpr size_t kCursorSlots = quorvane::kCursorSlots;
    static constexpr int32_t kRequestNone = CSelectionEdits::kRequestNone;
    static constexpr int32_t kRequestCancelPlacement = CSelectionEdits::kRequestCancelPlacement;
    static constexpr int32_t kRequestDeleteSelected = CSelectionEdits::kRequestDeleteSelected;
    static constexpr int32_t kGridIdle = CGridHandOver::kIdle;
    static constexpr int32_t kGridLoaded = CGridHandOver::kLoaded;
    static constexpr int32_t kGridWritten = CGridHandOver::kWritten;
    static constexpr int32_t kHistoryNone = CHistoryRunner::kNone;
    static constexpr int32_t kHistoryUndo = CHistoryRunner::kUndo;
    static constexpr int32_t kHistoryRedo = CHistoryRunner::kRedo;

    using GroundPlanePointFunction = std::function<Vector4(PixelPoint client)>;
    using PickRayFunction = std::function<std::optional<PickRay>(PixelPoint client)>;
    // The camera as it is now, projecting into client pixels.
    using ViewProjectionFunction = std::function<ViewProjection()>;
    using RandomRangesFunction = std::function<RandomRanges()>;
    using GridNameReader = std::function<GridFileLines(const std::filesystem::path&)>;
    using GridLineWriter = std::function<GridWriteReport(const std::filesystem::path& root, GridWriteBatch)>;

    // nameReader gives the names and lines already in a grid map file; tests count its reads.
    explicit CMainField(IModelLoader& loader, std::filesystem::path gridRoot = "./gridfile",
                        GridNameReader nameReader = ReadGridFileLines);
    // The same on the registry lists of the field view, which outlive the field.
    CMainField(IModelLoader& loader, CRegistryLists& lists, std::filesystem::path gridRoot = "./gridfile",
               GridNameReader nameReader = ReadGridFileLines);
    ~CMainField();
    CMainField(const CMainField&) = delete;
    CMainField& operator=(const CMainField&) = delete;

    // Wiring, before input starts.
    void SetGroundPlanePoint(GroundPlanePointFunction groundPlanePoint);
    // The ray under a client pixel; without it a click in the field selects nothing.
    void SetPickRay(PickRayFunction pickRay);
    // Without it a drag from empty ground selects nothing.
    void SetViewProjection(ViewProjectionFunction projection);
    void SetRandomRanges(RandomRangesFunction ranges);
    void SetHooks(FieldViewHooks hooks);
    void SetClientOrigin(PixelPoint origin); // screen position of the client area's corner; posted
    // The file layer of WriteGridFiles (WriteGridLines unless replaced).
    void SetGridLineWriter(GridLineWriter writer);
    // The file layer of the cell rewrites that written edits need (the disk unless replaced).
    void SetGridFileAccess(std::shared_ptr<IGridFileAccess> access);

    // Input, Win32 virtual-key codes and client points. Any thread posts it
    // and goes on, never waiting for the field's lock; the frame update
    // applies it in the order it came, so one thread changes the level.
    void OnKeyDown(int virtualKey);
    void OnKeyUp(int virtualKey);
    void OnLButtonDown(PixelPoint client);
    void OnLButtonUp();
    void OnMButtonDown(PixelPoint client);
    void OnMButtonUp();
    void OnRButtonDown(PixelPoint client);
    void OnRButtonUp();
    void OnMouseMove(PixelPoint client);
    // Render thread: applies what was posted so far. The frame update does
    // it first; the field view also before the camera reads the input.
    void ApplyPostedInput();
    bool PostedInputApplied() const { return inputs_.AllApplied(); } // all input posted so far

    // Placement.
    // Loads the definition's level-0 parts on the calling thread (never the
    // UI thread's: the model viewer's render thread, the chooser's worker);
    // they reach the cursor with the next SwapInCursor.
    void ChooseModelForPlacement(const CModelDefinition& definition);
    // The model files the cursor's parts are built from.
    std::vector<std::string> CursorModelPaths() const;
    // The files of these models changed on disk and read well: the cursor's
    // parts and the unwritten placements built from one load again, on the
    // background thread, and take the old ones' places in a later frame;
    // the next copy painted or pasted of one loads its shared model anew.
    void FollowChangedModels(const std::vector<std::string>& modelPaths);
    void SwapInCursor();       // render thread
    bool PlacePending() const; // a click waits for the cursor or the cell's names

    // Paint mode's brush (P with a definition taken for placing). The panel
    // sets it; [ and ] change its radius, so the panel reads it back.
    BrushSettings Brush() const;
    void SetBrush(const BrushSettings& brush);
    bool Painting() const; // a stroke is under way, or still placing its last copies

    // Selecting in the field. A left click with no model
    // taken for placing asks for the copy under the mouse, written or not; the
    // next frame update picks it and selects it for G, S, R and delete, or
    // clears the selection on a miss.
    bool PickPending() const;
    bool SelectedIsWritten() const;
    // The copies selected together (Shift+click adds or removes one); empty
    // unless two or more are. A move, scale or turn then acts about their centre.
    std::vector<SelectedCopy> SelectedGroup() const;
    // The written copies selected now, which the placement list shows after the unwritten ones.
    std::vector<std::string> SelectedWrittenNames() const;
    // Written placements changed or deleted and not written since.
    std::vector<WrittenPart> WrittenEdits() const;
    // Streaming keeps such a cell in memory until its edits are written.
    bool HasUnwrittenEdits(const std::filesystem::path& file) const;

    // Placement list window and delete button, posted like the input above.
    void PickListRow(int32_t clientY);
    void WheelList(int32_t delta);
    void RequestDelete(); // ignored while nothing is selected
    void SetListHeight(int32_t height);

    // Frame update, render thread: the edit request, undo or redo, the cursor
    // swap-in, a waiting place and the clean-up after a write.
    void UpdateEditing();
    // Returns once the background thread has ended every load and read asked
    // for before the call (tests, and before a frame update that needs them).
    void WaitForBackgroundWork();
    // Drops the background work not started and refuses more; before the
    // loader or the render thread that frees its slots goes.
    void StopBackgroundWork();

    // Undo and redo of placement steps (any thread); applied by the next
    // UpdateEditing, or, when a delete took models away, by the first one
    // after the background thread has loaded them again. A running move,
    // scale or rotation is cancelled first.
    void RequestUndo();
    void RequestRedo();
    int32_t HistoryRequest() const { return history_.Pending(); }
    size_t UndoCount() const;
    size_t RedoCount() const;
    std::string HistoryMessage() const; // why the last undo or redo did nothing; empty when it worked
    // Placement records that no write has put in a grid map file yet.
    int32_t UnwrittenPlacementCount() const;

    // Crash recovery. Open reads what an earlier run left, less what its grid
    // map files already hold (the same line under the same name). A journal
    // that cannot be read, whole or in part, is set aside under a new name
    // and a fresh one is started; message says so. The earlier run's
    // placements wait for RestoreFromJournal or DiscardRecoverable and are
    // journaled with this run's meanwhile, so no answer, crash or failed load
    // loses them. handler is installed before the first write is queued: it is
    // called on the journal writer's thread when a write fails after one that
    // did not (so once per run of failures). False, journaling nothing, only
    // when the journal can neither be read nor set aside.
    bool OpenRecoveryJournal(const std::filesystem::path& path, std::string* message,
                             std::function<void(const std::string&)> failureHandler = {});
    UnwrittenSet RecoverablePlacements() const;
    // Changes and deletes of written placements an earlier run left unwritten.
    std::vector<WrittenPart> RecoverableEdits() const;
    size_t RecoverableCount() const; // placements and edits
    // Places the recoverable set again (loading its models without the lock);
    // returns the parts restored. A name taken since gets the next free one;
    // a part whose model does not load stays recoverable and journaled.
    // message names both.
    int32_t RestoreFromJournal(std::string* message);
    // The user declined the restore: forgets the recoverable set; this run's
    // placements stay and are journaled at once.
    bool DiscardRecoverable(std::string* message);
    // The user discards everything unwritten (closing): empties the journal
    // and journals nothing more, whatever the threads still apply.
    bool DiscardUnwritten(std::string* message);
    std::string JournalError() const; // the last failed journal write; empty when none
    // Waits until every journal write due before the call is on disk. Steps
    // never wait for it: the journal is written on a thread of its own.
    void FlushJournal();

    // Grid map files.
    // One step in the order of edits: what it writes, what it takes out of the
    // lists and where the undo history ends all come from the moment it
    // begins; undo, redo and delete requests made meanwhile apply after it.
    // Refused while another write or its clean-up is due.
    bool WriteGridFiles(GridWriteReport* report);
    // The write button's: posted, begun and ended by the frame update, the
    // files written and synced on a thread of its own, so the window never
    // waits for the disk. done gets the report on the render thread. Writes
    // asked for while one runs follow it, one after the other.
    void WriteGridFilesInBackground(std::function<void(const GridWriteReport&)> done);
    GridWriteBatch PendingGridLines() const; // what a write would append now
    bool LoadGridFile(const std::filesystem::path& path, GridReadReport* report); // appends to the grid files
    void AddSharedModel(std::unique_ptr<CModelEntry> entry);
    // Render thread, once a write changed grid map files: the cells in memory
    // take what it wrote (its copies join their cell's groups, lines and
    // stamps follow the files), so nothing is read back. Only a cell someone
    // else changed on disk meanwhile is dropped, for streaming to read again.
    // False, changing nothing, while a streaming pass holds the grid files.
    bool MergeAfterWrite();
    // Grid map files read into memory so far (streaming's and LoadGridFile's).
    uint64_t GridFileReads() const { return gridFileReads_.load(std::memory_order_acquire); }

    // The grid files pass between the streaming timer and the render thread:
    // whoever takes the busy flag may touch the grid file list's entries, and
    // the state says whose turn it is. A write may set "written" at any time,
    // so the turn changes by compare-exchange and never overwrites it.
    bool TryBeginGridPass(); // false while another pass holds the flag
    void EndGridPass();
    bool HandOverGridFiles(); // idle -> loaded
    bool TakeBackGridFiles(); // loaded -> idle

    // Camera bookmarks, kept in CCameraBookmarks::kFileName in the grid root,
    // read on the background thread at start and written there after each store.
    // The field view's frame takes the request a digit made and answers it.
    std::optional<BookmarkRequest> TakeBookmarkRequest();
    void StoreBookmark(int digit, const CameraBookmark& bookmark);
    std::optional<CameraBookmark> Bookmark(int digit) const;
    // Why the bookmark file could not be read or written, in part or whole; empty when it could.
    std::string BookmarkMessage() const;

    // Set by the camera side each frame after the mouse moved.
    void SetPickPoint(const Vector4& point);
    bool TakeMouseMoved();

    // Snapshots for the views and tests.
    EditMode Mode() const;
    EditVectors Vectors() const;
    InputState Input() const;
    std::string SelectedName() const;
    std::string CellName() const;
    int32_t EditRequest() const { return selectionEdits_.Request(); }
    int32_t GridState() const { return gridHandOver_.State(); }
    bool CursorPending() const;
    uint32_t CursorPartCount() const;
    uint32_t PlacementSerial() const;
    CPlacementListModel ListModel() const;
    const std::filesystem::path& GridRoot() const { return gridRoot_; }
    int32_t PlacedModelCount() const;
    int32_t PlacementRecordCount() const;
    int32_t GridFileCount() const;
    int32_t SharedModelCount() const;
    std::vector<CPlacedModel> PlacementRecordSnapshot() const; // in list order
    CRegistryLists& Lists() const { return lists_; }
    // The number typed during a move, scale or rotation; empty outside them.
    std::string TypedValueText() const;
    // True while a drag in a move, scale or rotation snaps (Ctrl held, nothing typed).
    bool Snapping() const;

    // Visits under the lock, for the render thread and the views; a visitor must
    // not call back into the field.
    template <typename F> void ForEachPlacedModel(F visit) const {
        std::lock_guard lock(mutex_);
        lists_.placedModels.ForEach([&visit](const CModelEntry& entry) { visit(entry); });
    }
    template <typename F> void ForEachCursorPart(F visit) const {
        std::lock_guard lock(mutex_);
        placement_.CursorLocked().ForEachPart(visit);
    }

private:
    using RemovedGroup = CUnwrittenPlacements::Removed;
    // Background thread: the records' parts loaded again, for the next frame.
    void ReloadPlacedParts(const std::vector<CPlacedModel>& records);
    void SwapInReloadedParts(); // frame update
    using LoadedPart = CUnwrittenPlacements::LoadedPart;

    // Every *Locked member expects mutex_ to be held by the caller.
    void RunHooks(const CFieldHookCalls& calls) const override;
    // Runs step under the lock, then the hook calls it gathered.
    template <typename F> void LockedStep(F step) {
        CFieldHookCalls calls;
        {
            std::lock_guard lock(mutex_);
            step(calls);
        }
        RunHooks(calls);
    }
    void ApplyInput(const FieldInput& input);
    void ApplyInputLocked(const FieldInput& input, CFieldHookCalls& calls);
    void HandleEditRequest();
    // Collects the unwritten set (taking the field's lock) for the journal
    // writer; call it without the lock.
    void QueueJournalIfDue();
    void ReadBookmarks(); // background thread

    // Undo and redo, as the history runner asks (main_field_history.cpp).
    bool WriteInProgressLocked() const override;
    void EndAdjustmentLocked(CFieldHookCalls& calls) override;
    bool IsPlacedLocked(const std::string& name) const override;
    bool ApplyStepLocked(const EditStep& step, bool undo, std::vector<LoadedPart>& loaded,
                         RemovedGroup& removed, CFieldHookCalls& calls) override;
    std::unique_ptr<CModelEntry> LoadPart(const CPlacedModel& record, std::string* failure) override;
    bool PostLoad(std::function<void()> job) override;
    // The grid write's host (main_field_grid_files.cpp).
    void CollectLocked(GridWriteJob& job) override;
    void TakeOutLocked(const GridWriteJob& job, GridWriteReport& report,
                       std::vector<std::unique_ptr<CPlacedModel>>& records, CFieldHookCalls& calls) override;
    void AfterStep(const CFieldHookCalls& calls) override;

    IModelLoader& loader_;
    // The registry's lists: the field view's when it hands them in, else our own.
    std::unique_ptr<CRegistryLists> ownedLists_;
    CRegistryLists& lists_;
    CUnwrittenPlacements unwritten_{lists_.placedModels, lists_.placementRecords}; // under mutex_
    const std::filesystem::path gridRoot_;
    const GridNameReader nameReader_;

    CFieldInputQueue inputs_; // posted input, waiting for the frame update
    mutable std::mutex mutex_;
    std::shared_ptr<const FieldViewHooks> hooks_; // copied out under the lock, called outside it
    // Everything below is under mutex_ unless it says otherwise.
    FieldEditState edit_; // what the user is doing: mode, vectors, pointer, selection, list rows
    CCameraBookmarks bookmarks_;
    std::vector<int> storedDigits_; // stored before the file was read: the file does not override them
    std::string bookmarkMessage_;
    CLevelDocument document_;
    CShownEdits shownEdits_; // the document and the selection as the shown copies show them
    CLevelEdits levelEdits_{document_, unwritten_, lists_, shownEdits_};
    CPlacementTool placement_{mutex_, loader_, background_, gridRoot_, nameReader_};
    CGridHandOver gridHandOver_; // without the lock
    CFieldSelector selector_{edit_, document_, levelEdits_, unwritten_, lists_, gridHandOver_, placement_};
    std::atomic<uint64_t> gridFileReads_{0};
    CHistoryRunner history_{mutex_, *this};
    CFieldJournal journal_; // written on its own thread, never under mutex_
    CFieldRecovery recovery_{lists_, unwritten_, document_, shownEdits_, gridRoot_};
    CGridStore gridStore_{
        {lists_, document_, shownEdits_, placement_, edit_, gridHandOver_, history_, journal_}, gridRoot_};
    CSelectionEdits selectionEdits_{edit_, selector_, levelEdits_, unwritten_, lists_, history_, journal_};
    CCursorPlacer placer_{edit_, placement_, unwritten_, lists_, selector_, selectionEdits_, recovery_};
    CSharedSources sharedSources_{mutex_, loader_, background_, lists_.sharedModels};
    CCopyPlacer copyPlacer_{placement_, sharedSources_, unwritten_, lists_, recovery_};
    CPaintTool paint_{edit_,       placement_, copyPlacer_, sharedSources_, unwritten_,
                      levelEdits_, lists_,     selector_,   selectionEdits_};
    CArrangeTool arrange_{edit_, selector_, selectionEdits_, copyPlacer_, unwritten_, document_};
    CFieldInputHandler input_{edit_,   selector_, selectionEdits_, placement_,
                              placer_, history_,  paint_,          arrange_};
    // Last: stopped first, while everything their jobs use still stands.
    CGridWriteRunner gridWrites_{mutex_, *this, gridHandOver_, gridRoot_};
    // Under mutex_: parts loaded again from changed files, waiting for a frame.
    std::vector<std::unique_ptr<CModelEntry>> reloadedParts_;
    CBackgroundQueue background_{"モデルの読み込み"};
};

} // namespace quorvane
