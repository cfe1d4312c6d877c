// Skin controllers: bind-shape matrices, the bone table and per-vertex weights.
#include "collada/number_lists.h"
#include "collada/readers.h"
#include "collada/xml_access.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

namespace quorvane {
namespace {

// Below this a weight counts as no influence.
constexpr float kWeightEpsilon = 0.000001f;

struct CJointName {
    std::string name;
    bool isNodeId = false;
};

struct CSkinSource {
    std::string id;
    std::vector<float> floats;
};

CGeometry* FindGeometry(CModel& model, std::string_view geometryId) {
    for (const auto& geometry : model.geometries) {
        if (geometry->id == geometryId) {
            return geometry.get();
        }
    }
    return nullptr;
}

const CSkinSource* FindSource(const std::vector<CSkinSource>& sources, pugi::xml_node input) {
    if (!input) {
        return nullptr;
    }
    const std::string id = NameOf(ReferencedId(AttributeOf(input, "source")));
    for (const CSkinSource& source : sources) {
        if (source.id == id) {
            return &source;
        }
    }
    return nullptr;
}

// Keeps the eight largest weights in decreasing order; of equal weights the
// one met first stays in front.
void InsertInfluence(CWeightRow& row, float boneIndex, float weight) {
    auto& influences = row.influences;
    const auto position = std::find_if(influences.begin(), influences.end(), [&](const CBoneWeight& stored) {
        return stored.weight + kWeightEpsilon < weight;
    });
    if (position == influences.end()) {
        return;
    }
    std::move_backward(position, influences.end() - 1, influences.end());
    *position = CBoneWeight{boneIndex, weight};
}

class CSkinReader {
public:
    CSkinReader(CModel& model, CGeometry& geometry, pugi::xml_node skin, CJointsById& jointsById)
        : model_(model), geometry_(geometry), skin_(skin), jointsById_(jointsById) {}

    void Read() {
        if (const pugi::xml_node bindShape = skin_.child("bind_shape_matrix")) {
            const std::vector<float> values =
                ReadFloatList(TextOf(bindShape), geometry_.bindShapeMatrix.size());
            std::copy(values.begin(), values.end(), geometry_.bindShapeMatrix.begin());
        }
        ReadSources();
        ReadBones();
        ReadWeights();
    }

private:
    void ReadSources() {
        for (const pugi::xml_node node : skin_.children("source")) {
            CSkinSource& source = sources_.emplace_back();
            source.id = NameOf(AttributeOf(node, "id"));
            if (const pugi::xml_node floatArray = node.child("float_array")) {
                source.floats =
                    ReadFloatList(TextOf(floatArray), CountLimit(IntAttributeOf(floatArray, "count")));
            }
            if (const pugi::xml_node names = node.child("Name_array")) {
                AddJointNames(TextOf(names), false);
            } else if (const pugi::xml_node nodeIds = node.child("IDREF_array")) {
                AddJointNames(TextOf(nodeIds), true);
            }
        }
    }

    void AddJointNames(std::string_view text, bool areNodeIds) {
        for (const std::string_view name : SplitNameList(text)) {
            jointNames_.push_back(CJointName{NameOf(name), areNodeIds});
        }
    }

    // Joints already in the table (from an earlier controller) are reused:
    // jointBones_ maps this controller's joint positions to table indices.
    void ReadBones() {
        const CSkinSource* inverseBind =
            FindSource(sources_, SelectNodeWhere(skin_, "joints/input", "semantic", "INV_BIND_MATRIX"));
        std::unordered_map<std::string_view, size_t> tableIndex; // first bone of each name
        for (size_t i = 0; i < model_.bones.size(); ++i) {
            tableIndex.try_emplace(model_.bones[i]->name, i);
        }
        for (size_t j = 0; j < jointNames_.size(); ++j) {
            const auto [known, added] = tableIndex.try_emplace(jointNames_[j].name, model_.bones.size());
            jointBones_.push_back(static_cast<float>(known->second));
            if (!added) {
                continue;
            }
            CBone* bone = model_.AddTableBone(jointNames_[j].name);
            if (jointNames_[j].isNodeId) {
                jointsById_.insert(bone);
            }
            constexpr size_t kMatrixSize = std::tuple_size_v<Matrix4x4>;
            if (inverseBind != nullptr && (j + 1) * kMatrixSize <= inverseBind->floats.size()) {
                const auto first = inverseBind->floats.begin() + static_cast<std::ptrdiff_t>(j * kMatrixSize);
                std::copy(first, first + kMatrixSize, bone->inverseBindMatrix.begin());
            }
        }
    }

    // Pairs (joint, weight index) per influence; pairs that name no joint or
    // no weight are skipped.
    void ReadWeights() {
        const pugi::xml_node vertexWeights = skin_.child("vertex_weights");
        const CSkinSource* weightSource =
            FindSource(sources_, SelectNodeWhere(vertexWeights, "input", "semantic", "WEIGHT"));
        const std::vector<int32_t> counts = ReadIntList(TextOf(vertexWeights.child("vcount")));
        const std::vector<int32_t> pairs = ReadIntList(TextOf(vertexWeights.child("v")));
        // Missing vcount entries give empty rows up to the vertex count; a
        // count beyond both is not allocated.
        const size_t declared = CountLimit(IntAttributeOf(vertexWeights, "count"));
        const size_t rows = std::min(declared, std::max(counts.size(), CountLimit(geometry_.vertexCount)));
        geometry_.weightsSize = static_cast<int32_t>(rows);
        geometry_.weights.assign(rows, CWeightRow{});

        size_t k = 0;
        for (size_t vertex = 0; vertex < std::min(rows, counts.size()); ++vertex) {
            for (int32_t influence = 0; influence < counts[vertex]; ++influence) {
                if (pairs.size() - k < 2) {
                    return;
                }
                const int32_t joint = pairs[k];
                const int32_t weightIndex = pairs[k + 1];
                k += 2;
                if (joint < 0 || static_cast<size_t>(joint) >= jointBones_.size() ||
                    weightSource == nullptr || weightIndex < 0 ||
                    static_cast<size_t>(weightIndex) >= weightSource->floats.size()) {
                    continue;
                }
                InsertInfluence(geometry_.weights[vertex], jointBones_[static_cast<size_t>(joint)],
                                weightSource->floats[static_cast<size_t>(weightIndex)]);
            }
        }
    }

    CModel& model_;
    CGeometry& geometry_;
    pugi::xml_node skin_;
    std::vector<CSkinSource> sources_;
    CJointsById& jointsById_;
    std::vector<CJointName> jointNames_;
    std::vector<float> jointBones_; // table index of each joint position
};

} // namespace

void ReadSkinControllers(CModel& model, pugi::xml_node collada, CJointsById& jointsById) {
    for (const pugi::xml_node controller : SelectNodes(collada, "library_controllers/controller")) {
        const pugi::xml_node skin = controller.child("skin");
        CGeometry* geometry = FindGeometry(model, NameOf(ReferencedId(AttributeOf(skin, "source"))));
        if (!skin || geometry == nullptr) {
            continue;
        }
        CSkinReader(model, *geometry, skin, jointsById).Read();
    }
}

} // namespace quorvane
