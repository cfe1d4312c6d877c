#include "editor/arrange_tool.h"

#include "platform/virtual_key_codes.h"

#include <charconv>
#include <unordered_map>
#include <unordered_set>

namespace quorvane {
namespace {

// The level of detail of a written cell: its folder is "lod<N>".
uint32_t LodOfCell(const std::filesystem::path& file) {
    const std::string folder = file.parent_path().filename().string();
    uint32_t lod = 0;
    if (folder.starts_with("lod")) {
        std::from_chars(folder.data() + 3, folder.data() + folder.size(), lod);
    }
    return lod;
}

NewPart PartOfLine(const GridLine& line, uint32_t lod) {
    NewPart part;
    part.record.lod = lod;
    part.record.copy = static_cast<uint32_t>(line.copy);
    part.record.shader = static_cast<uint32_t>(line.shader);
    part.record.listNumber = static_cast<uint32_t>(line.listNumber);
    part.record.animated = static_cast<uint32_t>(line.animated);
    part.record.partPath = line.partPath;
    part.record.sourcePath = line.sourcePath;
    part.record.modelId = line.modelId;
    part.transform.scale = line.scale;
    part.transform.rotation = {line.rotation.x, line.rotation.y, line.rotation.z, 1.0f};
    part.transform.position = {line.position.x, line.position.y, line.position.z, 1.0f};
    return part;
}

} // namespace

std::vector<NewCopy> CArrangeTool::SelectedCopies() const {
    const FieldSelection& selection = edit_.selection;
    std::vector<SelectedCopy> selected = selection.group;
    if (selected.empty() && !selection.name.empty()) {
        selected.push_back({selection.name, selection.writtenFile});
    }
    std::vector<int64_t> serials;
    std::unordered_set<uint32_t> unwrittenSerials;
    for (const SelectedCopy& copy : selected) {
        const int64_t serial = copy.writtenFile ? -1 : unwritten_.SerialOf(copy.name);
        serials.push_back(serial);
        if (serial >= 0) {
            unwrittenSerials.insert(static_cast<uint32_t>(serial));
        }
    }
    // Every unwritten click's parts in one walk.
    std::unordered_map<uint32_t, NewCopy> clicks;
    for (const PlacedPartState& part : unwritten_.CaptureGroups(unwrittenSerials)) {
        if (part.hasRecord && part.hasDrawModel) {
            CPlacedModel record = part.record;
            record.uniqueName.clear();
            clicks[part.placementSerial].push_back({std::move(record), part.transform});
        }
    }
    std::vector<NewCopy> copies;
    for (size_t i = 0; i < selected.size(); ++i) {
        const SelectedCopy& copy = selected[i];
        if (copy.writtenFile) {
            const std::optional<WrittenPart> part = document_.Current(*copy.writtenFile, copy.name);
            if (part && !part->deleted) {
                copies.push_back({PartOfLine(part->line, LodOfCell(*copy.writtenFile))});
            }
        } else if (const auto found =
                       serials[i] >= 0 ? clicks.find(static_cast<uint32_t>(serials[i])) : clicks.end();
                   found != clicks.end()) {
            copies.push_back(std::move(found->second));
            clicks.erase(found); // a click named twice is copied once
        }
    }
    return copies;
}

bool CArrangeTool::Idle() const {
    return !IsInModeGroup(edit_.mode) && edit_.mode != EditMode::ModePaint && !pending_ && !duplicating_;
}

bool CArrangeTool::Duplicate() {
    if (!Idle()) {
        return false;
    }
    std::vector<NewCopy> copies = SelectedCopies();
    if (copies.empty()) {
        return false;
    }
    pending_ = Pending{true, std::move(copies), selector_.Capture()};
    return true;
}

bool CArrangeTool::Copy() {
    std::vector<NewCopy> copies = SelectedCopies();
    if (copies.empty()) {
        return false;
    }
    clipboard_ = std::move(copies);
    return true;
}

bool CArrangeTool::Paste() {
    if (!Idle() || clipboard_.empty()) {
        return false;
    }
    // The layout keeps its shape; its centre comes to the pick point.
    Vector4 centre{};
    for (const NewCopy& copy : clipboard_) {
        centre.x += copy.front().transform.position.x;
        centre.y += copy.front().transform.position.y;
        centre.z += copy.front().transform.position.z;
    }
    const auto count = static_cast<float>(clipboard_.size());
    const Vector4& pick = edit_.vectors.pickPoint;
    const Vector4 shift{pick.x - centre.x / count, pick.y - centre.y / count, pick.z - centre.z / count,
                        0.0f};
    std::vector<NewCopy> copies = clipboard_;
    for (NewCopy& copy : copies) {
        for (NewPart& part : copy) {
            part.transform.position.x += shift.x;
            part.transform.position.y += shift.y;
            part.transform.position.z += shift.z;
        }
    }
    pending_ = Pending{false, std::move(copies), selector_.Capture()};
    return true;
}

void CArrangeTool::Update(CUnwrittenPlacements::Removed& removed, CFieldHookCalls& calls) {
    if (duplicating_ && duplicating_->cancelled) {
        for (const PlacedPartState& part : unwritten_.CaptureGroups(
                 std::unordered_set<uint32_t>(duplicating_->serials.begin(), duplicating_->serials.end()))) {
            CUnwrittenPlacements::Removed taken = unwritten_.ExtractGroup(part.record.uniqueName);
            std::ranges::move(taken.records, std::back_inserter(removed.records));
            std::ranges::move(taken.entries, std::back_inserter(removed.entries));
        }
        selector_.Restore(duplicating_->before);
        duplicating_.reset();
        calls.RepaintList();
        calls.RepaintMain();
    }
    if (!pending_) {
        return;
    }
    // Every copy asks for what it lacks; they are made all at once, as one step.
    // A part that does not load is left out when placing.
    bool waiting = false;
    for (const NewCopy& copy : pending_->copies) {
        waiting = copies_.Check(copy) == CCopyPlacer::Readiness::kWaiting || waiting;
    }
    if (waiting) {
        return;
    }
    Pending pending = std::move(*pending_);
    pending_.reset();
    Make(std::move(pending), calls);
}

void CArrangeTool::Make(Pending pending, CFieldHookCalls& calls) {
    copies_.BeginBatch();
    std::vector<uint32_t> serials;
    std::vector<SelectedCopy> made;
    for (const NewCopy& copy : pending.copies) {
        if (const uint32_t serial = copies_.Place(copy); serial != 0) {
            serials.push_back(serial);
        }
    }
    if (serials.empty()) {
        return;
    }
    // Each copy is named by its click's first part, as a click selects it.
    std::unordered_map<uint32_t, std::string> firstPart;
    for (const PlacedPartState& part :
         unwritten_.CaptureGroups(std::unordered_set<uint32_t>(serials.begin(), serials.end()))) {
        firstPart.try_emplace(part.placementSerial, part.record.uniqueName);
    }
    for (const uint32_t serial : serials) {
        made.push_back({firstPart[serial], std::nullopt});
    }
    selector_.Clear(calls);
    selector_.SelectCopies(std::move(made));
    if (pending.duplicate) {
        // The move starts at once, from where the mouse is.
        edit_.input.dragAnchor = edit_.input.mouseClient;
        edit_.mode = edit_.gesture.KeyPressed(vk::Letter('G'), EditMode::ModeAdjust, edit_.vectors);
        duplicating_ = Duplicated{std::move(serials), std::move(pending.before)};
        return;
    }
    selectionEdits_.Push(
        {{},
         unwritten_.CaptureGroups(std::unordered_set<uint32_t>(serials.begin(), serials.end())),
         std::move(pending.before),
         selector_.Capture(),
         {},
         {}});
}

void CArrangeTool::ConfirmDuplicate() {
    if (!duplicating_ || duplicating_->cancelled) {
        return;
    }
    Duplicated duplicated = std::move(*duplicating_);
    duplicating_.reset();
    selectionEdits_.Push({{},
                          unwritten_.CaptureGroups(std::unordered_set<uint32_t>(duplicated.serials.begin(),
                                                                                duplicated.serials.end())),
                          std::move(duplicated.before),
                          selector_.Capture(),
                          {},
                          {}});
}

void CArrangeTool::CancelDuplicate() {
    if (duplicating_) {
        duplicating_->cancelled = true;
    }
}

} // namespace quorvane
