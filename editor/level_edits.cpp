#include "editor/level_edits.h"

#include <algorithm>
#include <iterator>
#include <unordered_map>

namespace quorvane {
namespace {

// The parts as they stood at start; their w components stay.
void PutAt(std::vector<PlacedPartState>& parts, const CModelTransform& start) {
    for (PlacedPartState& part : parts) {
        part.transform.scale = start.scale;
        part.transform.rotation = {start.rotation.x, start.rotation.y, start.rotation.z,
                                   part.transform.rotation.w};
        part.transform.position = {start.position.x, start.position.y, start.position.z,
                                   part.transform.position.w};
    }
}

bool SameTransform(const CModelTransform& a, const CModelTransform& b) {
    return a.position == b.position && a.scale == b.scale && a.rotation == b.rotation;
}

} // namespace

void SetLineTransform(GridLine& line, const CModelTransform& t) {
    line.position = {t.position.x, t.position.y, t.position.z, line.position.w};
    line.scale = {t.scale.x, t.scale.y, t.scale.z, line.scale.w};
    line.rotation = {t.rotation.x, t.rotation.y, t.rotation.z, line.rotation.w};
}

std::optional<CModelTransform> CLevelEdits::TransformOf(const SelectedCopy& copy) const {
    if (copy.writtenFile) {
        const std::optional<WrittenPart> part = document_.Current(*copy.writtenFile, copy.name);
        if (!part || part->deleted) {
            return std::nullopt;
        }
        return CModelTransform{part->line.scale, part->line.rotation, part->line.position};
    }
    const CModelEntry* entry =
        lists_.placedModels.FindFirst([&copy](const CModelEntry& e) { return e.name == copy.name; });
    if (entry == nullptr || !entry->hasDrawModel) {
        return std::nullopt;
    }
    return entry->transform;
}

void CLevelEdits::SetWritten(const WrittenPart& part) {
    if (document_.Set(part)) {
        shown_.DocumentChanged();
    }
}

void CLevelEdits::MoveCopies(std::span<const SelectedCopy> copies, std::span<const int64_t> serials,
                             std::span<const CModelTransform> transforms) {
    std::unordered_map<int64_t, CModelTransform> movedBySerial;
    for (size_t i = 0; i < copies.size() && i < transforms.size(); ++i) {
        const SelectedCopy& copy = copies[i];
        if (!copy.writtenFile) {
            if (i < serials.size()) {
                movedBySerial.emplace(serials[i], transforms[i]);
            }
            continue;
        }
        std::optional<WrittenPart> part = document_.Current(*copy.writtenFile, copy.name);
        if (part && !part->deleted) {
            SetLineTransform(part->line, transforms[i]);
            SetWritten(*part);
        }
    }
    if (movedBySerial.empty()) {
        return;
    }
    lists_.placedModels.ForEach([&movedBySerial](CModelEntry& entry) {
        const auto found = movedBySerial.find(entry.placementSerial);
        if (found == movedBySerial.end() || !entry.hasDrawModel) {
            return;
        }
        const CModelTransform& moved = found->second;
        CModelTransform& t = entry.transform;
        t.scale = moved.scale;
        t.rotation = {moved.rotation.x, moved.rotation.y, moved.rotation.z, t.rotation.w};
        t.position = {moved.position.x, moved.position.y, moved.position.z, t.position.w};
    });
    CountPlacedChange();
}

std::optional<EditStep> CLevelEdits::MoveStep(std::span<const SelectedCopy> copies,
                                              std::span<const CModelTransform> starts) const {
    EditStep step;
    bool changed = false;
    for (size_t i = 0; i < copies.size() && i < starts.size(); ++i) {
        const SelectedCopy& copy = copies[i];
        const std::optional<CModelTransform> now = TransformOf(copy);
        if (!now || SameTransform(*now, starts[i])) {
            continue;
        }
        changed = true;
        if (copy.writtenFile) {
            std::optional<WrittenPart> after = document_.Current(*copy.writtenFile, copy.name);
            if (!after) {
                continue;
            }
            WrittenPart before = *after;
            SetLineTransform(before.line, starts[i]);
            step.writtenBefore.push_back(std::move(before));
            step.writtenAfter.push_back(std::move(*after));
            continue;
        }
        std::vector<PlacedPartState> after = unwritten_.CaptureGroup(unwritten_.SerialOf(copy.name));
        std::vector<PlacedPartState> before = after;
        PutAt(before, starts[i]);
        step.before.insert(step.before.end(), before.begin(), before.end());
        step.after.insert(step.after.end(), after.begin(), after.end());
    }
    if (!changed) {
        return std::nullopt;
    }
    return step;
}

EditStep CLevelEdits::DeleteCopies(std::span<const SelectedCopy> copies,
                                   std::span<const CModelTransform> starts, bool backToStarts,
                                   CUnwrittenPlacements::Removed& removed) {
    EditStep step;
    for (size_t i = 0; i < copies.size(); ++i) {
        const SelectedCopy& copy = copies[i];
        const bool putBack = backToStarts && i < starts.size();
        if (copy.writtenFile) {
            std::optional<WrittenPart> part = document_.Current(*copy.writtenFile, copy.name);
            if (!part || part->deleted) {
                continue;
            }
            if (putBack) {
                SetLineTransform(part->line, starts[i]);
            }
            WrittenPart deleted = *part;
            deleted.deleted = true;
            SetWritten(deleted);
            step.writtenBefore.push_back(std::move(*part));
            step.writtenAfter.push_back(std::move(deleted));
            continue;
        }
        std::vector<PlacedPartState> parts = unwritten_.CaptureGroup(unwritten_.SerialOf(copy.name));
        if (putBack) {
            PutAt(parts, starts[i]);
        }
        CUnwrittenPlacements::Removed taken = unwritten_.ExtractGroup(copy.name);
        std::ranges::move(taken.records, std::back_inserter(removed.records));
        std::ranges::move(taken.entries, std::back_inserter(removed.entries));
        step.before.insert(step.before.end(), parts.begin(), parts.end());
    }
    return step;
}

} // namespace quorvane
