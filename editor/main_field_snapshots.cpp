// What other threads read of the field: copies taken under the lock.
#include "editor/main_field.h"

namespace quorvane {

EditMode CMainField::Mode() const {
    std::lock_guard lock(mutex_);
    return edit_.mode;
}

EditVectors CMainField::Vectors() const {
    std::lock_guard lock(mutex_);
    return edit_.vectors;
}

InputState CMainField::Input() const {
    std::lock_guard lock(mutex_);
    return edit_.input;
}

std::string CMainField::SelectedName() const {
    std::lock_guard lock(mutex_);
    return edit_.selection.name;
}

std::string CMainField::CellName() const {
    std::lock_guard lock(mutex_);
    return placement_.CellLocked();
}

uint32_t CMainField::CursorPartCount() const {
    std::lock_guard lock(mutex_);
    return placement_.CursorLocked().PartCount();
}

uint32_t CMainField::PlacementSerial() const {
    std::lock_guard lock(mutex_);
    return unwritten_.LastSerial();
}

bool CMainField::CursorPending() const {
    return placement_.HasPending();
}

CPlacementListModel CMainField::ListModel() const {
    std::lock_guard lock(mutex_);
    return edit_.list;
}

int32_t CMainField::PlacedModelCount() const {
    std::lock_guard lock(mutex_);
    return lists_.placedModels.Count();
}

int32_t CMainField::PlacementRecordCount() const {
    std::lock_guard lock(mutex_);
    return lists_.placementRecords.Count();
}

int32_t CMainField::GridFileCount() const {
    std::lock_guard lock(mutex_);
    return lists_.gridFiles.Count();
}

int32_t CMainField::SharedModelCount() const {
    std::lock_guard lock(mutex_);
    return lists_.sharedModels.Count();
}

std::vector<CPlacedModel> CMainField::PlacementRecordSnapshot() const {
    std::lock_guard lock(mutex_);
    std::vector<CPlacedModel> records;
    records.reserve(static_cast<size_t>(lists_.placementRecords.Count()));
    lists_.placementRecords.ForEach([&records](const CPlacedModel& record) { records.push_back(record); });
    return records;
}

std::string CMainField::TypedValueText() const {
    std::lock_guard lock(mutex_);
    return IsInModeGroup(edit_.mode) ? edit_.gesture.TypedText() : std::string();
}

bool CMainField::Snapping() const {
    std::lock_guard lock(mutex_);
    return IsInModeGroup(edit_.mode) && edit_.input.ctrlKeyDown && !edit_.gesture.Typing();
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

std::vector<SelectedCopy> CMainField::SelectedGroup() const {
    std::lock_guard lock(mutex_);
    return edit_.selection.group;
}

std::vector<std::string> CMainField::SelectedWrittenNames() const {
    std::lock_guard lock(mutex_);
    return edit_.selection.WrittenNames();
}

} // namespace quorvane
