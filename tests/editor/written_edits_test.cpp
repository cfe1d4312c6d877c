// Selecting copies in the field and editing the ones already written: each
// scenario ends in the cell file's bytes, compared with a hand-written file.
#include "editor/rotation_matrix.h"
#include "editor_fixture.h"
#include "fake_streaming_loader.h"

#include <cmath>
#include <map>
#include <string_view>

namespace quorvane::testing {
namespace {

const std::filesystem::path kData = std::filesystem::path(QUORVANE_TEST_DATA) / "level_edits";

class WrittenEdits : public EditorFixture {
protected:
    const std::filesystem::path cellFile = CellPath();
    // Its read count proves that a write needed no read.
    std::shared_ptr<CGridFileAccess> access = std::make_shared<CGridFileAccess>();

    void SetUp() override {
        EditorFixture::SetUp();
        std::filesystem::create_directories(cellFile.parent_path());
        // Straight down onto the ground point the fixture maps the pixel to.
        field->SetPickRay([](PixelPoint p) {
            return PickRay{{static_cast<float>(p.x), static_cast<float>(-p.y), 100.0f, 1.0f}, {0, 0, -1, 0}};
        });
        field->SetGridFileAccess(access);
        field->SetListHeight(100000);
        LoadCell("p0p0.gmf");
    }

    // The cell file from the test data, read as streaming reads it.
    void LoadCell(const std::string& data) {
        field->Lists().gridFiles.ExtractAll();
        std::filesystem::copy_file(kData / data, cellFile, std::filesystem::copy_options::overwrite_existing);
        GridReadReport report;
        ASSERT_TRUE(field->LoadGridFile(cellFile, &report));
        MarkLoaded(cellFile);
    }
    // As streaming leaves a file: every copy loaded, two units wide; the file
    // itself counts as loaded only when fileLoaded says so.
    void MarkLoaded(const std::filesystem::path& path, bool fileLoaded = true) {
        field->Lists().gridFiles.ForEach([&](GridFileEntry& file) {
            if (file.path != path) {
                return;
            }
            for (auto& group : file.groups) {
                group->ForEach([](CModelEntry& entry) {
                    entry.bounds = {{-1, -1, -1, 1}, {1, 1, 1, 1}};
                    entry.hasDrawModel = true;
                    SetEntryLoaded(entry, true);
                });
            }
            file.loaded.store(fileLoaded);
        });
    }

