// Images and effects in the forms exporters write: shading models other than
// phong and lambert, later-format image and sampler elements, and image
// references given as URIs or as paths from another machine.
#include "collada/image_uri.h"
#include "collada_test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace quorvane {
namespace {

const std::filesystem::path kDocuments = QUORVANE_COLLADA_DOCUMENTS;

std::string Effect(std::string_view id, std::string_view shading, std::string_view terms,
                   std::string_view params = "", std::string_view techniqueSid = "common") {
    return "<effect id=\"" + std::string(id) + "\"><profile_COMMON>" + std::string(params) +
           "<technique sid=\"" + std::string(techniqueSid) + "\"><" + std::string(shading) + ">" +
           std::string(terms) + "</" + std::string(shading) + "></technique></profile_COMMON></effect>";
}

// A material m-<effect> for each effect.
std::string Materials(const std::vector<std::string_view>& effects) {
    std::string text = "<library_materials>";
    for (const std::string_view effect : effects) {
        text += "<material id=\"m-" + std::string(effect) + "\"><instance_effect url=\"#" +
                std::string(effect) + "\"/></material>";
    }
    return text + "</library_materials>";
}

const std::string kChain = "<newparam sid=\"bark-surface\"><surface type=\"2D\"><init_from>bark</init_from>"
                           "</surface></newparam><newparam sid=\"bark-sampler\"><sampler2D>"
                           "<source>bark-surface</source></sampler2D></newparam>";

const std::string kImages = "<library_images><image id=\"bark\"><init_from>\n  bark.png\n</init_from></image>"
                            "<image id=\"leaf\"><init_from>leaf.png</init_from></image></library_images>";

// Every shading model gives a texture or a colour as phong does; samplers may
// name images directly, and techniques may carry any sid.
TEST(ColladaEffects, EveryShadingModelAndSamplerFormGivesTextureOrColourLikePhong) {
    const std::string instanceImage = "<newparam sid=\"leaf-sampler\"><sampler2D>"
                                      "<instance_image url=\"#leaf\"/></sampler2D></newparam>";
    const std::string sourceIsImage =
        "<newparam sid=\"s\"><sampler2D><source>leaf</source></sampler2D></newparam>";
    const std::string effects =
        "<library_effects>" +
        Effect("blinnTex", "blinn",
               "<emission><color>1 1 1 1</color></emission>"
               "<diffuse><texture texture=\"bark-sampler\" texcoord=\"UV0\"/></diffuse>",
               kChain) +
        Effect("blinnRed", "blinn", "<diffuse><color>0.5 0.25 0.125 1</color></diffuse>") +
        // Constant shading shows its emission; a diffuse written beside it
        // is not part of the model and stays unread.
        Effect("glow", "constant", "<emission><color>0 0.75 1 0.5</color></emission>") +
        Effect("glowTex", "constant", "<emission><texture texture=\"bark-sampler\"/></emission>", kChain) +
        Effect("phongRed", "phong",
               "<emission><color>0 1 0 1</color></emission><diffuse><color>1 0 0 1</color></diffuse>") +
        Effect("lambertRed", "lambert", "<diffuse><color sid=\"diffuse\">0.8\n0.2 0.2 1</color></diffuse>") +
        Effect("partial", "phong", "<diffuse><color>0.5 0.25</color></diffuse>") +
        Effect("later", "phong", "<diffuse><texture texture=\"leaf-sampler\"/></diffuse>", instanceImage) +
        Effect("direct", "lambert", "<diffuse><texture texture=\"bark\"/></diffuse>") +
        Effect("sourceImage", "blinn", "<diffuse><texture texture=\"s\"/></diffuse>", sourceIsImage) +
        Effect("nothing", "phong", "<diffuse><texture texture=\"no-such-image\"/></diffuse>") +
        // Techniques of any sid; extra elements around them are skipped.
        "<effect id=\"extras\"><profile_COMMON>" + kChain +
        "<technique sid=\"standard\"><blinn><diffuse><texture texture=\"bark-sampler\"/></diffuse></blinn>"
        "<extra><technique profile=\"FCOLLADA\"/></extra></technique></profile_COMMON>"
        "<extra><technique profile=\"MAX3D\"><faceted>0</faceted></technique></extra></effect>"
        "</library_effects>";
    const CModel model = test::ImportBody(
        kImages + effects +
        Materials({"blinnTex", "blinnRed", "glow", "glowTex", "phongRed", "lambertRed", "lambertRed",
                   "partial", "missing", "later", "direct", "sourceImage", "nothing", "extras"}));
    ASSERT_EQ(model.materials.size(), 14u);
    const CMaterial defaults;

    EXPECT_EQ(model.textures.at(0)->fileName, "bark.png");
    EXPECT_EQ(model.materials[0]->name, "m-blinnTex");
    EXPECT_EQ(model.materials[0]->textureId, "bark");
    EXPECT_EQ(model.FindTextureIndex("bark"), 0);
    EXPECT_EQ(model.materials[0]->diffuse, defaults.diffuse); // emission is no diffuse colour
    EXPECT_TRUE(model.materials[1]->textureId.empty());
    EXPECT_EQ(model.materials[1]->diffuse, (Color4{0.5f, 0.25f, 0.125f, 1.0f}));
    EXPECT_TRUE(model.materials[2]->textureId.empty());
    EXPECT_EQ(model.materials[2]->diffuse, (Color4{0.0f, 0.75f, 1.0f, 0.5f}));
    EXPECT_EQ(model.materials[3]->textureId, "bark");
    EXPECT_EQ(model.materials[4]->diffuse, (Color4{1.0f, 0.0f, 0.0f, 1.0f}));
    // Two materials may share an effect; missing colour parts are zero.
    for (const int i : {5, 6}) {
        EXPECT_TRUE(model.materials[i]->textureId.empty()) << i;
        EXPECT_EQ(model.materials[i]->diffuse, (Color4{0.8f, 0.2f, 0.2f, 1.0f})) << i;
    }
    EXPECT_EQ(model.materials[7]->diffuse, (Color4{0.5f, 0.25f, 0.0f, 0.0f}));
    // A material whose effect is missing keeps the defaults.
    EXPECT_TRUE(model.materials[8]->textureId.empty());
    EXPECT_EQ(model.materials[8]->diffuse, defaults.diffuse);
    EXPECT_EQ(model.materials[9]->textureId, "leaf");
    EXPECT_EQ(model.materials[10]->textureId, "bark");
    EXPECT_EQ(model.materials[11]->textureId, "leaf");
    EXPECT_TRUE(model.materials[12]->textureId.empty());
    EXPECT_EQ(model.materials[13]->textureId, "bark");
}

TEST(ColladaImages, LaterFormatEmptyAndInEffectSourcesAndResolvingAgainstTheDocumentFolder) {
    const std::string images =
        "<library_images>"
        "<image id=\"ref\"><init_from>\n  <ref> maps/bark.png </ref>\n</init_from></image>"
        "<image id=\"nested\"><create_2d><size_exact width=\"4\" height=\"4\"/>"
        "<init_from mip_index=\"0\"><ref>leaf.tga</ref></init_from></create_2d></image>"
        "<image id=\"empty\"><init_from/></image>"
        "<image id=\"emptyRef\"><init_from><ref></ref></init_from></image>"
        "<image id=\"embedded\"><init_from><hex format=\"R8G8B8\">ff0000</hex></init_from></image>"
        "<image id=\"noFile\"/></library_images>";
    const std::string effects =
        "<library_effects><effect id=\"fx\"><profile_COMMON>"
        "<image id=\"inEffect\"><init_from>stone.png</init_from></image>"
        "<image id=\"ref\"><init_from>not-this.png</init_from></image>"
        "<technique sid=\"common\"><phong><diffuse><texture texture=\"inEffect\"/></diffuse></phong>"
        "</technique></profile_COMMON></effect></library_effects>";
    const CModel model = test::ImportBody(images + effects + Materials({"fx"}));

    std::vector<std::pair<std::string, std::string>> read;
    for (const auto& texture : model.textures) {
        read.emplace_back(texture->id, texture->fileName);
    }
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"ref", "maps/bark.png"}, {"nested", "leaf.tga"},   {"empty", ""}, {"emptyRef", ""}, {"embedded", ""},
        {"noFile", ""},           {"inEffect", "stone.png"}};
    EXPECT_EQ(read, expected);
    ASSERT_EQ(model.materials.size(), 1u);
    EXPECT_EQ(model.materials[0]->textureId, "inEffect");

    // The import hands the document folder and the file system to ResolveImageUri.
    const std::string existing = std::filesystem::absolute(kDocuments / "duckCM.tga").generic_string();
    const std::string absolute = "<library_images>"
                                 "<image id=\"here\"><init_from>" +
                                 existing +
                                 "</init_from></image>"
                                 "<image id=\"below\"><init_from>file:///work/models/maps/a%20b.png"
                                 "</init_from></image></library_images>";
    const CModel resolved = test::ImportBody(absolute, "/work/models/duck.dae");
    ASSERT_EQ(resolved.textures.size(), 2u);
    EXPECT_EQ(resolved.textures[0]->fileName, existing);
    EXPECT_EQ(resolved.textures[1]->fileName, "maps/a b.png");
}

