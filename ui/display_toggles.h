#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace quorvane {

// The five display check boxes, ids 1 to 5: grid, skeleton view, colliders,
// vertical view, horizontal view. The boxes write them on the UI thread; the
// field view's render thread reads them every frame, and may switch the grid
// off itself, so each is an atomic flag.
class CDisplayToggles {
public:
    static constexpr int32_t kGrid = 1;
    static constexpr int32_t kSkeletonView = 2;
    static constexpr int32_t kColliders = 3;
    static constexpr int32_t kVertical = 4;
    static constexpr int32_t kHorizontal = 5;
    static constexpr int32_t kCount = 5;

    // False for an id outside 1..5.
    bool IsChecked(int32_t id) const;
    void SetChecked(int32_t id, bool checked);

    // A click: unchecks a checked box; checks an unchecked one, and then the
    // vertical and horizontal views exclude each other. Returns the id of a
    // box that was unchecked as a result (0 when none), so it can repaint.
    int32_t Toggle(int32_t id);

private:
    std::array<std::atomic<bool>, kCount> checked_{};
};

} // namespace quorvane
