#include "collada/collada_import.h"
#include "collada/number_lists.h"
#include "collada_test_support.h"
#include "modeldata/text_numbers.h"
#include "tests/file_faults.h"

#include <bit>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>

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

TEST(ColladaNames, DirectoryKeepsItsFinalSeparator) {
    CModel backslashed = test::ImportBody("", "model\\tree\\oak.dae");
    EXPECT_EQ(backslashed.directory, "model\\tree\\");
    EXPECT_EQ(backslashed.id, "oak");
    CModel bare = test::ImportBody("", "oak.dae");
    EXPECT_EQ(bare.directory, "");
}

TEST(ColladaLoad, DocumentWithoutLibrariesGivesEmptyModelWithOneAnimation) {
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
}

TEST(ColladaLoad, BrokenXmlFailsAndLeavesOnlyTheDirectory) {
    const std::string_view broken[] = {
        "",
        "<COLLADA><library_images><image id=\"a\"><init_from>x.png</init_from></image>",
        "<COLLADA></COLLADO>",
        "<COLLADA attr=\"unterminated></COLLADA>",
        "\xff\xfe<\x00",
    };
    for (const std::string_view text : broken) {
        CModel model;
        EXPECT_FALSE(LoadColladaText(model, text, "./m/broken.dae"));
        EXPECT_EQ(model.directory, "./m/");
        EXPECT_TRUE(model.id.empty());
        EXPECT_TRUE(model.textures.empty());
        EXPECT_TRUE(model.animations.empty());
    }
}

TEST(ColladaLoad, MissingFileFails) {
    CModel model;
    EXPECT_FALSE(LoadCollada(model, "./no/such/file.dae"));
    EXPECT_EQ(model.directory, "./no/such/");
}

TEST(ColladaLoad, DirectoryOrUnreadableDocumentFailsWithAMessage) {
    ASSERT_TRUE(test::OpensButCannotBeRead(test::kUnreadableFile));
    const test::CScratchDirectory scratch("quorvane_collada_faults");
    for (const auto& path : {scratch.DirectoryNamed("oak.dae"), test::kUnreadableFile}) {
        CModel model;
        EXPECT_TRUE(test::FailsWithMessage(
            [&](std::string& error) { return LoadCollada(model, path.string(), error); }, path));
        EXPECT_TRUE(model.id.empty());
        EXPECT_TRUE(model.geometries.empty());
    }
    std::string error;
    CModel model;
    std::ofstream(scratch / "broken.dae", std::ios::binary) << "<COLLADA>";
    EXPECT_FALSE(LoadCollada(model, (scratch / "broken.dae").string(), error));
    EXPECT_NE(error.find("not well-formed"), std::string::npos) << error;
}

TEST(ColladaLoad, ImagesThatNameNoFileStillImportTheGeometry) {
    const std::filesystem::path path = std::filesystem::path(QUORVANE_COLLADA_DOCUMENTS).parent_path() /
                                       "collada_faults" / "images_without_file_names.dae";
    CModel model;
    std::string error;
    ASSERT_TRUE(LoadCollada(model, path.string(), error)) << error;
    ASSERT_EQ(model.geometries.size(), 1u);
    EXPECT_EQ(model.geometries[0]->vertexCount, 3);
    ASSERT_EQ(model.geometries[0]->polygons.size(), 1u);
    EXPECT_EQ(model.geometries[0]->polygons[0]->materialId, "leaf");
    ASSERT_EQ(model.materials.size(), 1u);
    EXPECT_EQ(model.materials[0]->textureId, "referenced");
    // "blank" names no file (the texture loader gives it the checker without
    // reading the folder); "referenced" names its file in a ref child.
    ASSERT_EQ(model.textures.size(), 2u);
    EXPECT_EQ(model.textures[0]->id, "blank");
    EXPECT_EQ(model.textures[0]->fileName, "");
    EXPECT_EQ(model.textures[1]->id, "referenced");
    EXPECT_EQ(model.textures[1]->fileName, "leaf.png");
}

TEST(ColladaNumberLists, SplitAtAnyRunOfXmlWhiteSpace) {
    const std::vector<float> floats = ReadFloatList("  1.5\n2\t\t-3e2 \r\n 4  ");
    EXPECT_EQ(floats, (std::vector<float>{1.5f, 2.0f, -300.0f, 4.0f}));
    EXPECT_EQ(ReadIntList("7\n8\t9 10", 3), (std::vector<int32_t>{7, 8, 9}));
    EXPECT_TRUE(ReadIntList(" \n\t ").empty());
    EXPECT_TRUE(ReadFloatList("1 2 3", 0).empty());
    const std::vector<float> odd = ReadFloatList("NaN junk 2.5x");
    ASSERT_EQ(odd.size(), 3u);
    EXPECT_TRUE(std::isnan(odd[0]));
    EXPECT_EQ(odd[1], 0.0f);
    EXPECT_EQ(odd[2], 2.5f);
    EXPECT_EQ(SplitNameList("a\nb  c"), (std::vector<std::string_view>{"a", "b", "c"}));
}

// The list readers take shortcuts for plain numbers; every entry must still
// read exactly as the atof/atoi rules read it on its own.
TEST(ColladaNumberLists, EveryEntryReadsAsItsOwnConversion) {
    std::mt19937 random(7);
    const std::string_view pieces[] = {"-", "+", ".", "e", "E-", "x", "nan", "inf", "\xc3\xa9", "0"};
    const std::string_view blanks[] = {" ", "\n", "\t", "  \r\n\t"};
    std::uniform_int_distribution<int> length(0, 21);
    std::uniform_int_distribution<int> digit('0', '9');
    std::uniform_int_distribution<int> choice(0, 31);
    std::vector<std::string> tokens;
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        std::string token;
        for (int part = 0; part < 3; ++part) {
            const int pick = choice(random);
            if (pick < 10) {
                token += pieces[static_cast<size_t>(pick)];
            }
            for (int n = length(random) % (part == 0 ? 22 : 9); n > 0; --n) {
                token += static_cast<char>(digit(random));
            }
        }
        if (token.empty()) {
            token.push_back('5');
        }
        tokens.push_back(token);
        text.append(blanks[static_cast<size_t>(choice(random) % 4)]);
        text.append(token);
    }
    const std::vector<float> floats = ReadFloatList(text);
    const std::vector<int32_t> ints = ReadIntList(text);
    ASSERT_EQ(floats.size(), tokens.size());
    ASSERT_EQ(ints.size(), tokens.size());
    for (size_t i = 0; i < tokens.size(); ++i) {
        const float expected = ParseFloatLikeAtof(tokens[i]);
        if (std::isnan(expected)) {
            EXPECT_TRUE(std::isnan(floats[i])) << tokens[i];
        } else {
            EXPECT_EQ(std::bit_cast<uint32_t>(floats[i]), std::bit_cast<uint32_t>(expected)) << tokens[i];
        }
        EXPECT_EQ(ints[i], ParseIntLikeAtoi(tokens[i])) << tokens[i];
    }
}

} // namespace
} // namespace quorvane
