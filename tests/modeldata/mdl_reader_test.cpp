#include "modeldata/file_bytes.h"
#include "modeldata/mdl_reader.h"
#include "tests/comma_locale.h"
#include "tests/file_faults.h"

#include <clocale>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace quorvane {
namespace {

CModel ReadText(std::string_view text, std::string_view path = "./model/test/test.mdl") {
    CModel model;
    ReadModelText(model, text, path);
    return model;
}

TEST(MdlReaderTest, IdOnlyTextOrFileOnDiskGivesItsDirectoryAndAFailedReadChangesNothing) {
    const CModel model = ReadText("<MODEL_ID>\ntree_a\n", "./model/tree/tree_a.mdl");
    EXPECT_EQ(model.id, "tree_a");
    EXPECT_EQ(model.directory, "./model/tree/");
    EXPECT_TRUE(model.geometries.empty());
    EXPECT_EQ(DirectoryOfPath("C:/data\\tree\\a.mdl"), "C:/data\\tree\\");
    EXPECT_EQ(DirectoryOfPath("a.mdl"), "");

    // The one end-to-end check of a reader over ReadFileBytes; why a file cannot be read is FileBytesTest's.
    const test::CScratchDirectory scratch("quorvane_mdl_reader");
    CModel onDisk;
    onDisk.id = "kept";
    const std::filesystem::path folder = scratch.DirectoryNamed("tree.mdl");
    std::string error;
    EXPECT_FALSE(ReadModelFile(onDisk, folder, error));
    EXPECT_NE(error.find(folder.string()), std::string::npos) << error;
    EXPECT_EQ(onDisk.id, "kept");
    EXPECT_TRUE(onDisk.directory.empty());
    std::ofstream(scratch / "rock.mdl", std::ios::binary)
        << "[MODEL_ID]\r\nrock\r\n[COLLIDER_FILE_PATH]\r\nrock.col\r\n";
    ASSERT_TRUE(ReadModelFile(onDisk, scratch / "rock.mdl"));
    EXPECT_EQ(onDisk.id, "rock");
    EXPECT_EQ(onDisk.colliderFile, "rock.col");
    EXPECT_EQ(onDisk.directory, scratch.Path().string() + "/");
}

TEST(FileBytesTest, ReadErrorsSayWhyAndAWholeFileIsReadWhateverSizeTheFileSystemReports) {
    ASSERT_TRUE(test::OpensButCannotBeRead(test::kUnreadableFile));
    const test::CScratchDirectory scratch("quorvane_file_bytes");
    const auto expectFailure = [](const std::filesystem::path& path, const std::string& why) {
        const CFileBytes bytes = ReadFileBytes(path);
        EXPECT_FALSE(bytes) << path;
        EXPECT_EQ(bytes.size, 0u);
        EXPECT_EQ(bytes.error, path.string() + ": " + why);
        std::string error;
        bool visited = false;
        EXPECT_FALSE(ReadFilePieces(
            path, [&](std::string_view) { visited = true; }, error));
        EXPECT_FALSE(visited);
        EXPECT_EQ(error, path.string() + ": " + why);
    };
    expectFailure(scratch.Path(), "Is a directory");
    expectFailure(scratch / "missing.mdl", "No such file or directory");
    expectFailure(test::kUnreadableFile, "Input/output error");
    expectFailure(scratch.UnreadableNamed("link.mdl"), "Input/output error");
    expectFailure("/dev/null", "not a regular file");

    // Larger than one piece, with a byte pattern that shows a piece out of place.
    std::string large(200 * 1024 + 7, '\0');
    for (size_t i = 0; i < large.size(); ++i) {
        large[i] = static_cast<char>('a' + (i * 7 + i / 65536) % 26);
    }
    std::ofstream(scratch / "large.bin", std::ios::binary) << large;
    const CFileBytes bytes = ReadFileBytes(scratch / "large.bin");
    ASSERT_TRUE(bytes) << bytes.error;
    EXPECT_EQ(bytes.Text(), large);
    std::string pieces;
    std::string error;
    ASSERT_TRUE(ReadFilePieces(
        scratch / "large.bin", [&](std::string_view piece) { pieces += piece; }, error));
    EXPECT_EQ(pieces, large);

    std::ofstream(scratch / "empty.mdl", std::ios::binary).flush();
    const CFileBytes empty = ReadFileBytes(scratch / "empty.mdl");
    EXPECT_TRUE(empty) << empty.error;
    EXPECT_EQ(empty.size, 0u);

    // /proc files report a size of 0 but have content.
    ASSERT_EQ(std::filesystem::file_size("/proc/self/status"), 0u);
    const CFileBytes status = ReadFileBytes("/proc/self/status");
    ASSERT_TRUE(status) << status.error;
    EXPECT_TRUE(status.Text().starts_with("Name:")) << status.Text().substr(0, 40);
}

TEST(MdlReaderTest, MaterialsTexturesAndTopLevelNumbersAndBlocksCutOffByTheEndAreDropped) {
    const CModel model = ReadText("SPLAT_MAP_COUNT 3\nSPLAT_MAP_TEXTURE_LAYOUT 2x\n"
                                  "MATERIAL_BEGIN\n<MATERIAL_NAME> bark extra\n<TEXTURE_NAME> tex0\n"
                                  "<DIFFUSE>\n0.5 0.25 1 1 9\n<AMBIENT>\n0.1\n<EMMITION>\nabc 2\n"
                                  "<SPECULAR>\n1 2 3 4\nMATERIAL_END\n"
                                  "TEXTURE_BEGIN\nTEXTURE_ID tex0\nTEXTURE_NAME bark.png\nTEXTURE_END\n");
    EXPECT_EQ(model.splatMapCount, 3);
    EXPECT_EQ(model.splatMapTextureLayout, 2);
    ASSERT_EQ(model.materials.size(), 1u);
    const CMaterial& material = *model.materials[0];
    EXPECT_EQ(material.name, "bark");
    EXPECT_EQ(material.textureId, "tex0");
    EXPECT_EQ(material.diffuse, (Color4{0.5f, 0.25f, 1, 1}));
    EXPECT_EQ(material.ambient, (Color4{0.1f, 0, 0, 0}));
    EXPECT_EQ(material.emission, (Color4{0, 2, 0, 0}));
    EXPECT_EQ(material.specular, (Color4{1, 2, 3, 4}));
    ASSERT_EQ(model.textures.size(), 1u);
    EXPECT_EQ(model.textures[0]->fileName, "bark.png");
    EXPECT_EQ(model.FindTextureIndex("tex0"), 0);

    // Blocks cut off by the end of the file are dropped.
    EXPECT_TRUE(ReadText("MATERIAL_BEGIN\nMATERIAL_NAME m\n").materials.empty());
    const CModel cut = ReadText("GEOMETRY_BEGIN\nGEOMETRY_ID g\nFLOAT_ARRAY_BEGIN\nFLOAT_ARRAY_ID p\n");
    EXPECT_TRUE(cut.geometries.empty());
    // Reading ends with the cut block: nothing after it could exist anyway,
    // but the blocks before it stay.
    const CModel two = ReadText("TEXTURE_BEGIN\nTEXTURE_ID a\nTEXTURE_END\nTEXTURE_BEGIN\nTEXTURE_ID b\n");
    ASSERT_EQ(two.textures.size(), 1u);
    EXPECT_EQ(two.textures[0]->id, "a");
}

constexpr std::string_view kGeometry =
    "GEOMETRY_BEGIN\n<GEOMETRY_ID> body\n<VERTEX_COUNT> 3\n<IS_SPLAT_MAP_LAYOUT>\n"
    "<SPLAT_MAP_DECAL_TEXTURE_NUM> 4\n<BIND_SHAPE_MATRIX>\n2 0 0 0 0 2 0 0 0 0 2 0 1 2 3 1\n"
    "FLOAT_ARRAY_BEGIN\n<FLOAT_ARRAY_ID> [pos]\n<FLOAT_ARRAY_FLOAT_COUNT> 3\n<FLOAT_ARRAY_COUNT> 3\n"
    "<FLOAT_ARRAY>\n0 0 0 1 0 0 0 1 0\nFLOAT_ARRAY_END\n"
    "FLOAT_ARRAY_BEGIN\nFLOAT_ARRAY_ID uv\nFLOAT_ARRAY_FLOAT_COUNT 2\nFLOAT_ARRAY_COUNT 1\n"
    "FLOAT_ARRAY\n0.5 0.75\nFLOAT_ARRAY_END\n"
    "POLYGON_DATA_BEGIN\nMATERIAL_ID bark\nVERTEX_ID [pos]\nNORMAL_ID n\nCOLOR_ID c\n"
    "TEX_ID 2\nuv extra\nuv2\nVERTEX_OFFSET 0\nNORMAL_OFFSET -1\nTEX_OFFSET 1\n"
    "POLYGON_INDEX_COUNT 4\n0 0 1 0 2 0\nPOLYGON_DATA_END\n"
    "WEIGHTS_BEGIN\nWEIGHTS_SIZE 2\nAPPLY_BONE_NUM 8\n"
    "0 1 1 0.5 2 0.5 0 0 0 0 0 0 0 0 0 0 3 0.25 0 0 0 0 0 0 0 0 0 0 0 0 0 0 7 7\n"
    "WEIGHTS_END\nGEOMETRY_END\n";

TEST(MdlReaderTest, GeometryWithStreamsPolygonsAndWeightsAndFloatArraysOfCountTimesWidth) {
    const CModel model = ReadText(kGeometry);
    ASSERT_EQ(model.geometries.size(), 1u);
    const CGeometry& geometry = *model.geometries[0];
    EXPECT_EQ(geometry.id, "body");
    EXPECT_EQ(geometry.vertexCount, 3);
    EXPECT_EQ(geometry.isSplatMapLayout, 1);
    EXPECT_EQ(geometry.splatMapDecalTextureNum, 4);
    EXPECT_EQ(geometry.bindShapeMatrix[12], 1.0f);
    EXPECT_EQ(geometry.bindShapeMatrix[14], 3.0f);

    // Brackets are part of tokens inside float array and polygon blocks.
    const CFloatArray* positions = geometry.FindFloatArray("[pos]");
    ASSERT_NE(positions, nullptr);
    EXPECT_EQ(positions->VectorCount(), 3);
    EXPECT_EQ(positions->Vector(2)[1], 1.0f);
    EXPECT_TRUE(positions->Vector(3).empty());
    EXPECT_TRUE(positions->Vector(-1).empty());
    EXPECT_EQ(geometry.FindFloatArray("uv")->Vector(0)[1], 0.75f);

    ASSERT_EQ(geometry.polygons.size(), 1u);
    const CPolygonData& polygon = *geometry.polygons[0];
    EXPECT_EQ(polygon.materialId, "bark");
    EXPECT_EQ(polygon.vertexId, "[pos]");
    EXPECT_EQ(polygon.colorId, "c");
    EXPECT_EQ(polygon.texIds, (std::vector<std::string>{"uv", "uv2"}));
    EXPECT_EQ(polygon.vertexOffset, 0);
    EXPECT_EQ(polygon.normalOffset, -1);
    EXPECT_EQ(polygon.texOffset, 1);
    // More tokens than the count: all of them.
    EXPECT_EQ(polygon.indices, (std::vector<int32_t>{0, 0, 1, 0, 2, 0}));
    EXPECT_EQ(polygon.CornerCount(), 3);

    EXPECT_EQ(geometry.weightsSize, 2);
    ASSERT_EQ(geometry.weights.size(), 2u);
    // How a row's pairs read is WeightRowsAlwaysHoldEightInfluences'.
    EXPECT_EQ(geometry.weights[0].influences[2].weight, 0.5f);
    EXPECT_FLOAT_EQ(geometry.weights[1].influences[0].boneIndex, 3.00001f);
    EXPECT_EQ(geometry.weights[1].influences[0].weight, 0.25f);
    // The surplus pair (7 7) is ignored.
    EXPECT_FLOAT_EQ(geometry.weights[1].influences[7].boneIndex, 0.00001f);

    // A float array keeps count times width numbers.
    const auto arrayOf = [](int width, int count, std::string_view rest) {
        // A width of 0 leaves the width line out.
        const std::string widthLine =
            width > 0 ? "FLOAT_ARRAY_FLOAT_COUNT " + std::to_string(width) + "\n" : "";
        const CModel model = ReadText("GEOMETRY_BEGIN\nFLOAT_ARRAY_BEGIN\nFLOAT_ARRAY_ID a\n" + widthLine +
                                      "FLOAT_ARRAY_COUNT " + std::to_string(count) + "\n" +
                                      std::string(rest) + "FLOAT_ARRAY_END\nGEOMETRY_END\n");
        EXPECT_EQ(model.geometries.size(), 1u);
        return model.geometries.empty() ? CFloatArray{} : std::move(*model.geometries[0]->floatArrays.at(0));
    };
    EXPECT_EQ(arrayOf(3, 2, "FLOAT_ARRAY\n1 2 3 4 5 6 7\n").values, (std::vector<float>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(arrayOf(3, 2, "FLOAT_ARRAY\n1 2 3 4 5\n").values, (std::vector<float>{1, 2, 3, 4, 5, 0}));
    EXPECT_EQ(arrayOf(1, 2, "FLOAT_ARRAY\n1 2\n").VectorCount(), 0);
    EXPECT_EQ(arrayOf(5, 1, "FLOAT_ARRAY\n1 2 3 4 5\n").VectorCount(), 0);
    // Tab is no separator on number lines: "2\t3" reads as 2.
    EXPECT_EQ(arrayOf(2, 1, "FLOAT_ARRAY\n2\t3\n").values, (std::vector<float>{2, 0}));
    // A later FLOAT_ARRAY replaces the values.
    EXPECT_EQ(arrayOf(2, 1, "FLOAT_ARRAY\n1 2\nFLOAT_ARRAY\n3 4\n").values, (std::vector<float>{3, 4}));
    // FLOAT_ARRAY before the width: ignored, and its value line is read as a key line.
    const CFloatArray early =
        arrayOf(0, 1, "FLOAT_ARRAY\nFLOAT_ARRAY_ID renamed\nFLOAT_ARRAY_FLOAT_COUNT 2\n");
    EXPECT_EQ(early.id, "renamed");
    EXPECT_EQ(early.VectorCount(), 0);
}

TEST(MdlReaderTest, HostileCountsAllocateNothingAndReadingGoesOn) {
    const CModel model =
        ReadText("GEOMETRY_BEGIN\n"
                 "VERTEX_COUNT 2000000000\n"
                 "FLOAT_ARRAY_BEGIN\nFLOAT_ARRAY_FLOAT_COUNT 4\nFLOAT_ARRAY_COUNT 2000000000\n"
                 "FLOAT_ARRAY\n1 2 3 4\nFLOAT_ARRAY_END\n"
                 "WEIGHTS_BEGIN\nWEIGHTS_SIZE 2147483647\nAPPLY_BONE_NUM 8\n0 1\nWEIGHTS_END\n"
                 "POLYGON_DATA_BEGIN\nTEX_ID 2147483647\nuv\nPOLYGON_INDEX_COUNT 2147483647\n5 6\n"
                 "POLYGON_DATA_END\n"
                 "GEOMETRY_END\nMODEL_ID\nafter\n");
    ASSERT_EQ(model.geometries.size(), 1u);
    const CGeometry& geometry = *model.geometries[0];
    EXPECT_EQ(geometry.vertexCount, 0);
    EXPECT_EQ(geometry.floatArrays[0]->VectorCount(), 0);
    EXPECT_FALSE(geometry.HasWeights());
    EXPECT_EQ(geometry.weightsSize, 0);
    EXPECT_TRUE(geometry.polygons[0]->texIds.empty());
    EXPECT_EQ(geometry.polygons[0]->indices, (std::vector<int32_t>{5, 6}));
    EXPECT_EQ(model.id, "after");
}

TEST(MdlReaderTest, WeightRowsAlwaysHoldEightInfluences) {
    const auto weightsOf = [](std::string_view body) {
        CModel model =
            ReadText("GEOMETRY_BEGIN\nWEIGHTS_BEGIN\n" + std::string(body) + "WEIGHTS_END\nGEOMETRY_END\n");
        return std::move(model.geometries.at(0)->weights);
    };
    // Two influences per row: padded with zero records.
    auto rows = weightsOf("WEIGHTS_SIZE 2\nAPPLY_BONE_NUM 2\n1 0.5 2 0.5 3 1 4 0\n");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_FLOAT_EQ(rows[1].influences[0].boneIndex, 3.00001f);
    EXPECT_EQ(rows[1].influences[2].boneIndex, 0.0f);
    // Ten per row: the first eight are kept and the next row starts after all ten.
    std::string line;
    for (int record = 0; record < 20; ++record) {
        line += std::to_string(record) + " 0.1 ";
    }
    rows = weightsOf("WEIGHTS_SIZE 2\nAPPLY_BONE_NUM 10\n" + line + "\n");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_FLOAT_EQ(rows[0].influences[7].boneIndex, 7.00001f);
    EXPECT_FLOAT_EQ(rows[1].influences[0].boneIndex, 10.00001f);
    // No bones per row: no table, and the number line is read as an (ignored) key line.
    EXPECT_TRUE(weightsOf("WEIGHTS_SIZE 2\nAPPLY_BONE_NUM 0\n1 0.5\n").empty());
    // APPLY_BONE_NUM before WEIGHTS_SIZE makes no table.
    EXPECT_TRUE(weightsOf("APPLY_BONE_NUM 8\nWEIGHTS_SIZE 2\n").empty());
    // A WEIGHTS_SIZE after the table cannot make the geometry promise more rows than it holds.
    const CModel model = ReadText("GEOMETRY_BEGIN\nWEIGHTS_BEGIN\nWEIGHTS_SIZE 1\nAPPLY_BONE_NUM 1\n4 1\n"
                                  "WEIGHTS_SIZE 50\nWEIGHTS_END\nGEOMETRY_END\n");
    EXPECT_EQ(model.geometries.at(0)->weightsSize, 1);
    EXPECT_EQ(model.geometries.at(0)->weights.size(), 1u);
}

TEST(MdlReaderTest, BoneListAndTrees) {
    // The tree: hip with the children spine and tail.
    const CModel model =
        ReadText("BONE_ARRAY\nhip spine hip\n"
                 "BONE\n\tBONE_NAME\thip\n\tBONE_ID\tid_hip\n\tBONE_TYPE\t2\n"
                 "\tJOINT_MATRIX\n1 0 0 0 0 1 0 0 0 0 1 0 0 0 5 1\n\tCHILD_COUNT\t2\n"
                 "\t\tBONE_NAME\tspine\n\t\tBONE_ID\tid_spine\n\t\tINV_BIND_MATRIX\n2\n\t\tCHILD_COUNT\t0\n"
                 "\t\tBONE_NAME\ttail\n\t\tBONE_ID\tid_tail\n\t\tCHILD_COUNT\t0\n"
                 "MODEL_ID\nm\n");
    ASSERT_EQ(model.bones.size(), 3u);
    CBone* hip = model.bones[0].get();
    EXPECT_EQ(model.FindBoneByName("hip"), hip); // the first of two
    EXPECT_EQ(hip->id, "id_hip");
    EXPECT_EQ(hip->type, 2);
    EXPECT_EQ(hip->jointMatrix[14], 5.0f);
    ASSERT_EQ(model.rootBones, (std::vector<CBone*>{hip}));
    ASSERT_EQ(hip->children.size(), 2u);
    EXPECT_EQ(hip->children[0], model.bones[1].get());
    EXPECT_EQ(model.bones[1]->parent, hip);
    EXPECT_EQ(model.bones[1]->inverseBindMatrix[0], 2.0f);
    EXPECT_EQ(model.bones[1]->inverseBindMatrix[5], 0.0f);
    // "tail" is in the tree only: reachable through its parent, not by lookups.
    CBone* tail = hip->children[1];
    EXPECT_EQ(tail->name, "tail");
    EXPECT_EQ(tail->parent, hip);
    EXPECT_EQ(model.FindBoneById("id_tail"), nullptr);
    EXPECT_EQ(model.TreeOnlyBones().size(), 1u);
    EXPECT_EQ(model.id, "m"); // back at the top level after the tree
}

TEST(MdlReaderTest, BoneTreesNeverLoopOrShareABoneAndDeepOrMalformedOnesReadWithoutRecursion) {
    // A bone naming itself as its own child, and one tree listed twice.
    const CModel model = ReadText("BONE_ARRAY\na b\n"
                                  "BONE\nBONE_NAME a\nCHILD_COUNT 1\nBONE_NAME a\nCHILD_COUNT 0\n"
                                  "BONE\nBONE_NAME b\nBONE_ID first\nCHILD_COUNT 0\n"
                                  "BONE\nBONE_NAME b\nBONE_ID second\nCHILD_COUNT 0\n");
    CBone* a = model.bones[0].get();
    ASSERT_EQ(a->children.size(), 1u);
    EXPECT_NE(a->children[0], a);
    EXPECT_EQ(a->parent, nullptr);
    ASSERT_EQ(model.rootBones.size(), 3u);
    EXPECT_EQ(model.bones[1]->id, "first");
    EXPECT_NE(model.rootBones[2], model.bones[1].get());
    EXPECT_EQ(model.rootBones[2]->id, "second");

    // Deep and malformed trees read without recursion.
    std::string text = "BONE\n";
    constexpr int kDepth = 200000;
    for (int i = 0; i < kDepth; ++i) {
        text += "BONE_NAME n" + std::to_string(i) + "\nCHILD_COUNT 1\n";
    }
    const CModel deep = ReadText(text);
    ASSERT_EQ(deep.TreeOnlyBones().size(), static_cast<size_t>(kDepth));
    EXPECT_EQ(deep.TreeOnlyBones().back()->parent, deep.TreeOnlyBones()[kDepth - 2].get());

    // Keys before BONE_NAME have no bone; a huge CHILD_COUNT stops at the end of the file.
    const CModel odd = ReadText("BONE\nBONE_ID x\nJOINT_MATRIX\n1 2 3\nBONE_NAME r\nCHILD_COUNT 2000000000\n"
                                "BONE_NAME c\nCHILD_COUNT 0\n");
    ASSERT_EQ(odd.rootBones.size(), 1u);
    EXPECT_TRUE(odd.rootBones[0]->id.empty());
    EXPECT_EQ(odd.rootBones[0]->jointMatrix, kIdentityMatrix);
    ASSERT_EQ(odd.rootBones[0]->children.size(), 1u);
}

TEST(MdlReaderTest, OverLongKeyLinesAreCutCp932NamesBecomeUtf8AndLocaleDoesNotMatter) {
    // The 1024-character key line buffer ends inside the padding; the rest
    // of the line is a key line of its own.
    const std::string text = "GEOMETRY_ID" + std::string(1012, ' ') + "MODEL_ID\nlong\n";
    EXPECT_EQ(ReadText(text).id, "long");

    const test::CCommaLocale locale(LC_ALL);
    ASSERT_TRUE(locale.InEffect());
    // "木" in CP932 is 0x96 0xD8.
    const CModel model = ReadText("MODEL_ID\n\x96\xD8\nMATERIAL_BEGIN\nDIFFUSE\n1.5 -2.25e1\nMATERIAL_END\n");
    EXPECT_EQ(model.id, "\xE6\x9C\xA8");
    EXPECT_EQ(model.materials.at(0)->diffuse[0], 1.5f);
    EXPECT_EQ(model.materials.at(0)->diffuse[1], -22.5f);
}

} // namespace
} // namespace quorvane