    // A click at a ground point, and the frame that picks.
    void ClickGround(float x, float y) {
        LeftClick(static_cast<int>(x), static_cast<int>(-y));
        field->UpdateEditing();
    }
    // The same with Shift held; drag moves the mouse that far before the release.
    void ShiftClickGround(float x, float y, int drag = 0) {
        field->OnKeyDown(vk::kShift);
        const PixelPoint at{static_cast<int>(x), static_cast<int>(-y)};
        field->OnLButtonDown(at);
        MoveTo(at.x + drag, at.y);
        field->OnLButtonUp();
        field->OnKeyUp(vk::kShift);
        field->UpdateEditing();
    }
    struct Shown {
        CModelTransform transform;
        bool hidden = false;
        bool selected = false;
    };
    std::optional<Shown> Copy(const std::string& name) const {
        std::optional<Shown> shown;
        field->Lists().gridFiles.ForEach([&](const GridFileEntry& file) {
            for (const auto& group : file.groups) {
                group->ForEach([&](const CModelEntry& entry) {
                    if (entry.name == name) {
                        shown = Shown{entry.transform, entry.hidden.load(), entry.selected.load()};
                    }
                });
            }
        });
        return shown;
    }
    std::string Expected(std::string_view name) const { return ReadFile(kData / name); }
    GridWriteReport Write() {
        GridWriteReport report;
        field->WriteGridFiles(&report);
        field->UpdateEditing();
        return report;
    }
    // Writes, and the cell holds the hand-written file.
    void ExpectWrittenAs(std::string_view expected) {
        EXPECT_TRUE(Write().AllWritten());
        EXPECT_EQ(ReadFile(cellFile), Expected(expected));
    }
    void MoveSelectionAlongX(int digit) { Typed('G', 'X', std::to_string(digit)); }
    // One unwritten copy of a two-unit box, placed and confirmed, the cursor back to moving.
    void PlaceUnwrittenAt(Vector4 point) {
        loader.boxes["model/a.mdl"] = {{-1, -1, -1, 1}, {1, 1, 1, 1}};
        Choose({"model/a.mdl"});
        field->SetPickPoint(point);
        LeftClick();
        LeftClick();  // confirms the place
        RightClick(); // back to moving
        ASSERT_EQ(RecordNames().size(), 1u);
    }
};

TEST_F(WrittenEdits, AClickSelectsTheWrittenCopyUnderItAndAMissClearsIt) {
    ClickGround(30.5f, 5.0f);
    EXPECT_EQ(field->SelectedName(), "p0p0_TREE_000");
    EXPECT_TRUE(field->SelectedIsWritten());
    EXPECT_EQ(Mode(), EditMode::ModeAdjust);
    EXPECT_TRUE(Copy("p0p0_TREE_000")->selected);
    EXPECT_FALSE(Copy("p0p0_HOUSE_000")->selected);

    ClickGround(-20.0f, -20.0f); // bare ground
    EXPECT_EQ(field->SelectedName(), "");
    EXPECT_FALSE(field->SelectedIsWritten());
    EXPECT_FALSE(Copy("p0p0_TREE_000")->selected);

    ClickGround(10.0f, 20.0f);
    ASSERT_EQ(field->SelectedName(), "p0p0_HOUSE_000");
    Press(vk::kEscape);
    EXPECT_EQ(field->SelectedName(), "");
    EXPECT_NE(Mode(), EditMode::ModeAdjust);
}

// A pick keeps the written copies it gathered until something changes: a
// file that finishes loading, or a copy that moves, is seen by the next click.
TEST_F(WrittenEdits, ThePickSeesCopiesThatLoadedOrMovedSinceTheLastOne) {
    const std::filesystem::path other = CellPath("p1p0");
    std::ofstream(other, std::ios::binary)
        << "p1p0_WELL_000|WELL|0|2|0|0|model/town/well.mdl|model/town/well.mdl|70.000000|20.000000|0.000000|"
           "1.000000|1.000000|1.000000|0.000000|0.000000|0.000000\r\n";
    ASSERT_TRUE(field->LoadGridFile(other, nullptr));
    MarkLoaded(other, false);
    ClickGround(70.0f, 20.0f);
    EXPECT_EQ(field->SelectedName(), "") << "a file still streaming in is not picked from";
    MarkLoaded(other); // nothing else changes when the last model of a file is in
    ClickGround(70.0f, 20.0f);
    ASSERT_EQ(field->SelectedName(), "p1p0_WELL_000");
    MoveSelectionAlongX(9);
    ClickGround(-20.0f, -20.0f);
    ClickGround(79.0f, 20.0f);
    EXPECT_EQ(field->SelectedName(), "p1p0_WELL_000") << "the moved copy is picked where it stands now";
}

TEST_F(WrittenEdits, AMovedWrittenCopyIsRewrittenInPlaceAndUndoneByAnotherWrite) {
    ClickGround(10.0f, 20.0f);
    Key('G');
    Key('X');
    Press(vk::kDigit0 + 7);
    field->UpdateEditing();
    EXPECT_FLOAT_EQ(Copy("p0p0_HOUSE_000")->transform.position.x, 17.0f);
    RightClick();
    field->UpdateEditing();
    EXPECT_FLOAT_EQ(Copy("p0p0_HOUSE_000")->transform.position.x, 10.0f);
    EXPECT_TRUE(field->WrittenEdits().empty()) << "a cancelled move leaves nothing to write";
    EXPECT_EQ(field->UndoCount(), 0u);

    MoveSelectionAlongX(5);
    EXPECT_FLOAT_EQ(Copy("p0p0_HOUSE_000")->transform.position.x, 15.0f);
    EXPECT_TRUE(field->HasUnwrittenEdits(cellFile));

    const GridWriteReport report = Write();
    EXPECT_TRUE(report.AllWritten());
    EXPECT_EQ(report.changedNames, std::vector<std::string>{"p0p0_HOUSE_000"});
    EXPECT_EQ(ReadFile(cellFile), Expected("p0p0_house_moved.gmf"));
    EXPECT_FALSE(field->HasUnwrittenEdits(cellFile));

    // The cell in memory follows its rewrite: its stamp is the rewrite's, so the next edit is written too.
    ClickGround(15.0f, 20.0f);
    MoveSelectionAlongX(5);
    ExpectWrittenAs("p0p0_house_moved_twice.gmf");
    EXPECT_EQ(access->ReadCount(), 0u);

    // The moves are still undoable: undone, the old lines go back at the next writes.
    UndoStep();
    ExpectWrittenAs("p0p0_house_moved.gmf");
    UndoStep();
    EXPECT_FLOAT_EQ(Copy("p0p0_HOUSE_000")->transform.position.x, 10.0f);
    ExpectWrittenAs("p0p0.gmf");
}

// Rewritten, the other lines would turn into UTF-8: the edit waits, the bytes stay.
TEST_F(WrittenEdits, ACellInAnotherEncodingIsNotRewrittenAndItsEditStays) {
    LoadCell("p0p0_cp932.gmf");
    ClickGround(10.0f, 20.0f);
    ASSERT_EQ(field->SelectedName(), "p0p0_HOUSE_000");
    MoveSelectionAlongX(5);
    const GridWriteReport report = Write();
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_NE(report.failures[0].message.find("is not UTF-8"), std::string::npos)
        << report.failures[0].message;
    EXPECT_EQ(ReadFile(cellFile), Expected("p0p0_cp932.gmf"));
    EXPECT_TRUE(field->HasUnwrittenEdits(cellFile));
}

TEST_F(WrittenEdits, AClickOnAWrittenPartTakesEveryPartItsClickPlaced) {
    LoadCell("p0p0_house_parts.gmf");
    ClickGround(10.0f, 20.0f);
    ASSERT_EQ(field->SelectedGroup().size(), 3u)
        << "walls, roof and door stand on one spot, written together";
    MoveSelectionAlongX(5);
    ExpectWrittenAs("p0p0_house_parts_moved.gmf");
    ShiftClickGround(15.0f, 20.0f); // the whole house goes out of the selection again
    EXPECT_TRUE(field->SelectedGroup().empty());
    EXPECT_EQ(field->SelectedName(), "");
}

TEST_F(WrittenEdits, ADeletedWrittenCopyHidesLeavesTheFileAndComesBackWithUndo) {
    ClickGround(10.0f, 20.0f);
    MoveSelectionAlongX(5);
    ClickGround(30.0f, 5.0f);
    Press(vk::kDelete);
    field->UpdateEditing();
    EXPECT_TRUE(Copy("p0p0_TREE_000")->hidden);
    EXPECT_EQ(field->SelectedName(), "");

    UndoStep();
    EXPECT_FALSE(Copy("p0p0_TREE_000")->hidden);
    RedoStep();
    EXPECT_TRUE(Copy("p0p0_TREE_000")->hidden);

    ClickGround(30.0f, 5.0f); // a hidden copy is not there to pick
    EXPECT_EQ(field->SelectedName(), "");

    ExpectWrittenAs("p0p0_tree_deleted.gmf");
}

TEST_F(WrittenEdits, ACellChangedOnDiskIsNotOverwrittenAndTheEditStays) {
    ClickGround(10.0f, 20.0f);
    MoveSelectionAlongX(5);
    // A teammate appends meanwhile.
    const std::string teammate =
        Expected("p0p0.gmf") +
        "p0p0_WELL_000|WELL|0|2|0|0|model/town/well.mdl|model/town/well.mdl|1.000000|1.000000|0.000000|"
        "1.000000|1.000000|1.000000|0.000000|0.000000|0.000000\r\n";
    std::ofstream(cellFile, std::ios::binary | std::ios::trunc) << teammate;
    // The streaming sees the change: the cell keeps its edit, and the user is told.
    FakeStreamingLoader streamingLoader;
    CFieldStreaming streaming(field->Lists(), *field, streamingLoader, dir / "gridfile");
    std::vector<std::string> told;
    streaming.SetProblemSink([&told](const std::string& message) { told.push_back(message); });
    streaming.TimerPhase();
    streaming.CommitPhase();
    ASSERT_TRUE(Copy("p0p0_HOUSE_000").has_value()) << "the cell holding the edit was dropped";
    EXPECT_FLOAT_EQ(Copy("p0p0_HOUSE_000")->transform.position.x, 15.0f);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("edits not written yet"), std::string::npos) << told[0];
    const GridWriteReport report = Write();
    EXPECT_FALSE(report.AllWritten());
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].uniqueName, "p0p0_HOUSE_000");
    EXPECT_EQ(ReadFile(cellFile), teammate);
    EXPECT_TRUE(field->HasUnwrittenEdits(cellFile));
}

