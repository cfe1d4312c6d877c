#pragma once

#include "editor/edit_mode.h"
#include "editor/typed_value.h"
#include "editor/vector4.h"

#include <string>

namespace quorvane {

// The vectors the edit modes change. Copied whole under the field's lock.
struct EditVectors {
    Vector4 cursorScale{1.0f, 1.0f, 1.0f, 1.0f};
    Vector4 cursorScaleUndo{1.0f, 1.0f, 1.0f, 1.0f};
    Vector4 baseScale{1.0f, 1.0f, 1.0f, 1.0f};
    Vector4 cursorOffset;
    Vector4 cursorOffsetUndo;
    Vector4 cursorRotation;
    Vector4 cursorRotationUndo;
    Vector4 baseRotation;
    Vector4 selScale;
    Vector4 selScaleUndo;
    Vector4 selPosition;
    Vector4 selPositionUndo;
    Vector4 selRotation;
    Vector4 selRotationUndo;
    Vector4 pickPoint;
    Vector4 dragStartOffset;
    Vector4 dragStartPosition;
};

// A move, scale or turn of the cursor or of the selection: the 24 modes of the
// six groups (target × operation × axis, 4..27), and what a key, the mouse, a
// typed number and Ctrl snapping do to the edit vectors in them. The mode
// numbers stay what the info window shows; the arithmetic on them lives here.
class CTransformGesture {
public:
    // G, S or R from placing or adjusting starts a group; X, Y or Z inside a
    // group picks its axis (a typed number moves to it). The mode that
    // follows; mode itself when the key starts nothing.
    EditMode KeyPressed(int virtualKey, EditMode mode, EditVectors& v);
    // The mouse moved from anchor to current on the ground, dy pixels up since
    // the last move; snapping rounds what shows while the drag goes on unrounded.
    void Drag(EditMode mode, EditVectors& v, const Vector4& anchor, const Vector4& current, float dy,
              bool snapping);
    // A digit, point, minus or Backspace while in a group; false when the key is no such edit.
    bool TypeKey(EditMode mode, EditVectors& v, int virtualKey);
    // Back to where the group began: the mode that follows (placing or
    // adjusting), or mode itself outside the groups.
    static EditMode Cancel(EditMode mode, EditVectors& v);
    // The change stays: it becomes where the next group begins, and a cursor
    // scale or turn the centre of later random ones. The mode that follows,
    // as for Cancel; a rotation with no axis yet, or a mode outside the
    // groups, stays itself.
    static EditMode Confirm(EditMode mode, EditVectors& v);
    static bool Confirms(EditMode mode); // a click or Enter confirms the group now
    void Reset();
    bool Typing() const { return !typed_.Empty(); }
    const std::string& TypedText() const { return typed_.Text(); }

private:
    // The typed number replaces whatever the mouse did: the group's vector
    // goes back to its entry value, then the number applies to the chosen axis.
    void ApplyTyped(EditMode mode, EditVectors& v);
    void Snap(EditMode mode, const EditVectors& v, Vector4& value) const;

    CTypedValue typed_;
    Vector4 dragRaw_;          // the group's value before snapping
    bool dragSnapped_ = false; // the group's vector holds a snapped dragRaw_
};

} // namespace quorvane
