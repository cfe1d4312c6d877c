#include "fuzz/fuzz_checks.h"
#include "modeldata/ani_reader.h"
#include "modeldata/mdl_reader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace quorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CModel model;
    ReadModelText(
        model,
        "MODEL_ID\nSKELTON\nBONE_ARRAY\nhip knee\n"
        "BONE\nBONE_NAME hip\nBONE_ID b_hip\nCHILD_COUNT 1\nBONE_NAME knee\nBONE_ID b_knee\nCHILD_COUNT 0\n",
        "skelton.mdl");
    const bool added = ReadAnimationText(model, text, "WALK");
    FUZZ_CHECK(model.animations.size() == (added ? 1u : 0u));
    for (const auto& animation : model.animations) {
        for (const auto& channel : animation->channels) {
            FUZZ_CHECK(channel->bone == nullptr || channel->bone == model.FindBoneById(channel->target));
            FUZZ_CHECK(channel->KeyCount() <= channel->poses.size());
        }
    }
    FindAnimationTargetModelId(text);
    return 0;
}
