#pragma once

#include "editor/background_queue.h"
#include "editor/grid_file.h"
#include "editor/grid_name_cache.h"
#include "editor/model_definition.h"
#include "editor/model_loader.h"
#include "editor/placement_cursor.h"
#include "editor/placement_random.h"
#include "editor/vector4.h"

#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace quorvane {

// The placement tool: the cursor's parts and their next copies, the choice
// that starts placing, the cell under the pick point and the names already in
// the cells, which a place needs to name its copies. Parts load and names are
// read without the field's lock: a choice's parts on the chooser's thread,
// the next copies and the names on the field's background thread, so a click
// reads no file and waits for no loader slot. Members named *Locked want the
// field's lock held.
class CPlacementTool {
public:
    using NameReader = std::function<GridFileLines(const std::filesystem::path&)>;

    CPlacementTool(std::mutex& fieldMutex, IModelLoader& loader, CBackgroundQueue& background,
                   std::filesystem::path gridRoot, NameReader names);

    // Loads the definition's level-0 parts on the calling thread, without the
    // lock; they reach the cursor with the next swap-in. A click still
    // waiting to place is not made with the new choice.
    void Choose(const CModelDefinition& definition);
    bool HasPending() const { return cursor_.HasPending(); } // without the lock

    // A new choice's parts went live: the cursor centres on them and placing starts.
    struct ArrivedChoice {
        std::optional<Vector4> centredOffset;
    };
    struct SwappedIn {
        CursorSlots retired; // to destroy after the lock, on the thread that drew them
        std::optional<ArrivedChoice> choice;
    };
    // Render thread: the offered parts go live. Nullopt when none were offered.
    std::optional<SwappedIn> SwapInLocked();

    // The cell under the pick point; its names are read again on every visit,
    // since a teammate may have written to it meanwhile.
    void SetCellLocked(const std::string& cell);
    void ReadCellNamesLocked() { RequestNamesLocked(cell_); } // before the pick point ever moved
    const std::string& CellLocked() const { return cell_; }

    // A click places in the current cell once the cursor holds whole parts
    // and the cell's names are known; until then it waits, asking for them.
    void RequestPlaceLocked() { pendingCell_ = cell_; }
    void CancelPlaceLocked() { pendingCell_.reset(); }
    bool PlacePendingLocked() const { return pendingCell_.has_value(); }
    struct ReadyPlace {
        std::string cell;
        const std::unordered_set<std::string>* written = nullptr; // the names in its grid map file
    };
    std::optional<ReadyPlace> TakeReadyPlaceLocked();
    // The names in the cell's grid map file once read; null, asking for
    // them, before. Valid until the next name request.
    const std::unordered_set<std::string>* WrittenNamesLocked(const std::string& cell);
    const std::filesystem::path& GridRoot() const { return gridRoot_; }
    // Gives each whole live part, with its source, to take; the same sources
    // then load again on the background thread. The parts taken.
    template <typename F> int32_t TakePartsLocked(F take) {
        const int32_t taken = cursor_.TakeParts(take);
        if (taken > 0) {
            PostNextCopiesLocked();
        }
        return taken;
    }
    // Names a write has just put into a cell's file.
    void AddWrittenNameLocked(const std::filesystem::path& file, const std::string& name) {
        names_.AddWritten(file, name);
    }
    // The next copy's random scale and turn about the base ones.
    CursorDraw DrawNextLocked(const RandomRanges& ranges, const Vector4& baseScale,
                              const Vector4& baseRotation) {
        return DrawNextCursor(random_, ranges, baseScale, baseRotation);
    }
    // The model files of the live parts.
    std::vector<std::string> PartPathsLocked() const;
    // The live parts load again when one is built from a model in paths.
    void ReloadPartsLocked(const std::vector<std::string>& paths);
    const CPlacementCursor& CursorLocked() const { return cursor_; }
    CPlacementCursor& CursorLocked() { return cursor_; }

private:
    void Load(const CursorLoad& load); // without the lock
    void PostNextCopiesLocked();
    void RequestNamesLocked(const std::string& cell);
    void ReadNames(const std::filesystem::path& file); // background thread

    std::mutex& mutex_;
    IModelLoader& loader_;
    CBackgroundQueue& background_;
    const std::filesystem::path gridRoot_;
    const NameReader readNames_;
    CPlacementCursor cursor_; // its pending flag also without the lock
    std::optional<ArrivedChoice> arrived_;
    std::optional<std::string> pendingCell_; // a click waiting for the cursor or the cell's names
    std::string cell_ = "p0p0";
    CGridNameCache names_;
    CPlacementRandom random_;
};

} // namespace quorvane
