#pragma once

#include "modeldata/model_types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane {

// One bone. The model owns every bone (see CModel); children and parent are
// links inside the model's bone trees.
struct CBone {
    static constexpr int32_t kTypeUnset = 0;
    static constexpr int32_t kTypeNode = 1;
    static constexpr int32_t kTypeJoint = 2;

    std::string id;                          // what animation channels target
    std::string name;                        // what bone trees and the bone list match on
    Matrix4x4 jointMatrix = kIdentityMatrix; // local transform relative to the parent
    Matrix4x4 inverseBindMatrix = kIdentityMatrix;
    std::vector<CBone*> children; // in file order
    CBone* parent = nullptr;
    int32_t type = kTypeUnset;
};

} // namespace quorvane
