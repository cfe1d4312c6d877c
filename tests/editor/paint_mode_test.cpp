// Paint mode in the field: strokes of copies on hand-built ground, erasing,
// and each stroke as one undo step and one journal write.
#include "editor/cell_name.h"
#include "editor/rotation_matrix.h"
#include "editor_fixture.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace quorvane::testing {
namespace {

constexpr float kFlatHeight = 1.0f;
constexpr float kSteepSlope = 2.0f; // about 63 degrees

class PaintMode : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        // Flat at z = 1 for x in -100..0, the ramp z = 1 + 2x for x in 0..100.
        field->Lists().fieldTiles.Append(
            GroundTile({{-100.0f, 0.0f, kFlatHeight, 0.0f}, {0.0f, 100.0f, kFlatHeight, kSteepSlope}}));
        field->SetListHeight(100000);
    }

    // Takes the definition and enters paint mode with the brush given.
    void PaintWith(const std::vector<std::string>& paths, const BrushSettings& brush) {
        Choose(paths);
        Key('P');
        ASSERT_EQ(Mode(), EditMode::ModePaint);
        field->SetBrush(brush);
    }
    // A stroke through the points, press to release, each point one frame;
    // with Ctrl it erases. Ends once the loads it waited for have come.
    void Stroke(const std::vector<Vector4>& points, bool erase = false) {
        if (erase) {
            field->OnKeyDown(vk::kControl);
        }
        field->SetPickPoint(points.front());
        field->OnLButtonDown({0, 0});
        for (const Vector4& point : points) {
            field->SetPickPoint(point);
            field->UpdateEditing();
        }
        field->OnLButtonUp();
        if (erase) {
            field->OnKeyUp(vk::kControl);
        }
        for (int frame = 0; frame < 100 && field->Painting(); ++frame) {
            field->WaitForBackgroundWork();
            field->UpdateEditing();
        }
        ASSERT_FALSE(field->Painting()) << "the stroke never ended";
    }
    static std::vector<Vector4> Line(Vector4 from, Vector4 to, int steps) {
        std::vector<Vector4> points;
        for (int i = 0; i <= steps; ++i) {
            const float t = static_cast<float>(i) / static_cast<float>(steps);
            points.push_back({from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t, 0.0f, 0.0f});
        }
        return points;
    }
    // Every placed copy by name, where it stands, compared whole.
    struct Pose {
        Vector4 scale, rotation, position;
        bool operator==(const Pose&) const = default;
    };
    static std::map<std::string, Pose> Placed(const CMainField& in) {
        std::map<std::string, Pose> placed;
        in.ForEachPlacedModel([&](const CModelEntry& entry) {
            placed[entry.name] = {entry.transform.scale, entry.transform.rotation, entry.transform.position};
        });
        return placed;
    }
};

BrushSettings Brush(float radius, float density, float spacing, float maxSlope = 30.0f) {
    return {.radius = radius, .density = density, .spacing = spacing, .maxSlopeDegrees = maxSlope};
}

// A stroke along the foot of the ramp paints the flat side only, spaced,
// named by its cells, as one step; undo takes every copy back and redo
// brings the same ones back, drawing the one shared model.
TEST_F(PaintMode, AStrokeOnARampPaintsTheFlatSideAsOneStep) {
    PaintWith({"tree.mdl"}, Brush(6.0f, 10.0f, 1.0f));
    const size_t undoBefore = field->UndoCount();
    Stroke(Line({0, -40, 0, 0}, {0, 40, 0, 0}, 80));

    const std::map<std::string, Pose> painted = Placed(*field);
    // Half the swept capsule lies on the flat side; the spacing turns some darts away.
    const double flatArea = (2.0 * 6.0 * 80.0 + 3.14159265 * 36.0) / 2.0;
    const double expected = 0.1 * flatArea;
    EXPECT_LE(static_cast<double>(painted.size()), 1.15 * expected);
    EXPECT_GE(static_cast<double>(painted.size()), 0.7 * expected);
    std::set<std::string> names;
    for (const CPlacedModel& record : field->PlacementRecordSnapshot()) {
        names.insert(record.uniqueName);
        EXPECT_EQ(record.partPath, "tree.mdl");
        EXPECT_EQ(record.modelId, "TREE");
    }
    EXPECT_EQ(names.size(), painted.size()) << "a record for every copy, each name once";
    std::vector<Vector4> positions;
    for (const auto& [name, transform] : painted) {
        const Vector4& p = transform.position;
        EXPECT_LE(p.x, 0.0f) << name << " stands on the steep side";
        EXPECT_FLOAT_EQ(p.z, kFlatHeight) << name;
        EXPECT_EQ(name.rfind(CellName(PickCell(p.x, p.y)) + "_TREE_", 0), 0u) << name;
        positions.push_back(p);
    }
    for (size_t i = 0; i < positions.size(); ++i) {
        for (size_t j = i + 1; j < positions.size(); ++j) {
            ASSERT_GE(std::hypot(positions[i].x - positions[j].x, positions[i].y - positions[j].y), 1.0f);
        }
    }
    EXPECT_EQ(field->UndoCount(), undoBefore + 1);

    UndoStep();
    EXPECT_EQ(field->PlacementRecordCount(), 0);
    EXPECT_EQ(field->PlacedModelCount(), 0);
    RedoStep();
    EXPECT_EQ(Placed(*field), painted);
    EXPECT_EQ(std::count(loader.entryLoads.begin(), loader.entryLoads.end(), "tree.mdl"), 1)
        << "every copy draws the one shared model";
    EXPECT_EQ(field->Mode(), EditMode::ModePaint);
}

