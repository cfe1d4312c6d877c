#include "fuzz/fuzz_checks.h"
#include "modeldata/collider_reader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace quorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CColliderSet set;
    ReadColliderText(set, text);
    int32_t total = 0;
    for (const int32_t count : set.CountByType()) {
        total += count;
    }
    FUZZ_CHECK(static_cast<size_t>(total) == set.colliders.size());
    for (const auto& collider : set.colliders) {
        for (const auto& polygon : collider->polygons) {
            FUZZ_CHECK(static_cast<size_t>(polygon->cornerCount) == polygon->normalIndices.size());
            FUZZ_CHECK(polygon->positionIndices.size() >= polygon->normalIndices.size());
        }
        FUZZ_CHECK(collider->weights == nullptr || !collider->weights->empty());
        const auto copy = collider->MakeInstanceCopy();
        FUZZ_CHECK(copy->polygons.size() == collider->polygons.size());
    }
    return 0;
}
