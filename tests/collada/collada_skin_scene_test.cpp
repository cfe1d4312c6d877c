#include "collada_test_support.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

const std::string kGeometry =
    "<library_geometries><geometry id=\"body\"><mesh>"
    "<source id=\"p\"><float_array count=\"9\">0 0 0 1 0 0 0 1 0</float_array>"
    "<technique_common><accessor stride=\"3\"/></technique_common></source>"
    "<vertices id=\"v\"><input semantic=\"POSITION\" source=\"#p\"/></vertices></mesh></geometry>"
    "</library_geometries>";

// A skin of body; every @ in the sources' ids becomes id.
std::string Skin(std::string_view id, std::string_view joints, std::string_view weights,
                 std::string_view vcount, std::string_view v, std::string_view extra = "") {
    std::string text =
        "<controller id=\"@\"><skin source=\"#body\">" + std::string(extra) +
        "<source id=\"@-joints\"><Name_array>" + std::string(joints) +
        "</Name_array></source><source id=\"@-w\"><float_array count=\"100\">" + std::string(weights) +
        "</float_array></source><joints><input semantic=\"JOINT\" source=\"#@-joints\"/></joints>"
        "<vertex_weights count=\"3\"><input semantic=\"JOINT\" source=\"#@-joints\" offset=\"0\"/>"
        "<input semantic=\"WEIGHT\" source=\"#@-w\" offset=\"1\"/><vcount>" +
        std::string(vcount) + "</vcount><v>" + std::string(v) + "</v></vertex_weights></skin></controller>";
    for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at)) {
        text.replace(at, 1, id);
    }
    return text;
}

std::string Controllers(std::string_view controllers) {
    return kGeometry + "<library_controllers>" + std::string(controllers) + "</library_controllers>";
}

void ExpectRow(const CWeightRow& row, std::vector<CBoneWeight> expected) {
    expected.resize(CWeightRow::kInfluences);
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(row.influences[i].boneIndex, expected[i].boneIndex) << "influence " << i;
        EXPECT_FLOAT_EQ(row.influences[i].weight, expected[i].weight) << "influence " << i;
    }
}

TEST(ColladaSkin, KeepsTheEightLargestWeightsInDecreasingOrderAndLaterControllersReuseBones) {
    const std::string inverseBind =
        "<bind_shape_matrix>\n2 0 0 0\n0 2 0 0\n0 0 2 0\n0 0 0 1</bind_shape_matrix>"
        "<source id=\"ibm\"><float_array count=\"32\">"
        "1 0 0 7 0 1 0 0 0 0 1 0 0 0 0 1\n1 0 0 8 0 1 0 0 0 0 1 0 0 0 0 1</float_array></source>";
    const std::string skin = Skin("s", "a\nb\tc d e", "0.1 0.4 0.2 0 0.7", "5 1 2",
                                  "0 0 1 1 2 2 3 2 4 0   1 3   0 4 4 1", inverseBind);
    std::string withIbm = skin;
    withIbm.insert(withIbm.find("</joints>"), "<input semantic=\"INV_BIND_MATRIX\" source=\"#ibm\"/>");
    const CModel model = test::ImportBody(Controllers(withIbm));

    ASSERT_EQ(model.bones.size(), 5u);
    EXPECT_EQ(model.bones[4]->name, "e");
    EXPECT_EQ(model.bones[0]->inverseBindMatrix[3], 7.0f);
    EXPECT_EQ(model.bones[1]->inverseBindMatrix[3], 8.0f);
    EXPECT_EQ(model.bones[2]->inverseBindMatrix, kIdentityMatrix); // no floats left for it
    const CGeometry& geometry = *model.geometries[0];
    EXPECT_EQ(geometry.bindShapeMatrix[0], 2.0f);
    EXPECT_EQ(geometry.bindShapeMatrix[15], 1.0f);
    EXPECT_EQ(geometry.weightsSize, 3);
    ASSERT_EQ(geometry.weights.size(), 3u);
    ExpectRow(geometry.weights[0], {{1, 0.4f}, {2, 0.2f}, {3, 0.2f}, {0, 0.1f}, {4, 0.1f}});
    ExpectRow(geometry.weights[1], {}); // weight 0 is no influence
    ExpectRow(geometry.weights[2], {{0, 0.7f}, {4, 0.4f}});

    // Beyond eight influences the smallest go.
    const CModel ten = test::ImportBody(Controllers(Skin("s", "j0 j1 j2 j3 j4 j5 j6 j7 j8 j9",
                                                         "0.01 0.02 0.03 0.04 0.05 0.06 0.07 0.08 0.09 0.1",
                                                         "10", "0 0 1 1 2 2 3 3 4 4 5 5 6 6 7 7 8 8 9 9")));
    ExpectRow(
        ten.geometries[0]->weights[0],
        {{9, 0.1f}, {8, 0.09f}, {7, 0.08f}, {6, 0.07f}, {5, 0.06f}, {4, 0.05f}, {3, 0.04f}, {2, 0.03f}});

    // A later controller listing a shared joint second reuses that bone by name.
    const CModel shared = test::ImportBody(Controllers(Skin("s1", "hip knee", "1", "1", "1 0") +
                                                       Skin("s2", "foot knee", "1", "1 1", "1 0 0 0")));
    ASSERT_EQ(shared.bones.size(), 3u);
    EXPECT_EQ(shared.bones[2]->name, "foot");
    const auto& sharedWeights = shared.geometries[0]->weights;
    ExpectRow(sharedWeights[0], {{1, 1.0f}});
    ExpectRow(sharedWeights[1], {{2, 1.0f}});
}

