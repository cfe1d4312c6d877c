#include "editor/character_walk.h"

#include "editor/character_collision.h"
#include "editor/ground_height.h"
#include "platform/virtual_key_codes.h"

#include <algorithm>
#include <cmath>

namespace quorvane {
namespace {

constexpr float kSteerDegrees = 3.0f;
constexpr float kTurnDegrees = 5.0f;
constexpr float kTurnSnapDegrees = 20.0f;
constexpr float kSpeedUp = 0.05f;
constexpr float kSlowDown = 0.1f;
constexpr float kTopSpeed = 1.0f;
constexpr float kStepLimit = 2.0f; // highest floor the character steps up onto
constexpr float kStepClearance = 0.1f;
constexpr float kPushOut = 1.5f;
constexpr float kGravity = 0.8f;
constexpr float kWalkBlend = 10.0f;
constexpr float kStandBlend = 3.0f;
constexpr float kPi = 3.14159f;

float Radians(float degrees) {
    return degrees * 2.0f * kPi / 360.0f;
}

float WrapDegrees(float degrees) {
    while (degrees < 0.0f) {
        degrees += 360.0f;
    }
    while (degrees >= 360.0f) {
        degrees -= 360.0f;
    }
    return degrees;
}

Vector4 FacingOf(float headingDegrees) {
    const float radians = Radians(headingDegrees);
    return {std::cos(radians), std::sin(radians), 0.0f, 0.0f};
}

float Dot3(const Vector4& a, const Vector4& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// The unit vector along v, or nothing when v has no usable direction.
std::optional<Vector4> Unit3(const Vector4& v) {
    const float length = std::sqrt(Dot3(v, v));
    if (!std::isfinite(length) || length < 1e-6f) {
        return std::nullopt;
    }
    return Vector4{v.x / length, v.y / length, v.z / length, 0.0f};
}

void MoveBy(Vector4& position, const Vector4& direction, float distance) {
    position.x += direction.x * distance;
    position.y += direction.y * distance;
    position.z += direction.z * distance;
}

bool SamePlace(const Vector4& a, const Vector4& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

void UpdatePose(CModelEntry& character, const WalkHooks& hooks) {
    if (hooks.updatePose) {
        hooks.updatePose(character);
    }
}

// Poses the character where it stands and collides it with the placed
// models and grid files. A character that cannot collide hits nothing.
const CCollisionResults& TestAt(CModelEntry& character, CRegistryLists& lists, const WalkHooks& hooks) {
    UpdatePose(character, hooks);
    character.collision = CCollisionResults{};
    if (character.ready && character.hasColliders && character.colliderSet) {
        CollideCharacter(lists);
    }
    return character.collision;
}

} // namespace

CameraPlacement SkeletonCamera(const Vector4& characterPosition, float headingDegrees, bool horizontalView,
                               bool verticalView, float previousDistance) {
    const Vector4& p = characterPosition;
    const Vector4 f = FacingOf(headingDegrees);
    // Top-down wins over eye level, as it does for the free camera.
    if (verticalView) {
        return {{p.x - 0.0001f * f.x, p.y - 0.0001f * f.y, p.z + previousDistance, p.w}, p};
    }
    if (horizontalView) {
        return {{p.x - 10.0f * f.x, p.y - 10.0f * f.y, p.z, p.w}, p};
    }
    return {{p.x - 15.0f * f.x, p.y - 15.0f * f.y, p.z + 5.0f, p.w}, {p.x, p.y, p.z + 5.0f, p.w}};
}

std::optional<CCharacterWalker::Arrow> CCharacterWalker::ArrowOf(int virtualKey) {
    switch (virtualKey) {
    case vk::kLeft:
        return kLeftArrow;
    case vk::kUp:
        return kUpArrow;
    case vk::kRight:
        return kRightArrow;
    case vk::kDown:
        return kDownArrow;
    default:
        return std::nullopt;
    }
}

void CCharacterWalker::OnKeyDown(int virtualKey) {
    const auto arrow = ArrowOf(virtualKey);
    if (!arrow || turning_.load()) {
        return;
    }
    held_[*arrow].store(true);
    tapped_[*arrow].store(true);
}

void CCharacterWalker::OnKeyUp(int virtualKey) {
    if (const auto arrow = ArrowOf(virtualKey)) {
        held_[*arrow].store(false);
    }
}

bool CCharacterWalker::WalkingInput() const {
    return std::any_of(held_.begin(), held_.end(), [](const std::atomic<bool>& flag) { return flag.load(); });
}

void CCharacterWalker::SetHeading(float degrees) {
    heading_ = WrapDegrees(degrees);
}

CCharacterWalker::HeldArrows CCharacterWalker::TakeArrows() {
    const auto take = [this](Arrow arrow) {
        const bool tapped = tapped_[arrow].exchange(false);
        return held_[arrow].load() || tapped;
    };
    HeldArrows arrows;
    arrows.left = take(kLeftArrow);
    arrows.up = take(kUpArrow);
    arrows.right = take(kRightArrow);
    arrows.down = take(kDownArrow);
    return arrows;
}

void CCharacterWalker::TurnOrSteer(const HeldArrows& arrows, CModelEntry& character, const WalkHooks& hooks) {
    if (arrows.left) {
        heading_ = WrapDegrees(heading_ + kSteerDegrees);
    }
    if (arrows.right) {
        heading_ = WrapDegrees(heading_ - kSteerDegrees);
    }
    if (arrows.up) {
        if (!walking_ && character.loaded && hooks.startAnimation) {
            hooks.startAnimation(character, "WALK", kWalkBlend);
        }
        walking_ = true;
    }
    if (arrows.down) {
        turnTarget_ = heading_ > 180.0f ? heading_ - 180.0f : heading_ + 180.0f;
        turning_.store(true);
    }
}

void CCharacterWalker::Walk(CModelEntry& character, CRegistryLists& lists, const WalkHooks& hooks) {
    Vector4& position = character.transform.position;
    if (!settledPosition_ || !SamePlace(*settledPosition_, position)) {
        // Placed from outside: the capsules did not walk here.
        UpdatePose(character, hooks);
        AcceptCapsulePoints(character);
    }
    TurnOrSteer(TakeArrows(), character, hooks);
    bool standsOnGround = false;
    if (turning_.load()) {
        heading_ += heading_ < turnTarget_ ? kTurnDegrees : -kTurnDegrees;
        if (std::fabs(heading_ - turnTarget_) < kTurnSnapDegrees) {
            heading_ = turnTarget_;
            turning_.store(false);
        }
    } else if (walking_) {
        standsOnGround = !Step(character, lists, hooks);
    }
    // Measured where the step ended, so the feet do not lag a step behind
    // the ground on a slope.
    const std::optional<Vector4> ground = GroundHeight(lists, position.x, position.y);
    if (standsOnGround && ground) {
        floorHeight_ = ground->z;
    }
    SettleHeight(character, ground);
    // The capsule paths of the next step start where this frame left them.
    UpdatePose(character, hooks);
    AcceptCapsulePoints(character);
    settledPosition_ = position;
}

bool CCharacterWalker::Step(CModelEntry& character, CRegistryLists& lists, const WalkHooks& hooks) {
    Vector4& position = character.transform.position;
    lastUnblocked_ = position; // every frame ends where it was not blocked
    character.transform.rotation.x = 0.0f;
    character.transform.rotation.y = 0.0f;
    character.transform.rotation.z = heading_ + 90.0f;
    walkSpeed_ = std::min(walkSpeed_ + kSpeedUp, kTopSpeed);
    moveDirection_ = FacingOf(heading_);
    MoveBy(position, moveDirection_, walkSpeed_);

    const CCollisionResults& hit = TestAt(character, lists, hooks);
    // A floor too high to step onto (a roof, a bridge overhead) does not hold
    // the character up: the ground does.
    const bool onCollider = hit.floorHit && hit.floorTop - position.z < kStepLimit;
    if (onCollider) {
        floorHeight_ = hit.floorTop + kStepClearance;
    }
    if (hit.blocked) {
        ResolveBlocked(character, lists, hooks);
    }
    return onCollider;
}

void CCharacterWalker::ResolveBlocked(CModelEntry& character, CRegistryLists& lists, const WalkHooks& hooks) {
    Vector4& position = character.transform.position;
    const std::optional<Vector4> normal = Unit3(character.collision.wallNormal);
    position = lastUnblocked_;
    if (!normal) {
        character.collision.blocked = false;
        return;
    }
    const Vector4& n = *normal;
    const float along = Dot3(n, moveDirection_);
    const Vector4 slide{moveDirection_.x - along * n.x, moveDirection_.y - along * n.y,
                        moveDirection_.z - along * n.z, 0.0f};
    // Head on, there is no direction to slide in.
    if (const auto slideDirection = Unit3(slide)) {
        MoveBy(position, *slideDirection, walkSpeed_);
    }
    if (TestAt(character, lists, hooks).blocked) {
        MoveBy(position, n, kPushOut);
        if (TestAt(character, lists, hooks).blocked) {
            position = lastUnblocked_;
        }
    }
    character.collision.blocked = false;
}

void CCharacterWalker::SettleHeight(CModelEntry& character, const std::optional<Vector4>& ground) {
    float& z = character.transform.position.z;
    if (floorHeight_ > kNoFloor + 1.0f) {
        if (floorHeight_ > z) {
            z = floorHeight_;
            floorHeight_ = kNoFloor;
        } else {
            fallSpeed_ += kGravity;
            z -= fallSpeed_;
            if (z < floorHeight_) {
                z = floorHeight_;
                fallSpeed_ = 0.0f;
                floorHeight_ = kNoFloor;
            }
        }
    }
    if (ground && z < ground->z) {
        // Landed on the ground before reaching a floor below it.
        z = ground->z;
        fallSpeed_ = 0.0f;
        if (floorHeight_ <= z) {
            floorHeight_ = kNoFloor;
        }
    }
}

void CCharacterWalker::Stop(CModelEntry& character, const WalkHooks& hooks) {
    UpdatePose(character, hooks);
    if (WalkingInput()) {
        return;
    }
    if (walking_ && character.loaded) {
        if (hooks.startAnimation) {
            hooks.startAnimation(character, "STAND", kStandBlend);
        }
        if (hooks.resetStandTime) {
            hooks.resetStandTime(character);
        }
    }
    walking_ = false;
    walkSpeed_ = std::max(walkSpeed_ - kSlowDown, kStandingSpeed);
}

} // namespace quorvane
