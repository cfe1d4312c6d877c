#include "editor/placement_cursor.h"

#include <algorithm>
#include <utility>

namespace quorvane {

CursorLoad CPlacementCursor::Choose(const CModelDefinition& definition) {
    CursorLoad load;
    load.fromChoice = true;
    load.generation = ++generation_;
    const size_t parts = std::min<size_t>(definition.count, kCursorSlots);
    for (size_t i = 0; i < parts; ++i) {
        if (definition.lodValues[i] == 0) {
            load.sources[i] = CursorPartSource{definition.paths[i],          definition.lodValues[i],
                                               definition.shaderValues[i],   definition.listNumbers[i],
                                               definition.animatedValues[i], definition.copyValues[i],
                                               definition.filePath};
        }
    }
    return load;
}

CursorLoad CPlacementCursor::NextCopies() const {
    CursorLoad load;
    load.generation = generation_;
    for (size_t i = 0; i < kCursorSlots; ++i) {
        if (!live_[i].source.path.empty()) {
            load.sources[i] = live_[i].source;
        }
    }
    return load;
}

std::optional<LoadedCursor> CPlacementCursor::Load(const CursorLoad& load, IModelLoader& loader,
                                                   const std::function<bool()>& stop) {
    LoadedCursor loaded;
    for (size_t i = 0; i < kCursorSlots; ++i) {
        if (!load.sources[i]) {
            continue;
        }
        if (stop()) {
            return std::nullopt;
        }
        ++loaded.count;
        CursorSlot& slot = loaded.parts[i];
        slot.source = *load.sources[i];
        slot.part = loader.LoadCursorPart(slot.source.path, slot.source.animated != 0);
        if (slot.part) {
            // Centred on the pick point: the offset is the box's horizontal centre.
            const CBoundingBox& box = slot.part->bounds;
            loaded.centredOffset = Vector4{(box.minimum.x + box.maximum.x) * 0.5f,
                                           (box.minimum.y + box.maximum.y) * 0.5f, 0.0f, 1.0f};
        }
    }
    return loaded;
}

CursorSlots CPlacementCursor::Offer(LoadedCursor loaded) {
    CursorSlots replaced = std::exchange(offered_, std::move(loaded.parts));
    offeredCount_ = loaded.count;
    pending_.store(true, std::memory_order_release);
    return replaced;
}

std::optional<CursorSlots> CPlacementCursor::SwapIn() {
    if (!pending_.exchange(false, std::memory_order_acq_rel)) {
        return std::nullopt;
    }
    CursorSlots retired;
    for (size_t i = 0; i < kCursorSlots; ++i) {
        retired[i] = std::exchange(live_[i], std::move(offered_[i]));
        offered_[i] = {};
    }
    liveCount_ = offeredCount_;
    ready_ = true;
    return retired;
}

} // namespace quorvane
