#pragma once

#include "editor/model_entry.h"
#include "editor/registry_lists.h"
#include "editor/vector4.h"

#include <array>
#include <atomic>
#include <functional>
#include <optional>
#include <string>

namespace quorvane {

// What walking needs from the drawable side, so the walk itself stays headless.
struct WalkHooks {
    // World matrices and colliders after the transform changed.
    std::function<void(CModelEntry&)> updatePose;
    std::function<void(CModelEntry&, const std::string& animation, float blend)> startAnimation;
    std::function<void(CModelEntry&)> resetStandTime;
};

struct CameraPlacement {
    Vector4 eye;
    Vector4 target;
};

// The camera that follows the walking character: behind it at eye level,
// straight above it (keeping the previous distance), or behind and above it.
CameraPlacement SkeletonCamera(const Vector4& characterPosition, float headingDegrees, bool horizontalView,
                               bool verticalView, float previousDistance);

// The walking character of the skeleton view. The arrow keys arrive on the UI
// thread; Walk and Stop run once per frame on the render thread and move the
// character's transform (position, rotation about z).
class CCharacterWalker {
public:
    static constexpr float kStandingSpeed = 0.3f;
    static constexpr float kNoFloor = -10000.0f;

    // UI thread. Arrow keys only; key-downs are ignored while turning round.
    void OnKeyDown(int virtualKey);
    void OnKeyUp(int virtualKey);

    // Render thread: one frame of turning, walking, collision, stepping up
    // and falling. The character collides only while it stands in
    // lists.characters, ready and with colliders; otherwise it moves over
    // the ground without colliding.
    void Walk(CModelEntry& character, CRegistryLists& lists, const WalkHooks& hooks);
    // Render thread, after Walk: slows down and stands once no arrow is held.
    void Stop(CModelEntry& character, const WalkHooks& hooks);

    // Turning and WalkingInput may be read from any thread; the rest belong
    // to the render thread, like Walk and Stop.
    float Heading() const { return heading_; }
    void SetHeading(float degrees);
    bool Turning() const { return turning_.load(); }
    bool WalkingInput() const;
    bool Walking() const { return walking_; }
    float WalkSpeed() const { return walkSpeed_; }
    float FallSpeed() const { return fallSpeed_; }
    const Vector4& MoveDirection() const { return moveDirection_; }

private:
    enum Arrow { kLeftArrow, kUpArrow, kRightArrow, kDownArrow, kArrowCount };
    struct HeldArrows {
        bool left = false, up = false, right = false, down = false;
    };

    static std::optional<Arrow> ArrowOf(int virtualKey);
    // Held now, or pressed and released since the last frame: a short tap
    // between two frames still counts once.
    HeldArrows TakeArrows();
    void TurnOrSteer(const HeldArrows& arrows, CModelEntry& character, const WalkHooks& hooks);
    // One walking step with its collision; true when a collider top holds the
    // character up, false when the ground does.
    bool Step(CModelEntry& character, CRegistryLists& lists, const WalkHooks& hooks);
    void ResolveBlocked(CModelEntry& character, CRegistryLists& lists, const WalkHooks& hooks);
    void SettleHeight(CModelEntry& character, const std::optional<Vector4>& ground);

    std::array<std::atomic<bool>, kArrowCount> held_{};
    std::array<std::atomic<bool>, kArrowCount> tapped_{};
    std::atomic<bool> turning_{false};

    // Render thread only from here on.
    float heading_ = 0.0f;
    float turnTarget_ = 0.0f;
    bool walking_ = false;
    float walkSpeed_ = 0.0f;
    Vector4 moveDirection_{1.0f, 0.0f, 0.0f, 0.0f};
    float floorHeight_ = kNoFloor;
    float fallSpeed_ = 0.0f;
    Vector4 lastUnblocked_;
    // Where the last frame left the character; anywhere else means it was
    // placed from outside, and its capsule paths start afresh.
    std::optional<Vector4> settledPosition_;
};

} // namespace quorvane
