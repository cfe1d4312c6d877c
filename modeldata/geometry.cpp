#include "modeldata/geometry.h"

#include <algorithm>
#include <utility>

namespace quorvane {

void CFloatArray::SetVectors(int32_t floatsPerVector, std::vector<float> floats) {
    if (!IsStoredWidth(floatsPerVector)) {
        width = 1;
        values.clear();
        return;
    }
    width = floatsPerVector;
    values = std::move(floats);
    values.resize(values.size() - values.size() % static_cast<size_t>(width));
}

int64_t CPolygonData::GroupLength() const {
    return 1 + int64_t{std::max({vertexOffset, normalOffset, colorOffset, texOffset, kAbsent})};
}

int64_t CPolygonData::CornerCount() const {
    const int64_t length = GroupLength();
    return length > 0 ? static_cast<int64_t>(indices.size()) / length : 0;
}

const CFloatArray* CGeometry::FindFloatArray(std::string_view arrayId) const {
    for (const auto& array : floatArrays) {
        if (array->id == arrayId) {
            return array.get();
        }
    }
    return nullptr;
}

CFloatArray* CGeometry::FindFloatArray(std::string_view arrayId) {
    return const_cast<CFloatArray*>(std::as_const(*this).FindFloatArray(arrayId));
}

} // namespace quorvane
