#include "collada/collada_import.h"
#include "fuzz/fuzz_checks.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

using namespace quorvane;

namespace {

void CheckGeometry(const CGeometry& geometry, size_t boneCount) {
    for (const auto& array : geometry.floatArrays) {
        FUZZ_CHECK(array->values.size() % static_cast<size_t>(array->width) == 0);
    }
    for (const auto& block : geometry.polygons) {
        // Whole groups of whole triangles only.
        FUZZ_CHECK(block->CornerCount() * block->GroupLength() ==
                   static_cast<int64_t>(block->indices.size()));
        FUZZ_CHECK(block->CornerCount() % 3 == 0);
    }
    FUZZ_CHECK(static_cast<int64_t>(geometry.weights.size()) == geometry.weightsSize);
    for (const CWeightRow& row : geometry.weights) {
        for (size_t i = 0; i < row.influences.size(); ++i) {
            const CBoneWeight& influence = row.influences[i];
            FUZZ_CHECK(influence.boneIndex >= 0.0f && influence.boneIndex < static_cast<float>(boneCount) ||
                       influence.weight == 0.0f);
            FUZZ_CHECK(i == 0 || !(row.influences[i - 1].weight + 0.000001f < influence.weight));
        }
    }
    FUZZ_CHECK(geometry.vertexCount >= 0 && geometry.materialSymbols.size() <= 1u << 20);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CModel model;
    if (!LoadColladaText(model, text, "./model/fuzz/doc.dae")) {
        FUZZ_CHECK(model.directory == "./model/fuzz/");
        FUZZ_CHECK(model.geometries.empty() && model.bones.empty() && model.animations.empty());
        return 0;
    }
    FUZZ_CHECK(model.id == "doc");
    FUZZ_CHECK(model.animations.size() == 1u);
    CheckBoneForest(model);
    for (const auto& geometry : model.geometries) {
        CheckGeometry(*geometry, model.bones.size());
        FUZZ_CHECK(static_cast<int64_t>(geometry->materialSymbols.size()) <= model.splatMapCount);
    }
    for (const auto& channel : model.animations[0]->channels) {
        FUZZ_CHECK(channel->bone == nullptr || channel->bone == model.FindBoneById(channel->target));
    }
    return 0;
}
