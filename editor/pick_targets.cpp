#include "editor/pick_targets.h"

namespace quorvane {

void CPickTargets::Gather(const CRegistryLists& lists) {
    unwrittenCandidates_.clear();
    unwrittenTargets_.clear();
    lists.placedModels.ForEach([&](const CModelEntry& entry) {
        if (entry.hasDrawModel && entry.loaded.load(std::memory_order_acquire)) {
            unwrittenCandidates_.push_back({entry.transform, entry.bounds});
            unwrittenTargets_.push_back({&entry, nullptr});
        }
    });
    WrittenKey key{lists.gridFiles.Version(), EntryStateChanges().load(std::memory_order_acquire), 0};
    lists.gridFiles.ForEach([&key](const GridFileEntry& file) {
        key.files = key.files * 1000003u + (file.loaded.load(std::memory_order_acquire) ? 1u : 2u);
        for (const auto& group : file.groups) {
            key.files += group->Version();
        }
    });
    if (key == writtenKey_) {
        return;
    }
    writtenKey_ = key;
    writtenCandidates_.clear();
    writtenTargets_.clear();
    lists.gridFiles.ForEach([&](const GridFileEntry& file) {
        if (!file.loaded.load(std::memory_order_acquire)) {
            return;
        }
        for (const auto& group : file.groups) {
            group->ForEach([&](const CModelEntry& entry) {
                if (entry.loaded.load(std::memory_order_acquire) &&
                    !entry.hidden.load(std::memory_order_relaxed)) {
                    writtenCandidates_.push_back({entry.transform, entry.bounds});
                    writtenTargets_.push_back({&entry, &file});
                }
            });
        }
    });
}

std::optional<PickTarget> CPickTargets::Nearest(const PickRay& ray) const {
    const std::optional<PickHit> unwritten = NearestPick(unwrittenCandidates_, ray);
    const std::optional<PickHit> written = NearestPick(writtenCandidates_, ray);
    if (unwritten && (!written || unwritten->distance <= written->distance)) {
        return unwrittenTargets_[unwritten->index];
    }
    if (written) {
        return writtenTargets_[written->index];
    }
    return std::nullopt;
}

std::vector<PickTarget> CPickTargets::InRectangle(ViewPoint a, ViewPoint b,
                                                  const ViewProjection& view) const {
    std::vector<PickTarget> found;
    for (const size_t index :
         SelectInRectangle(unwrittenCandidates_, a, b, view.width, view.height, view.project)) {
        found.push_back(unwrittenTargets_[index]);
    }
    for (const size_t index :
         SelectInRectangle(writtenCandidates_, a, b, view.width, view.height, view.project)) {
        found.push_back(writtenTargets_[index]);
    }
    return found;
}

} // namespace quorvane
