#include "render/animation.h"

#include <cmath>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

CDrawChannel Channel(CDrawBone* bone, std::vector<float> times, std::vector<float> values) {
    CDrawChannel channel;
    channel.bone = bone;
    channel.keyTimes = std::move(times);
    for (float v : values) {
        channel.poses.push_back(Diagonal(v, 1, 1, 1));
    }
    return channel;
}

// One root bone at rest with identity matrices, so its final matrix is the sampled pose.
struct OneBoneModel {
    CDrawModel model{nullptr};
    CDrawBone* bone = nullptr;

    OneBoneModel() {
        model.bones.push_back(std::make_unique<CDrawBone>());
        bone = model.bones[0].get();
        model.rootBones.push_back(bone);
        AddAnimation("A", {Channel(bone, {0, 1, 2}, {10, 20, 40})});
    }
    void AddAnimation(const std::string& name, std::vector<CDrawChannel> channels) {
        auto animation = std::make_unique<CDrawAnimation>();
        animation->name = name;
        animation->channels = std::move(channels);
        model.animations.push_back(std::move(animation));
    }
    float Pose() const { return bone->finalMatrix(0, 0); }
};

TEST(ModelTransform, WorldIsScaleRotationTranslationWithTheToolsPi) {
    CDrawModel model(nullptr);
    model.animated = false;
    model.scale = {2, 2, 2, 1};
    model.rotation = {90, 0, 0, 1};
    model.position = {1, 2, 3, 1};
    EXPECT_FALSE(UpdateDrawModel(model));
    // Rows: scale 2, a quarter turn about x taking y to z, then the move.
    const std::array<float, 16> world{2, 0, 0, 0, 0, 0, 2, 0, 0, -2, 0, 0, 1, 2, 3, 1};
    for (size_t i = 0; i < 16; ++i) {
        EXPECT_NEAR(model.worldMatrix.m[i], world[i], 1e-5) << i;
        EXPECT_NEAR(model.rotationScale.m[i], i < 12 || i == 15 ? world[i] : 0.0f, 1e-5) << i;
    }
    // 2 cos(90 degrees) with pi = 3.14159 is about 2.6e-6, not 0.
    for (const float twoCos90 :
         {model.worldMatrix(1, 1), model.worldMatrix(2, 2), model.rotationScale(1, 1)}) {
        EXPECT_TRUE(twoCos90 > 2e-6f && twoCos90 < 3e-6f) << twoCos90;
    }
    // Rotations about y and z follow the same convention.
    EXPECT_NEAR(Transform({1, 0, 0, 1}, RotationZDegrees(90)).y, 1, 1e-5);
    EXPECT_NEAR(Transform({0, 0, 1, 1}, RotationYDegrees(90)).x, 1, 1e-5);
}

TEST(SampleChannel, InterpolatesWrapsAtTheEndStopsPastItAndGuardsShortChannels) {
    OneBoneModel m;
    const CDrawChannel& channel = m.model.animations[0]->channels[0];
    bool finished = false;
    // Keys 10, 20, 40 at 0, 1, 2 s; exactly the last key time wraps to the first pose.
    const std::pair<float, float> samples[] = {{0.5f, 15}, {1.5f, 30}, {1.0f, 20}, {0.0f, 10}, {2.0f, 10}};
    for (const auto& [time, pose] : samples) {
        EXPECT_FLOAT_EQ(SampleChannel(m.model, channel, time, finished)(0, 0), pose) << time;
    }
    EXPECT_FALSE(finished);
    // Past the end: the last pose, finished, frame counter back to 0.
    m.model.frameCounter = 77;
    EXPECT_FLOAT_EQ(SampleChannel(m.model, channel, 2.5f, finished)(0, 0), 40);
    EXPECT_TRUE(finished);
    EXPECT_EQ(m.model.frameCounter, 0);

    // Poses without key times, and no poses at all: identity, never sampled.
    finished = false;
    const CDrawChannel noTimes = Channel(m.bone, {}, {5});
    EXPECT_FALSE(IsSampledChannel(noTimes));
    EXPECT_EQ(SampleChannel(m.model, noTimes, 0.5f, finished).m, Identity().m);
    EXPECT_EQ(SampleChannel(m.model, Channel(m.bone, {0, 1}, {}), 0.5f, finished).m, Identity().m);
    // A last key that truncates to zero ten-thousandths: its first pose, no division by zero.
    const CDrawChannel instant = Channel(m.bone, {0.00005f}, {7});
    EXPECT_FLOAT_EQ(SampleChannel(m.model, instant, 0.5f, finished)(0, 0), 7);
    EXPECT_FALSE(finished);
    // More key times than poses: only keys with both count.
    const CDrawChannel uneven = Channel(m.bone, {0, 1, 2, 3}, {10, 20});
    EXPECT_FLOAT_EQ(SampleChannel(m.model, uneven, 0.5f, finished)(0, 0), 15);
    EXPECT_FLOAT_EQ(SampleChannel(m.model, uneven, 1.5f, finished)(0, 0), 20);
    EXPECT_TRUE(finished);
}