TEST(ColladaSkin, BrokenInfluencesAreSkippedAndDeclaredRowCountsNotAllocatedBeyondTheData) {
    // Joint 9 and -1 name no joint, weight index 50 no weight; the last pair is cut off.
    const CModel model =
        test::ImportBody(Controllers(Skin("s", "a b", "0.5 0.25", "3 1 4", "9 0 -1 0 1 50  0 1  0 0 1")));
    const CGeometry& geometry = *model.geometries[0];
    ASSERT_EQ(geometry.weights.size(), 3u);
    ExpectRow(geometry.weights[0], {});
    ExpectRow(geometry.weights[1], {{0, 0.25f}});
    ExpectRow(geometry.weights[2], {{0, 0.5f}});

    const CModel unknownGeometry =
        test::ImportBody("<library_controllers><controller><skin "
                         "source=\"#nothing\"><source><Name_array>a</Name_array></source>"
                         "</skin></controller><controller/></library_controllers>");
    EXPECT_TRUE(unknownGeometry.bones.empty());

    // A declared row count far beyond the data allocates nothing.
    std::string skin = Skin("s", "a", "1", "1", "0 0");
    skin.replace(skin.find("count=\"3\""), 9, "count=\"2000000000\"");
    const CModel huge = test::ImportBody(Controllers(skin));
    // Rows for the three positions, the first with its one influence.
    ASSERT_EQ(huge.geometries[0]->weightsSize, 3);
    ExpectRow(huge.geometries[0]->weights[0], {{0, 1.0f}});
}

const std::string kScene =
    "<library_visual_scenes><visual_scene>"
    "<node id=\"Armature\" type=\"NODE\"><matrix sid=\"transform\">1 0 0 5 0 1 0 0 0 0 1 0 0 0 0 1</matrix>"
    "  <node id=\"Armature_hip\" sid=\"hip\" type=\"JOINT\"><matrix sid=\"transform\">1 2 3</matrix>"
    "    <node id=\"Armature_knee\" sid=\"knee\" type=\"JOINT\"><matrix sid=\"transform\">\n </matrix></node>"
    "    <node id=\"again\" sid=\"hip\" type=\"odd\"/>"
    "  </node>"
    "</node>"
    "<node id=\"Mesh\"><instance_geometry url=\"#body\"><bind_material><technique_common>"
    "<instance_material symbol=\"m1\" target=\"#x\"/><instance_material symbol=\"m2\"/>"
    "</technique_common></bind_material></instance_geometry>"
    "<node id=\"Nested\"><instance_geometry url=\"#body\"><bind_material><technique_common>"
    "<instance_material symbol=\"nested\"/></technique_common></bind_material></instance_geometry></node>"
    "</node>"
    "<node id=\"Other\"><instance_geometry url=\"#missing\"><bind_material><technique_common>"
    "<instance_material symbol=\"lost\"/></technique_common></bind_material></instance_geometry></node>"
    "</visual_scene></library_visual_scenes>";

