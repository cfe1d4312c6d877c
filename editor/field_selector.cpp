#include "editor/field_selector.h"

#include "editor/group_transform.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace quorvane {
namespace {

EditMode OutsideModeGroups(EditMode mode) {
    if (ModeInRange(mode, EditMode::ModeCursorMove, 12)) {
        return EditMode::ModePlace;
    }
    if (ModeInRange(mode, EditMode::ModePlacedMove, 12)) {
        return EditMode::ModeAdjust;
    }
    return mode;
}

} // namespace

void CFieldSelector::RequestPick(std::optional<PickRay> ray, bool toggles) {
    pick_ = ray;
    pickToggles_ = toggles;
    if (!toggles) {
        pressHit_ = false;
    }
}

void CFieldSelector::HandleRequests(CFieldHookCalls& calls) {
    std::optional<PickRay> ray = std::exchange(pick_, std::nullopt);
    std::optional<RectangleRequest> rectangle = std::exchange(rectangle_, std::nullopt);
    const bool toggles = std::exchange(pickToggles_, false);
    if (!ray && !rectangle) {
        return;
    }
    // A key pressed since the click started something else: the click only ended the adjustment.
    const bool selecting = edit_.mode == EditMode::ModeNoModel || edit_.mode == EditMode::ModeMove ||
                           (toggles && edit_.mode == EditMode::ModeAdjust && !edit_.input.justPlaced);
    if (!selecting) {
        return;
    }
    if (ray) {
        targets_.Gather(lists_);
        const std::optional<PickTarget> hit = targets_.Nearest(*ray);
        if (toggles) {
            if (hit) { // Shift+click on bare ground keeps the selection
                Toggle(*hit);
            }
        } else {
            pressHit_ = hit.has_value();
            if (hit) {
                SelectPicked(*hit);
            } else {
                Clear(calls);
            }
        }
    }
    // A drag that began on a copy selected that copy; only one from bare ground draws a rectangle.
    if (rectangle && !pressHit_) {
        targets_.Gather(lists_);
        SelectInRectangle(targets_.InRectangle(rectangle->a, rectangle->b, rectangle->view), calls);
    }
    calls.RepaintList();
    calls.RepaintMain();
}

PlacementSelection CFieldSelector::Capture() const {
    PlacementSelection selection;
    selection.mode = OutsideModeGroups(edit_.mode);
    selection.selectedName = edit_.selection.name;
    selection.writtenFile = edit_.selection.writtenFile;
    selection.group = edit_.selection.group;
    selection.list = edit_.list;
    selection.justPlaced = edit_.input.justPlaced;
    selection.selPosition = edit_.vectors.selPosition;
    selection.selScale = edit_.vectors.selScale;
    selection.selRotation = edit_.vectors.selRotation;
    return selection;
}

void CFieldSelector::Restore(const PlacementSelection& selection) {
    const int32_t height = edit_.list.Height(); // the window's, not the step's
    edit_.list = selection.list;
    edit_.list.SetHeight(height);
    edit_.selection.name = selection.selectedName;
    edit_.input.justPlaced = selection.justPlaced;
    edit_.mode = selection.mode;
    EditVectors& v = edit_.vectors;
    v.selPosition = selection.selPosition;
    v.selScale = selection.selScale;
    v.selRotation = selection.selRotation;
    edit_.selection.writtenFile = selection.writtenFile;
    edit_.selection.group = selection.group;
    if (!edit_.selection.group.empty()) {
        ResetGroup(); // about the copies' centre as they stand now
        return;
    }
    if (edit_.selection.writtenFile) {
        const std::optional<WrittenPart> part = SelectedWritten();
        if (part && !part->deleted) {
            v.selPositionUndo = v.selPosition = part->line.position;
            v.selScaleUndo = v.selScale = part->line.scale;
            v.selRotationUndo = v.selRotation = part->line.rotation;
        } else {
            edit_.selection.name.clear();
            edit_.selection.writtenFile.reset();
            edit_.mode = ModeWithoutSelection();
        }
        return;
    }
    // The selected group's own transform wins: the next adjustment starts from it.
    const CModelEntry* entry = lists_.placedModels.FindFirst(
        [this](const CModelEntry& e) { return e.name == edit_.selection.name; });
    if (entry != nullptr && entry->hasDrawModel) {
        v.selPosition = entry->transform.position;
        v.selScale = entry->transform.scale;
        v.selRotation = entry->transform.rotation;
    }
    v.selPositionUndo = v.selPosition;
    v.selScaleUndo = v.selScale;
    v.selRotationUndo = v.selRotation;
}

EditMode CFieldSelector::ModeWithoutSelection() const {
    return placement_.CursorLocked().PartCount() > 0 ? EditMode::ModeMove : EditMode::ModeNoModel;
}

void CFieldSelector::KeepWrittenCell(const GridFileEntry& file) {
    // The cell as read counts, unless the document holds newer: edits, or a
    // write the cell in memory has not taken in yet.
    const bool documentNewer =
        document_.IsDirty(file.path) || (document_.HasCell(file.path) && handOver_.Written());
    if (!documentNewer && document_.StampOf(file.path) == file.stamp) {
        return; // kept already from this very reading
    }
    if (!documentNewer) {
        document_.Forget(file.path);
    }
    document_.KeepCell(file.path, file.lines, file.stamp, file.notRewritable);
}

