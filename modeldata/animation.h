#pragma once

#include "modeldata/model_types.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace quorvane {

struct CBone;

// The keys of one bone: the k-th pose goes with the k-th key time.
struct CAnimationChannel {
    std::string target;    // id of the animated bone
    CBone* bone = nullptr; // the bone table's bone with that id, or null
    std::vector<float> keyTimes;
    std::vector<Matrix4x4> poses; // in file order

    // Keys that have both a time and a pose.
    size_t KeyCount() const { return std::min(keyTimes.size(), poses.size()); }
};

// One animation file (or COLLADA document).
struct CAnimation {
    std::string name;        // given by the caller, e.g. "WALK"
    std::string animationId; // from the file
    std::vector<std::unique_ptr<CAnimationChannel>> channels;
};

} // namespace quorvane
