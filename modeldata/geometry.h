#pragma once

#include "modeldata/model_types.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// One named stream of vectors of 2, 3 or 4 floats, stored contiguously.
// A stream of any other width keeps no vectors (width 1, empty).
struct CFloatArray {
    std::string id;
    int32_t width = 1;
    std::vector<float> values; // VectorCount() * width floats

    // Replaces the stream. Widths other than 2, 3 and 4 leave it empty; a
    // trailing partial vector is dropped.
    void SetVectors(int32_t floatsPerVector, std::vector<float> floats);

    static bool IsStoredWidth(int64_t floatsPerVector) {
        return floatsPerVector >= 2 && floatsPerVector <= 4;
    }
    int64_t VectorCount() const { return static_cast<int64_t>(values.size()) / width; }
    // Vector i, or an empty span when i is out of range.
    std::span<const float> Vector(int64_t i) const {
        if (i < 0 || i >= VectorCount()) {
            return {};
        }
        return std::span<const float>(values).subspan(static_cast<size_t>(i * width),
                                                      static_cast<size_t>(width));
    }
};

// One triangle list drawn with one material. The index stream is a sequence of
// groups of GroupLength() indices; each group is one corner, its position,
// normal, colour and texture-coordinate indices at the four offsets.
struct CPolygonData {
    static constexpr int32_t kAbsent = -1;

    std::string materialId;
    std::string vertexId;
    std::string normalId;
    std::string colorId;
    int32_t vertexOffset = kAbsent;
    int32_t normalOffset = kAbsent;
    int32_t colorOffset = kAbsent;
    int32_t texOffset = kAbsent;
    std::vector<std::string> texIds; // one texture-coordinate stream per set
    std::vector<int32_t> indices;

    // 1 + the largest offset; 0 when every offset is absent. 64-bit because
    // offsets come straight from files.
    int64_t GroupLength() const;
    // Whole groups in the stream (a trailing partial group does not count).
    int64_t CornerCount() const;
};

// One influence: bone table index (stored as a float, as the GPU reads it) and weight.
struct CBoneWeight {
    float boneIndex = 0.0f;
    float weight = 0.0f;
};
static_assert(sizeof(CBoneWeight) == 8);

// The skin weights of one vertex. The GPU build reads exactly eight
// influences; unused ones are zero.
struct CWeightRow {
    static constexpr int32_t kInfluences = 8;
    std::array<CBoneWeight, kInfluences> influences{};
};
static_assert(sizeof(CWeightRow) == 64);

// One mesh of a model.
struct CGeometry {
    std::string id;
    Matrix4x4 bindShapeMatrix = kIdentityMatrix;
    std::vector<std::unique_ptr<CFloatArray>> floatArrays;
    std::vector<std::unique_ptr<CPolygonData>> polygons;
    std::vector<std::string> materialSymbols; // filled by the COLLADA import
    // One row per vertex of the position stream; empty when the geometry has no skin.
    std::vector<CWeightRow> weights;
    int32_t weightsSize = 0; // the row count the file declared
    int32_t vertexCount = 0;
    int32_t isSplatMapLayout = 0;
    int32_t splatMapDecalTextureNum = 0;

    bool HasWeights() const { return !weights.empty(); }
    // The first float array with this id, or null.
    const CFloatArray* FindFloatArray(std::string_view arrayId) const;
    CFloatArray* FindFloatArray(std::string_view arrayId);
};

} // namespace quorvane
