#include "modeldata/ani_reader.h"
#include "modeldata/mdl_reader.h"
#include "tests/file_faults.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace quorvane {
namespace {

CModel Skeleton() {
    CModel model;
    ReadModelText(
        model,
        "MODEL_ID\nSKELTON\nBONE_ARRAY\nhip knee\n"
        "BONE\nBONE_NAME hip\nBONE_ID b_hip\nCHILD_COUNT 1\nBONE_NAME knee\nBONE_ID b_knee\nCHILD_COUNT 0\n",
        "skelton.mdl");
    return model;
}

// Three channels: b_knee with three keys (one pose row too long, one too short),
// b_knee again, and a target that names no bone.
constexpr std::string_view kWalk = "<TARGET_MODEL_ID>\nSKELTON\n<ANIMATION_ID>\nwalk_01\n"
                                   "<ANIMATION_BEGIN>\n<TARGET> b_knee\n<KEY_TIME>\n0 0.5 1\n<POSE_MATRIX>\n"
                                   "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1\n2 0 0 0 0 2 0 0 0 0 2 0 0 0 0 1 99\n"
                                   "3 4\n<POSE_MATRIX_END>\n<ANIMATION_END>\n"
                                   "ANIMATION_BEGIN\nTARGET b_knee\nKEY_TIME\n0\nANIMATION_END\n"
                                   "ANIMATION_BEGIN\nTARGET nobody\nANIMATION_END\n";

TEST(AniReaderTest, ChannelsKeyTimesAndPosesOfTheTargetModelAndAnotherModelsFileAddsNothing) {
    CModel model = Skeleton();
    ASSERT_TRUE(ReadAnimationText(model, kWalk, "WALK"));
    ASSERT_EQ(model.animations.size(), 1u);
    const CAnimation& walk = *model.animations[0];
    EXPECT_EQ(walk.name, "WALK");
    EXPECT_EQ(walk.animationId, "walk_01");
    ASSERT_EQ(walk.channels.size(), 3u);
    const CAnimationChannel& knee = *walk.channels[0];
    EXPECT_EQ(knee.target, "b_knee");
    EXPECT_EQ(knee.bone, model.bones[1].get());
    EXPECT_EQ(knee.keyTimes, (std::vector<float>{0, 0.5f, 1}));
    ASSERT_EQ(knee.poses.size(), 3u);
    EXPECT_EQ(knee.poses[0], kIdentityMatrix);
    EXPECT_EQ(knee.poses[1][10], 2.0f);
    EXPECT_EQ(knee.poses[2], (Matrix4x4{3, 4}));
    EXPECT_EQ(knee.KeyCount(), 3u);
    // A second channel for the same bone is kept; an unknown target has no bone.
    EXPECT_EQ(walk.channels[1]->bone, model.bones[1].get());
    EXPECT_EQ(walk.channels[2]->bone, nullptr);
    EXPECT_EQ(model.FindAnimation("WALK"), &walk);

    // Another model refuses the file and says so.
    const test::CScratchDirectory scratch("quorvane_ani_reader");
    std::ofstream(scratch / "tree.ani", std::ios::binary) << kWalk;
    CModel tree = Skeleton();
    tree.id = "TREE";
    EXPECT_FALSE(ReadAnimationText(tree, kWalk, "WALK"));
    std::string error;
    EXPECT_FALSE(ReadAnimationFile(tree, scratch / "tree.ani", "WALK", error));
    EXPECT_NE(error.find("another model"), std::string::npos) << error;
    EXPECT_TRUE(tree.animations.empty());
}

TEST(AniReaderTest, KeysOutsideAChannelChangeNothingAndAnOpenChannelIsDropped) {
    CModel model = Skeleton();
    // Without a channel the key-time and pose lines must not be taken as keys,
    // and a stray ANIMATION_END must not add the last channel again.
    ASSERT_TRUE(ReadAnimationText(model,
                                  "ANIMATION_BEGIN\nTARGET b_hip\nANIMATION_END\nANIMATION_END\n"
                                  "KEY_TIME\nANIMATION_BEGIN\nPOSE_MATRIX\nANIMATION_END\nPOSE_MATRIX_END\n"
                                  "TARGET b_knee\n",
                                  "STAND"));
    const CAnimation& stand = *model.animations.at(0);
    ASSERT_EQ(stand.channels.size(), 1u);
    EXPECT_EQ(stand.channels[0]->target, "b_hip");
    EXPECT_TRUE(stand.channels[0]->poses.empty());

    // A file without a target fits any model, even one without bones.
    CModel anyModel;
    // Poses run to the end of the file without an end key; the channel never ended.
    ASSERT_TRUE(ReadAnimationText(
        anyModel,
        "ANIMATION_BEGIN\nTARGET b\nANIMATION_END\nANIMATION_BEGIN\nPOSE_MATRIX\n1\n\n[POSE_MATRIX_END]x\n",
        "X"));
    ASSERT_EQ(anyModel.animations.size(), 1u);
    ASSERT_EQ(anyModel.animations[0]->channels.size(), 1u);
    EXPECT_EQ(anyModel.animations[0]->channels[0]->bone, nullptr);
    EXPECT_EQ(FindAnimationTargetModelId(kWalk), "SKELTON");
    EXPECT_EQ(FindAnimationTargetModelId("ANIMATION_BEGIN\n"), std::nullopt);
}

} // namespace
} // namespace quorvane
