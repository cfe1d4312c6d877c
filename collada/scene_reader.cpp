// Visual-scene nodes: the bone tree, and the materials bound to geometries.
#include "collada/number_lists.h"
#include "collada/readers.h"
#include "collada/xml_access.h"

#include <algorithm>
#include <unordered_set>

namespace quorvane {
namespace {

// Deeper nesting is left out: skeletons are far shallower, and the bone
// tree is walked recursively downstream.
constexpr int kMaxNodeDepth = 256;

int32_t BoneType(std::string_view type) {
    if (type == "NODE") {
        return CBone::kTypeNode;
    }
    if (type == "JOINT") {
        return CBone::kTypeJoint;
    }
    return CBone::kTypeUnset;
}

class CNodeTreeReader {
public:
    CNodeTreeReader(CModel& model, const CJointsById& jointsById) : model_(model), jointsById_(jointsById) {}

    void Visit(pugi::xml_node node, CBone* parent, int depth) {
        CBone* bone = BoneFor(node);
        model_.AttachBone(parent, bone);
        bone->id = NameOf(AttributeOf(node, "id"));
        if (const pugi::xml_attribute type = node.attribute("type")) {
            bone->type = BoneType(type.value());
        }
        const pugi::xml_node matrix = SelectNodeWhere(node, "matrix", "sid", "transform");
        if (const std::vector<float> read = ReadFloatList(TextOf(matrix), kIdentityMatrix.size());
            !read.empty()) {
            Matrix4x4 values{}; // a short matrix is completed with zeros
            std::copy(read.begin(), read.end(), values.begin());
            bone->jointMatrix = values;
        }
        if (depth + 1 >= kMaxNodeDepth) {
            return;
        }
        for (const pugi::xml_node child : node.children("node")) {
            Visit(child, bone, depth + 1);
        }
    }

private:
    // The joint bone named by the node's sid (or by its id, for joints listed
    // by node id), unless an earlier node already took it: linking one bone
    // twice would make the tree a cycle.
    CBone* BoneFor(pugi::xml_node node) {
        if (const pugi::xml_attribute sid = node.attribute("sid")) {
            CBone* joint = model_.FindBoneByName(NameOf(sid.value()));
            if (joint != nullptr && !jointsById_.contains(joint) && taken_.insert(joint).second) {
                return joint;
            }
        }
        if (!jointsById_.empty()) {
            CBone* joint = model_.FindBoneByName(NameOf(AttributeOf(node, "id")));
            if (joint != nullptr && jointsById_.contains(joint) && taken_.insert(joint).second) {
                return joint;
            }
        }
        return model_.AddTreeOnlyBone({});
    }

    CModel& model_;
    const CJointsById& jointsById_;
    std::unordered_set<const CBone*> taken_;
};

// Exporters such as Maya name a block's material by a symbol ("blinn3SG")
// that the scene binds to the material's id ("blinn3"); the block takes the
// id, so that its material is found. A block whose name already finds a
// material keeps it, so the first binding of a symbol wins.
void RetargetBlocks(const CModel& model, CGeometry& geometry, pugi::xml_node binding) {
    const std::string_view symbol = AttributeOf(binding, "symbol");
    const std::string target = NameOf(ReferencedId(AttributeOf(binding, "target")));
    if (symbol.empty() || target.empty() || symbol == target || model.FindMaterial(target) == nullptr) {
        return;
    }
    for (const auto& block : geometry.polygons) {
        if (block && block->materialId == symbol && model.FindMaterial(block->materialId) == nullptr) {
            block->materialId = target;
        }
    }
}

} // namespace

void ReadSceneNodes(CModel& model, pugi::xml_node collada, const CJointsById& jointsById) {
    CNodeTreeReader reader(model, jointsById);
    for (const pugi::xml_node node : SelectNodes(collada, "library_visual_scenes/visual_scene/node")) {
        reader.Visit(node, nullptr, 0);
    }
}

void ReadMaterialBindings(CModel& model, pugi::xml_node collada) {
    for (const pugi::xml_node node : SelectNodes(collada, "library_visual_scenes/visual_scene/node")) {
        const pugi::xml_node instance = node.child("instance_geometry");
        if (!instance) {
            continue;
        }
        const std::string geometryId = NameOf(ReferencedId(AttributeOf(instance, "url")));
        for (const pugi::xml_node material :
             SelectNodes(instance, "bind_material/technique_common/instance_material")) {
            for (const auto& geometry : model.geometries) {
                if (geometry->id == geometryId) {
                    geometry->materialSymbols.push_back(
                        CutName(AttributeOf(material, "symbol"), kMaxMaterialSymbolLength));
                    RetargetBlocks(model, *geometry, material);
                    break;
                }
            }
        }
    }
    for (const auto& geometry : model.geometries) {
        model.splatMapCount =
            std::max(model.splatMapCount, static_cast<int32_t>(geometry->materialSymbols.size()));
    }
}

} // namespace quorvane
