#pragma once

#include "editor/main_field.h"
#include "editor/recovery_journal.h"
#include "fake_model_loader.h"
#include "platform/virtual_key_codes.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quorvane::testing {

// A field view driven the way the window drives it, with a ground plane that
// maps a client pixel (x, y) to the world point (x, -y, 0): up the screen is +y.
class EditorFixture : public ::testing::Test {
protected:
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("quorvane_editor_" + std::to_string(::getpid()) + "_" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    FakeModelLoader loader;
    std::unique_ptr<CMainField> field;
    RandomRanges ranges;

    void SetUp() override {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        field = std::make_unique<CMainField>(loader, dir / "gridfile");
        field->SetGroundPlanePoint([](PixelPoint p) {
            return Vector4{static_cast<float>(p.x), static_cast<float>(-p.y), 0.0f, 1.0f};
        });
        field->SetRandomRanges([this] { return ranges; });
    }
    void TearDown() override {
        field.reset();
        std::filesystem::remove_all(dir);
    }

    static CModelDefinition Definition(const std::vector<std::string>& paths, uint32_t lod = 0) {
        CModelDefinition def;
        def.filePath = "./model/test.mdf";
        for (const std::string& path : paths) {
            def.paths[def.count] = path;
            def.lodValues[def.count] = lod;
            def.listNumbers[def.count] = def.count;
            def.shaderValues[def.count] = 2;
            ++def.count;
        }
        return def;
    }

    // The viewer picks a definition and the next frame swaps the cursor in.
    void Choose(const std::vector<std::string>& paths) {
        field->ChooseModelForPlacement(Definition(paths));
        field->UpdateEditing();
    }

    // Input is posted; the frame update applies it. These apply at once, as the
    // next frame would, and return the mode it leaves.
    EditMode Applied() {
        field->ApplyPostedInput();
        return Mode();
    }
    EditMode Press(int key) {
        field->OnKeyDown(key);
        field->OnKeyUp(key);
        return Applied();
    }
    EditMode Key(char letter) { return Press(vk::Letter(letter)); }
    // A typed adjustment of the selection: G, S or R, an axis, the digits and
    // Enter, and the frame that applies it.
    void Typed(char what, char axis, const std::string& digits) {
        Key(what);
        Key(axis);
        for (const char digit : digits) {
            Press(vk::kDigit0 + (digit - '0'));
        }
        Press(vk::kReturn);
        field->UpdateEditing();
    }
    void MoveTo(int x, int y) {
        field->OnMouseMove({x, y});
        field->ApplyPostedInput();
    }
    // G, S or R pressed with the mouse at from, then an axis key if given, and
    // the drag to to, not yet confirmed.
    void Drag(char what, PixelPoint from, PixelPoint to, char axis = 0) {
        MoveTo(from.x, from.y);
        Key(what);
        if (axis != 0) {
            Key(axis);
        }
        MoveTo(to.x, to.y);
    }
    // As a person clicks: after the background thread has read the cell's
    // names and the cursor's next copies have been swapped in.
    EditMode LeftClick(int x = 0, int y = 0) {
        field->WaitForBackgroundWork();
        field->SwapInCursor();
        field->OnLButtonDown({x, y});
        field->OnLButtonUp();
        return Applied();
    }
    EditMode RightClick(int x = 0, int y = 0) {
        field->OnRButtonDown({x, y});
        field->OnRButtonUp();
        return Applied();
    }
    EditMode MiddleClick(int x = 0, int y = 0) {
        field->OnMButtonDown({x, y});
        field->OnMButtonUp();
        return Applied();
    }
    EditMode ListClick(int32_t clientY) {
        field->PickListRow(clientY);
        return Applied();
    }
    // The delete button, and the frame update that deletes.
    void DeleteButton() {
        field->RequestDelete();
        field->UpdateEditing();
    }
    // Places at a ground point: the camera side sets the pick point, then a click.
    EditMode PlaceAt(float x, float y) {
        field->SetPickPoint({x, y, 0.0f, 0.0f});
        return LeftClick();
    }
    EditMode Place(const std::vector<std::string>& paths, float x, float y) {
        Choose(paths);
        return PlaceAt(x, y);
    }

    // An undo or redo as the render thread applies it: the frame that takes
    // the request, and the one after the background thread has loaded what
    // the step brings back.
    void UndoStep() { ApplyHistoryStep(true); }
    void RedoStep() { ApplyHistoryStep(false); }
    void ApplyHistoryStep(bool undo) {
        undo ? field->RequestUndo() : field->RequestRedo();
        FinishHistoryStep();
    }
    void FinishHistoryStep() {
        field->UpdateEditing();
        field->WaitForBackgroundWork();
        field->UpdateEditing();
    }

    // A two-part tree at (10, 20) and a rock at (30, 5); then the tree, picked
    // in the list's first row, dragged by (30, 20) on the ground to (40, 40).
    void PlaceTreeAndRockThenMoveTheTree() {
        Choose({"tree/trunk.mdl", "tree/leaves.mdl"});
        PlaceAt(10.0f, 20.0f);
        LeftClick(); // confirmed, placing again
        Choose({"rock.mdl"});
        PlaceAt(30.0f, 5.0f);
        ListClick(0);
        Drag('G', {100, 100}, {130, 80});
        LeftClick();
    }

    EditMode Mode() const { return field->Mode(); }
    // A cell's grid map file at level 0.
    std::filesystem::path CellPath(const std::string& cell = "p0p0") const {
        return dir / "gridfile" / "lod0" / (cell + ".gmf");
    }
    std::filesystem::path JournalPath() const { return dir / "recovery.journal"; }
    void OpenJournal() {
        std::string message;
        ASSERT_TRUE(field->OpenRecoveryJournal(JournalPath(), &message)) << message;
    }
    // The unwritten placements on disk once the journal writer has caught up.
    UnwrittenSet Journaled() const {
        field->FlushJournal();
        return CRecoveryJournal(JournalPath()).Read().Latest();
    }
    std::vector<std::string> JournaledNames() const {
        std::vector<std::string> names;
        for (const UnwrittenPlacement& part : Journaled()) {
            names.push_back(part.record.uniqueName);
        }
        return names;
    }
    // The editor started again on the same folder, the journal opened.
    std::unique_ptr<CMainField> Restarted() {
        auto restarted = std::make_unique<CMainField>(loader, dir / "gridfile");
        std::string message;
        EXPECT_TRUE(restarted->OpenRecoveryJournal(JournalPath(), &message)) << message;
        return restarted;
    }

    // What a test reads of a placed model, copied while the field is locked.
    struct PlacedView {
        uint32_t placementSerial = 0;
        CModelTransform transform;
    };
    std::optional<PlacedView> Entry(const std::string& name) const {
        std::optional<PlacedView> view;
        field->ForEachPlacedModel([&](const CModelEntry& e) {
            if (e.name == name && !view) {
                view = PlacedView{e.placementSerial, e.transform};
            }
        });
        return view;
    }
    std::vector<std::string> RecordNames() const {
        std::vector<std::string> names;
        for (const CPlacedModel& record : field->PlacementRecordSnapshot()) {
            names.push_back(record.uniqueName);
        }
        return names;
    }
    std::string ReadFile(const std::filesystem::path& path) const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

// A ready field tile over -100..100 in y whose one mesh collider holds each
// strip: the plane z = height + slope x from x0 to x1, every corner with the
// plane's normal (-slope, 0, 1).
struct GroundStrip {
    float x0, x1, height, slope;
};
inline std::unique_ptr<CModelEntry> GroundTile(std::initializer_list<GroundStrip> strips) {
    auto collider = std::make_unique<CCollider>();
    collider->type = ColliderType::kMesh;
    for (const GroundStrip& s : strips) {
        for (const auto& [x, y] : {std::pair{s.x0, -100.0f},
                                   {s.x1, -100.0f},
                                   {s.x1, 100.0f},
                                   {s.x0, -100.0f},
                                   {s.x1, 100.0f},
                                   {s.x0, 100.0f}}) {
            CSkinRecord record;
            record.position = {x, y, s.height + s.slope * x};
            record.normal = {-s.slope, 0.0f, 1.0f};
            collider->skinnedRecords.push_back(record);
        }
    }
    auto tile = std::make_unique<CModelEntry>();
    tile->name = "Field0-0";
    tile->colliderSet = std::make_unique<CColliderSet>();
    tile->colliderSet->boundsMin = {-100, -100, -1000};
    tile->colliderSet->boundsMax = {100, 100, 1000};
    tile->colliderSet->colliders.push_back(std::move(collider));
    SetEntryReady(*tile, true);
    return tile;
}

// With every row of the placement list on its first page.
class ListFixture : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        field->SetListHeight(100000);
    }
};

// The names a two-part tree and a rock placed first in cell p0p0 get.
const std::string kTrunk = "p0p0_TRUNK_000";
const std::string kLeaves = "p0p0_LEAVES_000";
const std::string kRock = "p0p0_ROCK_000";

} // namespace quorvane::testing