// Shift+click gathers copies and takes a selected one out again; a Shift+drag
// is the camera's only.
TEST_F(WrittenEdits, ShiftClicksGatherCopiesThatTurnAboutTheirCentreInOneStep) {
    ClickGround(10.0f, 20.0f);
    ShiftClickGround(30.0f, 5.0f, 40); // dragged: a camera pan
    EXPECT_TRUE(field->SelectedGroup().empty());
    EXPECT_EQ(field->SelectedName(), "p0p0_HOUSE_000");
    ShiftClickGround(30.0f, 5.0f, 2); // a hand's tremble is still a click
    ASSERT_EQ(field->SelectedGroup().size(), 2u);
    EXPECT_TRUE(Copy("p0p0_HOUSE_000")->selected);
    EXPECT_TRUE(Copy("p0p0_TREE_000")->selected);
    EXPECT_FALSE(Copy("p0p0_FENCE_000")->selected);

    // A quarter turn about z of the pair, whose centre is (20, 12.5).
    Typed('R', 'Z', "90");
    EXPECT_EQ(Copy("p0p0_HOUSE_000")->transform.position, (Vector4{12.5f, 2.5f, 0.0f, 1.0f}));
    EXPECT_EQ(Copy("p0p0_TREE_000")->transform.position, (Vector4{27.5f, 22.5f, 0.0f, 1.0f}));
    EXPECT_EQ(field->UndoCount(), 1u);
    ExpectWrittenAs("p0p0_group_turned.gmf");

    UndoStep();
    EXPECT_EQ(Copy("p0p0_TREE_000")->transform.position, (Vector4{30.0f, 5.0f, 0.0f, 1.0f}));
    EXPECT_EQ(field->SelectedGroup().size(), 2u) << "undo brings the selection back";
    ExpectWrittenAs("p0p0.gmf");

    ShiftClickGround(10.0f, 20.0f);
    EXPECT_TRUE(field->SelectedGroup().empty());
    EXPECT_EQ(field->SelectedName(), "p0p0_TREE_000");
    EXPECT_TRUE(field->SelectedIsWritten());
    ShiftClickGround(-20.0f, -20.0f); // bare ground keeps the selection
    EXPECT_EQ(field->SelectedName(), "p0p0_TREE_000");
}

