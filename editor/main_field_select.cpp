// Selecting in the field: the pick requests, and what the selection shows.
#include "editor/main_field.h"

#include <unordered_set>
#include <utility>

namespace quorvane {
namespace {

// Tells the instance refresh that a copy moved, hid or changed its tint.
void CountEntryChange() {
    EntryStateChanges().fetch_add(1, std::memory_order_release);
}

} // namespace

void CMainField::SetPickRay(PickRayFunction pickRay) {
    std::lock_guard lock(mutex_);
    pickRay_ = std::move(pickRay);
}

bool CMainField::PickPending() const {
    std::lock_guard lock(mutex_);
    return pendingPick_.has_value();
}

bool CMainField::SelectedIsWritten() const {
    std::lock_guard lock(mutex_);
    return edit_.selection.writtenFile.has_value();
}

std::vector<WrittenPart> CMainField::WrittenEdits() const {
    std::lock_guard lock(mutex_);
    return document_.Edits();
}

bool CMainField::HasUnwrittenEdits(const std::filesystem::path& file) const {
    std::lock_guard lock(mutex_);
    return document_.IsDirty(file);
}

void CMainField::SetViewProjection(ViewProjectionFunction projection) {
    std::lock_guard lock(mutex_);
    viewProjection_ = std::move(projection);
}

void CMainField::HandlePickRequest() {
    std::optional<PickRay> ray;
    std::optional<RectangleRequest> rectangle;
    bool toggles = false;
    {
        std::lock_guard lock(mutex_);
        ray.swap(pendingPick_);
        rectangle.swap(pendingRectangle_);
        toggles = std::exchange(pendingPickToggles_, false);
    }
    if (!ray && !rectangle) {
        return;
    }
    LockedStep([&](CFieldHookCalls& calls) {
        // A key pressed since the click started something else: the click only ended the adjustment.
        const bool selecting = edit_.mode == EditMode::ModeNoModel || edit_.mode == EditMode::ModeMove ||
                               (toggles && edit_.mode == EditMode::ModeAdjust && !edit_.input.justPlaced);
        if (!selecting) {
            return;
        }
        if (ray) {
            pickTargets_.Gather(lists_);
            const std::optional<PickTarget> hit = pickTargets_.Nearest(*ray);
            if (toggles) {
                if (hit) { // Shift+click on bare ground keeps the selection
                    selector_.Toggle(*hit);
                }
            } else {
                pressPickHit_ = hit.has_value();
                if (hit) {
                    selector_.SelectPicked(*hit);
                } else {
                    selector_.Clear(calls);
                }
            }
        }
        // A drag that began on a copy selected that copy; only one from bare ground draws a rectangle.
        if (rectangle && !pressPickHit_) {
            pickTargets_.Gather(lists_);
            selector_.SelectInRectangle(pickTargets_.InRectangle(rectangle->a, rectangle->b, rectangle->view),
                                        calls);
        }
        calls.RepaintList();
        calls.RepaintMain();
    });
}

void CMainField::SyncWrittenEntries() {
    std::lock_guard lock(mutex_);
    if (shownEdits_.Sync(lists_, document_, edit_.selection.Shown())) {
        CountEntryChange();
    }
}

std::vector<SelectedCopy> CMainField::SelectedGroup() const {
    std::lock_guard lock(mutex_);
    return edit_.selection.group;
}

std::vector<std::string> CMainField::SelectedWrittenNames() const {
    std::lock_guard lock(mutex_);
    return edit_.selection.WrittenNames();
}

int32_t CMainField::ListRowCountLocked() const {
    return lists_.placementRecords.Count() + static_cast<int32_t>(edit_.selection.WrittenNames().size());
}

} // namespace quorvane
