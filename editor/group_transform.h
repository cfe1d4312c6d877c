#pragma once

#include "editor/model_entry.h"

#include <vector>

namespace quorvane {

// What a move, scale or turn of copies selected together does: their centre
// goes to position, and about it they are scaled by scale and turned by
// rotation (degrees, about the world's axes), each keeping its place in the group.
struct GroupGesture {
    Vector4 position;
    Vector4 scale{1.0f, 1.0f, 1.0f, 1.0f};
    Vector4 rotation;
};

// The centre of the copies' positions; the origin for none.
Vector4 CentreOf(const std::vector<CModelTransform>& transforms);

// A copy of the group after the gesture, from where it stood when the gesture
// began. Its own scale is multiplied by the gesture's and its own turn
// followed by the gesture's.
CModelTransform MovedWithGroup(const CModelTransform& start, const Vector4& centre,
                               const GroupGesture& gesture);

} // namespace quorvane
