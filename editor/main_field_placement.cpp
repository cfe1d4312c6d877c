#include "editor/grid_map_line.h"
#include "editor/main_field.h"
#include "editor/unique_name.h"

#include <algorithm>
#include <thread>
#include <unordered_set>
#include <utility>

namespace quorvane {

// ---- choosing and the cursor hand-over ------------------------------------------

void CMainField::ChooseModelForPlacement(const CModelDefinition& definition) {
    // Load outside every lock: it takes long, and the new parts are ours alone until handed over.
    std::array<CursorSlot, kCursorSlots> chosen;
    uint32_t count = 0;
    std::optional<Vector4> centredOffset;
    const size_t parts = std::min<size_t>(definition.count, kCursorSlots);
    for (size_t i = 0; i < parts; ++i) {
        if (definition.lodValues[i] != 0) {
            continue;
        }
        ++count;
        CursorSlot& slot = chosen[i];
        slot.source = {definition.paths[i],       definition.lodValues[i],      definition.shaderValues[i],
                       definition.listNumbers[i], definition.animatedValues[i], definition.copyValues[i],
                       definition.filePath};
        slot.part = loader_.LoadCursorPart(definition.paths[i]);
        if (slot.part) {
            // Centred on the pick point: the offset is the box's horizontal centre.
            const CBoundingBox& box = slot.part->bounds;
            centredOffset = Vector4{(box.minimum.x + box.maximum.x) * 0.5f,
                                    (box.minimum.y + box.maximum.y) * 0.5f, 0.0f, 1.0f};
        }
    }

    // Take the pending slots. A choice the render thread has not swapped in yet
    // is replaced whole, so the cursor never mixes parts of two choices.
    for (;;) {
        int expected = kPendingEmpty;
        if (pending_.compare_exchange_weak(expected, kPendingBusy, std::memory_order_acquire)) {
            break;
        }
        expected = kPendingReady;
        if (pending_.compare_exchange_weak(expected, kPendingBusy, std::memory_order_acquire)) {
            break;
        }
        std::this_thread::yield(); // the render thread is swapping
    }
    pendingSlots_ = std::move(chosen);
    pendingPartCount_ = count;
    {
        std::lock_guard lock(mutex_);
        if (centredOffset) {
            vectors_.cursorScale = {1.0f, 1.0f, 1.0f, 1.0f};
            vectors_.cursorOffset = *centredOffset;
            vectors_.cursorRotation = {};
            vectors_.baseScale = {1.0f, 1.0f, 1.0f, 1.0f};
        }
        editMode_ = EditMode::ModePlace;
    }
    pending_.store(kPendingReady, std::memory_order_release);
}

void CMainField::SwapInCursor() {
    int expected = kPendingReady;
    if (!pending_.compare_exchange_strong(expected, kPendingBusy, std::memory_order_acquire)) {
        return;
    }
    // The old parts are destroyed here, on the thread that draws them, once the lock is released.
    std::array<CursorSlot, kCursorSlots> retired;
    {
        std::lock_guard lock(mutex_);
        for (size_t i = 0; i < kCursorSlots; ++i) {
            retired[i] = std::move(liveSlots_[i]);
            liveSlots_[i] = std::move(pendingSlots_[i]);
            pendingSlots_[i] = {};
        }
        cursorPartCount_ = pendingPartCount_;
        ApplyCursorTransformLocked();
    }
    pending_.store(kPendingEmpty, std::memory_order_release);
}

// ---- placing ----------------------------------------------------------------------

int32_t CMainField::PlaceCursorModel() {
    CFieldHookCalls calls;
    const int32_t placed = PlaceCursorModel(calls);
    RunHooks(calls);
    QueueJournalIfDue();
    return placed;
}

int32_t CMainField::PlaceCursorModel(CFieldHookCalls& calls) {
    // What to place is taken under the lock: the render thread may swap the cursor meanwhile.
    std::vector<PartToPlace> parts;
    std::string cell;
    std::unordered_set<std::string> placedNames;
    {
        std::lock_guard lock(mutex_);
        for (const CursorSlot& slot : liveSlots_) {
            if (slot.part) {
                parts.push_back({slot.source, slot.part->modelId, nullptr});
            }
        }
        if (parts.empty()) {
            return 0;
        }
        cell = cellName_;
        lists_.placedModels.ForEach(
            [&placedNames](const CModelEntry& entry) { placedNames.insert(entry.name); });
    }

    // Without the lock: one read of the cell's file serves every part, then the loads.
    const std::unordered_set<std::string> written = nameReader_(GridFilePath(gridRoot_, 0, cell));
    for (PartToPlace& part : parts) {
        auto entry = std::make_unique<CModelEntry>();
        // The loader may use the name; publishing checks it again.
        entry->name = FirstFreeName(cell, part.modelId, written, [&placedNames](const std::string& name) {
            return placedNames.contains(name);
        });
        placedNames.insert(entry->name);
        entry->path = part.source.path;
        entry->animated = part.source.animated != 0;
        if (loader_.LoadEntry(*entry, part.source.path, entry->animated)) {
            part.entry = std::move(entry);
        }
    }

    std::lock_guard lock(mutex_);
    return PublishPlacementLocked(parts, written, cell, calls);
}

bool CMainField::IsPlacedNameLocked(const std::string& name) const {
    return lists_.placedModels.FindFirst([&name](const CModelEntry& e) { return e.name == name; }) != nullptr;
}

int32_t CMainField::PublishPlacementLocked(std::vector<PartToPlace>& parts,
                                           const std::unordered_set<std::string>& written,
                                           const std::string& cell, CFieldHookCalls& calls) {
    const PlacementSelection selectionBefore = CaptureSelectionLocked();
    ++placementSerial_;
    int32_t placed = 0;
    for (PartToPlace& part : parts) {
        if (!part.entry) {
            continue; // its load failed; the other parts are still placed
        }
        const CursorPartSource& source = part.source;
        // Another placement may have taken the name while this one loaded.
        const std::string name = FirstFreeName(
            cell, part.modelId, written, [this](const std::string& n) { return IsPlacedNameLocked(n); });
        part.entry->name = name;
        part.entry->placementSerial = placementSerial_;
        CModelEntry* appended = lists_.placedModels.Append(std::move(part.entry));
        if (appended->hasDrawModel) {
            const Vector4& p = vectors_.selPosition;
            const Vector4& r = vectors_.selRotation;
            appended->transform.position = {p.x, p.y, p.z, appended->transform.position.w};
            appended->transform.scale = vectors_.selScale;
            appended->transform.rotation = {r.x, r.y, r.z, appended->transform.rotation.w};
        }
        auto record = std::make_unique<CPlacedModel>();
        record->lod = source.lod;
        record->copy = source.copy;
        record->shader = source.shader;
        record->listNumber = source.listNumber;
        record->animated = source.animated;
        record->uniqueName = name;
        record->partPath = source.path;
        record->modelId = appended->modelId;
        record->sourcePath = source.path;
        record->definitionPath = source.definitionPath;
        lists_.placementRecords.Append(std::move(record));
        ++placed;
    }
    if (placed == 0) {
        selectedName_.clear(); // the previous placement's row must not be taken for this one
        return 0;
    }
    listModel_.SelectLast(lists_.placementRecords.Count());
    if (const CPlacedModel* row = lists_.placementRecords.At(listModel_.Selected())) {
        SelectPlacedModelLocked(row->uniqueName);
    }
    input_.justPlaced = true;
    PushStepLocked({{}, CaptureGroupLocked(placementSerial_), selectionBefore, CaptureSelectionLocked()});
    calls.RepaintList();
    calls.RepaintMain();
    return placed;
}

std::string CMainField::MakeUniqueName(std::string_view baseName) const {
    const std::string cell = CellName();
    // Names written by earlier writes are never reused.
    const std::unordered_set<std::string> written = nameReader_(GridFilePath(gridRoot_, 0, cell));
    std::lock_guard lock(mutex_);
    return FirstFreeName(cell, baseName, written,
                         [this](const std::string& n) { return IsPlacedNameLocked(n); });
}

bool CMainField::SelectPlacedModel(const std::string& uniqueName) {
    std::lock_guard lock(mutex_);
    return SelectPlacedModelLocked(uniqueName);
}

bool CMainField::SelectPlacedModelLocked(const std::string& uniqueName) {
    const CModelEntry* entry =
        lists_.placedModels.FindFirst([&uniqueName](const CModelEntry& e) { return e.name == uniqueName; });
    if (entry == nullptr) {
        return false;
    }
    selectedName_ = uniqueName;
    EditVectors& v = vectors_;
    if (entry->hasDrawModel) {
        v.selPosition = entry->transform.position;
        v.selScale = entry->transform.scale;
        v.selRotation = entry->transform.rotation;
    } else {
        v.selPosition = v.selScale = v.selRotation = {};
    }
    v.selPositionUndo = v.selPosition;
    v.selScaleUndo = v.selScale;
    v.selRotationUndo = v.selRotation;
    editMode_ = EditMode::ModeAdjust;
    return true;
}

// ---- groups -------------------------------------------------------------------------

int64_t CMainField::SerialOfLocked(const std::string& uniqueName) const {
    const CModelEntry* entry =
        lists_.placedModels.FindFirst([&uniqueName](const CModelEntry& e) { return e.name == uniqueName; });
    return entry != nullptr ? static_cast<int64_t>(entry->placementSerial) : -1;
}

template <typename F> void CMainField::ForEachInGroupLocked(const std::string& uniqueName, F change) {
    const int64_t serial = SerialOfLocked(uniqueName);
    if (serial < 0) {
        return;
    }
    lists_.placedModels.ForEach([&](CModelEntry& entry) {
        if (entry.placementSerial == serial && entry.hasDrawModel) {
            change(entry.transform);
        }
    });
}

void CMainField::SetGroupScale(const std::string& uniqueName, const Vector4& scale) {
    std::lock_guard lock(mutex_);
    ForEachInGroupLocked(uniqueName, [&scale](CModelTransform& t) { t.scale = scale; });
}

void CMainField::SetGroupRotation(const std::string& uniqueName, const Vector4& rotation) {
    std::lock_guard lock(mutex_);
    ForEachInGroupLocked(uniqueName, [&rotation](CModelTransform& t) {
        t.rotation = {rotation.x, rotation.y, rotation.z, t.rotation.w};
    });
}

void CMainField::SetGroupPosition(const std::string& uniqueName, const Vector4& position) {
    std::lock_guard lock(mutex_);
    ForEachInGroupLocked(uniqueName, [&position](CModelTransform& t) {
        t.position = {position.x, position.y, position.z, t.position.w};
    });
}

void CMainField::ApplySelectionTransform() {
    std::lock_guard lock(mutex_);
    ApplySelectionTransformLocked();
}

void CMainField::ApplySelectionTransformLocked() {
    const Vector4& scale = vectors_.selScale;
    const Vector4& rotation = vectors_.selRotation;
    const Vector4& position = vectors_.selPosition;
    ForEachInGroupLocked(selectedName_, [&](CModelTransform& t) {
        t.scale = scale;
        t.rotation = {rotation.x, rotation.y, rotation.z, t.rotation.w};
        t.position = {position.x, position.y, position.z, t.position.w};
    });
}

std::vector<std::unique_ptr<CPlacedModel>>
CMainField::ExtractGroupRecordsLocked(const std::string& uniqueName) {
    const int64_t serial = SerialOfLocked(uniqueName);
    if (serial < 0) {
        return {};
    }
    std::unordered_set<std::string> names;
    lists_.placedModels.ForEach([&](const CModelEntry& entry) {
        if (entry.placementSerial == serial) {
            names.insert(entry.name);
        }
    });
    return lists_.placementRecords.ExtractIf(
        [&names](const CPlacedModel& record) { return names.contains(record.uniqueName); });
}

std::vector<std::unique_ptr<CModelEntry>>
CMainField::ExtractGroupEntriesLocked(const std::string& uniqueName) {
    const int64_t serial = SerialOfLocked(uniqueName);
    if (serial < 0) {
        return {};
    }
    return lists_.placedModels.ExtractIf(
        [serial](const CModelEntry& entry) { return entry.placementSerial == serial; });
}

CMainField::RemovedGroup CMainField::ExtractGroupLocked(const std::string& uniqueName) {
    RemovedGroup removed;
    // Records first: they are found through the entries.
    removed.records = ExtractGroupRecordsLocked(uniqueName);
    removed.entries = ExtractGroupEntriesLocked(uniqueName);
    return removed;
}

// What is removed is destroyed after the lock is released.
void CMainField::RemoveGroupRecords(const std::string& uniqueName) {
    std::vector<std::unique_ptr<CPlacedModel>> removed;
    std::lock_guard lock(mutex_);
    removed = ExtractGroupRecordsLocked(uniqueName);
}

void CMainField::RemoveGroupEntries(const std::string& uniqueName) {
    std::vector<std::unique_ptr<CModelEntry>> removed;
    std::lock_guard lock(mutex_);
    removed = ExtractGroupEntriesLocked(uniqueName);
}

// ---- requests (render thread) -----------------------------------------------------------

void CMainField::ResetSelectionFromCursorLocked() {
    vectors_.selPosition = vectors_.cursorOffset;
    vectors_.selRotation = vectors_.cursorRotation;
    vectors_.selScale = vectors_.cursorScale;
}

void CMainField::HandleEditRequest() {
    RemovedGroup removed; // destroyed once the lock is released, still on the render thread
    LockedStep([&](CFieldHookCalls& calls) {
        const int32_t request = editRequest_.exchange(kRequestNone, std::memory_order_acq_rel);
        if (request == kRequestNone) {
            return; // most frames
        }
        PlacementSelection before = CaptureSelectionLocked();
        if (request == kRequestCancelPlacement) {
            // Undone, the placement waits for its confirmation again, as before the right click.
            before.mode = EditMode::ModeAdjust;
            std::vector<PlacedPartState> parts = CaptureGroupLocked(SerialOfLocked(selectedName_));
            removed = ExtractGroupLocked(selectedName_);
            ResetSelectionFromCursorLocked();
            // justPlaced stays set, so the mode stays placing.
            RecordRemovalLocked(std::move(parts), before);
        } else if (request == kRequestDeleteSelected) {
            std::vector<PlacedPartState> parts = CaptureGroupLocked(SerialOfLocked(deleteName_));
            if (ModeInRange(editMode_, EditMode::ModePlacedMove, 12) &&
                SerialOfLocked(deleteName_) == SerialOfLocked(selectedName_)) {
                // Deleted in the middle of an adjustment: undone, it comes back unadjusted.
                ToConfirmedTransformsLocked(parts);
            }
            removed = ExtractGroupLocked(deleteName_);
            ResetSelectionFromCursorLocked();
            listModel_.ClampSelection(lists_.placementRecords.Count());
            listModel_.ClampPage(lists_.placementRecords.Count());
            const CPlacedModel* row = lists_.placementRecords.At(listModel_.Selected());
            if (row == nullptr) {
                editMode_ = EditMode::ModeMove;
            } else {
                // The highlighted row is the one edited from now on.
                SelectPlacedModelLocked(row->uniqueName);
            }
            RecordRemovalLocked(std::move(parts), before);
        } else {
            return;
        }
        calls.RepaintList();
        calls.RepaintMain();
    });
}

void CMainField::UpdateEditing() {
    if (gridState_.load(std::memory_order_acquire) == kGridWritten &&
        !gridBusy_.load(std::memory_order_acquire)) {
        ClearAfterWrite();
    }
    HandleEditRequest();
    HandleHistoryRequest();
    SwapInCursor();
    QueueJournalIfDue();
}

// ---- placement list window and delete button ------------------------------------------

void CMainField::PickListRow(int32_t clientY) {
    LockedStep([&](CFieldHookCalls& calls) {
        const int32_t row = listModel_.ClickAt(clientY, lists_.placementRecords.Count());
        if (const CPlacedModel* record = lists_.placementRecords.At(row)) {
            SelectPlacedModelLocked(record->uniqueName);
        }
        input_.justPlaced = false;
        calls.RepaintList();
    });
}

void CMainField::WheelList(int32_t delta) {
    LockedStep([&](CFieldHookCalls& calls) {
        listModel_.Wheel(delta, lists_.placementRecords.Count());
        calls.RepaintList();
        calls.RepaintMain();
    });
}

void CMainField::SetListHeight(int32_t height) {
    std::lock_guard lock(mutex_);
    listModel_.SetHeight(height);
}

bool CMainField::RequestDelete() {
    std::lock_guard lock(mutex_);
    if (editMode_ == EditMode::ModePlace || editMode_ == EditMode::ModeMove) {
        return false;
    }
    const CPlacedModel* record = lists_.placementRecords.At(listModel_.Selected());
    if (record == nullptr) {
        return false;
    }
    deleteName_ = record->uniqueName;
    editRequest_.store(kRequestDeleteSelected, std::memory_order_release);
    return true;
}

} // namespace quorvane
