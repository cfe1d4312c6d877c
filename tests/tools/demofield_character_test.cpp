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

std::filesystem::path Folder() {
    return ReducedField().options.output / "model/character/skelton";
}

// The character with its walk and stand, read once.
const CModel& Character() {
    static const CModel model = [] {
        CModel read;
        EXPECT_TRUE(ReadModelFile(read, Folder() / "skelton.mdl"));
        EXPECT_TRUE(ReadAnimationFile(read, Folder() / "walk.ani", "WALK"));
        EXPECT_TRUE(ReadAnimationFile(read, Folder() / "stand.ani", "STAND"));
        return read;
    }();
    return model;
}

Mat4 ToMat4(const Matrix4x4& m) {
    Mat4 out{};
    std::copy(m.begin(), m.end(), out.begin());
    return out;
}

// Where the bone sits in the model's bone table.
size_t IndexOf(const CModel& model, const CBone* bone) {
    return static_cast<size_t>(std::ranges::find(model.bones, bone, &std::unique_ptr<CBone>::get) -
                               model.bones.begin());
}

TEST(DemoFieldCharacter, SkeletonBindsEveryBoneWeightsStayInRangeAndAnimationsLoopOverItsBones) {
    const CModel& model = Character();
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
    EXPECT_GE(model.FindAnimation("WALK")->channels[0]->keyTimes.size(), 30u);

    // The walk names its model, so another model refuses it.
    CModel other;
    ASSERT_TRUE(ReadModelFile(other, ReducedField().options.output / "model/rocks/pebble.mdl"));
    EXPECT_FALSE(ReadAnimationFile(other, Folder() / "walk.ani", "WALK"));
}

// Inverse of a rotation-and-translation matrix in file order (column vectors).
Mat4 RigidInverse(const Mat4& m) {
    Mat4 r = Identity();
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            r[row * 4 + col] = m[col * 4 + row];
        }
    }
    for (int row = 0; row < 3; ++row) {
        r[row * 4 + 3] = -(r[row * 4] * m[3] + r[row * 4 + 1] * m[7] + r[row * 4 + 2] * m[11]);
    }
    return r;
}

// The renderer's palette in file order: parent final x bind x rest^-1 x pose x inverse bind,
// which is identity at rest.
std::vector<Mat4> FinalMatrices(const CModel& model, const CAnimation& animation, size_t key) {
    std::vector<Mat4> finals(model.bones.size(), Identity());
    std::function<void(const CBone*, const Mat4&)> visit = [&](const CBone* bone, const Mat4& parentFinal) {
        Mat4 pose = ToMat4(bone->jointMatrix);
        for (const auto& channel : animation.channels) {
            if (channel->bone == bone) {
                pose = ToMat4(channel->poses.at(key));
            }
        }
        const Mat4 inverseBind = ToMat4(bone->inverseBindMatrix);
        const Mat4 local =
            Multiply(Multiply(RigidInverse(inverseBind), RigidInverse(ToMat4(bone->jointMatrix))),
                     Multiply(pose, inverseBind));
        const Mat4 final = Multiply(parentFinal, local);
        finals.at(IndexOf(model, bone)) = final;
        for (const CBone* child : bone->children) {
            visit(child, final);
        }
    };
    visit(model.rootBones[0], Identity());
    return finals;
}

TEST(DemoFieldCharacter, SkinnedWalkKeepsTheFeetOnTheGroundAndCapsulesFollowTheBones) {
    const CModel& model = Character();
    ASSERT_EQ(model.geometries.size(), 1u);
    const CGeometry& body = *model.geometries[0];
    const CFloatArray* positions = body.FindFloatArray("position");
    ASSERT_NE(positions, nullptr);
    ASSERT_NE(model.FindAnimation("WALK"), nullptr);
    const CAnimation& walk = *model.FindAnimation("WALK");
    double footMin = 1e9, footMax = -1e9;
    const size_t foot = IndexOf(model, model.FindBoneById("foot_l"));
    ASSERT_LT(foot, model.bones.size());
    for (size_t key = 0; key < walk.channels[0]->poses.size(); ++key) {
        const auto finals = FinalMatrices(model, walk, key);
        double lowest = 1e9, highest = -1e9;
        for (int64_t v = 0; v < positions->VectorCount(); ++v) {
            const auto p = positions->Vector(v);
            Vec3 skinned;
            for (const CBoneWeight& influence : body.weights[static_cast<size_t>(v)].influences) {
                if (influence.weight > 0) {
                    const Mat4& m = finals[static_cast<size_t>(influence.boneIndex)];
                    skinned = skinned + TransformPoint(m, {p[0], p[1], p[2]}) * influence.weight;
                }
            }
            lowest = std::min(lowest, skinned.z);
            highest = std::max(highest, skinned.z);
        }
        // One foot always carries the body: the lowest point stays at the ground.
        EXPECT_NEAR(lowest, 0.0, 0.5) << "key " << key;
        EXPECT_GT(highest, 10.0) << "key " << key;
        const Vec3 ankle = TransformPoint(finals[foot], {0.6, 0, 0.6});
        footMin = std::min(footMin, ankle.y);
        footMax = std::max(footMax, ankle.y);
    }
    // The left foot swings forwards and back by a stride.
    EXPECT_GT(footMax - footMin, 2.0);
    EXPECT_LT(footMax - footMin, 6.0);

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
