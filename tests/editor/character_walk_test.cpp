#include "collider_scene.h"
#include "editor/character_walk.h"
#include "editor/ground_height.h"
#include "platform/virtual_key_codes.h"
#include "terrain.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <utility>

namespace quorvane::testing {
namespace {

constexpr float kPi = 3.14159f;

int32_t CharacterBones() {
    const auto& models = Demo().manifest.models;
    const auto found = std::ranges::find(models, "skelton.col", &demofield::CWrittenModel::colliderFile);
    return found == models.end() ? 0 : found->bones;
}

// World and rotation-scale matrices of a transform whose only rotation is about z.
ColliderPose PoseOf(const CModelTransform& transform, std::span<const Matrix4> palette) {
    ColliderPose pose;
    pose.palette = palette;
    const float radians = transform.rotation.z * 2.0f * kPi / 360.0f;
    pose.rotationScale =
        Multiply(Diagonal(transform.scale.x, transform.scale.y, transform.scale.z, 1.0f), RotationZ(radians));
    pose.world = pose.rotationScale;
    pose.world(3, 0) = transform.position.x;
    pose.world(3, 1) = transform.position.y;
    pose.world(3, 2) = transform.position.z;
    return pose;
}

// An axis-aligned box with outward normals: a step, a wall or a platform.
std::unique_ptr<CModelEntry> Box(const std::string& name, Xyz lo, Xyz hi) {
    std::vector<CSkinRecord> corners;
    const auto [x0, y0, z0] = lo;
    const auto [x1, y1, z1] = hi;
    AddQuad(corners, {{{x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}}}, {0, 0, 1});
    AddQuad(corners, {{{x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}}}, {0, 0, -1});
    AddQuad(corners, {{{x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}}}, {-1, 0, 0});
    AddQuad(corners, {{{x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}}}, {1, 0, 0});
    AddQuad(corners, {{{x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}}}, {0, -1, 0});
    AddQuad(corners, {{{x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}}}, {0, 1, 0});
    return MeshEntry(name, std::move(corners));
}

using Animations = std::vector<std::pair<std::string, float>>; // each started animation and its blend

// The character "SKELTON" of the demo field, its capsules posed on the CPU
// with an identity palette, standing in its registry lists on flat ground.
class WalkTest : public ::testing::Test {
protected:
    void SetUp() override {
        palette_.assign(static_cast<size_t>(std::max(CharacterBones(), 1)), Identity());
        auto character = Demo().ColliderEntry("skelton");
        ASSERT_NE(character, nullptr);
        character->name = "SKELTON";
        character->transform.scale = {0.5f, 0.5f, 0.5f, 0.5f};
        character->loaded = true;
        character_ = lists_.characters.Append(std::move(character));
        // Flat ground at z = 0 over -500..500, unless a test lays its own.
        std::vector<CSkinRecord> ground;
        AddQuad(ground, {{{-500, -500, 0}, {500, -500, 0}, {500, 500, 0}, {-500, 500, 0}}}, {0, 0, 1});
        lists_.fieldTiles.Append(MeshEntry("Field0-0", std::move(ground)));

        hooks_.updatePose = [this](CModelEntry& entry) {
            if (entry.colliderSet) {
                entry.colliderSet->needsUpdate = 1;
                UpdateColliderSet(*entry.colliderSet, PoseOf(entry.transform, palette_), entry.ready, false);
            }
        };
        hooks_.startAnimation = [this](CModelEntry&, const std::string& animation, float blend) {
            animations_.emplace_back(animation, blend);
        };
        hooks_.resetStandTime = [this](CModelEntry&) { ++standTimeResets_; };
    }

    void Frame() {
        walker_.Walk(*character_, lists_, hooks_);
        walker_.Stop(*character_, hooks_);
    }
    static void Nothing() {}
    // The frames, each followed by the check, until a check fails fatally.
    void Frames(int count, const std::function<void()>& check = Nothing) {
        for (int frame = 0; frame < count && !HasFatalFailure(); ++frame) {
            SCOPED_TRACE("frame " + std::to_string(frame));
            Frame();
            check();
        }
    }
    void PlaceAt(float x, float y, float z) { character_->transform.position = {x, y, z, 1.0f}; }
    const Vector4& Position() const { return character_->transform.position; }