// The unwritten copy stands on the tree, above it along the ray: it is picked first.
TEST_F(WrittenEdits, AWrittenAndAnUnwrittenCopyMoveAndDeleteTogether) {
    PlaceUnwrittenAt({30.0f, 5.0f, 0.5f, 0.0f});
    const std::string unwritten = RecordNames().front();
    ClickGround(30.0f, 5.0f);
    EXPECT_EQ(field->SelectedName(), unwritten);
    EXPECT_FALSE(field->SelectedIsWritten());
    ShiftClickGround(10.0f, 20.0f);
    ASSERT_EQ(field->SelectedGroup().size(), 2u);
    EXPECT_EQ(field->SelectedWrittenNames(), std::vector<std::string>{"p0p0_HOUSE_000"})
        << "the list shows the written one after the unwritten";

    MoveSelectionAlongX(5);
    EXPECT_FLOAT_EQ(Copy("p0p0_HOUSE_000")->transform.position.x, 15.0f);
    EXPECT_FLOAT_EQ(Entry(unwritten)->transform.position.x, 35.0f);
    EXPECT_FLOAT_EQ(Copy("p0p0_TREE_000")->transform.position.x, 30.0f);

    Press(vk::kDelete);
    field->UpdateEditing();
    EXPECT_TRUE(RecordNames().empty());
    EXPECT_TRUE(Copy("p0p0_HOUSE_000")->hidden);
    EXPECT_TRUE(field->SelectedGroup().empty());
    EXPECT_EQ(field->UndoCount(), 3u); // the place, the move, the delete

    UndoStep(); // the deleted copy's model loads again before the step applies
    EXPECT_EQ(RecordNames().size(), 1u);
    EXPECT_FALSE(Copy("p0p0_HOUSE_000")->hidden);
    EXPECT_FLOAT_EQ(Copy("p0p0_HOUSE_000")->transform.position.x, 15.0f);
    UndoStep();
    EXPECT_FLOAT_EQ(Copy("p0p0_HOUSE_000")->transform.position.x, 10.0f);
    EXPECT_FLOAT_EQ(Entry(unwritten)->transform.position.x, 30.0f);
}