// Each copy takes the random ranges; aligned to the normal it stands on the
// ground's tilt with the drawn yaw.
TEST_F(PaintMode, CopiesTakeTheRandomRangesAndTheGroundsTilt) {
    ranges.scale = {0.5f, 0.5f, 0.5f, 0.0f};
    ranges.rotation = {0.0f, 0.0f, 1.0f, 0.0f}; // any yaw
    BrushSettings brush = Brush(4.0f, 20.0f, 1.0f, 80.0f);
    brush.alignToNormal = true;
    PaintWith({"tree.mdl"}, brush);
    Stroke(Line({30, -20, 0, 0}, {30, 20, 0, 0}, 40));
    const std::map<std::string, Pose> painted = Placed(*field);
    ASSERT_GT(painted.size(), 10u);
    std::set<float> scales;
    std::set<float> yaws;
    const float length = std::sqrt(1.0f + kSteepSlope * kSteepSlope);
    for (const auto& [name, t] : painted) {
        EXPECT_NEAR(t.position.z, kFlatHeight + kSteepSlope * t.position.x, 1e-3f) << name;
        // One factor from -0.9 to 2.38 for the three axes.
        EXPECT_TRUE(t.scale.x == t.scale.y && t.scale.y == t.scale.z) << name;
        EXPECT_GE(t.scale.x, 1.0f - 0.45f - 1e-4f);
        EXPECT_LE(t.scale.x, 1.0f + 1.19f + 1e-4f);
        const Vector4 up = TurnRow({0, 0, 1, 0}, RotationOfAngles(t.rotation));
        EXPECT_NEAR(up.x, -kSteepSlope / length, 1e-3f) << name;
        EXPECT_NEAR(up.z, 1.0f / length, 1e-3f) << name;
        scales.insert(t.scale.x);
        yaws.insert(t.rotation.z);
    }
    EXPECT_GT(scales.size(), painted.size() / 2) << "each copy draws its own scale";
    EXPECT_GT(yaws.size(), painted.size() / 2) << "and its own yaw";
}

// Ctrl erases the copies of the definition under the brush, written or not,
// and nothing else; undo brings them all back.
TEST_F(PaintMode, CtrlErasesOnlyThatDefinitionUnderTheBrush) {
    const std::filesystem::path cell = CellPath();
    std::filesystem::create_directories(cell.parent_path());
    std::filesystem::copy_file(std::filesystem::path(QUORVANE_TEST_DATA) / "level_edits" / "p0p0.gmf", cell);
    GridReadReport report;
    ASSERT_TRUE(field->LoadGridFile(cell, &report));
    field->Lists().gridFiles.ForEach([](GridFileEntry& file) { file.loaded.store(true); });

    const std::string tree = "model/nature/tree.mdl"; // the cell's TREE stands at (30, 5)
    Place({tree}, -28.0f, 5.0f);
    LeftClick(); // confirmed, placing again
    PlaceAt(-60.0f, 60.0f);
    LeftClick();
    Place({"rock.mdl"}, -29.0f, 6.0f);
    LeftClick();
    ASSERT_EQ(field->PlacementRecordCount(), 3);

    PaintWith({tree}, Brush(5.0f, 10.0f, 1.0f));
    Stroke(Line({-30, 5, 0, 0}, {30, 5, 0, 0}, 60), true);
    const std::map<std::string, Pose> left = Placed(*field);
    EXPECT_EQ(left.size(), 2u);
    EXPECT_TRUE(left.contains("m1p0_ROCK_000"));
    EXPECT_TRUE(left.contains("m2p1_TREE_000")) << "out of the brush's reach";
    const std::vector<WrittenPart> edits = field->WrittenEdits();
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits.front().line.uniqueName, "p0p0_TREE_000");
    EXPECT_TRUE(edits.front().deleted);

    UndoStep();
    EXPECT_EQ(field->PlacementRecordCount(), 3);
    EXPECT_TRUE(field->WrittenEdits().empty());
}

// The stroke reaches the journal once it ends, and an editor started again
// after a kill restores every copy.
TEST_F(PaintMode, AStrokeIsJournaledAndRestoredAfterAKill) {
    OpenJournal();
    PaintWith({"tree.mdl"}, Brush(5.0f, 20.0f, 1.0f));
    Stroke(Line({-60, -10, 0, 0}, {-20, 10, 0, 0}, 30));
    const std::vector<std::string> names = RecordNames();
    ASSERT_GT(names.size(), 20u);
    std::vector<std::string> journaled = JournaledNames();
    EXPECT_EQ(std::set<std::string>(journaled.begin(), journaled.end()),
              std::set<std::string>(names.begin(), names.end()));

    const std::map<std::string, Pose> painted = Placed(*field);
    std::unique_ptr<CMainField> restarted = Restarted();
    std::string message;
    EXPECT_EQ(restarted->RestoreFromJournal(&message), static_cast<int32_t>(names.size())) << message;
    EXPECT_EQ(Placed(*restarted), painted);
}

} // namespace
} // namespace quorvane::testing
