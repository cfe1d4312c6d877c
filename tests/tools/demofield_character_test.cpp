#include "demofield_fixture.h"
#include "geometry_math.h"
#include "modeldata/ani_reader.h"
#include "modeldata/collider_reader.h"
#include "modeldata/mdl_reader.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace quorvane::demofield::testing {
namespace {

Mat4 ToMat4(const Matrix4x4& m) {
    Mat4 out{};
    std::copy(m.begin(), m.end(), out.begin());
    return out;
}

TEST(DemoFieldCharacter, SkeletonBindsEveryBoneAnimationsLoopAndCapsulesHangOnRealBones) {
    // The character with its walk and stand.
    const auto folder = ReducedField().options.output / "model/character/skelton";
    CModel model;
    ASSERT_TRUE(ReadModelFile(model, folder / "skelton.mdl"));
    ASSERT_TRUE(ReadAnimationFile(model, folder / "walk.ani", "WALK"));
    ASSERT_TRUE(ReadAnimationFile(model, folder / "stand.ani", "STAND"));
    EXPECT_EQ(model.id, "SKELTON");
    ASSERT_GE(model.bones.size(), 15u);
    ASSERT_EQ(model.rootBones.size(), 1u);
    EXPECT_TRUE(model.TreeOnlyBones().empty());
    // Every bone sits in the tree once, and its bind world times its inverse bind matrix is identity.
    std::set<const CBone*> seen;
    std::function<void(const CBone*, const Mat4&)> visit = [&](const CBone* bone, const Mat4& parentWorld) {
        EXPECT_TRUE(seen.insert(bone).second) << bone->name;
        EXPECT_FALSE(bone->id.empty());
        const Mat4 world = Multiply(parentWorld, ToMat4(bone->jointMatrix));
        const Mat4 bound = Multiply(ToMat4(bone->inverseBindMatrix), world);
        for (size_t k = 0; k < 16; ++k) {
            EXPECT_NEAR(bound[k], Identity()[k], 1e-4) << bone->name << " element " << k;
        }
        for (const CBone* child : bone->children) {
            EXPECT_EQ(child->parent, bone);
            visit(child, world);
        }
    };
    visit(model.rootBones[0], Identity());
    EXPECT_EQ(seen.size(), model.bones.size());

    ASSERT_EQ(model.geometries.size(), 1u);
    const CGeometry& body = *model.geometries[0];
    ASSERT_EQ(static_cast<int32_t>(body.weights.size()), body.vertexCount);
    std::set<int> usedBones;
    for (const CWeightRow& row : body.weights) {
        double sum = 0;
        for (const CBoneWeight& influence : row.influences) {
            const int bone = static_cast<int>(influence.boneIndex);
            ASSERT_GE(bone, 0);
            ASSERT_LT(bone, static_cast<int>(model.bones.size()));
            if (influence.weight > 0) {
                usedBones.insert(bone);
            }
            sum += influence.weight;
        }
        EXPECT_NEAR(sum, 1.0, 1e-3);
    }
    EXPECT_GE(usedBones.size(), 15u);

    ASSERT_EQ(model.animations.size(), 2u);
    for (const auto& animation : model.animations) {
        SCOPED_TRACE(animation->name);
        EXPECT_EQ(animation->channels.size(), model.bones.size());
        std::set<const CBone*> targets;
        for (const auto& channel : animation->channels) {
            ASSERT_NE(channel->bone, nullptr) << channel->target;
            targets.insert(channel->bone);
            ASSERT_EQ(channel->keyTimes.size(), channel->poses.size());
            EXPECT_TRUE(std::is_sorted(channel->keyTimes.begin(), channel->keyTimes.end()));
            EXPECT_EQ(channel->keyTimes.front(), 0.0f);
            // The last key repeats the first, so looping shows no jump.
            for (size_t k = 0; k < 16; ++k) {
                EXPECT_NEAR(channel->poses.front()[k], channel->poses.back()[k], 1e-5) << channel->target;
            }
        }
        EXPECT_EQ(targets.size(), model.bones.size());
    }
    const CAnimation& walk = *model.FindAnimation("WALK");
    EXPECT_GE(walk.channels[0]->keyTimes.size(), 30u);
    // The walk swings the left foot.
    const auto foot = std::ranges::find(walk.channels, model.FindBoneById("foot_l"),
                                        [](const auto& channel) { return channel->bone; });
    ASSERT_NE(foot, walk.channels.end());
    const auto& poses = (*foot)->poses;
    EXPECT_NE(poses.front(), poses[poses.size() / 2]);

    // Capsules follow body and leg bones.
    CColliderSet set;
    ASSERT_TRUE(ReadColliderFile(set, model.directory + model.colliderFile));
    ASSERT_EQ(set.colliders.size(), 3u);
    for (const auto& capsule : set.colliders) {
        SCOPED_TRACE(capsule->name);
        EXPECT_EQ(capsule->type, ColliderType::kCapsule);
        ASSERT_NE(capsule->weights, nullptr);
        ASSERT_EQ(capsule->weights->size(), 2u);
        for (const CWeightRow& row : *capsule->weights) {
            const int bone = static_cast<int>(row.influences[0].boneIndex);
            // Collider skinning skips bone 0, so capsules hang on real bones.
            EXPECT_GT(bone, 0);
            EXPECT_LT(bone, static_cast<int>(model.bones.size()));
            EXPECT_FLOAT_EQ(row.influences[0].weight, 1.0f);
        }
    }
}

} // namespace
} // namespace quorvane::demofield::testing