TEST_F(WrittenEdits, ADragFromBareGroundSelectsTheCopiesInsideItsRectangle) {
    // A 1000-pixel view whose pixel (100, 100) looks straight down at the origin.
    const auto pixel = [](float x, float y) {
        return PixelPoint{static_cast<int>(x) + 100, 100 - static_cast<int>(y)};
    };
    field->SetPickRay([](PixelPoint p) {
        return PickRay{{static_cast<float>(p.x - 100), static_cast<float>(100 - p.y), 100.0f, 1.0f},
                       {0, 0, -1, 0}};
    });
    field->SetViewProjection([] {
        return ViewProjection{[](const Vector4& w) {
                                  return ViewPoint{w.x + 100.0f, 100.0f - w.y};
                              },
                              1000, 1000};
    });
    const auto drag = [&](float x0, float y0, float x1, float y1, bool frameMidway) {
        field->OnLButtonDown(pixel(x0, y0));
        if (frameMidway) {
            field->UpdateEditing(); // the press's pick is done before the release
        }
        MoveTo(pixel(x1, y1).x, pixel(x1, y1).y);
        EXPECT_TRUE(field->Input().leftSelects) << "the camera does not pan under a selection rectangle";
        field->OnLButtonUp();
        field->UpdateEditing();
    };

    drag(5.0f, 25.0f, 35.0f, 0.0f, true); // house and tree, not the fence at (40, 40)
    ASSERT_EQ(field->SelectedGroup().size(), 2u);
    EXPECT_TRUE(Copy("p0p0_HOUSE_000")->selected);
    EXPECT_TRUE(Copy("p0p0_TREE_000")->selected);
    EXPECT_FALSE(Copy("p0p0_FENCE_000")->selected);

    drag(40.0f, 40.0f, 0.0f, 0.0f, false); // begun on the fence: the fence alone
    EXPECT_TRUE(field->SelectedGroup().empty());
    EXPECT_EQ(field->SelectedName(), "p0p0_FENCE_000");

    drag(-50.0f, -50.0f, -40.0f, -40.0f, false); // nothing inside
    EXPECT_EQ(field->SelectedName(), "");
    EXPECT_FALSE(Copy("p0p0_FENCE_000")->selected);
}

