#include "collada_test_support.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

const std::string kSkinnedBone =
    "<library_geometries><geometry id=\"g\"><mesh/></geometry></library_geometries>"
    "<library_controllers><controller><skin source=\"#g\"><source "
    "id=\"j\"><Name_array>hip</Name_array></source>"
    "</skin></controller></library_controllers>"
    "<library_visual_scenes><visual_scene><node id=\"Arm_hip\" sid=\"hip\"/><node id=\"plain\"/>"
    "</visual_scene></library_visual_scenes>";

std::string Animation(std::string_view target, int keys, int poseFloats, bool withChannel = true) {
    std::string times;
    for (int i = 0; i < keys; ++i) {
        times += std::to_string(i) + "\n";
    }
    std::string poses;
    for (int i = 0; i < poseFloats; ++i) {
        poses += std::to_string(i) + (i % 4 == 3 ? "\n" : " ");
    }
    std::string text = "<animation><source id=\"t\"><float_array count=\"" + std::to_string(keys) + "\">" +
                       times + "</float_array></source><source id=\"o\"><float_array count=\"" +
                       std::to_string(poseFloats) + "\">" + poses +
                       "</float_array></source><source id=\"i\"><Name_array>LINEAR</Name_array></source>"
                       "<sampler id=\"smp\"><input semantic=\"INPUT\" source=\"#t\"/>"
                       "<input semantic=\"OUTPUT\" source=\"#o\"/><input semantic=\"INTERPOLATION\" "
                       "source=\"#i\"/></sampler>";
    if (withChannel) {
        text += "<channel source=\"#smp\" target=\"" + std::string(target) + "\"/>";
    }
    return text + "</animation>";
}

TEST(ColladaAnimations, FlatAndNestedLibrariesGiveTheSameChannelsAndMissingSourcesNoKeys) {
    const std::string animations = Animation("Arm_hip/transform", 3, 48) + Animation("plain", 2, 40) +
                                   Animation("Arm_hip", 1, 16, false) + Animation("Arm_hip/transform", 1, 16);
    const CModel flat =
        test::ImportBody(kSkinnedBone + "<library_animations>" + animations + "</library_animations>");
    const CModel nested = test::ImportBody(kSkinnedBone + "<library_animations><animation id=\"all\">" +
                                           animations + "</animation></library_animations>");
    for (const CModel* model : {&flat, &nested}) {
        ASSERT_EQ(model->animations.size(), 1u);
        const auto& channels = model->animations[0]->channels;
        ASSERT_EQ(channels.size(), 3u);
        EXPECT_EQ(channels[0]->target, "Arm_hip");
        EXPECT_EQ(channels[0]->bone, model->bones[0].get());
        EXPECT_EQ(channels[0]->keyTimes, (std::vector<float>{0, 1, 2}));
        ASSERT_EQ(channels[0]->poses.size(), 3u);
        EXPECT_EQ(channels[0]->poses[2][15], 47.0f);
        // Not a skin joint: no bone. 40 floats make two whole poses.
        EXPECT_EQ(channels[1]->target, "plain");
        EXPECT_EQ(channels[1]->bone, nullptr);
        EXPECT_EQ(channels[1]->poses.size(), 2u);
        EXPECT_EQ(channels[2]->bone, channels[0]->bone);
    }

    // Missing sampler sources give a channel without keys.
    const CModel model = test::ImportBody(
        "<library_animations><animation><channel source=\"#none\" target=\"x/y\"/></animation>"
        "<animation><sampler id=\"s\"><input semantic=\"INPUT\" source=\"#gone\"/></sampler>"
        "<channel source=\"#s\" target=\"\"/></animation></library_animations>");
    const auto& channels = model.animations[0]->channels;
    ASSERT_EQ(channels.size(), 2u);
    EXPECT_EQ(channels[0]->target, "x");
    EXPECT_TRUE(channels[0]->keyTimes.empty());
    EXPECT_TRUE(channels[1]->poses.empty());
    EXPECT_EQ(channels[1]->bone, nullptr);
}

} // namespace
} // namespace quorvane