    CRegistryLists lists_;
    CModelEntry* character_ = nullptr;
    CCharacterWalker walker_;
    WalkHooks hooks_;
    std::vector<Matrix4> palette_;
    Animations animations_;
    int standTimeResets_ = 0;
};

TEST_F(WalkTest, ArrowKeysSetTheWalkingInput) {
    EXPECT_FALSE(walker_.WalkingInput());
    walker_.OnKeyDown(vk::kSpace);
    EXPECT_FALSE(walker_.WalkingInput()) << "only arrow keys walk";
    walker_.OnKeyDown(vk::kUp);
    walker_.OnKeyDown(vk::kLeft);
    EXPECT_TRUE(walker_.WalkingInput());
    walker_.OnKeyUp(vk::kUp);
    EXPECT_TRUE(walker_.WalkingInput()) << "Left is still held";
    walker_.OnKeyUp(vk::kLeft);
    EXPECT_FALSE(walker_.WalkingInput());
}

TEST_F(WalkTest, WalksStopsAndWalksAgainFromTheStandingSpeed) {
    walker_.OnKeyDown(vk::kUp);
    Frames(100);
    // Speeds 0.05 ... 1.00 over the first 20 frames (10.5 in all), then 80 frames at 1.0.
    EXPECT_NEAR(Position().x, 90.5f, 1e-3f);
    EXPECT_NEAR(Position().y, 0.0f, 1e-4f);
    EXPECT_FLOAT_EQ(Position().z, 0.0f);
    EXPECT_FLOAT_EQ(walker_.WalkSpeed(), 1.0f);
    EXPECT_FLOAT_EQ(character_->transform.rotation.z, 90.0f);
    EXPECT_EQ(animations_, (Animations{{"WALK", 10.0f}}));

    walker_.OnKeyUp(vk::kUp);
    Frame();
    EXPECT_EQ(animations_, (Animations{{"WALK", 10.0f}, {"STAND", 3.0f}}));
    EXPECT_EQ(standTimeResets_, 1);
    EXPECT_FALSE(walker_.Walking());
    EXPECT_NEAR(walker_.WalkSpeed(), 0.9f, 1e-5f);
    const float x = Position().x;
    Frames(10);
    EXPECT_FLOAT_EQ(Position().x, x) << "standing still";
    EXPECT_NEAR(walker_.WalkSpeed(), 0.3f, 1e-5f);
    EXPECT_EQ(animations_.size(), 2u) << "STAND starts once";

    // Walking again starts from the standing speed: 0.35 ... 1.0 over 14
    // frames (9.45 in all), then 86 frames at 1.0.
    walker_.OnKeyDown(vk::kUp);
    Frames(100);
    EXPECT_NEAR(Position().x, x + 95.45f, 1e-3f);
}

TEST_F(WalkTest, SteeringTurnsThreeDegreesAFrame) {
    walker_.OnKeyDown(vk::kRight);
    Frame();
    EXPECT_FLOAT_EQ(walker_.Heading(), 357.0f) << "wrapped into 0..360";
    walker_.OnKeyUp(vk::kRight);
    walker_.OnKeyDown(vk::kLeft);
    Frames(31);
    EXPECT_NEAR(walker_.Heading(), 90.0f, 1e-3f);
    EXPECT_FLOAT_EQ(Position().x, 0.0f) << "steering alone does not walk";
}

TEST_F(WalkTest, ShortDownPressTurnsRoundInThirtyThreeFrames) {
    walker_.OnKeyDown(vk::kUp);
    Frames(20); // at full speed: 10.5 along +x
    walker_.OnKeyDown(vk::kDown);
    walker_.OnKeyUp(vk::kDown); // released before the next frame
    const Vector4 before = Position();
    int frames = 0;
    do {
        Frame();
        ++frames;
        EXPECT_FLOAT_EQ(Position().x, before.x) << "no step while turning";
        if (walker_.Turning()) {
            walker_.OnKeyDown(vk::kLeft); // ignored
        }
    } while (walker_.Turning() && frames < 100);
    walker_.OnKeyUp(vk::kLeft);
    EXPECT_EQ(frames, 33);
    EXPECT_FLOAT_EQ(walker_.Heading(), 180.0f);
    Frame();
    EXPECT_NEAR(Position().x, before.x - 1.0f, 1e-4f) << "walking on in the new heading";
}

TEST_F(WalkTest, KeyDownsWhileTurningAreIgnored) {
    walker_.OnKeyDown(vk::kDown);
    walker_.OnKeyUp(vk::kDown);
    Frame();
    ASSERT_TRUE(walker_.Turning());
    walker_.OnKeyDown(vk::kLeft);
    walker_.OnKeyDown(vk::kUp);
    EXPECT_FALSE(walker_.WalkingInput());
    EXPECT_FLOAT_EQ(walker_.Heading(), 5.0f);
}

TEST_F(WalkTest, HoldingDownKeepsSpinning) {
    walker_.OnKeyDown(vk::kDown);
    // Each frame aims 180 away from the current heading: up to 180 in 36
    // frames, then 185 and 180 by turns, never close enough to stop.
    for (int frame = 1; frame <= 100; ++frame) {
        Frame();
        ASSERT_TRUE(walker_.Turning()) << "frame " << frame;
        if (frame <= 36) {
            ASSERT_FLOAT_EQ(walker_.Heading(), 5.0f * frame);
        }
    }
    EXPECT_FLOAT_EQ(walker_.Heading(), 180.0f);
    Frame();
    EXPECT_FLOAT_EQ(walker_.Heading(), 185.0f);
    walker_.OnKeyUp(vk::kDown);
    // Released at 185 while aiming at 360 (set from 180 the frame before):
    // up 5 a frame to 345, within 20 of it, and the snap.
    int frames = 0;
    while (walker_.Turning() && frames < 100) {
        Frame();
        ++frames;
    }
    EXPECT_EQ(frames, 32);
    EXPECT_FALSE(walker_.Turning()) << "released, the last turn ends";
    EXPECT_FLOAT_EQ(walker_.Heading(), 360.0f);
}

TEST_F(WalkTest, WallMakesTheCharacterSlideAlongIt) {
    lists_.placedModels.Append(Box("wall", {20, -100, 0}, {22, 300, 10}));
    walker_.SetHeading(45.0f);
    walker_.OnKeyDown(vk::kUp);
    float maxX = 0.0f;
    Frames(80, [&] { maxX = std::max(maxX, Position().x); });
    // 37 free steps along 45 degrees cover 27.5 (10.5 ramping up, then 17 at
    // 1.0): the nearer leg, 0.19 to the side, with its radius 0.225 ends at
    // x = 19.86, short of the wall. The 38th would cross it, so from there on
    // the character slides along +y at 1.0 a frame, 43 frames in all.
    const float freeX = 27.5f * std::cos(45.0f * 2.0f * kPi / 360.0f);
    EXPECT_LT(maxX, 20.0f);
    EXPECT_NEAR(Position().x, freeX, 1e-3f);
    EXPECT_NEAR(Position().y, freeX + 43.0f, 1e-3f);
    EXPECT_FLOAT_EQ(Position().z, 0.0f);
}

TEST_F(WalkTest, HeadOnIntoAWallStaysInFrontOfIt) {
    // Nothing to slide along: the character is pushed back instead.
    lists_.placedModels.Append(Box("wall", {20, -100, 0}, {22, 100, 10}));
    walker_.OnKeyDown(vk::kUp);
    Frames(80, [this] {
        ASSERT_TRUE(std::isfinite(Position().x) && std::isfinite(Position().y));
        ASSERT_LT(Position().x, 20.0f);
        ASSERT_FLOAT_EQ(Position().y, 0.0f);
    });
    EXPECT_GT(Position().x, 15.0f);
}

TEST_F(WalkTest, FollowsTheGroundDownhillUnderABridge) {
    // Ground z = -0.1 x, a bridge deck 6 to 7 high over it: too high to step onto, so
    // the ground holds the character up all the way.
    std::vector<CSkinRecord> corners;
    AddQuad(corners, {{{-50, -400, 5}, {150, -400, -15}, {150, 600, -15}, {-50, 600, 5}}}, {0.1f, 0, 1});
    lists_.fieldTiles.DestroyAll();
    lists_.fieldTiles.Append(MeshEntry("Field0-0", std::move(corners)));
    lists_.placedModels.Append(Box("bridge", {10, -5, 6}, {40, 5, 7}));
    walker_.OnKeyDown(vk::kUp);
    Frames(60, [this] { ASSERT_NEAR(Position().z, -0.1f * Position().x, 1e-3f) << "x " << Position().x; });
    EXPECT_NEAR(Position().x, 50.5f, 1e-3f) << "walked right under the bridge";
}

TEST_F(WalkTest, ClimbsAStepOfOneAndAHalf) {
    lists_.placedModels.Append(Box("step", {10, -20, 0}, {60, 20, 1.5f}));
    walker_.OnKeyDown(vk::kUp);
    Frames(60);
    EXPECT_GT(Position().x, 20.0f);
    EXPECT_NEAR(Position().z, 1.6f, 1e-4f) << "on the step's top, 0.1 above it";
}

TEST_F(WalkTest, StopsAtAStepOfTwoAndAHalf) {
    lists_.placedModels.Append(Box("step", {10, -20, 0}, {60, 20, 2.5f}));
    walker_.OnKeyDown(vk::kUp);
    Frames(60, [this] { ASSERT_LT(Position().x, 10.0f); });
    EXPECT_FLOAT_EQ(Position().z, 0.0f);
}

TEST_F(WalkTest, FallsFromAColliderTopOntoTheGround) {
    lists_.placedModels.Append(Box("platform", {-10, -10, 0}, {10, 10, 3}));
    PlaceAt(0.0f, 0.0f, 3.1f);
    walker_.OnKeyDown(vk::kUp);
    std::vector<float> heights;
    Frames(40, [&] { heights.push_back(Position().z); });
    const auto firstDrop = std::find_if(heights.begin(), heights.end(), [](float z) { return z < 3.0f; });
    ASSERT_NE(firstDrop, heights.end()) << "walked off the platform";
    ASSERT_LT(std::distance(firstDrop, heights.end()), 38);
    // Falling 0.8, then 1.6, then 2.4 would pass below the ground: it lands.
    EXPECT_NEAR(*firstDrop, 2.3f, 1e-4f);
    EXPECT_NEAR(*(firstDrop + 1), 0.7f, 1e-4f);
    EXPECT_FLOAT_EQ(*(firstDrop + 2), 0.0f);
    EXPECT_FLOAT_EQ(heights.back(), 0.0f);
    EXPECT_FLOAT_EQ(walker_.FallSpeed(), 0.0f);
    for (auto it = heights.begin(); it != firstDrop; ++it) {
        EXPECT_NEAR(*it, 3.1f, 1e-4f) << "on the platform";
    }
}

TEST_F(WalkTest, NeverBelowTheDemoFieldGround) {
    // The tile south-east of the origin: rolling ground above 1.
    auto tile = Demo().ColliderEntry(demofield::TileName(14, 14));
    ASSERT_NE(tile, nullptr);
    PlaceAt(tile->colliderSet->boundsMin[0] + 5.0f, tile->colliderSet->boundsMin[1] + 20.0f, -50.0f);
    lists_.fieldTiles.DestroyAll();
    lists_.fieldTiles.Append(std::move(tile));
    walker_.SetHeading(20.0f);
    walker_.OnKeyDown(vk::kUp);
    Frames(100, [this] {
        const auto ground = GroundHeight(lists_, Position().x, Position().y);
        ASSERT_TRUE(ground.has_value());
        ASSERT_GE(Position().z, ground->z - 1e-4f);
        ASSERT_LT(Position().z, ground->z + 4.0f);
    });
}

TEST_F(WalkTest, CharacterWithoutCollidersOrNotLoadedStillWalks) {
    lists_.placedModels.Append(Box("wall", {5, -100, 0}, {7, 100, 10}));
    character_->colliderSet.reset();
    character_->loaded = false;
    character_->ready = false;
    walker_.OnKeyDown(vk::kUp);
    Frames(20);
    EXPECT_NEAR(Position().x, 10.5f, 1e-4f) << "through the wall: nothing to collide with";
    EXPECT_TRUE(animations_.empty()) << "no animation for a model that is not loaded";
    walker_.OnKeyUp(vk::kUp);
    Frame();
    EXPECT_EQ(standTimeResets_, 0);
}

TEST_F(WalkTest, KeysFromTheUiThreadWhileWalking) {
    std::thread ui([this] {
        for (int press = 0; press < 2000; ++press) {
            const int key = press % 3 == 0 ? vk::kLeft : vk::kUp;
            walker_.OnKeyDown(key);
            std::this_thread::yield();
            walker_.OnKeyUp(key);
        }
    });
    Frames(300);
    ui.join();
    EXPECT_FALSE(walker_.WalkingInput()) << "every key was released";
    Frames(2);
    EXPECT_FALSE(walker_.Walking());
    EXPECT_TRUE(std::isfinite(Position().x) && std::isfinite(Position().y));
    EXPECT_FLOAT_EQ(Position().z, 0.0f);
}

TEST(SkeletonCameraTest, PlacesTheEyeBehindTheCharacter) {
    const Vector4 p{10.0f, 20.0f, 3.0f, 1.0f};

    const CameraPlacement behind = SkeletonCamera(p, 0.0f, false, false, 0.0f);
    EXPECT_EQ(behind.target, (Vector4{10.0f, 20.0f, 8.0f, 1.0f}));
    EXPECT_EQ(behind.eye, (Vector4{-5.0f, 20.0f, 8.0f, 1.0f}));

    const CameraPlacement level = SkeletonCamera(p, 0.0f, true, false, 0.0f);
    EXPECT_EQ(level.target, p);
    EXPECT_EQ(level.eye, (Vector4{0.0f, 20.0f, 3.0f, 1.0f}));

    const CameraPlacement above = SkeletonCamera(p, 0.0f, false, true, 40.0f);
    EXPECT_EQ(above.target, p);
    EXPECT_FLOAT_EQ(above.eye.x, 9.9999f);
    EXPECT_FLOAT_EQ(above.eye.y, 20.0f);
    EXPECT_FLOAT_EQ(above.eye.z, 43.0f);

    // Heading 90 looks along +y: the eye is 15 behind in y.
    const CameraPlacement north = SkeletonCamera(p, 90.0f, false, false, 0.0f);
    EXPECT_NEAR(north.eye.x, 10.0f, 1e-3f);
    EXPECT_NEAR(north.eye.y, 5.0f, 1e-3f);
}

} // namespace
} // namespace quorvane::testing
