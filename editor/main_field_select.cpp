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
    input_.SetPickRay(std::move(pickRay));
}

bool CMainField::PickPending() const {
    std::lock_guard lock(mutex_);
    return selector_.PickPending();
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
    input_.SetViewProjection(std::move(projection));
}

void CMainField::HandlePickRequest() {
    LockedStep([this](CFieldHookCalls& calls) { selector_.HandleRequests(calls); });
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
