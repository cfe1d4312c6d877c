#include "editor/field_input_handler.h"

#include "platform/virtual_key_codes.h"

namespace quorvane {
namespace {

// With no model taken for placing, a click selects what lies under it.
bool Selects(const FieldEditState& edit) {
    return edit.mode == EditMode::ModeNoModel || edit.mode == EditMode::ModeMove ||
           (edit.mode == EditMode::ModeAdjust && !edit.input.justPlaced);
}

} // namespace

Vector4 CFieldInputHandler::GroundPlanePoint(PixelPoint client) const {
    return groundPlanePoint_ ? groundPlanePoint_(client) : Vector4{};
}

// ---- keys -------------------------------------------------------------------

void CFieldInputHandler::KeyDown(int virtualKey, CFieldHookCalls& calls) {
    edit_.input.KeyDown(virtualKey);
    EditVectors& v = edit_.vectors;
    const EditMode mode = edit_.mode;
    // With Ctrl, Z and Y undo and redo instead of choosing an axis.
    int editKey = HistoryKey(virtualKey, calls) ? 0 : virtualKey;
    if (editKey != 0 && (ArrangeKey(editKey) || PaintKey(editKey, calls) || TransformKey(editKey, calls) ||
                         BookmarkKey(editKey))) {
        editKey = 0;
    }
    switch (editKey) {
    case vk::kDelete:
        selectionEdits_.RequestDelete();
        break;
    case vk::kEnd:
        selectionEdits_.RequestDrop(edit_.input.shiftKeyDown);
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
            placer_.ApplyCursorTransform();
        }
        break;
    default:
        break;
    }
}

void CFieldInputHandler::KeyUp(int virtualKey) {
    edit_.input.KeyUp(virtualKey);
}

bool CFieldInputHandler::HistoryKey(int virtualKey, CFieldHookCalls& calls) {
    if (!edit_.input.ctrlKeyDown || (virtualKey != vk::Letter('Z') && virtualKey != vk::Letter('Y'))) {
        return false;
    }
    const bool redo = virtualKey == vk::Letter('Y') || edit_.input.shiftKeyDown;
    if (IsInModeGroup(edit_.mode)) {
        // Inside a move, scale or rotation the undo key only takes that back, as a
        // right click does; redo waits until the adjustment is over.
        if (!redo) {
            CancelAdjustment(calls);
        }
        return true;
    }
    history_.Request(redo ? CHistoryRunner::kRedo : CHistoryRunner::kUndo);
    return true;
}

bool CFieldInputHandler::BookmarkKey(int virtualKey) {
    // Inside a move, scale or turn a digit is part of the typed value, taken before this.
    if (virtualKey <= vk::kDigit0 || virtualKey > vk::kDigit0 + CCameraBookmarks::kCount ||
        IsInModeGroup(edit_.mode)) {
        return false;
    }
    edit_.bookmark = BookmarkRequest{virtualKey - vk::kDigit0, edit_.input.ctrlKeyDown};
    return true;
}

bool CFieldInputHandler::ArrangeKey(int virtualKey) {
    const InputState& input = edit_.input;
    if (virtualKey == vk::Letter('D') && input.shiftKeyDown && !input.ctrlKeyDown) {
        arrange_.Duplicate();
        return true;
    }
    if (!input.ctrlKeyDown || (virtualKey != vk::Letter('C') && virtualKey != vk::Letter('V'))) {
        return false;
    }
    virtualKey == vk::Letter('C') ? arrange_.Copy() : arrange_.Paste();
    return true;
}