std::optional<WrittenPart> CFieldSelector::SelectedWritten() const {
    if (!edit_.selection.writtenFile) {
        return std::nullopt;
    }
    return document_.Current(*edit_.selection.writtenFile, edit_.selection.name);
}

bool CFieldSelector::SelectPlaced(const std::string& uniqueName) {
    const CModelEntry* entry =
        lists_.placedModels.FindFirst([&uniqueName](const CModelEntry& e) { return e.name == uniqueName; });
    if (entry == nullptr) {
        return false;
    }
    edit_.selection.name = uniqueName;
    edit_.selection.writtenFile.reset();
    edit_.selection.ClearGroup();
    EditVectors& v = edit_.vectors;
    if (entry->hasDrawModel) {
        v.selPosition = entry->transform.position;
        v.selScale = entry->transform.scale;
        v.selRotation = entry->transform.rotation;
    } else {
        v.selPosition = v.selScale = v.selRotation = {};
    }
    v.selPositionUndo = v.selPosition;
    v.selScaleUndo = v.selScale;
    v.selRotationUndo = v.selRotation;
    edit_.mode = EditMode::ModeAdjust;
    return true;
}

bool CFieldSelector::SelectWritten(const GridFileEntry& file, const CModelEntry& entry) {
    KeepWrittenCell(file);
    edit_.selection.writtenFile = file.path;
    edit_.selection.name = entry.name;
    const std::optional<WrittenPart> part = SelectedWritten();
    if (!part) {
        edit_.selection.writtenFile.reset();
        edit_.selection.name.clear();
        return false;
    }
    EditVectors& v = edit_.vectors;
    v.selPositionUndo = v.selPosition = part->line.position;
    v.selScaleUndo = v.selScale = part->line.scale;
    v.selRotationUndo = v.selRotation = part->line.rotation;
    edit_.input.justPlaced = false;
    edit_.list.ClearSelection();
    edit_.mode = EditMode::ModeAdjust;
    return true;
}

void CFieldSelector::SelectOnly(const SelectedCopy& copy) {
    edit_.selection.ClearGroup();
    if (!copy.writtenFile) {
        SelectPlaced(copy.name);
        return;
    }
    edit_.selection.writtenFile = copy.writtenFile;
    edit_.selection.name = copy.name;
    const std::optional<WrittenPart> part = SelectedWritten();
    if (!part || part->deleted) {
        edit_.selection.writtenFile.reset();
        edit_.selection.name.clear();
        edit_.mode = ModeWithoutSelection();
        return;
    }
    EditVectors& v = edit_.vectors;
    v.selPositionUndo = v.selPosition = part->line.position;
    v.selScaleUndo = v.selScale = part->line.scale;
    v.selRotationUndo = v.selRotation = part->line.rotation;
    edit_.mode = EditMode::ModeAdjust;
}

void CFieldSelector::SelectPicked(const PickTarget& target) {
    edit_.selection.ClearGroup();
    if (target.file != nullptr) {
        // A click on a written part takes every part its click placed, as it does for unwritten ones.
        KeepWrittenCell(*target.file);
        const std::vector<std::string> together =
            document_.PlacedTogether(target.file->path, target.entry->name);
        if (together.size() < 2) {
            SelectWritten(*target.file, *target.entry);
            return;
        }
        for (const std::string& name : together) {
            edit_.selection.group.push_back({name, target.file->path});
        }
        edit_.selection.name.clear();
        edit_.selection.writtenFile.reset();
        edit_.list.ClearSelection();
        edit_.input.justPlaced = false;
        edit_.mode = EditMode::ModeAdjust;
        ResetGroup();
        return;
    }
    if (!SelectPlaced(target.entry->name)) {
        return;
    }
    edit_.input.justPlaced = false;
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
        edit_.list.Select(found, lists_.placementRecords.Count());
    }
}

