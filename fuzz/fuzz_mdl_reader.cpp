#include "fuzz/fuzz_checks.h"
#include "modeldata/mdl_reader.h"
#include "modeldata/number_line.h"
#include "modeldata/text_lines.h"

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

// The one-pass number readers must agree with splitting and converting.
void CheckNumberLine(std::string_view line) {
    CTokens tokens(line, kValueDelimiters);
    std::string_view token;
    std::vector<double> expected;
    std::vector<int32_t> expectedInts;
    while (tokens.Next(token)) {
        expected.push_back(ParseDoubleLikeAtof(token));
        expectedInts.push_back(ParseIntLikeAtoi(token));
    }
    size_t k = 0;
    ForEachDoubleOnLine(line, SIZE_MAX, [&](double value) {
        FUZZ_CHECK(k < expected.size());
        FUZZ_CHECK(value == expected[k] || (value != value && expected[k] != expected[k]));
        ++k;
    });
    FUZZ_CHECK(k == expected.size());
    k = 0;
    ForEachIntOnLine(line, SIZE_MAX, [&](int32_t value) {
        FUZZ_CHECK(k < expectedInts.size() && value == expectedInts[k]);
        ++k;
    });
    FUZZ_CHECK(k == expectedInts.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CModel model;
    CheckNumberLine(text.substr(0, 4096));
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