bool CFieldInputHandler::PaintKey(int virtualKey, CFieldHookCalls& calls) {
    if (virtualKey == vk::Letter('P') && !edit_.input.ctrlKeyDown) {
        paint_.Toggle(calls);
        return true;
    }
    if (edit_.mode != EditMode::ModePaint) {
        return false;
    }
    switch (virtualKey) {
    case vk::kOemOpenBracket:
    case vk::kOemCloseBracket:
        paint_.StepRadius(virtualKey == vk::kOemCloseBracket);
        calls.RepaintField();
        calls.RepaintMain();
        return true;
    case vk::kEscape:
        paint_.Toggle(calls);
        return true;
    case vk::Letter('G'):
    case vk::Letter('S'):
    case vk::Letter('R'):
    case vk::Letter('X'):
    case vk::Letter('Y'):
    case vk::Letter('Z'):
        return true; // the brush has nothing to move, scale or turn
    default:
        return false;
    }
}

bool CFieldInputHandler::TransformKey(int virtualKey, CFieldHookCalls& calls) {
    if (!IsInModeGroup(edit_.mode)) {
        return false;
    }
    if (virtualKey == vk::kReturn) {
        LeftClick(calls); // never places from inside a group
        return true;
    }
    if (virtualKey == vk::kEscape) {
        CancelAdjustment(calls);
        return true;
    }
    if (edit_.input.ctrlKeyDown || !edit_.gesture.TypeKey(edit_.mode, edit_.vectors, virtualKey)) {
        return false;
    }
    selectionEdits_.ApplyTransform();
    placer_.ApplyCursorTransform();
    calls.RepaintField();
    return true;
}

// ---- mouse ------------------------------------------------------------------

void CFieldInputHandler::MouseMove(PixelPoint client, CFieldHookCalls& calls) {
    const PixelPoint screen = ToScreen(client);
    edit_.input.MovedTo(client, screen);
    if (edit_.input.shiftHeld || ModeValue(edit_.mode) <= ModeValue(EditMode::ModeAdjust) ||
        edit_.mode == EditMode::ModePaint) {
        // The camera and the pick point follow on the next frame update.
        mouseMoved_.store(true, std::memory_order_release);
        edit_.input.latestScreen = screen;
        calls.RepaintField();
    } else if (!edit_.gesture.Typing()) { // a typed number holds the transform
        DragEdit();
        selectionEdits_.ApplyTransform();
        placer_.ApplyCursorTransform();
    }
}

void CFieldInputHandler::DragEdit() {
    edit_.gesture.Drag(edit_.mode, edit_.vectors, GroundPlanePoint(edit_.input.dragAnchor),
                       GroundPlanePoint(edit_.input.mouseClient),
                       static_cast<float>(edit_.input.mouseDelta.y), edit_.input.ctrlKeyDown);
}

void CFieldInputHandler::LeftDown(PixelPoint client, CFieldHookCalls& calls) {
    edit_.input.LeftPressed(ToScreen(client), client);
    calls.CaptureMouse(true);
    if (edit_.input.shiftHeld) {
        return; // a camera pan, or a Shift+click if it ends where it began
    }
    if (edit_.mode == EditMode::ModePaint) {
        paint_.Begin(edit_.input.ctrlKeyDown, randomRanges_ ? randomRanges_() : RandomRanges{}, calls);
        return;
    }
    const bool picks = Selects(edit_);
    LeftClick(calls);
    if (picks && pickRay_) {
        selector_.RequestPick(pickRay_(client), false);
        edit_.input.StartRectangle(client);
    }
}