// Paths the table holds exist; everything else does not.
FileExists ExistingPaths(std::set<std::string> paths) {
    return [paths = std::move(paths)](const std::string& path) { return paths.contains(path); };
}

TEST(ImageUri, FileUrisEscapesSlashesAndAbsolutePathsFromOtherMachines) {
    const FileExists none = ExistingPaths({});
    const std::string_view dir = "./model/tree/";
    EXPECT_EQ(ResolveImageUri("", dir, none), "");
    EXPECT_EQ(ResolveImageUri("./duckCM.tga", dir, none), "./duckCM.tga");
    EXPECT_EQ(ResolveImageUri("../shared/bark.png", dir, none), "../shared/bark.png");
    EXPECT_EQ(ResolveImageUri("..\\shared\\bark.png", dir, none), "../shared/bark.png");
    EXPECT_EQ(ResolveImageUri("file:tex/bark.png", dir, none), "tex/bark.png");
    EXPECT_EQ(ResolveImageUri("my%20bark%2Bleaf.png", dir, none), "my bark+leaf.png");
    EXPECT_EQ(ResolveImageUri("tex%5Cbark.png", dir, none), "tex/bark.png");
    EXPECT_EQ(ResolveImageUri("%E6%9C%A8.png", dir, none), "\xE6\x9C\xA8.png");
    // Escapes that are not two hex digits stay as written.
    EXPECT_EQ(ResolveImageUri("100%.png", dir, none), "100%.png");
    EXPECT_EQ(ResolveImageUri("a%zz%4", dir, none), "a%zz%4");
    EXPECT_EQ(DecodePercentEscapes("%41%4a%4A%"), "AJJ%");
    EXPECT_EQ(DecodePercentEscapes("a%00b"), "a%00b");

    // Absolute paths from other machines fall back to the name beside the document.
    const std::string_view duckDir = "./model/duck/";
    for (const std::string_view uri :
         {"C:/Users/x/tex/duck.tga", "C:\\Users\\x\\tex\\duck.tga", "file:///C:/Users/x/tex/duck.tga",
          "file://C:/Users/x/tex/duck.tga", "file:/C:/Users/x/tex/duck.tga", "/home/other/duck.tga",
          "file:///home/other/duck.tga", "FILE:/home/other/duck.tga", "file://server/share/duck.tga",
          "\\\\server\\share\\duck.tga", "file:///home/other%20user/duck.tga"}) {
        EXPECT_EQ(ResolveImageUri(uri, duckDir, none), "duck.tga") << uri;
    }
    const FileExists here = ExistingPaths(
        {"/srv/art/duck.tga", "C:/art/duck.tga", "//server/share/duck.tga", "/srv/my art/duck.tga"});
    EXPECT_EQ(ResolveImageUri("file:///srv/art/duck.tga", duckDir, here), "/srv/art/duck.tga");
    EXPECT_EQ(ResolveImageUri("/srv/my%20art/duck.tga", duckDir, here), "/srv/my art/duck.tga");
    EXPECT_EQ(ResolveImageUri("file:///C:/art/duck.tga", duckDir, here), "C:/art/duck.tga");
    EXPECT_EQ(ResolveImageUri("C:\\art\\duck.tga", duckDir, here), "C:/art/duck.tga");
    EXPECT_EQ(ResolveImageUri("file://server/share/duck.tga", duckDir, here), "//server/share/duck.tga");
    // Under an absolutely named document folder the name becomes relative to it.
    EXPECT_EQ(ResolveImageUri("file:///srv/art/maps/duck.tga", "/srv/art/", none), "maps/duck.tga");
    EXPECT_EQ(ResolveImageUri("D:\\art\\maps\\duck.tga", "D:\\art\\", none), "maps/duck.tga");
    EXPECT_EQ(ResolveImageUri("/srv/artwork/duck.tga", "/srv/art/", none), "duck.tga");
}

} // namespace
} // namespace quorvane
