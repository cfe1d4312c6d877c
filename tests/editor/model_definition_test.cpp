#include "editor/model_definition.h"

#include <array>
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

// Each part read: its path, then its LOD, SHADER, LIST_NUMBER, ANIMATED and COPY values.
struct Part {
    std::string path;
    std::array<uint32_t, 5> values;
};

TEST_F(ModelDefinitionTest, LinesSetTheValuesThatEachPathTakes) {
    const struct {
        const char* what;
        std::string text;
        std::vector<Part> parts;
    } cases[] = {
        {"current values carry to each path",
         "LOD:0\nSHADER:2\nLIST_NUMBER:1\nPATH:a.mdl\nLOD:1\nPATH:b.mdl\n",
         {{"a.mdl", {0, 2, 1, 0, 0}}, {"b.mdl", {1, 2, 1, 0, 0}}}},
        {"values trimmed and read like atoi",
         "ANIMATED: \t 1 \r\nCOPY:1x\r\nSHADER:abc\r\nPATH: \t a/b.mdl \t \r\n",
         {{"a/b.mdl", {0, 0, 0, 1, 1}}}},
        {"a path on the first line gets zero values",
         "PATH:tree.dae\nLOD:3\n",
         {{"tree.dae", {0, 0, 0, 0, 0}}}},
        {"unknown, lower-case and colonless lines are ignored; no newline at the end",
         "path:x.mdl\nPATH x.mdl\nNAME:tree\nLod:4\n PATH:y.mdl\nPATH:\nPATH:z.mdl",
         {{"z.mdl", {0, 0, 0, 0, 0}}}},
        {"later colons stay in the value",
         "PATH:C:/models/rock.mdl\n",
         {{"C:/models/rock.mdl", {0, 0, 0, 0, 0}}}},
        {"CP932 is decoded", "PATH:\x96\xd8/a.mdl\n", {{"木/a.mdl", {0, 0, 0, 0, 0}}}},
        {"blank lines",
         "\n\nLOD:2\r\n\r\nPATH:a.mdl\nPATH:b.mdl",
         {{"a.mdl", {2, 0, 0, 0, 0}}, {"b.mdl", {2, 0, 0, 0, 0}}}},
        {"an empty file", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CModelDefinition def;
        ASSERT_TRUE(def.Load(Write(c.text)));
        EXPECT_EQ(def.filePath, dir / "def.mdf");
        ASSERT_EQ(def.count, c.parts.size());
        for (size_t k = 0; k < c.parts.size(); ++k) {
            EXPECT_EQ(def.paths[k], c.parts[k].path);
            const std::array<uint32_t, 5> values{def.lodValues[k], def.shaderValues[k], def.listNumbers[k],
                                                 def.animatedValues[k], def.copyValues[k]};
            EXPECT_EQ(values, c.parts[k].values) << c.parts[k].path;
        }
    }
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

// Why a file cannot be read is the file reader's to tell (its own tests); a
// definition that fails to load is left empty, whatever it held before.
TEST_F(ModelDefinitionTest, AFileThatCannotBeReadFailsWithAMessageAndLeavesItEmpty) {
    CModelDefinition def;
    ASSERT_TRUE(def.Load(Write("PATH:a.mdl\n")));
    std::string error;
    EXPECT_FALSE(def.Load(dir / "missing.mdf", error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(def.count, 0u);
    EXPECT_TRUE(def.paths[0].empty());
    EXPECT_TRUE(def.filePath.empty());
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
