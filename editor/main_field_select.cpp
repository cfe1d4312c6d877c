// Selecting copies in the field, and editing the ones already written.
#include "editor/main_field.h"

#include <unordered_set>
#include <utility>

namespace quorvane {
namespace {

void SetLineTransform(GridLine& line, const Vector4& position, const Vector4& scale,
                      const Vector4& rotation) {
    line.position = {position.x, position.y, position.z, line.position.w};
    line.scale = {scale.x, scale.y, scale.z, line.scale.w};
    line.rotation = {rotation.x, rotation.y, rotation.z, line.rotation.w};
}

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
    return selectedWrittenFile_.has_value();
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

void CMainField::GatherPickTargetsLocked() {
    // Unwritten copies move under the mouse without a count: gathered afresh each time.
    pickCandidates_.clear(); // their room is kept from one pick to the next
    pickTargets_.clear();
    lists_.placedModels.ForEach([&](const CModelEntry& entry) {
        if (entry.hasDrawModel && entry.loaded.load(std::memory_order_acquire)) {
            pickCandidates_.push_back({entry.transform, entry.bounds});
            pickTargets_.push_back({&entry, nullptr});
        }
    });
    // Written copies only when a file came, went or finished loading, a group
    // took a copy, or a copy moved, hid or loaded: each of those changes the key.
    WrittenPickKey key{lists_.gridFiles.Version(), EntryStateChanges().load(std::memory_order_acquire), 0};
    lists_.gridFiles.ForEach([&key](const GridFileEntry& file) {
        key.files = key.files * 1000003u + (file.loaded.load(std::memory_order_acquire) ? 1u : 2u);
        for (const auto& group : file.groups) {
            key.files += group->Version();
        }
    });
    if (key == writtenPickKey_) {
        return;
    }
    writtenPickKey_ = key;
    writtenCandidates_.clear();
    writtenTargets_.clear();
    // The frame update is the only thread that changes the copies of a loaded file.
    lists_.gridFiles.ForEach([&](const GridFileEntry& file) {
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

std::optional<CMainField::PickTarget> CMainField::PickLocked(const PickRay& ray) {
    GatherPickTargetsLocked();
    const std::optional<PickHit> unwritten = NearestPick(pickCandidates_, ray);
    const std::optional<PickHit> written = NearestPick(writtenCandidates_, ray);
    // An unwritten copy standing exactly where a written one does wins.
    if (unwritten && (!written || unwritten->distance <= written->distance)) {
        return pickTargets_[unwritten->index];
    }
    if (written) {
        return writtenTargets_[written->index];
    }
    return std::nullopt;
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
        const bool selecting = editMode_ == EditMode::ModeNoModel || editMode_ == EditMode::ModeMove ||
                               (toggles && editMode_ == EditMode::ModeAdjust && !input_.justPlaced);
        if (!selecting) {
            return;
        }
        if (ray) {
            const std::optional<PickTarget> hit = PickLocked(*ray);
            if (toggles) {
                if (hit) { // Shift+click on bare ground keeps the selection
                    ToggleInSelectionLocked(*hit);
                }
            } else {
                pressPickHit_ = hit.has_value();
                if (hit) {
                    SelectPickedLocked(*hit);
                } else {
                    ClearFieldSelectionLocked(calls);
                }
            }
        }
        // A drag that began on a copy selected that copy; only one from bare ground draws a rectangle.
        if (rectangle && !pressPickHit_) {
            SelectInRectangleLocked(*rectangle, calls);
        }
        calls.RepaintList();
        calls.RepaintMain();
    });
}

void CMainField::SelectInRectangleLocked(const RectangleRequest& request, CFieldHookCalls& calls) {
    GatherPickTargetsLocked();
    const auto inside = [&request](const std::vector<PickCandidate>& candidates) {
        return SelectInRectangle(candidates, request.a, request.b, request.view.width, request.view.height,
                                 request.view.project);
    };
    std::vector<const PickTarget*> found;
    for (const size_t index : inside(pickCandidates_)) {
        found.push_back(&pickTargets_[index]);
    }
    for (const size_t index : inside(writtenCandidates_)) {
        found.push_back(&writtenTargets_[index]);
    }
    ClearFieldSelectionLocked(calls);
    std::vector<SelectedCopy> members;
    std::unordered_set<uint32_t> serials; // a click's parts are one copy
    for (const PickTarget* hit : found) {
        const PickTarget& target = *hit;
        if (target.file != nullptr) {
            KeepWrittenCellLocked(*target.file);
            members.push_back({target.entry->name, target.file->path});
        } else if (serials.insert(target.entry->placementSerial).second) {
            members.push_back({target.entry->name, std::nullopt});
        }
    }
    if (members.empty()) {
        editMode_ = ModeWithoutSelectionLocked();
    } else if (members.size() == 1) {
        SelectOnlyLocked(members.front());
    } else {
        group_ = std::move(members);
        editMode_ = EditMode::ModeAdjust;
        input_.justPlaced = false;
        ResetGroupLocked();
    }
}

void CMainField::SelectPickedLocked(const PickTarget& target) {
    group_.clear();
    groupStart_.clear();
    if (target.file != nullptr) {
        // A click on a written part takes every part its click placed, as it does for unwritten ones.
        KeepWrittenCellLocked(*target.file);
        const std::vector<std::string> together =
            document_.PlacedTogether(target.file->path, target.entry->name);
        if (together.size() < 2) {
            SelectWrittenLocked(*target.file, *target.entry);
            return;
        }
        for (const std::string& name : together) {
            group_.push_back({name, target.file->path});
        }
        selectedName_.clear();
        selectedWrittenFile_.reset();
        listModel_.ClearSelection();
        input_.justPlaced = false;
        editMode_ = EditMode::ModeAdjust;
        ResetGroupLocked();
        return;
    }
    if (!SelectPlacedModelLocked(target.entry->name)) {
        return;
    }
    input_.justPlaced = false;
    // Its row is the one the placement list shows selected.
    int32_t row = 0;
    int32_t found = 0;
    const std::string& name = target.entry->name;
    lists_.placementRecords.ForEach([&](const CPlacedModel& record) {
        ++row;
        if (found == 0 && record.uniqueName == name) {
            found = row;
        }
    });
    if (found > 0) {
        listModel_.Select(found, lists_.placementRecords.Count());
    }
}

EditMode CMainField::ModeWithoutSelectionLocked() const {
    return cursor_.PartCount() > 0 ? EditMode::ModeMove : EditMode::ModeNoModel;
}

bool CMainField::SelectWrittenLocked(const GridFileEntry& file, const CModelEntry& entry) {
    KeepWrittenCellLocked(file);
    selectedWrittenFile_ = file.path;
    selectedName_ = entry.name;
    const std::optional<WrittenPart> part = SelectedWrittenLocked();
    if (!part) {
        selectedWrittenFile_.reset();
        selectedName_.clear();
        return false;
    }
    EditVectors& v = vectors_;
    v.selPositionUndo = v.selPosition = part->line.position;
    v.selScaleUndo = v.selScale = part->line.scale;
    v.selRotationUndo = v.selRotation = part->line.rotation;
    input_.justPlaced = false;
    listModel_.ClearSelection();
    editMode_ = EditMode::ModeAdjust;
    return true;
}

void CMainField::ClearFieldSelectionLocked(CFieldHookCalls& calls) {
    group_.clear();
    groupStart_.clear();
    selectedName_.clear();
    selectedWrittenFile_.reset();
    listModel_.ClearSelection();
    calls.RepaintList();
    calls.RepaintMain();
}

std::optional<WrittenPart> CMainField::SelectedWrittenLocked() const {
    if (!selectedWrittenFile_) {
        return std::nullopt;
    }
    return document_.Current(*selectedWrittenFile_, selectedName_);
}

void CMainField::SetWrittenLocked(const WrittenPart& part) {
    if (document_.Set(part)) {
        ++documentVersion_;
    }
}

void CMainField::ApplyWrittenTransformLocked() {
    std::optional<WrittenPart> part = SelectedWrittenLocked();
    if (!part || part->deleted) {
        return;
    }
    SetLineTransform(part->line, vectors_.selPosition, vectors_.selScale, vectors_.selRotation);
    SetWrittenLocked(*part);
}

void CMainField::RecordWrittenAdjustmentLocked() {
    const std::optional<WrittenPart> after = SelectedWrittenLocked();
    if (!after || after->deleted) {
        return;
    }
    const EditVectors& v = vectors_;
    WrittenPart before = *after;
    SetLineTransform(before.line, v.selPositionUndo, v.selScaleUndo, v.selRotationUndo);
    if (SameGridValues(before.line, after->line)) {
        return; // confirmed where it started
    }
    EditStep step;
    step.selectionAfter = CaptureSelectionLocked();
    step.selectionAfter.mode = EditMode::ModeAdjust;
    step.selectionBefore = step.selectionAfter;
    step.selectionBefore.selPosition = v.selPositionUndo;
    step.selectionBefore.selScale = v.selScaleUndo;
    step.selectionBefore.selRotation = v.selRotationUndo;
    step.writtenBefore.push_back(std::move(before));
    step.writtenAfter.push_back(*after);
    PushStepLocked(std::move(step));
}

bool CMainField::DeleteSelectedWrittenLocked(const PlacementSelection& before) {
    const std::optional<WrittenPart> part = SelectedWrittenLocked();
    if (!part || part->deleted) {
        return false;
    }
    WrittenPart confirmed = *part;
    if (ModeInRange(editMode_, EditMode::ModePlacedMove, 12)) {
        // Deleted in the middle of an adjustment: undone, it comes back unadjusted.
        const EditVectors& v = vectors_;
        SetLineTransform(confirmed.line, v.selPositionUndo, v.selScaleUndo, v.selRotationUndo);
    }
    WrittenPart deleted = confirmed;
    deleted.deleted = true;
    SetWrittenLocked(deleted);
    selectedName_.clear();
    selectedWrittenFile_.reset();
    ResetTypingLocked();
    editMode_ = ModeWithoutSelectionLocked();
    EditStep step;
    step.selectionBefore = before;
    step.selectionAfter = CaptureSelectionLocked();
    step.writtenBefore.push_back(std::move(confirmed));
    step.writtenAfter.push_back(std::move(deleted));
    PushStepLocked(std::move(step));
    return true;
}

void CMainField::SyncWrittenEntries() {
    std::lock_guard lock(mutex_);
    // What is selected, as one text: a change of it is a change to show.
    std::string selected =
        selectedWrittenFile_ ? selectedWrittenFile_->generic_string() + "|" + selectedName_ : "";
    for (const SelectedCopy& copy : group_) {
        selected.push_back('\n');
        if (copy.writtenFile) {
            selected.append(copy.writtenFile->generic_string());
        }
        selected.append("|").append(copy.name);
    }
    if (syncedDocumentVersion_ == documentVersion_ && syncedSelection_ == selected &&
        syncedFileListVersion_ == lists_.gridFiles.Version() &&
        syncedPlacedVersion_ == lists_.placedModels.Version()) {
        return;
    }
    syncedDocumentVersion_ = documentVersion_;
    syncedSelection_ = selected;
    syncedFileListVersion_ = lists_.gridFiles.Version();
    syncedPlacedVersion_ = lists_.placedModels.Version();
    // Looked up only when something changed: most frames end above.
    std::unordered_set<std::string> writtenInGroup;
    std::unordered_set<uint32_t> serialsInGroup;
    std::unordered_set<std::string> selectedFiles; // the files holding a selected copy
    if (selectedWrittenFile_) {
        selectedFiles.insert(selectedWrittenFile_->generic_string());
    }
    for (size_t i = 0; i < group_.size(); ++i) {
        const SelectedCopy& copy = group_[i];
        if (copy.writtenFile) {
            selectedFiles.insert(copy.writtenFile->generic_string());
            writtenInGroup.insert(copy.writtenFile->generic_string() + "|" + copy.name);
        } else if (i < groupSerials_.size() && groupSerials_[i] >= 0) {
            serialsInGroup.insert(static_cast<uint32_t>(groupSerials_[i]));
        }
    }
    bool changed = false;
    // The frame update alone writes the marks: a read first spares most copies a write.
    const auto mark = [&changed](CModelEntry& entry, bool isSelected) {
        if (entry.selected.load(std::memory_order_relaxed) != isSelected) {
            entry.selected.store(isSelected, std::memory_order_relaxed);
            changed = true;
        }
    };
    lists_.placedModels.ForEach(
        [&](CModelEntry& entry) { mark(entry, serialsInGroup.contains(entry.placementSerial)); });
    std::unordered_set<std::string> markedNow;
    lists_.gridFiles.ForEach([&](GridFileEntry& file) {
        if (!file.loaded.load(std::memory_order_acquire)) {
            return;
        }
        const std::string key = file.path.generic_string();
        // Only a copy that shows an edit, or showed one, can differ from its line as written.
        const auto shownHere = shownEdited_.find(key);
        const bool edits =
            document_.HasCell(file.path) &&
            ((shownHere != shownEdited_.end() && !shownHere->second.empty()) || document_.IsDirty(file.path));
        // A file with no selected copy now, none marked before and no edits has nothing to change.
        const bool selectsHere = selectedFiles.contains(key);
        if (!edits && !selectsHere && !markedFiles_.contains(key)) {
            return;
        }
        if (selectsHere) {
            markedNow.insert(key);
        }
        const bool selectedFile = selectedWrittenFile_ && *selectedWrittenFile_ == file.path;
        const std::string fileKey = key + "|";
        std::unordered_set<std::string>& shown = shownEdited_[key];
        for (const auto& group : file.groups) {
            group->ForEach([&](CModelEntry& entry) {
                mark(entry, (selectedFile && entry.name == selectedName_) ||
                                (!writtenInGroup.empty() && writtenInGroup.contains(fileKey + entry.name)));
                if (!edits) {
                    return;
                }
                std::optional<WrittenPart> part;
                if (const WrittenPart* edit = document_.EditOf(entry.name)) {
                    part = *edit;
                    shown.insert(entry.name);
                } else if (shown.erase(entry.name) > 0) {
                    part = document_.AsWritten(file.path, entry.name);
                }
                if (!part) {
                    return;
                }
                const CModelTransform transform{part->line.scale, part->line.rotation, part->line.position};
                if (entry.transform.scale != transform.scale ||
                    entry.transform.rotation != transform.rotation ||
                    entry.transform.position != transform.position) {
                    entry.transform = transform;
                    changed = true;
                }
                if (entry.hidden.exchange(part->deleted, std::memory_order_relaxed) != part->deleted) {
                    changed = true;
                }
            });
        }
    });
    markedFiles_ = std::move(markedNow);
    if (changed) {
        CountEntryChange();
    }
}

} // namespace quorvane
