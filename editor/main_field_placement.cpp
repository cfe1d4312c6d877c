#include "editor/grid_map_line.h"
#include "editor/main_field.h"

#include <algorithm>
#include <thread>
#include <unordered_set>

namespace quorvane {
namespace {

// "_%03d"
std::string CounterSuffix(uint32_t counter) {
    std::string digits = std::to_string(counter);
    if (digits.size() < 3) {
        digits.insert(0, 3 - digits.size(), '0');
    }
    return "_" + digits;
}

} // namespace

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
    {
        std::lock_guard lock(mutex_);
        // The old parts are destroyed here, on the thread that draws them.
        for (size_t i = 0; i < kCursorSlots; ++i) {
            liveSlots_[i] = std::move(pendingSlots_[i]);
            pendingSlots_[i] = {};
        }
        cursorPartCount_ = pendingPartCount_;
        ApplyCursorTransform();
    }
    pending_.store(kPendingEmpty, std::memory_order_release);
}

// ---- placing ----------------------------------------------------------------------

int32_t CMainField::PlaceCursorModel() {
    std::lock_guard lock(mutex_);
    const CursorSlot* first = nullptr;
    for (const CursorSlot& slot : liveSlots_) {
        if (slot.part) {
            first = &slot;
            break;
        }
    }
    if (first == nullptr) {
        return 0;
    }
    ++placementSerial_;
    selectedName_ = MakeUniqueName(first->part->modelId);

    int32_t placed = 0;
    for (const CursorSlot& slot : liveSlots_) {
        if (!slot.part) {
            continue;
        }
        const CursorPartSource& source = slot.source;
        auto entry = std::make_unique<CModelEntry>();
        const std::string name = MakeUniqueName(slot.part->modelId);
        entry->name = name;
        entry->path = source.path;
        entry->placementSerial = placementSerial_;
        entry->animated = source.animated != 0;
        if (!loader_.LoadEntry(*entry, source.path, entry->animated)) {
            continue; // the other parts are still placed
        }
        entry->name = name;
        CModelEntry* appended = placedModels_.Append(std::move(entry));
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
        placementRecords_.Append(std::move(record));
        ++placed;
    }
    if (placed == 0) {
        return 0; // the previous placement's row must not be taken for this one
    }
    listModel_.SelectLast(placementRecords_.Count());
    if (const CPlacedModel* row = placementRecords_.At(listModel_.Selected())) {
        SelectPlacedModel(row->uniqueName);
    }
    input_.justPlaced = true;
    Call(hooks_.repaintList);
    Call(hooks_.repaintMain);
    return placed;
}

std::string CMainField::MakeUniqueName(std::string_view baseName) const {
    std::lock_guard lock(mutex_);
    // Names written by earlier writes are never reused.
    const std::unordered_set<std::string> written = ReadGridFileNames(GridFilePath(gridRoot_, 0, cellName_));
    const std::string prefix = cellName_ + "_" + std::string(baseName);
    for (uint32_t counter = 0;; ++counter) {
        std::string candidate = prefix + CounterSuffix(counter);
        if (written.contains(candidate)) {
            continue;
        }
        if (placedModels_.FindFirst([&candidate](const CModelEntry& e) { return e.name == candidate; })) {
            continue;
        }
        return candidate;
    }
}

