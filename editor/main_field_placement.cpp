#include "editor/grid_map_line.h"
#include "editor/main_field.h"
#include "editor/unique_name.h"

#include <algorithm>
#include <thread>
#include <unordered_set>
#include <utility>

namespace quorvane {

// ---- choosing and the cursor hand-over ------------------------------------------

namespace {

// A cursor part becomes a placed model as it is: its drawable model and
// colliders are built already, so placing reads no file and waits for no slot.
std::unique_ptr<CModelEntry> TakeAsPlacedEntry(CCursorPart& part) {
    auto entry = std::make_unique<CModelEntry>();
    entry->modelId = part.modelId;
    entry->bounds = part.bounds;
    entry->hasDrawModel = true;
    entry->payload = std::move(part.payload);
    entry->hasColliders = part.colliderSet != nullptr && !part.colliderSet->colliders.empty();
    entry->colliderSet = std::move(part.colliderSet);
    SetEntryLoaded(*entry, true);
    return entry;
}

} // namespace

void CMainField::ChooseModelForPlacement(const CModelDefinition& definition) {
    // On the chooser's thread: the viewer's hand-off and the chooser run off the UI thread.
    placement_.Choose(definition);
}

void CMainField::SwapInCursor() {
    if (!placement_.HasPending()) {
        return;
    }
    // The old parts are destroyed here, on the thread that draws them, once the lock is released.
    std::optional<CPlacementTool::SwappedIn> swapped;
    CFieldHookCalls calls;
    {
        std::lock_guard lock(mutex_);
        swapped = placement_.SwapInLocked();
        if (!swapped) {
            return;
        }
        if (swapped->choice) {
            if (const std::optional<Vector4>& offset = swapped->choice->centredOffset) {
                edit_.vectors.cursorScale = {1.0f, 1.0f, 1.0f, 1.0f};
                edit_.vectors.cursorOffset = *offset;
                edit_.vectors.cursorRotation = {};
                edit_.vectors.baseScale = {1.0f, 1.0f, 1.0f, 1.0f};
            }
            edit_.mode = EditMode::ModePlace; // only the frame update changes the mode
        }
        input_.ApplyCursorTransform();
        TryPendingPlaceLocked(calls);
    }
    RunHooks(calls);
}

// ---- placing ----------------------------------------------------------------------

int32_t CMainField::PlaceCursorModel() {
    CFieldHookCalls calls;
    int32_t placed = 0;
    {
        std::lock_guard lock(mutex_);
        placed = PlaceCursorModelLocked(calls);
    }
    RunHooks(calls);
    QueueJournalIfDue();
    return placed;
}

bool CMainField::PlacePending() const {
    std::lock_guard lock(mutex_);
    return placement_.PlacePendingLocked();
}

int32_t CMainField::PlaceCursorModelLocked(CFieldHookCalls& calls) {
    placement_.RequestPlaceLocked();
    return TryPendingPlaceLocked(calls);
}

int32_t CMainField::TryPendingPlaceLocked(CFieldHookCalls& calls) {
    if (!placement_.PlacePendingLocked()) {
        return 0;
    }
    if (edit_.mode != EditMode::ModePlace) {
        placement_.CancelPlaceLocked(); // the user went on to something else
        return 0;
    }
    const std::optional<CPlacementTool::ReadyPlace> ready = placement_.TakeReadyPlaceLocked();
    return ready ? PublishFromCursorLocked(ready->cell, *ready->written, calls) : 0;
}

bool CMainField::IsNameTakenLocked(const std::string& name) const {
    return unwritten_.IsPlaced(name) ||
           std::any_of(recoverable_.begin(), recoverable_.end(),
                       [&name](const UnwrittenPlacement& part) { return part.record.uniqueName == name; });
}

int32_t CMainField::PublishFromCursorLocked(const std::string& cell,
                                            const std::unordered_set<std::string>& written,
                                            CFieldHookCalls& calls) {
    const PlacementSelection selectionBefore = selector_.Capture();
    // Every name in use, gathered once: a walk of the list per candidate name
    // would cost a pass over every placement for each counter tried.
    std::unordered_set<std::string> taken;
    lists_.placedModels.ForEach([&taken](const CModelEntry& entry) { taken.insert(entry.name); });
    for (const UnwrittenPlacement& part : recoverable_) {
        taken.insert(part.record.uniqueName);
    }
    ++placementSerial_;
    // A part whose load failed is left out; the other parts are still placed.
    const int32_t placed =
        placement_.TakePartsLocked([&](std::unique_ptr<CCursorPart> part, const CursorPartSource& source) {
            std::unique_ptr<CModelEntry> entry = TakeAsPlacedEntry(*part);
            const std::string name = FirstFreeName(
                cell, entry->modelId, written, [&taken](const std::string& n) { return taken.contains(n); });
            taken.insert(name);
            entry->name = name;
            entry->path = source.path;
            entry->animated = source.animated != 0;
            entry->placementSerial = placementSerial_;
            const Vector4& p = edit_.vectors.selPosition;
            const Vector4& r = edit_.vectors.selRotation;
            entry->transform.position = {p.x, p.y, p.z, entry->transform.position.w};
            entry->transform.scale = edit_.vectors.selScale;
            entry->transform.rotation = {r.x, r.y, r.z, entry->transform.rotation.w};
            // Whole before it is listed: the render thread reads entries under the list's lock only.
            const std::string modelId = entry->modelId;
            lists_.placedModels.Append(std::move(entry));
            auto record = std::make_unique<CPlacedModel>();
            record->lod = source.lod;
            record->copy = source.copy;
            record->shader = source.shader;
            record->listNumber = source.listNumber;
            record->animated = source.animated;
            record->uniqueName = name;
            record->partPath = source.path;
            record->modelId = modelId;
            record->sourcePath = source.path;
            record->definitionPath = source.definitionPath;
            lists_.placementRecords.Append(std::move(record));
        });
    if (placed == 0) {
        edit_.selection.name.clear(); // the previous placement's row must not be taken for this one
        return 0;
    }
    edit_.list.SelectLast(lists_.placementRecords.Count());
    if (const CPlacedModel* row = lists_.placementRecords.At(edit_.list.Selected())) {
        selector_.SelectPlaced(row->uniqueName);
    }
    edit_.input.justPlaced = true;
    selectionEdits_.Push(
        {{}, unwritten_.CaptureGroup(placementSerial_), selectionBefore, selector_.Capture(), {}, {}});
    calls.RepaintList();
    calls.RepaintMain();
    return placed;
}

bool CMainField::SelectPlacedModel(const std::string& uniqueName) {
    std::lock_guard lock(mutex_);
    return selector_.SelectPlaced(uniqueName);
}

// ---- groups -------------------------------------------------------------------------

void CMainField::SetGroupScale(const std::string& uniqueName, const Vector4& scale) {
    std::lock_guard lock(mutex_);
    unwritten_.ForEachInGroup(uniqueName, [&scale](CModelTransform& t) { t.scale = scale; });
}

void CMainField::SetGroupRotation(const std::string& uniqueName, const Vector4& rotation) {
    std::lock_guard lock(mutex_);
    unwritten_.ForEachInGroup(uniqueName, [&rotation](CModelTransform& t) {
        t.rotation = {rotation.x, rotation.y, rotation.z, t.rotation.w};
    });
}

void CMainField::SetGroupPosition(const std::string& uniqueName, const Vector4& position) {
    std::lock_guard lock(mutex_);
    unwritten_.ForEachInGroup(uniqueName, [&position](CModelTransform& t) {
        t.position = {position.x, position.y, position.z, t.position.w};
    });
}

void CMainField::ApplySelectionTransform() {
    std::lock_guard lock(mutex_);
    selectionEdits_.ApplyTransform();
}

// What is removed is destroyed after the lock is released.
void CMainField::RemoveGroupRecords(const std::string& uniqueName) {
    std::vector<std::unique_ptr<CPlacedModel>> removed;
    std::lock_guard lock(mutex_);
    removed = unwritten_.ExtractGroupRecords(uniqueName);
}

void CMainField::RemoveGroupEntries(const std::string& uniqueName) {
    std::vector<std::unique_ptr<CModelEntry>> removed;
    std::lock_guard lock(mutex_);
    removed = unwritten_.ExtractGroupEntries(uniqueName);
}

// ---- requests (render thread) -----------------------------------------------------------

void CMainField::HandleEditRequest() {
    RemovedGroup removed; // destroyed once the lock is released, still on the render thread
    LockedStep([&](CFieldHookCalls& calls) {
        if (gridWrites_.InProgressLocked()) {
            return; // the write goes first; the request waits for a later frame
        }
        const int32_t request = editRequest_.exchange(kRequestNone, std::memory_order_acq_rel);
        if (request == kRequestNone) {
            return; // most frames
        }
        const PlacementSelection before = selector_.Capture();
        if (request == kRequestCancelPlacement) {
            selectionEdits_.CancelPlacement(before, removed);
        } else if (request == kRequestDeleteSelected && edit_.selection.IsGroup()) {
            selectionEdits_.DeleteGroup(before, removed);
        } else if (request == kRequestDeleteSelected && edit_.selection.writtenFile) {
            if (deleteName_ != edit_.selection.name || !selectionEdits_.DeleteWritten(before)) {
                return;
            }
        } else if (request == kRequestDeleteSelected) {
            selectionEdits_.DeleteUnwritten(deleteName_, before, removed);
        } else {
            return;
        }
        calls.RepaintList();
        calls.RepaintMain();
    });
}

void CMainField::UpdateEditing() {
    if (gridHandOver_.Written() && !gridHandOver_.Busy()) {
        MergeAfterWrite();
    }
    ApplyPostedInput();
    HandleEditRequest();
    history_.Update();
    HandlePickRequest();
    gridWrites_.Update();
    SyncWrittenEntries();
    SwapInCursor();
    std::vector<std::unique_ptr<CModelEntry>> retired; // destroyed here, on the thread that draws them
    LockedStep([&](CFieldHookCalls& calls) {
        TryPendingPlaceLocked(calls);
        retired.swap(retiredEntries_);
    });
    QueueJournalIfDue();
}

void CMainField::WaitForBackgroundWork() {
    background_.WaitIdle();
}

void CMainField::StopBackgroundWork() {
    background_.Stop();
}

// ---- placement list window and delete button ------------------------------------------

void CMainField::ListRowLocked(int32_t clientY, CFieldHookCalls& calls) {
    const int32_t row = edit_.list.ClickAt(clientY, lists_.placementRecords.Count());
    if (const CPlacedModel* record = lists_.placementRecords.At(row)) {
        selector_.SelectPlaced(record->uniqueName);
    }
    edit_.input.justPlaced = false;
    calls.RepaintList();
}

void CMainField::ListWheelLocked(int32_t delta, CFieldHookCalls& calls) {
    edit_.list.Wheel(delta, ListRowCountLocked());
    calls.RepaintList();
    calls.RepaintMain();
}

void CMainField::SetListHeight(int32_t height) {
    std::lock_guard lock(mutex_);
    edit_.list.SetHeight(height);
}

int32_t CMainField::PlaceLocked(CFieldHookCalls& calls) {
    return PlaceCursorModelLocked(calls);
}

void CMainField::RequestCancelPlacementLocked() {
    editRequest_.store(kRequestCancelPlacement, std::memory_order_release);
}

void CMainField::RequestDeleteLocked() {
    if (edit_.mode == EditMode::ModePlace || edit_.mode == EditMode::ModeMove) {
        return;
    }
    if (edit_.selection.writtenFile || edit_.selection.IsGroup()) {
        deleteName_ = edit_.selection.name;
        editRequest_.store(kRequestDeleteSelected, std::memory_order_release);
        return;
    }
    if (const CPlacedModel* record = lists_.placementRecords.At(edit_.list.Selected())) {
        deleteName_ = record->uniqueName;
        editRequest_.store(kRequestDeleteSelected, std::memory_order_release);
    }
}

} // namespace quorvane
