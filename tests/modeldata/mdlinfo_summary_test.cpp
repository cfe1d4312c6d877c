#include "modeldata/collider_reader.h"
#include "modeldata/file_bytes.h"
#include "modeldata/mdl_reader.h"
#include "tests/file_faults.h"
#include "tools/mdlinfo/summary.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace quorvane::mdlinfo {
namespace {

TEST(MdlinfoSummaryTest, KindFromExtensionThenFromContent) {
    EXPECT_EQ(DetectFileKind("a/tree.MDL", "COLLIDER_TYPE"), FileKind::kModel);
    EXPECT_EQ(DetectFileKind("walk.ani", ""), FileKind::kAnimation);
    EXPECT_EQ(DetectFileKind("rock_collider", "GEOMETRY_BEGIN\nCOLLIDER_TYPE X\n"), FileKind::kCollider);
    EXPECT_EQ(DetectFileKind("walk", "TARGET_MODEL_ID\nSKELTON\n"), FileKind::kAnimation);
    EXPECT_EQ(DetectFileKind("x", "MODEL_ID\nx\n"), FileKind::kModel);
    EXPECT_EQ(DetectFileKind("a/duck.DAE", ""), FileKind::kCollada);
    EXPECT_EQ(DetectFileKind("duck.xml", "<?xml version=\"1.0\"?>\n<COLLADA version=\"1.4.1\">"),
              FileKind::kCollada);
}

const std::filesystem::path kColladaDocuments =
    std::filesystem::path(__FILE__).parent_path() / "../data/collada";

// Expected lines read from duck.dae: one material blinn3 whose effect samples
// image file2, which names ./duckCM.tga.
TEST(MdlinfoSummaryTest, ColladaDocumentsAreSummarisedLikeTextModelsOrSayWhyTheyCannotBe) {
    const std::string path = (kColladaDocuments / "duck.dae").string();
    std::string description;
    std::string error;
    ASSERT_TRUE(DescribeColladaFile(path, ReadFileBytes(path).Text(), description, error)) << error;
    for (const char* line : {"model id: duck\n", "geometries: 1 (", "materials: 1\n  blinn3 texture file2\n",
                             "textures: 1\n  file2: ./duckCM.tga\n", "animations: 1\n"}) {
        EXPECT_NE(description.find(line), std::string::npos) << line << "\n" << description;
    }

    // Reasons LoadCollada gives pass through (ModelFile holds them); these are mdlinfo's own.
    const test::CScratchDirectory scratch("quorvane_mdlinfo_collada");
    const std::pair<std::string, const char*> cases[] = {{"<COLLADA><library_geometries>", "not well-formed"},
                                                         {"<scene/>", "no COLLADA element"}};
    for (const auto& [text, reason] : cases) {
        const std::string doc = (scratch / "doc.dae").string();
        std::ofstream(doc) << text;
        std::string unread;
        std::string why;
        EXPECT_FALSE(DescribeColladaFile(doc, text, unread, why)) << text;
        EXPECT_EQ(why.find(doc), 0u) << why;
        EXPECT_NE(why.find(reason), std::string::npos) << why;
        EXPECT_TRUE(unread.empty());
    }
}

TEST(MdlinfoSummaryTest, SummariesCountWhatWasReadAndProblemsNameMissingStreamsAndStrayIndices) {
    CModel model;
    ReadModelText(
        model,
        "MODEL_ID\ntree\nBONE_ARRAY\na\nBONE\nBONE_NAME a\nCHILD_COUNT 1\nBONE_NAME leaf\nCHILD_COUNT 0\n"
        "GEOMETRY_BEGIN\nVERTEX_COUNT 7\nPOLYGON_DATA_BEGIN\nVERTEX_OFFSET 0\nPOLYGON_INDEX_COUNT 6\n"
        "0 1 2 0 2 3\nPOLYGON_DATA_END\nGEOMETRY_END\n",
        "m/tree.mdl");
    const std::string text = DescribeModel(model);
    EXPECT_NE(text.find("geometries: 1 (7 vertices, 2 triangles)"), std::string::npos) << text;
    EXPECT_NE(text.find("bones: 1 in the bone table, 1 trees with 2 bones, 1 only in trees"),
              std::string::npos)
        << text;

    CColliderSet set;
    ReadColliderText(set, "GEOMETRY_BEGIN\nCOLLIDER_TYPE COLLIDER_TYPE_MESH\nGEOMETRY_END\n"
                          "GEOMETRY_BEGIN\nCOLLIDER_TYPE odd\nGEOMETRY_END\n");
    EXPECT_NE(DescribeColliders(set).find("mesh 1, other 1)"), std::string::npos) << DescribeColliders(set);

    CModel broken;
    ReadModelText(broken,
                  "GEOMETRY_BEGIN\nGEOMETRY_ID g\n"
                  "FLOAT_ARRAY_BEGIN\nFLOAT_ARRAY_ID p\nFLOAT_ARRAY_FLOAT_COUNT 3\nFLOAT_ARRAY_COUNT 2\n"
                  "FLOAT_ARRAY\n0 0 0 1 1 1\nFLOAT_ARRAY_END\n"
                  "POLYGON_DATA_BEGIN\nMATERIAL_ID none\nVERTEX_ID p\nNORMAL_ID n\nVERTEX_OFFSET 0\n"
                  "POLYGON_INDEX_COUNT 4\n0 1 2 -1\nPOLYGON_DATA_END\n"
                  "POLYGON_DATA_BEGIN\nPOLYGON_INDEX_COUNT 1\n0\nPOLYGON_DATA_END\nGEOMETRY_END\n",
                  "g.mdl");
    const auto problems = FindGeometryProblems(broken, *broken.geometries.at(0));
    ASSERT_EQ(problems.size(), 5u);
    EXPECT_EQ(problems[0], "geometry g: polygon block 1: material \"none\" not found");
    EXPECT_EQ(problems[1], "geometry g: polygon block 1: 2 position indices outside \"p\" (2 vectors)");
    EXPECT_EQ(problems[2], "geometry g: polygon block 1: normal stream \"n\" not found");
    EXPECT_EQ(problems[3], "geometry g: polygon block 1: 4 corners, not whole triangles");
    EXPECT_EQ(problems[4], "geometry g: polygon block 2: no offsets, nothing to draw");
}

} // namespace
} // namespace quorvane::mdlinfo