bool CMainField::SelectPlacedModel(const std::string& uniqueName) {
    std::lock_guard lock(mutex_);
    const CModelEntry* entry =
        placedModels_.FindFirst([&uniqueName](const CModelEntry& e) { return e.name == uniqueName; });
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

int64_t CMainField::SerialOf(const std::string& uniqueName) const {
    const CModelEntry* entry =
        placedModels_.FindFirst([&uniqueName](const CModelEntry& e) { return e.name == uniqueName; });
    return entry != nullptr ? static_cast<int64_t>(entry->placementSerial) : -1;
}

template <typename F> void CMainField::ForEachInGroup(const std::string& uniqueName, F change) {
    const int64_t serial = SerialOf(uniqueName);
    if (serial < 0) {
        return;
    }
    placedModels_.ForEach([&](CModelEntry& entry) {
        if (entry.placementSerial == serial && entry.hasDrawModel) {
            change(entry.transform);
        }
    });
}

void CMainField::SetGroupScale(const std::string& uniqueName, const Vector4& scale) {
    std::lock_guard lock(mutex_);
    ForEachInGroup(uniqueName, [&scale](CModelTransform& t) { t.scale = scale; });
}

void CMainField::SetGroupRotation(const std::string& uniqueName, const Vector4& rotation) {
    std::lock_guard lock(mutex_);
    ForEachInGroup(uniqueName, [&rotation](CModelTransform& t) {
        t.rotation = {rotation.x, rotation.y, rotation.z, t.rotation.w};
    });
}

void CMainField::SetGroupPosition(const std::string& uniqueName, const Vector4& position) {
    std::lock_guard lock(mutex_);
    ForEachInGroup(uniqueName, [&position](CModelTransform& t) {
        t.position = {position.x, position.y, position.z, t.position.w};
    });
}

void CMainField::RemoveGroupRecords(const std::string& uniqueName) {
    std::lock_guard lock(mutex_);
    const int64_t serial = SerialOf(uniqueName);
    if (serial < 0) {
        return;
    }
    std::unordered_set<std::string> names;
    placedModels_.ForEach([&](const CModelEntry& entry) {
        if (entry.placementSerial == serial) {
            names.insert(entry.name);
        }
    });
    placementRecords_.RemoveIf(
        [&names](const CPlacedModel& record) { return names.contains(record.uniqueName); });
}

void CMainField::RemoveGroupEntries(const std::string& uniqueName) {
    std::lock_guard lock(mutex_);
    const int64_t serial = SerialOf(uniqueName);
    if (serial < 0) {
        return;
    }
    placedModels_.RemoveIf([serial](const CModelEntry& entry) { return entry.placementSerial == serial; });
}

void CMainField::RemoveGroup(const std::string& uniqueName) {
    // Records first: they are found through the entries.
    RemoveGroupRecords(uniqueName);
    RemoveGroupEntries(uniqueName);
}

// ---- requests (render thread) -----------------------------------------------------------

void CMainField::ResetSelectionFromCursor() {
    vectors_.selPosition = vectors_.cursorOffset;
    vectors_.selRotation = vectors_.cursorRotation;
    vectors_.selScale = vectors_.cursorScale;
}

void CMainField::HandleEditRequest() {
    std::lock_guard lock(mutex_);
    const int32_t request = editRequest_.exchange(kRequestNone, std::memory_order_acq_rel);
    if (request == kRequestCancelPlacement) {
        RemoveGroup(selectedName_);
        ResetSelectionFromCursor();
        // justPlaced stays set, so the mode stays placing.
    } else if (request == kRequestDeleteSelected) {
        RemoveGroup(deleteName_);
        ResetSelectionFromCursor();
        listModel_.ClampSelection(placementRecords_.Count());
        listModel_.ClampPage(placementRecords_.Count());
        const CPlacedModel* row = placementRecords_.At(listModel_.Selected());
        if (row == nullptr) {
            editMode_ = EditMode::ModeMove;
        } else {
            // The highlighted row is the one edited from now on.
            SelectPlacedModel(row->uniqueName);
        }
    } else {
        return;
    }
    Call(hooks_.repaintList);
    Call(hooks_.repaintMain);
}

void CMainField::UpdateEditing() {
    if (gridState_.load(std::memory_order_acquire) == kGridWritten &&
        !gridBusy_.load(std::memory_order_acquire)) {
        ClearAfterWrite();
    }
    HandleEditRequest();
    SwapInCursor();
}

// ---- placement list window and delete button ------------------------------------------

void CMainField::PickListRow(int32_t clientY) {
    std::lock_guard lock(mutex_);
    const int32_t row = listModel_.ClickAt(clientY, placementRecords_.Count());
    if (const CPlacedModel* record = placementRecords_.At(row)) {
        SelectPlacedModel(record->uniqueName);
    }
    input_.justPlaced = false;
    Call(hooks_.repaintList);
}

void CMainField::WheelList(int32_t delta) {
    std::lock_guard lock(mutex_);
    listModel_.Wheel(delta, placementRecords_.Count());
    Call(hooks_.repaintList);
    Call(hooks_.repaintMain);
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
    const CPlacedModel* record = placementRecords_.At(listModel_.Selected());
    if (record == nullptr) {
        return false;
    }
    deleteName_ = record->uniqueName;
    editRequest_.store(kRequestDeleteSelected, std::memory_order_release);
    return true;
}

// ---- grid map files ------------------------------------------------------------------------

bool CMainField::WriteGridFiles(GridWriteReport* report) {
    GridWriteReport result;
    if (gridState_.load(std::memory_order_acquire) == kGridWritten) {
        result.refused = true; // the previous write is not cleaned up yet
    } else {
        std::lock_guard lock(mutex_);
        result = WriteGridRecords(gridRoot_, placementRecords_, placedModels_);
        writtenNames_ = result.writtenNames;
        writtenNames_.insert(writtenNames_.end(), result.orphanNames.begin(), result.orphanNames.end());
        if (!writtenNames_.empty()) {
            gridState_.store(kGridWritten, std::memory_order_release);
        }
    }
    const bool allWritten = result.AllWritten();
    if (report != nullptr) {
        *report = std::move(result);
    }
    return allWritten;
}

void CMainField::ClearAfterWrite() {
    gridBusy_.store(true, std::memory_order_release);
    {
        std::lock_guard lock(mutex_);
        for (int32_t i = 1; i <= gridFiles_.Count(); ++i) {
            DestroyGridFile(*gridFiles_.At(i), sharedModels_);
        }
        gridFiles_.DestroyAll();
        sharedModels_.DestroyAll();
        // Only what reached its file goes; the rest stays for the next write.
        const std::unordered_set<std::string> written(writtenNames_.begin(), writtenNames_.end());
        writtenNames_.clear();
        placementRecords_.RemoveIf(
            [&written](const CPlacedModel& record) { return written.contains(record.uniqueName); });
        placedModels_.RemoveIf([&written](const CModelEntry& entry) { return written.contains(entry.name); });
        listModel_.ClampSelection(placementRecords_.Count());
        listModel_.ClampPage(placementRecords_.Count());
        Call(hooks_.repaintMain);
        Call(hooks_.repaintList);
    }
    gridState_.store(kGridIdle, std::memory_order_release);
    gridBusy_.store(false, std::memory_order_release);
}

bool CMainField::LoadGridFile(const std::filesystem::path& path, GridReadReport* report) {
    std::unique_ptr<GridFileEntry> file = quorvane::LoadGridFile(path, report);
    if (!file) {
        return false;
    }
    std::lock_guard lock(mutex_);
    gridFiles_.Append(std::move(file));
    return true;
}

} // namespace quorvane
