#include "editor/main_field.h"

#include "platform/virtual_key_codes.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <utility>

namespace quorvane {

CMainField::CMainField(IModelLoader& loader, std::filesystem::path gridRoot, GridNameReader nameReader)
    : loader_(loader), ownedLists_(std::make_unique<CRegistryLists>()), lists_(*ownedLists_),
      gridRoot_(std::move(gridRoot)), nameReader_(std::move(nameReader)),
      hooks_(std::make_shared<const FieldViewHooks>()) {
    std::lock_guard lock(mutex_);
    placement_.ReadCellNamesLocked(); // the cell a click places in before the mouse ever moved
    background_.Post([this] { ReadBookmarks(); });
}

CMainField::CMainField(IModelLoader& loader, CRegistryLists& lists, std::filesystem::path gridRoot,
                       GridNameReader nameReader)
    : loader_(loader), lists_(lists), gridRoot_(std::move(gridRoot)), nameReader_(std::move(nameReader)),
      hooks_(std::make_shared<const FieldViewHooks>()) {
    std::lock_guard lock(mutex_);
    placement_.ReadCellNamesLocked();
    background_.Post([this] { ReadBookmarks(); });
}

CMainField::~CMainField() = default;

void CMainField::SetGroundPlanePoint(GroundPlanePointFunction groundPlanePoint) {
    std::lock_guard lock(mutex_);
    input_.SetGroundPlanePoint(std::move(groundPlanePoint));
}

void CMainField::SetPickRay(PickRayFunction pickRay) {
    std::lock_guard lock(mutex_);
    input_.SetPickRay(std::move(pickRay));
}

void CMainField::SetViewProjection(ViewProjectionFunction projection) {
    std::lock_guard lock(mutex_);
    input_.SetViewProjection(std::move(projection));
}

void CMainField::SetRandomRanges(RandomRangesFunction ranges) {
    std::lock_guard lock(mutex_);
    input_.SetRandomRanges(std::move(ranges));
}

void CMainField::SetHooks(FieldViewHooks hooks) {
    std::lock_guard lock(mutex_);
    hooks_ = std::make_shared<const FieldViewHooks>(std::move(hooks));
}

void CMainField::SetClientOrigin(PixelPoint origin) {
    inputs_.Post({FieldInput::Kind::ClientOrigin, 0, origin});
}

void CMainField::SetGridLineWriter(GridLineWriter writer) {
    std::lock_guard lock(mutex_);
    gridStore_.SetWriter(std::move(writer));
}

void CMainField::SetGridFileAccess(std::shared_ptr<IGridFileAccess> access) {
    std::lock_guard lock(mutex_);
    gridStore_.SetFileAccess(std::move(access));
}

void CMainField::RunHooks(const CFieldHookCalls& calls) const {
    if (calls.Empty()) {
        return;
    }
    std::shared_ptr<const FieldViewHooks> hooks;
    {
        std::lock_guard lock(mutex_);
        hooks = hooks_;
    }
    calls.Run(*hooks);
}

// ---- posted input ----------------------------------------------------------------

void CMainField::OnKeyDown(int virtualKey) {
    inputs_.Post({FieldInput::Kind::KeyDown, virtualKey, {}});
}

void CMainField::OnKeyUp(int virtualKey) {
    inputs_.Post({FieldInput::Kind::KeyUp, virtualKey, {}});
}

void CMainField::OnLButtonDown(PixelPoint client) {
    inputs_.Post({FieldInput::Kind::LButtonDown, 0, client});
}

void CMainField::OnLButtonUp() {
    inputs_.Post({FieldInput::Kind::LButtonUp, 0, {}});
}

void CMainField::OnMButtonDown(PixelPoint client) {
    inputs_.Post({FieldInput::Kind::MButtonDown, 0, client});
}

void CMainField::OnMButtonUp() {
    inputs_.Post({FieldInput::Kind::MButtonUp, 0, {}});
}

void CMainField::OnRButtonDown(PixelPoint client) {
    inputs_.Post({FieldInput::Kind::RButtonDown, 0, client});
}

void CMainField::OnRButtonUp() {
    inputs_.Post({FieldInput::Kind::RButtonUp, 0, {}});
}

void CMainField::OnMouseMove(PixelPoint client) {
    inputs_.Post({FieldInput::Kind::MouseMove, 0, client});
}

void CMainField::PickListRow(int32_t clientY) {
    inputs_.Post({FieldInput::Kind::ListRow, clientY, {}});
}

void CMainField::WheelList(int32_t delta) {
    inputs_.Post({FieldInput::Kind::ListWheel, delta, {}});
}

void CMainField::RequestDelete() {
    inputs_.Post({FieldInput::Kind::Delete, 0, {}});
}

void CMainField::ApplyPostedInput() {
    inputs_.Drain([this](const FieldInput& input) { ApplyInput(input); });
}

void CMainField::ApplyInput(const FieldInput& input) {
    CFieldHookCalls calls;
    {
        std::lock_guard lock(mutex_);
        ApplyInputLocked(input, calls);
    }
    // The walking keys, once the core has taken the key.
    if (input.kind == FieldInput::Kind::KeyDown || input.kind == FieldInput::Kind::KeyUp) {
        calls.CharacterKey(input.value, input.kind == FieldInput::Kind::KeyDown);
    }
    RunHooks(calls);
    QueueJournalIfDue(); // a click or Enter may have made a step
}

void CMainField::ApplyInputLocked(const FieldInput& input, CFieldHookCalls& calls) {
    switch (input.kind) {
    case FieldInput::Kind::KeyDown:
        return input_.KeyDown(input.value, calls);
    case FieldInput::Kind::KeyUp:
        return input_.KeyUp(input.value);
    case FieldInput::Kind::LButtonDown:
        return input_.LeftDown(input.point, calls);
    case FieldInput::Kind::LButtonUp:
        return input_.LeftUp(calls);
    case FieldInput::Kind::MButtonDown:
        return input_.MiddleDown(input.point, calls);
    case FieldInput::Kind::MButtonUp:
        return input_.MiddleUp(calls);
    case FieldInput::Kind::RButtonDown:
        return input_.RightDown(input.point, calls);
    case FieldInput::Kind::RButtonUp:
        return input_.RightUp(calls);
    case FieldInput::Kind::MouseMove:
        return input_.MouseMove(input.point, calls);
    case FieldInput::Kind::ClientOrigin:
        return input_.SetClientOrigin(input.point);
    case FieldInput::Kind::ListRow:
        return selector_.ListRow(input.value, calls);
    case FieldInput::Kind::ListWheel:
        return selector_.ListWheel(input.value, calls);
    case FieldInput::Kind::Delete:
        return selectionEdits_.RequestDelete();
    }
}

// ---- frame update (render thread) ------------------------------------------------

void CMainField::UpdateEditing() {
    if (gridHandOver_.Written() && !gridHandOver_.Busy()) {
        MergeAfterWrite();
    }
    ApplyPostedInput();
    HandleEditRequest();
    {
        RemovedGroup erased; // destroyed once the lock is released, still on the render thread
        LockedStep([&](CFieldHookCalls& calls) {
            paint_.Update(erased, calls);
            arrange_.Update(erased, calls);
        });
    }
    history_.Update();
    SwapInReloadedParts();
    LockedStep([this](CFieldHookCalls& calls) { selector_.HandleRequests(calls); });
    gridWrites_.Update();
    {
        std::lock_guard lock(mutex_);
        if (shownEdits_.Sync(lists_, document_, edit_.selection.Shown())) {
            EntryStateChanges().fetch_add(1, std::memory_order_release); // the frame's walks follow
        }
    }
    SwapInCursor();
    std::vector<std::unique_ptr<CModelEntry>> retired; // destroyed here, on the thread that draws them
    LockedStep([&](CFieldHookCalls& calls) {
        placer_.TryPending(calls);
        retired = gridStore_.TakeRetired();
    });
    QueueJournalIfDue();
}

void CMainField::HandleEditRequest() {
    RemovedGroup removed; // destroyed once the lock is released, still on the render thread
    LockedStep([&](CFieldHookCalls& calls) {
        // A write goes first; the request waits for a later frame.
        if (!gridWrites_.InProgressLocked() && selectionEdits_.HandleRequest(removed)) {
            calls.RepaintList();
            calls.RepaintMain();
        }
    });
}

void CMainField::SwapInCursor() {
    if (!placement_.HasPending()) {
        return;
    }
    // The parts replaced are destroyed here, on the thread that draws them, once the lock is released.
    std::optional<CPlacementTool::SwappedIn> swapped;
    LockedStep([&](CFieldHookCalls& calls) { swapped = placer_.SwapIn(calls); });
}

void CMainField::ChooseModelForPlacement(const CModelDefinition& definition) {
    placement_.Choose(definition); // on the chooser's thread, never the UI thread
}

std::vector<std::string> CMainField::CursorModelPaths() const {
    std::lock_guard lock(mutex_);
    return placement_.PartPathsLocked();
}

void CMainField::FollowChangedModels(const std::vector<std::string>& modelPaths) {
    sharedSources_.Forget(modelPaths);
    std::vector<CPlacedModel> records;
    {
        std::lock_guard lock(mutex_);
        placement_.ReloadPartsLocked(modelPaths);
        lists_.placementRecords.ForEach([&](const CPlacedModel& record) {
            if (std::find(modelPaths.begin(), modelPaths.end(), record.partPath) != modelPaths.end()) {
                records.push_back(record);
            }
        });
    }
    if (!records.empty()) {
        background_.Post([this, records = std::move(records)] { ReloadPlacedParts(records); });
    }
}

void CMainField::ReloadPlacedParts(const std::vector<CPlacedModel>& records) {
    std::vector<std::unique_ptr<CModelEntry>> fresh;
    for (const CPlacedModel& record : records) {
        std::string failure; // the part keeps the model it has
        if (std::unique_ptr<CModelEntry> entry = LoadPart(record, &failure)) {
            fresh.push_back(std::move(entry));
        }
    }
    std::lock_guard lock(mutex_);
    std::ranges::move(fresh, std::back_inserter(reloadedParts_));
}

void CMainField::SwapInReloadedParts() {
    RemovedGroup replaced; // destroyed once the lock is released, still on the render thread
    LockedStep([&](CFieldHookCalls& calls) {
        // A write takes the placed parts as it begins: the swap waits for its end.
        if (reloadedParts_.empty() || gridWrites_.InProgressLocked()) {
            return;
        }
        unwritten_.ReplaceParts(std::exchange(reloadedParts_, {}), replaced);
        calls.RepaintMain();
    });
}

bool CMainField::PlacePending() const {
    std::lock_guard lock(mutex_);
    return placement_.PlacePendingLocked();
}

BrushSettings CMainField::Brush() const {
    std::lock_guard lock(mutex_);
    return paint_.Brush();
}

void CMainField::SetBrush(const BrushSettings& brush) {
    std::lock_guard lock(mutex_);
    paint_.SetBrush(brush);
}

bool CMainField::Painting() const {
    std::lock_guard lock(mutex_);
    return paint_.Stroking();
}

void CMainField::WaitForBackgroundWork() {
    background_.WaitIdle();
}

void CMainField::StopBackgroundWork() {
    background_.Stop();
}

void CMainField::SetListHeight(int32_t height) {
    std::lock_guard lock(mutex_);
    edit_.list.SetHeight(height);
}

// Set by the camera side each frame after the mouse moved.
void CMainField::SetPickPoint(const Vector4& point) {
    std::lock_guard lock(mutex_);
    edit_.vectors.pickPoint = point;
    placement_.SetCellLocked(quorvane::CellName(PickCell(point.x, point.y)));
}

bool CMainField::TakeMouseMoved() {
    return input_.TakeMouseMoved();
}

} // namespace quorvane