TEST(ColladaScene, NodesTakeOverJointBonesBySidAndTopLevelInstancesBindMaterials) {
    const CModel model = test::ImportBody(Controllers(Skin("s", "hip knee", "1", "1", "0 0")) + kScene);
    ASSERT_EQ(model.rootBones.size(), 3u);
    const CBone* armature = model.rootBones[0];
    EXPECT_EQ(armature->id, "Armature");
    EXPECT_EQ(armature->type, CBone::kTypeNode);
    EXPECT_TRUE(armature->name.empty());
    EXPECT_EQ(armature->jointMatrix[3], 5.0f); // kept as written
    ASSERT_EQ(armature->children.size(), 1u);
    const CBone* hip = armature->children[0];
    EXPECT_EQ(hip, model.bones[0].get());
    EXPECT_EQ(hip->id, "Armature_hip");
    EXPECT_EQ(hip->type, CBone::kTypeJoint);
    EXPECT_EQ(hip->parent, armature);
    EXPECT_EQ(hip->jointMatrix, (Matrix4x4{1, 2, 3})); // completed with zeros
    ASSERT_EQ(hip->children.size(), 2u);
    EXPECT_EQ(hip->children[0], model.bones[1].get());
    EXPECT_EQ(hip->children[0]->jointMatrix, kIdentityMatrix); // a blank matrix is no matrix
    // A second node with the hip's sid gets a bone of its own: no cycle.
    const CBone* again = hip->children[1];
    EXPECT_NE(again, hip);
    EXPECT_EQ(again->id, "again");
    EXPECT_EQ(again->type, CBone::kTypeUnset);
    EXPECT_EQ(model.FindBoneById("Armature_knee"), model.bones[1].get());
    EXPECT_EQ(model.bones.size(), 2u);
    // Only top-level geometry instances bind material symbols.
    EXPECT_EQ(model.geometries[0]->materialSymbols, (std::vector<std::string>{"m1", "m2"}));
    EXPECT_EQ(model.splatMapCount, 2);
}

// Maya writes blocks against a shading-group symbol and binds it to the material id.
TEST(ColladaScene, BlocksNamedBySymbolTakeTheBoundMaterialAndDeepNestingIsCutOff) {
    const std::string materials =
        "<library_materials><material id=\"Blue\"/><material id=\"Red\"/></library_materials>";
    const std::string geometry =
        "<library_geometries><geometry id=\"g\"><mesh>"
        "<triangles material=\"BlueSG\" count=\"0\"/><triangles material=\"Red\" count=\"0\"/>"
        "<triangles material=\"GreenSG\" count=\"0\"/><triangles material=\"BlueSG\" count=\"0\"/>"
        "</mesh></geometry></library_geometries>";
    const std::string scene =
        "<library_visual_scenes><visual_scene><node><instance_geometry url=\"#g\"><bind_material>"
        "<technique_common><instance_material symbol=\"BlueSG\" target=\"#Blue\"/>"
        "<instance_material symbol=\"Red\" target=\"#Blue\"/>"
        "<instance_material symbol=\"GreenSG\" target=\"#Green\"/>"
        "</technique_common></bind_material></instance_geometry></node></visual_scene></"
        "library_visual_scenes>";
    const CModel model = test::ImportBody(materials + geometry + scene);
    ASSERT_EQ(model.geometries.size(), 1u);
    std::vector<std::string> names;
    for (const auto& block : model.geometries[0]->polygons) {
        names.push_back(block->materialId);
    }
    // Red already names a material; Green names none, so its symbol stays.
    EXPECT_EQ(names, (std::vector<std::string>{"Blue", "Red", "GreenSG", "Blue"}));

    // Deep nesting is cut off instead of overflowing.
    std::string open, close;
    for (int i = 0; i < 5000; ++i) {
        open += "<node>";
        close += "</node>";
    }
    const CModel deep = test::ImportBody("<library_visual_scenes><visual_scene>" + open + close +
                                         "</visual_scene></library_visual_scenes>");
    ASSERT_EQ(deep.rootBones.size(), 1u);
    int depth = 1;
    for (const CBone* bone = deep.rootBones[0]; !bone->children.empty(); bone = bone->children[0]) {
        ++depth;
    }
    EXPECT_GT(depth, 100);
    EXPECT_LT(depth, 5000);
}

} // namespace
} // namespace quorvane
