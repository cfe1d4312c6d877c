#include "editor/main_field.h"

#include "platform/virtual_key_codes.h"

#include <cstdlib>
#include <utility>

namespace quorvane {

CMainField::CMainField(IModelLoader& loader, std::filesystem::path gridRoot, GridNameReader nameReader)
    : loader_(loader), ownedLists_(std::make_unique<CRegistryLists>()), lists_(*ownedLists_),
      gridRoot_(std::move(gridRoot)), nameReader_(std::move(nameReader)),
      hooks_(std::make_shared<const FieldViewHooks>()), gridWriter_(WriteGridLines),
      fileAccess_(std::make_shared<CGridFileAccess>()) {
    std::lock_guard lock(mutex_);
    placement_.ReadCellNamesLocked(); // the cell a click places in before the mouse ever moved
}

CMainField::CMainField(IModelLoader& loader, CRegistryLists& lists, std::filesystem::path gridRoot,
                       GridNameReader nameReader)
    : loader_(loader), lists_(lists), gridRoot_(std::move(gridRoot)), nameReader_(std::move(nameReader)),
      hooks_(std::make_shared<const FieldViewHooks>()), gridWriter_(WriteGridLines),
      fileAccess_(std::make_shared<CGridFileAccess>()) {
    std::lock_guard lock(mutex_);
    placement_.ReadCellNamesLocked();
}

CMainField::~CMainField() = default;

void CMainField::SetGroundPlanePoint(GroundPlanePointFunction groundPlanePoint) {
    std::lock_guard lock(mutex_);
    groundPlanePoint_ = std::move(groundPlanePoint);
}

void CMainField::SetRandomRanges(RandomRangesFunction ranges) {
    std::lock_guard lock(mutex_);
    randomRanges_ = std::move(ranges);
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
    gridWriter_ = std::move(writer);
}

void CMainField::SetGridFileAccess(std::shared_ptr<IGridFileAccess> access) {
    std::lock_guard lock(mutex_);
    fileAccess_ = std::move(access);
}

Vector4 CMainField::GroundPlanePoint(PixelPoint client) const {
    return groundPlanePoint_ ? groundPlanePoint_(client) : Vector4{};
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
    switch (input.kind) {
    case FieldInput::Kind::KeyDown:
        KeyDownNow(input.value);
        break;
    case FieldInput::Kind::KeyUp:
        KeyUpNow(input.value);
        break;
    case FieldInput::Kind::LButtonDown:
        LButtonDownNow(input.point);
        break;
    case FieldInput::Kind::LButtonUp:
        LButtonUpNow();
        break;
    case FieldInput::Kind::MButtonDown:
        MButtonDownNow(input.point);
        break;
    case FieldInput::Kind::MButtonUp:
        MButtonUpNow();
        break;
    case FieldInput::Kind::RButtonDown:
        RButtonDownNow(input.point);
        break;
    case FieldInput::Kind::RButtonUp:
        RButtonUpNow();
        break;
    case FieldInput::Kind::MouseMove:
        MouseMoveNow(input.point);
        break;
    case FieldInput::Kind::ClientOrigin: {
        std::lock_guard lock(mutex_);
        origin_ = input.point;
        break;
    }
    case FieldInput::Kind::ListRow:
        ListRowNow(input.value);
        break;
    case FieldInput::Kind::ListWheel:
        ListWheelNow(input.value);
        break;
    case FieldInput::Kind::Delete: {
        std::lock_guard lock(mutex_);
        RequestDeleteLocked();
        break;
    }
    }
}

// ---- keys -------------------------------------------------------------------

void CMainField::KeyDownNow(int virtualKey) {
    CFieldHookCalls calls;
    {
        std::lock_guard lock(mutex_);
        edit_.input.KeyDown(virtualKey);
        EditVectors& v = edit_.vectors;
        const EditMode mode = edit_.mode;
        // With Ctrl, Z and Y undo and redo instead of choosing an axis.
        int editKey = HistoryKeyLocked(virtualKey, calls) ? 0 : virtualKey;
        if (editKey != 0 && TransformKeyLocked(editKey, calls)) {
            editKey = 0;
        }
        switch (editKey) {
        case vk::kDelete:
            RequestDeleteLocked();
            break;
        case vk::kEscape:
            if (mode == EditMode::ModeAdjust && !edit_.input.justPlaced) {
                edit_.mode = selector_.ModeWithoutSelection();
                selector_.Clear(calls);
            }
            break;
        case vk::Letter('G'):
        case vk::Letter('S'):
        case vk::Letter('R'):
        case vk::Letter('X'):
        case vk::Letter('Y'):
        case vk::Letter('Z'):
            edit_.input.dragAnchor = edit_.input.mouseClient;
            edit_.mode = edit_.gesture.KeyPressed(editKey, mode, v);
            if (IsInModeGroup(mode) && edit_.gesture.Typing()) {
                selectionEdits_.ApplyTransform(); // the typed number moved to the new axis
                ApplyCursorTransformLocked();
            }
            break;
        default:
            break;
        }
    }
    calls.CharacterKey(virtualKey, true);
    RunHooks(calls);
    QueueJournalIfDue(); // Enter may have confirmed an adjustment
}

void CMainField::KeyUpNow(int virtualKey) {
    {
        std::lock_guard lock(mutex_);
        edit_.input.KeyUp(virtualKey);
    }
    CFieldHookCalls calls;
    calls.CharacterKey(virtualKey, false);
    RunHooks(calls);
}

// ---- mouse ------------------------------------------------------------------

void CMainField::MouseMoveNow(PixelPoint client) {
    CFieldHookCalls calls;
    {
        std::lock_guard lock(mutex_);
        const PixelPoint screen = ToScreen(client);
        edit_.input.MovedTo(client, screen);
        if (edit_.input.shiftHeld || ModeValue(edit_.mode) <= ModeValue(EditMode::ModeAdjust)) {
            // The camera and the pick point follow on the next frame update.
            mouseMoved_.store(true, std::memory_order_release);
            edit_.input.latestScreen = screen;
            calls.RepaintField();
        } else if (!edit_.gesture.Typing()) { // a typed number holds the transform
            DragEditLocked();
            selectionEdits_.ApplyTransform();
            ApplyCursorTransformLocked();
        }
    }
    RunHooks(calls);
}

void CMainField::DragEditLocked() {
    edit_.gesture.Drag(edit_.mode, edit_.vectors, GroundPlanePoint(edit_.input.dragAnchor),
                       GroundPlanePoint(edit_.input.mouseClient),
                       static_cast<float>(edit_.input.mouseDelta.y), edit_.input.ctrlKeyDown);
}

void CMainField::LButtonDownNow(PixelPoint client) {
    CFieldHookCalls calls;
    {
        std::lock_guard lock(mutex_);
        edit_.input.LeftPressed(ToScreen(client), client);
        calls.CaptureMouse(true);
        if (!edit_.input.shiftHeld) {
            // With no model taken for placing, a click selects what lies under it.
            const bool picks = edit_.mode == EditMode::ModeNoModel || edit_.mode == EditMode::ModeMove ||
                               (edit_.mode == EditMode::ModeAdjust && !edit_.input.justPlaced);
            LeftClickLocked(calls);
            if (picks && pickRay_) {
                selector_.RequestPick(pickRay_(client), false);
                edit_.input.StartRectangle(client);
            }
        }
    }
    RunHooks(calls);
    QueueJournalIfDue();
}

void CMainField::LeftClickLocked(CFieldHookCalls& calls) {
    bool placed = false;
    EditVectors& v = edit_.vectors;
    const EditMode mode = edit_.mode;
    if (mode == EditMode::ModeAdjust) {
        if (edit_.input.justPlaced) {
            edit_.mode = EditMode::ModePlace;
            DrawNextPlacementLocked();
            edit_.input.justPlaced = false;
        } else {
            edit_.mode = EditMode::ModeMove;
        }
    } else if (mode == EditMode::ModePlace) {
        v.selPosition = {v.pickPoint.x - v.cursorOffset.x, v.pickPoint.y - v.cursorOffset.y,
                         v.pickPoint.z - v.cursorOffset.z, 1.0f};
        v.selScale = v.cursorScale;
        v.selRotation = v.cursorRotation;
        v.selPositionUndo = v.selPosition;
        v.selScaleUndo = v.selScale;
        v.selRotationUndo = v.selRotation;
        // From the models the cursor holds; adjusting starts once they are placed.
        placed = PlaceCursorModelLocked(calls) > 0;
    } else if (CTransformGesture::Confirms(mode)) {
        if (ModeInRange(mode, EditMode::ModePlacedMove, 12)) {
            selectionEdits_
                .RecordAdjustment(); // while the undo vectors still hold where the adjustment began
        }
        edit_.mode = CTransformGesture::Confirm(mode, v);
    }
    // 0, 2, 12 and 24: a rotation needs its axis before it can be confirmed.
    if (!IsInModeGroup(edit_.mode)) {
        ResetTypingLocked();
    }
    FinishLeftClickLocked(placed, calls);
}

void CMainField::FinishLeftClickLocked(bool placed, CFieldHookCalls& calls) {
    ApplyCursorTransformLocked();
    if (edit_.mode != EditMode::ModeAdjust && !placed) {
        edit_.list.ClearSelection();
        calls.RepaintList();
    }
}

void CMainField::MButtonDownNow(PixelPoint client) {
    LockedStep([&](CFieldHookCalls& calls) {
        edit_.input.buttonScreen = ToScreen(client);
        if (edit_.mode != EditMode::ModeAdjust) {
            edit_.list.ClearSelection();
            calls.RepaintList();
        }
        edit_.input.middleHeld = true;
        calls.CaptureMouse(true);
        if (!edit_.input.shiftHeld && edit_.mode == EditMode::ModeMove) {
            edit_.mode = EditMode::ModePlace;
        }
        calls.RepaintField();
    });
}

void CMainField::RButtonDownNow(PixelPoint client) {
    LockedStep([&](CFieldHookCalls& calls) { RightClickLocked(client, calls); });
}

void CMainField::RightClickLocked(PixelPoint client, CFieldHookCalls& calls) {
    edit_.input.buttonScreen = ToScreen(client);
    edit_.input.rightHeld = true;
    calls.CaptureMouse(true);
    if (edit_.input.shiftHeld) {
        return; // a camera orbit
    }
    CancelAdjustmentLocked(calls);
}

void CMainField::CancelAdjustmentLocked(CFieldHookCalls& calls) {
    placement_.CancelPlaceLocked(); // a click still waiting to place is taken back too
    const EditMode mode = edit_.mode;
    if (mode == EditMode::ModePlace) {
        edit_.mode = EditMode::ModeMove;
    } else if (mode == EditMode::ModeAdjust) {
        edit_.mode = EditMode::ModePlace;
        if (edit_.input.justPlaced) {
            editRequest_.store(kRequestCancelPlacement, std::memory_order_release);
        }
    } else {
        edit_.mode = CTransformGesture::Cancel(mode, edit_.vectors);
    }
    ResetTypingLocked();
    selectionEdits_.ApplyTransform();
    ApplyCursorTransformLocked();
    // Only a fresh placement waiting for its confirmation returns to placing.
    if (edit_.mode == EditMode::ModePlace && !edit_.input.justPlaced) {
        edit_.mode = EditMode::ModeMove;
    }
    if (edit_.mode == EditMode::ModeAdjust) {
        return;
    }
    if (edit_.selection.writtenFile) {
        selector_.Clear(calls);
        return;
    }
    edit_.list.ClearSelection();
    calls.RepaintList();
}

void CMainField::LButtonUpNow() {
    LockedStep([this](CFieldHookCalls& calls) {
        const bool selecting = edit_.mode == EditMode::ModeNoModel || edit_.mode == EditMode::ModeMove ||
                               (edit_.mode == EditMode::ModeAdjust && !edit_.input.justPlaced);
        if (const std::optional<PixelPoint> click = edit_.input.LeftReleased();
            click && selecting && pickRay_) {
            selector_.RequestPick(pickRay_(*click), true);
        }
        if (edit_.input.boxSelecting && viewProjection_) {
            const auto at = [](PixelPoint p) {
                return ViewPoint{static_cast<float>(p.x), static_cast<float>(p.y)};
            };
            selector_.RequestRectangle(
                {at(edit_.input.boxAnchor), at(edit_.input.boxCorner), viewProjection_()});
        }
        edit_.input.boxSelecting = false;
        edit_.input.leftSelects = false;
        calls.CaptureMouse(false);
        calls.RepaintField();
    });
}

void CMainField::MButtonUpNow() {
    LockedStep([this](CFieldHookCalls& calls) {
        edit_.input.middleHeld = false;
        calls.CaptureMouse(false);
        calls.RepaintField();
    });
}

void CMainField::RButtonUpNow() {
    LockedStep([this](CFieldHookCalls& calls) {
        edit_.input.rightHeld = false;
        calls.CaptureMouse(false);
        calls.RepaintField();
    });
}

void CMainField::DrawNextPlacementLocked() {
    const RandomRanges ranges = randomRanges_ ? randomRanges_() : RandomRanges{};
    const CursorDraw next =
        placement_.DrawNextLocked(ranges, edit_.vectors.baseScale, edit_.vectors.baseRotation);
    edit_.vectors.cursorScale = next.scale;
    edit_.vectors.cursorRotation = next.rotation;
}

// ---- transforms ---------------------------------------------------------------

void CMainField::ApplyCursorTransform() {
    std::lock_guard lock(mutex_);
    ApplyCursorTransformLocked();
}

void CMainField::ApplyCursorTransformLocked() {
    placement_.CursorLocked().ForEachPart([this](CCursorPart& part) {
        part.transform.scale = edit_.vectors.cursorScale;
        part.offset = edit_.vectors.cursorOffset;
        part.transform.rotation = edit_.vectors.cursorRotation;
    });
}

// ---- camera side and snapshots ---------------------------------------------------

void CMainField::SetPickPoint(const Vector4& point) {
    std::lock_guard lock(mutex_);
    edit_.vectors.pickPoint = point;
    placement_.SetCellLocked(quorvane::CellName(PickCell(point.x, point.y)));
}

bool CMainField::TakeMouseMoved() {
    return mouseMoved_.exchange(false, std::memory_order_acq_rel);
}

EditMode CMainField::Mode() const {
    std::lock_guard lock(mutex_);
    return edit_.mode;
}

EditVectors CMainField::Vectors() const {
    std::lock_guard lock(mutex_);
    return edit_.vectors;
}

InputState CMainField::Input() const {
    std::lock_guard lock(mutex_);
    return edit_.input;
}

std::string CMainField::SelectedName() const {
    std::lock_guard lock(mutex_);
    return edit_.selection.name;
}

std::string CMainField::CellName() const {
    std::lock_guard lock(mutex_);
    return placement_.CellLocked();
}

uint32_t CMainField::CursorPartCount() const {
    std::lock_guard lock(mutex_);
    return placement_.CursorLocked().PartCount();
}

uint32_t CMainField::PlacementSerial() const {
    std::lock_guard lock(mutex_);
    return placementSerial_;
}

bool CMainField::CursorPending() const {
    return placement_.HasPending();
}

CPlacementListModel CMainField::ListModel() const {
    std::lock_guard lock(mutex_);
    return edit_.list;
}

int32_t CMainField::PlacedModelCount() const {
    std::lock_guard lock(mutex_);
    return lists_.placedModels.Count();
}

int32_t CMainField::PlacementRecordCount() const {
    std::lock_guard lock(mutex_);
    return lists_.placementRecords.Count();
}

int32_t CMainField::GridFileCount() const {
    std::lock_guard lock(mutex_);
    return lists_.gridFiles.Count();
}

int32_t CMainField::SharedModelCount() const {
    std::lock_guard lock(mutex_);
    return lists_.sharedModels.Count();
}

std::vector<CPlacedModel> CMainField::PlacementRecordSnapshot() const {
    std::lock_guard lock(mutex_);
    std::vector<CPlacedModel> records;
    records.reserve(static_cast<size_t>(lists_.placementRecords.Count()));
    lists_.placementRecords.ForEach([&records](const CPlacedModel& record) { records.push_back(record); });
    return records;
}

} // namespace quorvane
