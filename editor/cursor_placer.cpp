#include "editor/cursor_placer.h"

#include "editor/copy_placer.h"
#include "editor/unique_name.h"

#include <memory>
#include <utility>

namespace quorvane {
namespace {

// A cursor part becomes a placed model as it is: its drawable model and
// colliders are built already.
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

std::unique_ptr<CPlacedModel> RecordOf(const CursorPartSource& source, const std::string& name,
                                       const std::string& modelId) {
    auto record = std::make_unique<CPlacedModel>(RecordOfSource(source));
    record->uniqueName = name;
    record->modelId = modelId;
    return record;
}

} // namespace

int32_t CCursorPlacer::Place(CFieldHookCalls& calls) {
    placement_.RequestPlaceLocked();
    return TryPending(calls);
}

int32_t CCursorPlacer::TryPending(CFieldHookCalls& calls) {
    if (!placement_.PlacePendingLocked()) {
        return 0;
    }
    if (edit_.mode != EditMode::ModePlace) {
        placement_.CancelPlaceLocked();
        return 0;
    }
    const std::optional<CPlacementTool::ReadyPlace> ready = placement_.TakeReadyPlaceLocked();
    return ready ? Publish(ready->cell, *ready->written, calls) : 0;
}

std::optional<CPlacementTool::SwappedIn> CCursorPlacer::SwapIn(CFieldHookCalls& calls) {
    std::optional<CPlacementTool::SwappedIn> swapped = placement_.SwapInLocked();
    if (!swapped) {
        return swapped;
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
    ApplyCursorTransform();
    TryPending(calls);
    return swapped;
}

void CCursorPlacer::ApplyCursorTransform() {
    placement_.CursorLocked().ForEachPart([this](CCursorPart& part) {
        part.transform.scale = edit_.vectors.cursorScale;
        part.offset = edit_.vectors.cursorOffset;
        part.transform.rotation = edit_.vectors.cursorRotation;
    });
}

int32_t CCursorPlacer::Publish(const std::string& cell, const std::unordered_set<std::string>& written,
                               CFieldHookCalls& calls) {
    const PlacementSelection selectionBefore = selector_.Capture();
    // Every name in use, gathered once: a walk of the list per candidate name
    // would cost a pass over every placement for each counter tried.
    std::unordered_set<std::string> taken;
    lists_.placedModels.ForEach([&taken](const CModelEntry& entry) { taken.insert(entry.name); });
    recovery_.AddWaitingNames(taken);
    const uint32_t serial = unwritten_.NewSerial();
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
            entry->placementSerial = serial;
            const Vector4& p = edit_.vectors.selPosition;
            const Vector4& r = edit_.vectors.selRotation;
            entry->transform.position = {p.x, p.y, p.z, entry->transform.position.w};
            entry->transform.scale = edit_.vectors.selScale;
            entry->transform.rotation = {r.x, r.y, r.z, entry->transform.rotation.w};
            std::unique_ptr<CPlacedModel> record = RecordOf(source, name, entry->modelId);
            // Whole before it is listed: the render thread reads entries under the list's lock only.
            lists_.placedModels.Append(std::move(entry));
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
    selectionEdits_.Push({{}, unwritten_.CaptureGroup(serial), selectionBefore, selector_.Capture(), {}, {}});
    calls.RepaintList();
    calls.RepaintMain();
    return placed;
}

} // namespace quorvane
