#pragma once

#include "editor/registry_lists.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quorvane {

// A frame's walk over the grid files' entries, the placed models or both,
// that skips the settled ones. Tens of thousands of written or painted copies
// sit still for most frames; only a few (loading, animated, drawn singly)
// need the frame's work. The first walk under a content key visits every
// entry and keeps those whose visit asked to come again; later walks under
// the same key visit only those. The key must change whenever an entry
// comes, goes or changes what the visit looks at, and entries may leave the
// lists only on the walking thread, so a kept pointer stays valid while the
// key holds.
class CGridEntryWalk {
public:
    enum class Lists { GridFiles, PlacedModels, PlacedModelsAndGridFiles };

    explicit CGridEntryWalk(Lists walked = Lists::GridFiles) : walked_(walked) {}

    // visit(CModelEntry&) returns true to be called again next frame. Read
    // key before anything the visit looks at, so a change made meanwhile
    // brings a full walk next time.
    template <typename Visit> void Run(const CRegistryLists& lists, uint64_t key, Visit visit) {
        if (walkedKey_ == key) {
            std::erase_if(kept_, [&visit](CModelEntry* entry) { return !visit(*entry); });
            return;
        }
        kept_.clear();
        const auto keep = [&](CModelEntry& entry) {
            if (visit(entry)) {
                kept_.push_back(&entry);
            }
        };
        if (walked_ != Lists::GridFiles) {
            lists.placedModels.ForEach(keep);
        }
        if (walked_ != Lists::PlacedModels) {
            lists.gridFiles.ForEach([&](GridFileEntry& file) {
                for (auto& group : file.groups) {
                    group->ForEach(keep);
                }
            });
        }
        walkedKey_ = key;
    }

    // Entries the last walk kept.
    size_t KeptCount() const { return kept_.size(); }

private:
    Lists walked_;
    std::optional<uint64_t> walkedKey_;
    std::vector<CModelEntry*> kept_;
};

} // namespace quorvane
