#include "fuzz/fuzz_checks.h"
#include "modeldata/mdl_reader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace quorvane;

namespace {

void CheckGeometry(const CGeometry& geometry) {
    for (const auto& array : geometry.floatArrays) {
        FUZZ_CHECK(array->width >= 1 && array->width <= 4);
        FUZZ_CHECK(array->values.size() % static_cast<size_t>(array->width) == 0);
        FUZZ_CHECK(array->Vector(array->VectorCount()).empty());
    }
    for (const auto& polygon : geometry.polygons) {
        FUZZ_CHECK(polygon->CornerCount() * polygon->GroupLength() <=
                   static_cast<int64_t>(polygon->indices.size()));
    }
    FUZZ_CHECK(geometry.weights.empty() ||
               static_cast<int32_t>(geometry.weights.size()) == geometry.weightsSize);
    FUZZ_CHECK(geometry.vertexCount >= 0 && geometry.weightsSize >= 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CModel model;
    ReadModelText(model, text, "./model/fuzz/fuzz.mdl");
    FUZZ_CHECK(model.directory == "./model/fuzz/");
    FUZZ_CHECK(CheckBoneForest(model) <= model.bones.size() + model.TreeOnlyBones().size());
    for (const auto& geometry : model.geometries) {
        CheckGeometry(*geometry);
    }
    // A second file into the same model (as animation files append) keeps it sound.
    ReadModelText(model, text, "x.mdl");
    FUZZ_CHECK(CheckBoneForest(model) <= model.bones.size() + model.TreeOnlyBones().size());
    return 0;
}
