#include "editor/paint_tool.h"

#include "editor/ground_height.h"
#include "editor/rotation_matrix.h"

#include <algorithm>
#include <cmath>

namespace quorvane {

void CPaintTool::SetBrush(const BrushSettings& brush) {
    const auto within = [](float value, float low, float high, float otherwise) {
        return std::isfinite(value) ? std::clamp(value, low, high) : otherwise;
    };
    brush_.radius = within(brush.radius, kSmallestRadius, kLargestRadius, brush_.radius);
    brush_.density = within(brush.density, 0.0f, 10000.0f, brush_.density);
    brush_.spacing = within(brush.spacing, 0.0f, kLargestRadius, brush_.spacing);
    brush_.maxSlopeDegrees = within(brush.maxSlopeDegrees, 0.0f, 90.0f, brush_.maxSlopeDegrees);
    brush_.alignToNormal = brush.alignToNormal;
}

void CPaintTool::StepRadius(bool larger) {
    BrushSettings brush = brush_;
    brush.radius = larger ? brush.radius * kRadiusStep : brush.radius / kRadiusStep;
    SetBrush(brush);
}

bool CPaintTool::Toggle(CFieldHookCalls& calls) {
    if (edit_.mode == EditMode::ModePaint) {
        if (stroke_) {
            return false; // the button is still down
        }
        edit_.mode = EditMode::ModePlace;
    } else {
        const EditMode mode = edit_.mode;
        const bool placing =
            mode == EditMode::ModePlace || mode == EditMode::ModeMove || mode == EditMode::ModeAdjust;
        if (!placing || placement_.CursorLocked().PartCount() == 0) {
            return false;
        }
        // A fresh placement stays where it was put.
        edit_.input.justPlaced = false;
        placement_.CancelPlaceLocked();
        placement_.CursorLocked().ForEachSource(
            [this](const CursorPartSource& source) { sources_.Request(source.path); });
        edit_.mode = EditMode::ModePaint;
    }
    calls.RepaintField();
    calls.RepaintMain();
    return true;
}

std::unique_ptr<CSpacingGrid> CPaintTool::LevelSpacing() const {
    auto taken = std::make_unique<CSpacingGrid>(brush_.spacing);
    if (brush_.spacing <= 0.0f) {
        return taken;
    }
    std::vector<CSpacingGrid::Point> level;
    level.reserve(static_cast<size_t>(lists_.placedModels.Count()));
    lists_.placedModels.ForEach([&](const CModelEntry& entry) {
        level.push_back({entry.transform.position.x, entry.transform.position.y});
    });
    lists_.gridFiles.ForEach([&](const GridFileEntry& file) {
        for (const auto& group : file.groups) {
            group->ForEach([&](const CModelEntry& entry) {
                if (!entry.hidden.load(std::memory_order_relaxed)) {
                    level.push_back({entry.transform.position.x, entry.transform.position.y});
                }
            });
        }
    });
    taken->AddAll(level);
    return taken;
}

void CPaintTool::Begin(bool erase, const RandomRanges& ranges, CFieldHookCalls& calls) {
    if (edit_.mode != EditMode::ModePaint) {
        return;
    }
    if (stroke_) {
        Finish(calls); // the last stroke's waiting copies go with it
    }
    auto stroke = std::make_unique<Stroke>();
    stroke->step.selectionBefore = selector_.Capture();
    // What the stroke erases may be selected: the selection goes first.
    selector_.Clear(calls);
    stroke->erase = erase;
    stroke->ranges = ranges;
    placement_.CursorLocked().ForEachSource([&](const CursorPartSource& source) {
        stroke->partPaths.insert(source.path);
        sources_.Request(source.path); // again, when an earlier load failed
    });
    if (!erase) {
        stroke->taken = LevelSpacing();
        // A stroke spans a few tiles: its blocks of ground are gathered once,
        // as copies, so a tile dropped meanwhile leaves nothing dangling and
        // one streamed in meanwhile is ground for the next stroke.
        auto blocks = std::make_shared<CGroundBlocks>(lists_);
        GroundQuery ground = [blocks](float x, float y) -> std::optional<GroundPoint> {
            const std::optional<GroundContact> contact = blocks->At(x, y);
            if (!contact) {
                return std::nullopt;
            }
            return GroundPoint{contact->point.z, contact->normal};
        };
        stroke->paint = std::make_unique<CPaintStroke>(brush_, std::move(ground), *stroke->taken, ++strokes_);
        copies_.BeginBatch();
    }
    stroke_ = std::move(stroke);
}

void CPaintTool::End() {
    if (stroke_) {
        stroke_->released = true;
    }
}

std::vector<NewCopy> CPaintTool::CopiesAt(const std::vector<PaintedSpot>& spots, const RandomRanges& ranges) {
    std::vector<CursorPartSource> sources;
    placement_.CursorLocked().ForEachSource(
        [&sources](const CursorPartSource& source) { sources.push_back(source); });
    std::vector<NewCopy> copies;
    copies.reserve(spots.size());
    for (const PaintedSpot& spot : spots) {
        const CursorDraw draw =
            placement_.DrawNextLocked(ranges, edit_.vectors.baseScale, edit_.vectors.baseRotation);
        CModelTransform transform;
        transform.scale = draw.scale;
        const Vector4 rotation =
            brush_.alignToNormal ? AnglesStandingOn(spot.normal, draw.rotation.z) : draw.rotation;
        transform.rotation = {rotation.x, rotation.y, rotation.z, 1.0f};
        // The model's own origin stands on the spot, so the spacing holds between the copies themselves.
        transform.position = {spot.position.x, spot.position.y, spot.position.z, 1.0f};
        NewCopy& copy = copies.emplace_back();
        for (const CursorPartSource& source : sources) {
            copy.push_back({RecordOfSource(source), transform});
        }
    }
    return copies;
}

void CPaintTool::PlaceWaiting() {
    std::vector<NewCopy> still;
    for (NewCopy& copy : stroke_->waiting) {
        switch (copies_.Check(copy)) {
        case CCopyPlacer::Readiness::kReady:
            if (const uint32_t serial = copies_.Place(copy); serial != 0) {
                stroke_->serials.push_back(serial);
            }
            break;
        case CCopyPlacer::Readiness::kWaiting:
            still.push_back(std::move(copy));
            break;
        case CCopyPlacer::Readiness::kFailed:
            break; // its model does not load: nothing to paint with
        }
    }
    stroke_->waiting = std::move(still);
}

void CPaintTool::EraseUnder(const Vector4& centre, CUnwrittenPlacements::Removed& removed) {
    Stroke& stroke = *stroke_;
    const float reach = brush_.radius * brush_.radius;
    const auto under = [&](const CModelEntry& entry) {
        const float dx = entry.transform.position.x - centre.x;
        const float dy = entry.transform.position.y - centre.y;
        return dx * dx + dy * dy <= reach && stroke.partPaths.contains(entry.path);
    };
    std::vector<SelectedCopy> copies;
    std::vector<CModelTransform> starts;
    std::unordered_set<uint32_t> serials;
    lists_.placedModels.ForEach([&](const CModelEntry& entry) {
        if (under(entry) && serials.insert(entry.placementSerial).second) {
            copies.push_back({entry.name, std::nullopt});
            starts.push_back(entry.transform);
        }
    });
    lists_.gridFiles.ForEach([&](const GridFileEntry& file) {
        if (!file.loaded.load(std::memory_order_acquire)) {
            return;
        }
        bool kept = false;
        for (const auto& group : file.groups) {
            group->ForEach([&](const CModelEntry& entry) {
                if (entry.hidden.load(std::memory_order_relaxed) || !under(entry)) {
                    return;
                }
                if (!kept) {
                    selector_.KeepWrittenCell(file);
                    kept = true;
                }
                copies.push_back({entry.name, file.path});
                starts.push_back(entry.transform);
            });
        }
    });
    if (copies.empty()) {
        return;
    }
    EditStep step = levelEdits_.DeleteCopies(copies, starts, false, removed);
    std::ranges::move(step.before, std::back_inserter(stroke.step.before));
    std::ranges::move(step.writtenBefore, std::back_inserter(stroke.step.writtenBefore));
    std::ranges::move(step.writtenAfter, std::back_inserter(stroke.step.writtenAfter));
}

void CPaintTool::Update(CUnwrittenPlacements::Removed& removed, CFieldHookCalls& calls) {
    if (!stroke_) {
        return;
    }
    const size_t before = lists_.placementRecords.Count();
    const size_t erasedBefore = stroke_->step.before.size() + stroke_->step.writtenAfter.size();
    if (!stroke_->released) {
        const Vector4& centre = edit_.vectors.pickPoint;
        if (stroke_->erase) {
            EraseUnder(centre, removed);
        } else {
            std::vector<NewCopy> copies =
                CopiesAt(stroke_->paint->MoveTo(centre.x, centre.y), stroke_->ranges);
            std::ranges::move(copies, std::back_inserter(stroke_->waiting));
        }
    }
    if (!stroke_->waiting.empty()) {
        PlaceWaiting();
    }
    if (before != static_cast<size_t>(lists_.placementRecords.Count()) ||
        erasedBefore != stroke_->step.before.size() + stroke_->step.writtenAfter.size()) {
        calls.RepaintList();
        calls.RepaintMain();
        calls.RepaintField();
    }
    if (stroke_->released && stroke_->waiting.empty()) {
        Finish(calls);
    }
}

void CPaintTool::Finish(CFieldHookCalls& calls) {
    EditStep step = std::move(stroke_->step);
    if (!stroke_->serials.empty()) {
        step.after = unwritten_.CaptureGroups(
            std::unordered_set<uint32_t>(stroke_->serials.begin(), stroke_->serials.end()));
    }
    stroke_.reset();
    if (step.before.empty() && step.after.empty() && step.writtenAfter.empty()) {
        return;
    }
    step.selectionAfter = selector_.Capture();
    selectionEdits_.Push(std::move(step));
    calls.RepaintList();
    calls.RepaintMain();
}

} // namespace quorvane
