#pragma once

#include "editor/camera_bookmarks.h"
#include "editor/edit_mode.h"
#include "editor/field_input_state.h"
#include "editor/field_selection.h"
#include "editor/placement_list_model.h"
#include "editor/transform_gesture.h"

#include <optional>

namespace quorvane {

// What the user is doing in the field: the edit mode and the vectors it
// changes, the gesture's typed number, the pointer, the selection and the
// placement list's rows. Guarded by the field's lock; the frame update alone
// changes it.
struct FieldEditState {
    EditMode mode = EditMode::ModeNoModel;
    EditVectors vectors;
    CTransformGesture gesture;
    InputState input;
    FieldSelection selection;
    CPlacementListModel list;
    std::optional<BookmarkRequest> bookmark; // for the field view's camera, taken by its next frame
};

} // namespace quorvane