TEST_F(WrittenEdits, EditsLeftByACrashComeBackAtTheNextStartAndWriteAsMadeThereOrWaitForTheirCell) {
    OpenJournal();
    ClickGround(10.0f, 20.0f);
    MoveSelectionAlongX(5);
    ClickGround(30.0f, 5.0f);
    Press(vk::kDelete);
    field->UpdateEditing();
    field->FlushJournal();
    std::filesystem::copy_file(JournalPath(), dir / "crashed.journal");

    // The next start, before any cell was streamed in.
    std::unique_ptr<CMainField> restarted = Restarted();
    std::string message;
    EXPECT_EQ(restarted->RecoverableCount(), 2u);
    EXPECT_EQ(restarted->RestoreFromJournal(&message), 2) << message;
    EXPECT_EQ(restarted->WrittenEdits().size(), 2u);
    EXPECT_TRUE(restarted->HasUnwrittenEdits(cellFile));
    GridWriteReport report;
    ASSERT_TRUE(restarted->WriteGridFiles(&report));
    EXPECT_TRUE(report.AllWritten());
    EXPECT_EQ(ReadFile(cellFile), Expected("p0p0_tree_deleted.gmf"));

    // A crash after that write, before the journal was emptied: the file holds the edits already.
    restarted->FlushJournal();
    std::filesystem::copy_file(dir / "crashed.journal", JournalPath(),
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(Restarted()->RecoverableCount(), 0u);

    // Had a teammate emptied the cell instead, the edits would wait for the start after.
    restarted.reset();
    std::ofstream(cellFile, std::ios::binary | std::ios::trunc).close();
    std::filesystem::copy_file(dir / "crashed.journal", JournalPath(),
                               std::filesystem::copy_options::overwrite_existing);
    restarted = Restarted();
    ASSERT_EQ(restarted->RecoverableCount(), 1u) << "the tree's line is gone: its delete is done";
    EXPECT_EQ(restarted->RestoreFromJournal(&message), 0);
    EXPECT_NE(message.find("p0p0_HOUSE_000 is no longer in"), std::string::npos) << message;
    EXPECT_EQ(restarted->RecoverableEdits().size(), 1u);
    restarted->FlushJournal();
    EXPECT_EQ(CRecoveryJournal(JournalPath()).Read().Newest().edits.size(), 1u);
}

// End stands the selection on the ground under each copy, Shift+End also
// tilts it to the ground's normal; each is one step that undo takes back.
TEST_F(WrittenEdits, EndDropsTheSelectionOntoTheGroundAndShiftEndTiltsIt) {
    field->Lists().fieldTiles.Append(GroundTile({{-100.0f, 100.0f, 3.0f, 0.5f}})); // z = 3 + 0.5 x
    const auto end = [this](bool shift) {
        if (shift) {
            field->OnKeyDown(vk::kShift);
        }
        Press(vk::kEnd);
        if (shift) {
            field->OnKeyUp(vk::kShift);
            field->ApplyPostedInput();
        }
        field->UpdateEditing();
    };
    ClickGround(10.0f, 20.0f);
    ASSERT_EQ(field->SelectedName(), "p0p0_HOUSE_000");
    end(false);
    const auto houseZ = [this] { return Copy("p0p0_HOUSE_000")->transform.position.z; };
    EXPECT_NEAR(houseZ(), 8.0f, 1e-4f);
    const Vector4 turned = Copy("p0p0_HOUSE_000")->transform.rotation;
    EXPECT_TRUE(turned.x == 0 && turned.y == 0 && turned.z == 0) << "End alone tilts nothing";
    EXPECT_NEAR(field->Vectors().selPosition.z, 8.0f, 1e-4f) << "the fields show where it stands";
    UndoStep();
    EXPECT_EQ(houseZ(), 0.0f);
    RedoStep();
    EXPECT_NEAR(houseZ(), 8.0f, 1e-4f);

    // The house with the tree, and an unwritten copy beside them.
    PlaceUnwrittenAt({-20.0f, 0.0f, 40.0f, 0.0f});
    const std::string unwritten = RecordNames().front();
    ClickGround(10.0f, 20.0f);
    ShiftClickGround(30.0f, 5.0f);
    ShiftClickGround(-20.0f, 0.0f);
    end(true);
    const float length = std::sqrt(1.25f);
    const auto expectStanding = [&](const CModelTransform& t, float x, float yaw) {
        EXPECT_NEAR(t.position.z, 3.0f + 0.5f * x, 1e-4f);
        EXPECT_NEAR(t.rotation.z, yaw, 1e-4f);
        const Vector4 up = TurnRow({0, 0, 1, 0}, RotationOfAngles(t.rotation));
        EXPECT_NEAR(up.x, -0.5f / length, 1e-4f);
        EXPECT_NEAR(up.y, 0.0f, 1e-4f);
        EXPECT_NEAR(up.z, 1.0f / length, 1e-4f);
    };
    expectStanding(Copy("p0p0_HOUSE_000")->transform, 10.0f, 0.0f);
    expectStanding(Copy("p0p0_TREE_000")->transform, 30.0f, 90.0f);
    expectStanding(Entry(unwritten)->transform, -20.0f, 0.0f);
    UndoStep();
    EXPECT_FLOAT_EQ(Copy("p0p0_TREE_000")->transform.position.z, 0.0f);
    EXPECT_EQ(Copy("p0p0_TREE_000")->transform.rotation.z, 90.0f);
    EXPECT_NEAR(houseZ(), 8.0f, 1e-4f) << "the earlier drop stays";
    EXPECT_FLOAT_EQ(Entry(unwritten)->transform.position.z, 40.0f);
}

// Shift+D makes the selected copy again where it stands and moves it; the
// confirming click makes it one step, a right click drops it.
TEST_F(WrittenEdits, ShiftDDuplicatesTheSelectionIntoAMoveAndARightClickDropsIt) {
    const auto duplicate = [this] {
        field->OnKeyDown(vk::kShift);
        Press(vk::Letter('D'));
        field->OnKeyUp(vk::kShift);
        field->ApplyPostedInput();
        field->UpdateEditing(); // asks for the house's shared model
        field->WaitForBackgroundWork();
        field->UpdateEditing(); // makes the copy and starts the move
    };
    ClickGround(10.0f, 20.0f);
    const size_t undoBefore = field->UndoCount();
    MoveTo(10, -20);
    duplicate();
    ASSERT_EQ(RecordNames(), std::vector<std::string>{"p0p0_HOUSE_001"}) << "the next free name of its cell";
    EXPECT_EQ(field->SelectedName(), "p0p0_HOUSE_001");
    EXPECT_EQ(Mode(), EditMode::ModePlacedMove);
    MoveTo(40, -30);
    LeftClick(40, -30);
    EXPECT_EQ(Mode(), EditMode::ModeAdjust);
    const Vector4 moved = Entry("p0p0_HOUSE_001")->transform.position;
    EXPECT_FLOAT_EQ(moved.x, 40.0f);
    EXPECT_FLOAT_EQ(moved.y, 30.0f);
    EXPECT_FLOAT_EQ(Copy("p0p0_HOUSE_000")->transform.position.x, 10.0f) << "the original stays";
    EXPECT_EQ(field->UndoCount(), undoBefore + 1) << "made and moved in one step";
    EXPECT_TRUE(field->WrittenEdits().empty());
    UndoStep();
    EXPECT_TRUE(RecordNames().empty());

    ClickGround(10.0f, 20.0f);
    duplicate();
    ASSERT_EQ(RecordNames().size(), 1u);
    RightClick(40, -30);
    field->UpdateEditing();
    EXPECT_TRUE(RecordNames().empty()) << "the cancelled duplicate stays";
    EXPECT_EQ(field->SelectedName(), "p0p0_HOUSE_000");
    EXPECT_EQ(field->UndoCount(), undoBefore);
}

// Ctrl+C copies the selection, Ctrl+V puts the layout's centre at the pick
// point as one step.
TEST_F(WrittenEdits, CtrlCAndCtrlVPasteTheLayoutAroundThePickPoint) {
    PlaceUnwrittenAt({-20.0f, 0.0f, 4.0f, 0.0f});
    ClickGround(10.0f, 20.0f);
    ShiftClickGround(-20.0f, 0.0f);
    ASSERT_EQ(field->SelectedGroup().size(), 2u);
    field->OnKeyDown(vk::kControl);
    Press(vk::Letter('C'));
    field->SetPickPoint({100.0f, 100.0f, 2.0f, 0.0f});
    Press(vk::Letter('V'));
    field->OnKeyUp(vk::kControl);
    field->ApplyPostedInput();
    field->UpdateEditing();
    field->WaitForBackgroundWork();
    field->UpdateEditing();
    // The centre of (10, 20, 0) and (-20, 0, 4) is (-5, 10, 2).
    std::map<std::string, Vector4> pasted;
    for (const std::string& name : RecordNames()) {
        pasted[name] = Entry(name)->transform.position;
    }
    ASSERT_EQ(pasted.size(), 3u);
    ASSERT_TRUE(pasted.contains("p2p2_HOUSE_000"));
    EXPECT_EQ(pasted["p2p2_HOUSE_000"], (Vector4{115.0f, 110.0f, 0.0f, 1.0f}));
    ASSERT_TRUE(pasted.contains("p1p1_A_000"));
    EXPECT_EQ(pasted["p1p1_A_000"], (Vector4{85.0f, 90.0f, 4.0f, 1.0f}));
    EXPECT_EQ(field->SelectedGroup().size(), 2u) << "the pasted copies are selected";
    UndoStep();
    EXPECT_EQ(RecordNames().size(), 1u);
}

} // namespace
} // namespace quorvane::testing
