#include "collada_test_support.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

const std::string kImages =
    "<library_images><image id=\"img\"><init_from>\n  ./tex/bark.png\n</init_from></image>"
    "<image id=\"noFile\"/></library_images>";

std::string Effect(std::string_view id, std::string_view technique, std::string_view diffuse,
                   std::string_view newparams = "") {
    return "<effect id=\"" + std::string(id) + "\"><profile_COMMON>" + std::string(newparams) +
           "<technique><" + std::string(technique) + "><diffuse>" + std::string(diffuse) + "</diffuse></" +
           std::string(technique) + "></technique></profile_COMMON></effect>";
}

std::string Material(std::string_view id, std::string_view effect) {
    return "<material id=\"" + std::string(id) + "\"><instance_effect url=\"#" + std::string(effect) +
           "\"/></material>";
}

const std::string kNewparams = "<newparam sid=\"img-surface\"><surface type=\"2D\"><init_from>img</init_from>"
                               "</surface></newparam><newparam sid=\"img-sampler\"><sampler2D>"
                               "<source>img-surface</source></sampler2D></newparam>";

TEST(ColladaMaterials, DiffuseTextureThroughSamplerAndSurface) {
    const std::string effects =
        "<library_effects>" +
        Effect("textured", "phong", "<texture texture=\"img-sampler\" texcoord=\"uv\"/>", kNewparams) +
        Effect("red", "lambert", "<color sid=\"diffuse\">0.8\n0.2 0.2 1</color>") +
        Effect("partial", "phong", "<color>0.5 0.25</color>") +
        Effect("blinn", "blinn", "<color>0.3 0.3 0.3 1</color>") +
        Effect("brokenChain", "phong", "<texture texture=\"nowhere\"/>", kNewparams) + "</library_effects>";
    const std::string materials =
        "<library_materials>" + Material("bark", "textured") + Material("red1", "red") +
        Material("red2", "red") + Material("half", "partial") + Material("shiny", "blinn") +
        Material("lost", "missing") + Material("broken", "brokenChain") + "</library_materials>";
    const CModel model = test::ImportBody(kImages + effects + materials);

    ASSERT_EQ(model.textures.size(), 2u);
    EXPECT_EQ(model.textures[0]->id, "img");
    EXPECT_EQ(model.textures[0]->fileName, "./tex/bark.png");
    EXPECT_TRUE(model.textures[1]->fileName.empty());

    ASSERT_EQ(model.materials.size(), 7u);
    const CMaterial& bark = *model.materials[0];
    EXPECT_EQ(bark.name, "bark");
    EXPECT_EQ(bark.textureId, "img");
    EXPECT_EQ(model.FindTextureIndex(bark.textureId), 0);
    for (const int i : {1, 2}) {
        EXPECT_TRUE(model.materials[i]->textureId.empty());
        EXPECT_EQ(model.materials[i]->diffuse, (Color4{0.8f, 0.2f, 0.2f, 1.0f}));
    }
    EXPECT_EQ(model.materials[3]->diffuse, (Color4{0.5f, 0.25f, 0.0f, 0.0f}));
    EXPECT_TRUE(model.materials[4]->textureId.empty());
    EXPECT_EQ(model.materials[4]->diffuse, (Color4{0.3f, 0.3f, 0.3f, 1.0f})); // blinn reads like phong
    const CMaterial defaults;
    for (const int i : {5, 6}) {
        EXPECT_TRUE(model.materials[i]->textureId.empty()) << i;
        EXPECT_EQ(model.materials[i]->diffuse, defaults.diffuse) << i;
    }
}

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

TEST(ColladaAnimations, FlatAndNestedLibrariesGiveTheSameChannels) {
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
}

TEST(ColladaAnimations, MissingSamplerSourcesGiveAChannelWithoutKeys) {
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