TEST(UpdateDrawModel, PlaysOnceThenHoldsTimeZeroUntilStarted) {
    OneBoneModel m;
    m.model.frameCounter = 25; // 25 frames at speed 1 are 0.5 s
    EXPECT_TRUE(UpdateDrawModel(m.model));
    EXPECT_FLOAT_EQ(m.Pose(), 15);
    m.model.frameCounter = 125;
    EXPECT_FALSE(UpdateDrawModel(m.model));
    EXPECT_TRUE(m.model.finished);
    EXPECT_FLOAT_EQ(m.Pose(), 40);
    m.model.frameCounter = 60; // the owner keeps counting; the model holds time 0
    EXPECT_TRUE(UpdateDrawModel(m.model));
    EXPECT_EQ(m.model.frameCounter, 0);
    EXPECT_FLOAT_EQ(m.Pose(), 10);

    // Once started the animation loops: past the end it wraps and stays unfinished.
    ASSERT_TRUE(StartAnimation(m.model, 0, 2.0f));
    for (int i = 0; i < 5; ++i) {
        UpdateDrawModel(m.model); // let the cross-fade run out
    }
    m.model.frameCounter = 75; // 75 * 2 / 50 = 3 s, past the 2 s end
    EXPECT_TRUE(UpdateDrawModel(m.model));
    EXPECT_FALSE(m.model.finished);
    EXPECT_EQ(m.model.frameCounter, 0);
    EXPECT_FLOAT_EQ(m.Pose(), 40);
    m.model.frameCounter = 25; // 1 s
    EXPECT_TRUE(UpdateDrawModel(m.model));
    EXPECT_FLOAT_EQ(m.Pose(), 20);

    EXPECT_FALSE(StartAnimation(m.model, 1, 1.0f));
    EXPECT_FALSE(StartAnimation(m.model, -1, 1.0f));
    EXPECT_EQ(std::pair(m.model.animationIndex, m.model.speed), std::pair(0, 2.0f));
    m.model.animationIndex = 3;
    EXPECT_FALSE(UpdateDrawModel(m.model));
}

TEST(UpdateDrawModel, CrossFadeBlendsFourUpdatesFromTheOldPose) {
    OneBoneModel m;
    m.model.animations[0]->channels = {Channel(m.bone, {0, 2}, {10, 10})};
    m.AddAnimation("B", {Channel(m.bone, {0, 2}, {50, 50})});
    ASSERT_TRUE(StartAnimation(m.model, 1, 1.0f));
    const float expected[] = {18, 26, 34, 42, 50, 50};
    for (float value : expected) {
        EXPECT_TRUE(UpdateDrawModel(m.model));
        EXPECT_NEAR(m.Pose(), value, 1e-4) << value;
    }
    EXPECT_FALSE(m.bone->blending);
    EXPECT_EQ(m.bone->blendFrame, 0);
}

TEST(UpdateDrawModel, LaterChannelWinsAndUnanimatedBonesRest) {
    OneBoneModel m;
    m.model.animations[0]->channels.push_back(Channel(m.bone, {0, 2}, {70, 70}));
    m.model.bones.push_back(std::make_unique<CDrawBone>());
    CDrawBone* still = m.model.bones[1].get();
    still->restMatrix = Diagonal(3, 3, 3, 1);
    still->parent = m.bone;
    m.bone->children.push_back(still);
    m.model.frameCounter = 10;
    EXPECT_TRUE(UpdateDrawModel(m.model));
    EXPECT_FLOAT_EQ(m.Pose(), 70);
    EXPECT_EQ(still->localMatrix.m, still->restMatrix.m);
    // The resting child follows its parent: identity local times the parent's final.
    EXPECT_FLOAT_EQ(still->finalMatrix(0, 0), 70);
    EXPECT_FLOAT_EQ(still->finalMatrix(1, 1), 1);
}

TEST(ComputeFinalMatrices, IdentityAtRestAndParentsCarryChildren) {
    CDrawBone root;
    CDrawBone child;
    root.children.push_back(&child);
    child.parent = &root;
    root.restMatrix = Multiply(RotationZDegrees(30), Translation(1, 0, 0));
    ASSERT_TRUE(Inverse(root.restMatrix, root.inverseBindMatrix));
    child.restMatrix = Translation(0, 2, 0);
    ASSERT_TRUE(Inverse(Multiply(child.restMatrix, root.restMatrix), child.inverseBindMatrix));
    root.localMatrix = root.restMatrix;
    child.localMatrix = child.restMatrix;
    ComputeFinalMatrices(root);
    const auto expectFinal = [&](const Matrix4& expected) {
        for (size_t i = 0; i < 16; ++i) {
            EXPECT_NEAR(root.finalMatrix.m[i], expected.m[i], 1e-5) << i;
            EXPECT_NEAR(child.finalMatrix.m[i], expected.m[i], 1e-5) << i;
        }
    };
    expectFinal(Identity());
    // Hand-computed: root bound at x = 1 and moved by (0, 5, 0); the child rests.
    root.restMatrix = Translation(1, 0, 0);
    root.inverseBindMatrix = Translation(-1, 0, 0);
    root.localMatrix = Translation(1, 5, 0);
    child.inverseBindMatrix = Translation(-1, -2, 0);
    ComputeFinalMatrices(root);
    expectFinal(Translation(0, 5, 0)); // the child's world (1, 7) less its bind (1, 2)

    ResetPose(root);
    EXPECT_EQ(root.finalMatrix.m, Identity().m);
    EXPECT_EQ(root.localMatrix.m, Translation(1, 5, 0).m); // a root keeps its local matrix
    EXPECT_EQ(child.localMatrix.m, child.restMatrix.m);
}

TEST(SetStandAnimationValue, NeedsAReadyModelWithAStandAnimation) {
    OneBoneModel m;
    EXPECT_FALSE(SetStandAnimationValue(nullptr, 2));
    EXPECT_FALSE(SetStandAnimationValue(&m.model, 2)); // not ready
    m.model.loadState = 4;
    EXPECT_FALSE(SetStandAnimationValue(&m.model, 2)); // no "STAND"
    m.AddAnimation("STAND", {});
    EXPECT_TRUE(SetStandAnimationValue(&m.model, 2.5f));
    EXPECT_FLOAT_EQ(m.model.standValue, 2.5f);
}

} // namespace
} // namespace quorvane