void CFieldSelector::Toggle(const PickTarget& target) {
    // What the click placed goes in or out whole: a written part with the parts beside it.
    std::vector<SelectedCopy> picked;
    if (target.file != nullptr) {
        KeepWrittenCell(*target.file);
        for (const std::string& name : document_.PlacedTogether(target.file->path, target.entry->name)) {
            picked.push_back({name, target.file->path});
        }
    } else {
        // A click's parts move together: the group is named by its first part, as the list does.
        const uint32_t serial = target.entry->placementSerial;
        const CModelEntry* first = lists_.placedModels.FindFirst(
            [serial](const CModelEntry& e) { return e.placementSerial == serial; });
        picked.push_back({first != nullptr ? first->name : target.entry->name, std::nullopt});
    }
    std::vector<SelectedCopy> members = edit_.selection.group;
    if (members.empty() && !edit_.selection.name.empty()) {
        SelectedCopy single{edit_.selection.name, edit_.selection.writtenFile};
        if (!single.writtenFile) {
            const int64_t serial = unwritten_.SerialOf(edit_.selection.name);
            const CModelEntry* first = lists_.placedModels.FindFirst(
                [serial](const CModelEntry& e) { return static_cast<int64_t>(e.placementSerial) == serial; });
            single.name = first != nullptr ? first->name : edit_.selection.name;
        }
        members.push_back(std::move(single));
    }
    if (std::ranges::find(members, picked.front()) != members.end()) {
        std::erase_if(members, [&picked](const SelectedCopy& copy) {
            return std::ranges::find(picked, copy) != picked.end();
        });
    } else {
        members.insert(members.end(), picked.begin(), picked.end());
    }
    edit_.selection.group.clear();
    edit_.selection.name.clear();
    edit_.selection.writtenFile.reset();
    edit_.list.ClearSelection();
    edit_.input.justPlaced = false;
    if (members.empty()) {
        edit_.mode = ModeWithoutSelection();
        return;
    }
    if (members.size() == 1) {
        SelectOnly(members.front());
        return;
    }
    edit_.selection.group = std::move(members);
    edit_.mode = EditMode::ModeAdjust;
    ResetGroup();
}

void CFieldSelector::SelectInRectangle(const std::vector<PickTarget>& found, CFieldHookCalls& calls) {
    Clear(calls);
    std::vector<SelectedCopy> members;
    std::unordered_set<uint32_t> serials; // a click's parts are one copy
    for (const PickTarget& target : found) {
        if (target.file != nullptr) {
            KeepWrittenCell(*target.file);
            members.push_back({target.entry->name, target.file->path});
        } else if (serials.insert(target.entry->placementSerial).second) {
            members.push_back({target.entry->name, std::nullopt});
        }
    }
    SelectCopies(std::move(members));
}

void CFieldSelector::SelectCopies(std::vector<SelectedCopy> members) {
    if (members.empty()) {
        edit_.mode = ModeWithoutSelection();
    } else if (members.size() == 1) {
        SelectOnly(members.front());
    } else {
        edit_.selection.group = std::move(members);
        edit_.mode = EditMode::ModeAdjust;
        edit_.input.justPlaced = false;
        ResetGroup();
    }
}

void CFieldSelector::Clear(CFieldHookCalls& calls) {
    edit_.selection.ClearGroup();
    edit_.selection.name.clear();
    edit_.selection.writtenFile.reset();
    edit_.list.ClearSelection();
    calls.RepaintList();
    calls.RepaintMain();
}

void CFieldSelector::ResetGroup() {
    // One walk over the placed models, however many copies are selected.
    std::unordered_map<std::string, const CModelEntry*> placed;
    lists_.placedModels.ForEach([&placed](const CModelEntry& entry) { placed.emplace(entry.name, &entry); });
    const auto transformOf = [&](const SelectedCopy& copy) -> std::optional<CModelTransform> {
        if (copy.writtenFile) {
            return edits_.TransformOf(copy);
        }
        const auto found = placed.find(copy.name);
        if (found == placed.end() || !found->second->hasDrawModel) {
            return std::nullopt;
        }
        return found->second->transform;
    };
    // A copy that has gone meanwhile (deleted, undone) leaves the group.
    std::erase_if(edit_.selection.group, [&](const SelectedCopy& copy) { return !transformOf(copy); });
    if (edit_.selection.group.size() < 2) {
        if (edit_.selection.group.empty()) {
            edit_.mode = ModeWithoutSelection();
            edit_.selection.groupStart.clear();
            return;
        }
        const SelectedCopy only = edit_.selection.group.front();
        SelectOnly(only);
        return;
    }
    edit_.selection.groupStart.clear();
    edit_.selection.groupSerials.clear();
    for (const SelectedCopy& copy : edit_.selection.group) {
        edit_.selection.groupStart.push_back(*transformOf(copy));
        edit_.selection.groupSerials.push_back(
            copy.writtenFile ? -1 : static_cast<int64_t>(placed.at(copy.name)->placementSerial));
    }
    edit_.selection.groupCentre = CentreOf(edit_.selection.groupStart);
    EditVectors& v = edit_.vectors;
    v.selPositionUndo = v.selPosition = edit_.selection.groupCentre;
    v.selScaleUndo = v.selScale = {1.0f, 1.0f, 1.0f, 1.0f};
    v.selRotationUndo = v.selRotation = {};
    v.dragStartPosition = v.selPosition;
}

void CFieldSelector::ListRow(int32_t clientY, CFieldHookCalls& calls) {
    const int32_t row = edit_.list.ClickAt(clientY, lists_.placementRecords.Count());
    if (const CPlacedModel* record = lists_.placementRecords.At(row)) {
        SelectPlaced(record->uniqueName);
    }
    edit_.input.justPlaced = false;
    calls.RepaintList();
}

void CFieldSelector::ListWheel(int32_t delta, CFieldHookCalls& calls) {
    // The rows: the unwritten placements, then the selected written copies.
    edit_.list.Wheel(delta, lists_.placementRecords.Count() +
                                static_cast<int32_t>(edit_.selection.WrittenNames().size()));
    calls.RepaintList();
    calls.RepaintMain();
}

} // namespace quorvane
