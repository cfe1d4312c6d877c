#include "collada/collada_import.h"
#include "collada_test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Grid map files name placed models by this ID, so "oak.DAE" must name the
// model "oak.dae" names.
TEST(ColladaNames, ModelIdDropsAFinalDaeInAnyCase) {
    struct IdCase {
        const char* path;
        const char* id;
    };
    for (const IdCase& c :
         {IdCase{"./model/tree/oak.dae", "oak"}, IdCase{"./model/tree/oak.DAE", "oak"},
          IdCase{"./model/tree/oak.Dae", "oak"}, IdCase{"./model/tree/oak.dAE", "oak"},
          IdCase{"a.b.dae", "a.b"}, IdCase{"a.DAE.dae", "a.DAE"}, IdCase{"model\\tree\\oak.dae", "oak"},
          IdCase{"odd\nname.dae", "name"}, IdCase{".dae", ""}, IdCase{".DAE", ""},
          IdCase{"oak.xml", "oak.xml"}, IdCase{"oak.daex", "oak.daex"}, IdCase{"oak", "oak"}}) {
        EXPECT_EQ(ColladaModelId(c.path), c.id) << c.path;
    }
}

TEST(ColladaLoad, EmptyBrokenAndFileLessImageDocuments) {
    const CModel model = test::ImportBody("<asset/>");
    EXPECT_TRUE(model.geometries.empty());
    EXPECT_TRUE(model.materials.empty());
    EXPECT_TRUE(model.textures.empty());
    EXPECT_TRUE(model.bones.empty());
    EXPECT_TRUE(model.rootBones.empty());
    ASSERT_EQ(model.animations.size(), 1u);
    EXPECT_EQ(model.animations[0]->animationId, "ColladaAnim_001");
    EXPECT_TRUE(model.animations[0]->name.empty());
    EXPECT_TRUE(model.animations[0]->channels.empty());

    const std::string_view broken[] = {
        "", "<COLLADA><library_images><image id=\"a\"><init_from>x.png</init_from></image>",
        "<COLLADA></COLLADO>", "<COLLADA attr=\"unterminated></COLLADA>", "\xff\xfe<\x00"};
    for (const std::string_view text : broken) {
        CModel loaded;
        EXPECT_FALSE(LoadColladaText(loaded, text, "./m/broken.dae"));
        EXPECT_EQ(loaded.directory, "./m/");
        EXPECT_TRUE(loaded.id.empty());
        EXPECT_TRUE(loaded.textures.empty());
        EXPECT_TRUE(loaded.animations.empty());
    }

    // Images that name no file still import the geometry.
    const std::filesystem::path path = std::filesystem::path(QUORVANE_COLLADA_DOCUMENTS).parent_path() /
                                       "collada_faults" / "images_without_file_names.dae";
    CModel faulty;
    std::string error;
    ASSERT_TRUE(LoadCollada(faulty, path.string(), error)) << error;
    ASSERT_EQ(faulty.geometries.size(), 1u);
    EXPECT_EQ(faulty.geometries[0]->vertexCount, 3);
    ASSERT_EQ(faulty.geometries[0]->polygons.size(), 1u);
    EXPECT_EQ(faulty.geometries[0]->polygons[0]->materialId, "leaf");
    ASSERT_EQ(faulty.materials.size(), 1u);
    EXPECT_EQ(faulty.materials[0]->textureId, "referenced");
    // "blank" names no file (the texture loader gives it the checker without
    // reading the folder); "referenced" names its file in a ref child.
    ASSERT_EQ(faulty.textures.size(), 2u);
    EXPECT_EQ(faulty.textures[0]->id, "blank");
    EXPECT_EQ(faulty.textures[0]->fileName, "");
    EXPECT_EQ(faulty.textures[1]->id, "referenced");
    EXPECT_EQ(faulty.textures[1]->fileName, "leaf.png");
}

} // namespace
} // namespace quorvane
