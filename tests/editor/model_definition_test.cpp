#include "editor/model_definition.h"
#include "tests/file_faults.h"

#include <fstream>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

class ModelDefinitionTest : public ::testing::Test {
protected:
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        ("mdf_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         ::testing::UnitTest::GetInstance()->current_test_info()->name());

    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::filesystem::path Write(const std::string& content) {
        const auto path = dir / "def.mdf";
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
};

TEST_F(ModelDefinitionTest, CurrentValuesCarryToEachPath) {
    CModelDefinition def;
    ASSERT_TRUE(def.Load(Write("LOD:0\nSHADER:2\nLIST_NUMBER:1\nPATH:a.mdl\nLOD:1\nPATH:b.mdl\n")));
    ASSERT_EQ(def.count, 2u);
    EXPECT_EQ(def.paths[0], "a.mdl");
    EXPECT_EQ(def.paths[1], "b.mdl");
    EXPECT_EQ(def.lodValues[0], 0u);
    EXPECT_EQ(def.lodValues[1], 1u);
    EXPECT_EQ(def.shaderValues[1], 2u);
    EXPECT_EQ(def.listNumbers[1], 1u);
    EXPECT_EQ(def.filePath, dir / "def.mdf");
}

TEST_F(ModelDefinitionTest, ValuesAreTrimmedAndReadLikeAtoi) {
    CModelDefinition def;
    ASSERT_TRUE(def.Load(Write("ANIMATED: \t 1 \r\nCOPY:1x\r\nSHADER:abc\r\nPATH: \t a/b.mdl \t \r\n")));
    ASSERT_EQ(def.count, 1u);
    EXPECT_EQ(def.paths[0], "a/b.mdl");
    EXPECT_EQ(def.animatedValues[0], 1u);
    EXPECT_EQ(def.copyValues[0], 1u);
    EXPECT_EQ(def.shaderValues[0], 0u);
}

TEST_F(ModelDefinitionTest, FirstLinePathGetsZeroValues) {
    CModelDefinition def;
    ASSERT_TRUE(def.Load(Write("PATH:tree.dae\nLOD:3\n")));
    ASSERT_EQ(def.count, 1u);
    EXPECT_EQ(def.lodValues[0], 0u);
    EXPECT_EQ(def.shaderValues[0], 0u);
    EXPECT_EQ(def.listNumbers[0], 0u);
    EXPECT_EQ(def.animatedValues[0], 0u);
    EXPECT_EQ(def.copyValues[0], 0u);
}

TEST_F(ModelDefinitionTest, UnknownLowerCaseAndColonlessLinesAreIgnored) {
    CModelDefinition def;
    ASSERT_TRUE(def.Load(Write("path:x.mdl\nPATH x.mdl\nNAME:tree\nLod:4\n PATH:y.mdl\nPATH:\nPATH:z.mdl")));
    ASSERT_EQ(def.count, 1u); // no newline at the end is fine
    EXPECT_EQ(def.paths[0], "z.mdl");
    EXPECT_EQ(def.lodValues[0], 0u);
}

TEST_F(ModelDefinitionTest, ValueKeepsLaterColons) {
    CModelDefinition def;
    ASSERT_TRUE(def.Load(Write("PATH:C:/models/rock.mdl\n")));
    EXPECT_EQ(def.paths[0], "C:/models/rock.mdl");
}

TEST_F(ModelDefinitionTest, PartsPastThirtyAreIgnored) {
    std::string text;
    for (int i = 0; i < 35; ++i) {
        text += "LOD:" + std::to_string(i) + "\nPATH:part" + std::to_string(i) + ".mdl\n";
    }
    CModelDefinition def;
    ASSERT_TRUE(def.Load(Write(text)));
    EXPECT_EQ(def.count, 30u);
    EXPECT_EQ(def.paths[29], "part29.mdl");
    EXPECT_EQ(def.lodValues[29], 29u);
}

TEST_F(ModelDefinitionTest, Cp932PathIsDecoded) {
    CModelDefinition def;
    ASSERT_TRUE(def.Load(Write("PATH:\x96\xd8/a.mdl\n"))); // "木" in CP932
    EXPECT_EQ(def.paths[0], "木/a.mdl");
}

TEST_F(ModelDefinitionTest, MissingFileOrDirectoryLeavesDefinitionEmpty) {
    CModelDefinition def;
    EXPECT_FALSE(def.Load(dir / "missing.mdf"));
    EXPECT_EQ(def.count, 0u);
    EXPECT_TRUE(def.filePath.empty());
    EXPECT_FALSE(def.Load(dir));
    EXPECT_TRUE(def.Load(Write("")));
    EXPECT_EQ(def.count, 0u);
}

TEST_F(ModelDefinitionTest, DirectoryOrUnreadableFileFailsWithAMessageAndLeavesItEmpty) {
    ASSERT_TRUE(test::OpensButCannotBeRead(test::kUnreadableFile));
    std::filesystem::create_directories(dir / "tree.mdf");
    CModelDefinition def;
    for (const auto& path : {dir / "tree.mdf", test::kUnreadableFile}) {
        ASSERT_TRUE(def.Load(Write("PATH:a.mdl\n")));
        EXPECT_TRUE(test::FailsWithMessage([&](std::string& error) { return def.Load(path, error); }, path));
        EXPECT_EQ(def.count, 0u);
        EXPECT_TRUE(def.paths[0].empty());
        EXPECT_TRUE(def.filePath.empty());
    }
}

TEST_F(ModelDefinitionTest, LastLineWithoutLineEndAndBlankLinesRead) {
    CModelDefinition def;
    ASSERT_TRUE(def.Load(Write("\n\nLOD:2\r\n\r\nPATH:a.mdl\nPATH:b.mdl")));
    ASSERT_EQ(def.count, 2u);
    EXPECT_EQ(def.paths[1], "b.mdl");
    EXPECT_EQ(def.lodValues[1], 2u);
}

TEST_F(ModelDefinitionTest, ReloadingReplacesEarlierParts) {
    CModelDefinition def;
    ASSERT_TRUE(def.Load(Write("PATH:a.mdl\nPATH:b.mdl\n")));
    ASSERT_TRUE(def.Load(Write("PATH:c.mdl\n")));
    ASSERT_EQ(def.count, 1u);
    EXPECT_EQ(def.paths[0], "c.mdl");
    EXPECT_TRUE(def.paths[1].empty());
}

} // namespace
} // namespace quorvane
