#pragma once

#include "editor/model_definition.h"
#include "editor/model_loader.h"
#include "editor/vector4.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace quorvane {

// One definition part as the cursor keeps it, so that a place uses the parts
// that are on screen even when a newer choice is still pending.
struct CursorPartSource {
    std::string path;
    uint32_t lod = 0;
    uint32_t shader = 0;
    uint32_t listNumber = 0;
    uint32_t animated = 0;
    uint32_t copy = 0;
    std::filesystem::path definitionPath;
};

struct CursorSlot {
    std::unique_ptr<CCursorPart> part;
    CursorPartSource source;
};

inline constexpr size_t kCursorSlots = 8;
using CursorSlots = std::array<CursorSlot, kCursorSlots>;

// The parts of one choice for a loader thread to load.
struct CursorLoad {
    std::array<std::optional<CursorPartSource>, kCursorSlots> sources;
    uint64_t generation = 0;
    bool fromChoice = false; // a new choice centres the cursor and starts placing
};

// The parts a loader thread made of one load.
struct LoadedCursor {
    CursorSlots parts;
    uint32_t count = 0;                   // parts asked for, loaded or not
    std::optional<Vector4> centredOffset; // the horizontal centre of the last part that loaded
};

// The placement cursor: the parts drawn under the mouse, and the next ones a
// loader thread made until the render thread swaps them in. A click takes the
// live parts as they are, then the same sources load again. The field's lock
// guards it; only HasPending is asked without it.
class CPlacementCursor {
public:
    // A new choice's level-0 parts; loads of older choices are dropped from now on.
    CursorLoad Choose(const CModelDefinition& definition);
    // The live parts' sources again, after a place took the parts.
    CursorLoad NextCopies() const;
    bool IsCurrent(const CursorLoad& load) const { return load.generation == generation_; }
    // Loads a load's parts, with no lock held: loads take long. Null when
    // stop says a newer choice came or the field is going.
    static std::optional<LoadedCursor> Load(const CursorLoad& load, IModelLoader& loader,
                                            const std::function<bool()>& stop);
    // A loaded set for the render thread; one not swapped in yet is replaced
    // whole, so the cursor never mixes parts of two choices, and returned.
    CursorSlots Offer(LoadedCursor loaded);
    bool HasPending() const { return pending_.load(std::memory_order_acquire); }
    // Render thread: the offered parts go live; the old ones are returned,
    // to be destroyed on the thread that drew them. Nullopt when none were offered.
    std::optional<CursorSlots> SwapIn();

    uint32_t PartCount() const { return liveCount_; }
    // The live parts are whole: none given to a placement since they came.
    bool Ready() const { return ready_; }
    // Gives each whole live part to take, with its source; the cursor is not
    // ready again until the next copies swap in. The parts taken.
    template <typename F> int32_t TakeParts(F take) {
        int32_t taken = 0;
        for (CursorSlot& slot : live_) {
            if (slot.part) {
                take(std::move(slot.part), slot.source);
                ++taken;
            }
        }
        ready_ = ready_ && taken == 0;
        return taken;
    }
    // The live parts' sources, whether their parts are whole or taken.
    template <typename F> void ForEachSource(F visit) const {
        for (const CursorSlot& slot : live_) {
            if (!slot.source.path.empty()) {
                visit(slot.source);
            }
        }
    }
    template <typename F> void ForEachPart(F visit) const {
        for (const CursorSlot& slot : live_) {
            if (slot.part) {
                visit(*slot.part);
            }
        }
    }

private:
    CursorSlots live_;
    uint32_t liveCount_ = 0;
    bool ready_ = false;
    uint64_t generation_ = 0; // grows with each choice
    // Written by a loader thread under the field's lock, taken by the render thread.
    CursorSlots offered_;
    uint32_t offeredCount_ = 0;
    std::atomic<bool> pending_{false};
};

} // namespace quorvane