void CFieldInputHandler::LeftClick(CFieldHookCalls& calls) {
    bool placed = false;
    EditVectors& v = edit_.vectors;
    const EditMode mode = edit_.mode;
    if (mode == EditMode::ModeAdjust) {
        if (edit_.input.justPlaced) {
            edit_.mode = EditMode::ModePlace;
            DrawNextPlacement();
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
        placed = placer_.Place(calls) > 0;
    } else if (CTransformGesture::Confirms(mode)) {
        if (ModeInRange(mode, EditMode::ModePlacedMove, 12) && !arrange_.Duplicating()) {
            // While the undo vectors still hold where the adjustment began.
            selectionEdits_.RecordAdjustment();
        }
        edit_.mode = CTransformGesture::Confirm(mode, v);
        if (!IsInModeGroup(edit_.mode)) {
            arrange_.ConfirmDuplicate(); // fresh duplicates are made where they stand
        }
    }
    // 0, 2, 12 and 24: a rotation needs its axis before it can be confirmed.
    if (!IsInModeGroup(edit_.mode)) {
        edit_.gesture.Reset();
    }
    FinishLeftClick(placed, calls);
}

void CFieldInputHandler::FinishLeftClick(bool placed, CFieldHookCalls& calls) {
    placer_.ApplyCursorTransform();
    if (edit_.mode != EditMode::ModeAdjust && !placed) {
        edit_.list.ClearSelection();
        calls.RepaintList();
    }
}

void CFieldInputHandler::LeftUp(CFieldHookCalls& calls) {
    paint_.End();
    const bool selecting = Selects(edit_);
    if (const std::optional<PixelPoint> click = edit_.input.LeftReleased(); click && selecting && pickRay_) {
        selector_.RequestPick(pickRay_(*click), true);
    }
    if (edit_.input.boxSelecting && viewProjection_) {
        const auto at = [](PixelPoint p) {
            return ViewPoint{static_cast<float>(p.x), static_cast<float>(p.y)};
        };
        selector_.RequestRectangle({at(edit_.input.boxAnchor), at(edit_.input.boxCorner), viewProjection_()});
    }
    edit_.input.boxSelecting = false;
    edit_.input.leftSelects = false;
    calls.CaptureMouse(false);
    calls.RepaintField();
}

void CFieldInputHandler::MiddleDown(PixelPoint client, CFieldHookCalls& calls) {
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
}

void CFieldInputHandler::MiddleUp(CFieldHookCalls& calls) {
    edit_.input.middleHeld = false;
    calls.CaptureMouse(false);
    calls.RepaintField();
}

void CFieldInputHandler::RightDown(PixelPoint client, CFieldHookCalls& calls) {
    edit_.input.buttonScreen = ToScreen(client);
    edit_.input.rightHeld = true;
    calls.CaptureMouse(true);
    if (edit_.input.shiftHeld || edit_.mode == EditMode::ModePaint) {
        return; // a camera orbit; a brush has nothing to cancel
    }
    CancelAdjustment(calls);
}

void CFieldInputHandler::RightUp(CFieldHookCalls& calls) {
    edit_.input.rightHeld = false;
    calls.CaptureMouse(false);
    calls.RepaintField();
}

void CFieldInputHandler::CancelAdjustment(CFieldHookCalls& calls) {
    placement_.CancelPlaceLocked(); // a click still waiting to place is taken back too
    if (IsInModeGroup(edit_.mode)) {
        arrange_.CancelDuplicate(); // duplicates whose move is cancelled go
    }
    const EditMode mode = edit_.mode;
    if (mode == EditMode::ModePlace) {
        edit_.mode = EditMode::ModeMove;
    } else if (mode == EditMode::ModeAdjust) {
        edit_.mode = EditMode::ModePlace;
        if (edit_.input.justPlaced) {
            selectionEdits_.RequestCancelPlacement();
        }
    } else {
        edit_.mode = CTransformGesture::Cancel(mode, edit_.vectors);
    }
    edit_.gesture.Reset();
    selectionEdits_.ApplyTransform();
    placer_.ApplyCursorTransform();
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

void CFieldInputHandler::DrawNextPlacement() {
    const RandomRanges ranges = randomRanges_ ? randomRanges_() : RandomRanges{};
    const CursorDraw next =
        placement_.DrawNextLocked(ranges, edit_.vectors.baseScale, edit_.vectors.baseRotation);
    edit_.vectors.cursorScale = next.scale;
    edit_.vectors.cursorRotation = next.rotation;
}

} // namespace quorvane
