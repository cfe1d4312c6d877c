// The placement journey through the real windows on a generated demo field:
// choose a definition in the tree and see every panel painted, place three
// copies, page and select in the list, delete with the button, write, see the
// placements come back from their files, move a written copy with typed keys,
// restart and see them drawn again. The rules behind each step are checked
// headless in tests/editor; here each piece of wiring is driven once. Needs an
// X display (xvfb-run): the field view renders through a Vulkan surface.
#include "app/application.h"
#include "app/field_view.h"
#include "app/main_window.h"
#include "editor/field_streaming.h"
#include "editor/main_field.h"
#include "editor/registry_lists.h"
#include "render/vulkan_instance.h"
#include "tests/app/editor_session.h"
#include "tests/qt_wait.h"
#include "tests/small_demo_field.h"
#include "ui/brush_panel.h"
#include "ui/field_buttons.h"
#include "ui/info_window.h"
#include "ui/model_list_window.h"
#include "ui/model_tree_window.h"
#include "ui/model_viewer_window.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <set>
#include <utility>

namespace quorvane {
namespace {

using test::WaitFor;

using test::RunningEditor;
using test::ScopedWorkingDirectory;

std::filesystem::path ScreenshotFolder() {
    const std::filesystem::path folder = QUORVANE_SCREENSHOT_DIR;
    std::filesystem::create_directories(folder);
    return folder;
}

QImage GrabWindow(CMainWindow& window) {
    window.update();
    // The field shows a change one or two frames after the state has it.
    if (CFieldView* view = window.FieldView()) {
        test::WaitForFrames(*view, 2);
    }
    WaitFor([] { return false; }, 100); // the side windows' repaints
    QImage shot = QGuiApplication::primaryScreen()->grabWindow(window.winId()).toImage();
    return shot.isNull() ? window.grab().toImage() : shot;
}

void SaveStage(CMainWindow& window, const std::string& stage) {
    const std::filesystem::path file = ScreenshotFolder() / ("journey-" + stage + ".png");
    EXPECT_TRUE(GrabWindow(window).save(QString::fromStdString(file.string()))) << file;
}

// How many pixels of `area` inside the image, every `step`-th, pass `test`, and how many were looked at.
template <typename Test>
std::pair<int, int> CountPixels(const QImage& image, QRect area, const Test& test, int step = 1) {
    area &= image.rect();
    int count = 0;
    int total = 0;
    for (int y = area.top(); y <= area.bottom(); y += step) {
        for (int x = area.left(); x <= area.right(); x += step, ++total) {
            count += test(image.pixelColor(x, y), x, y) ? 1 : 0;
        }
    }
    return {count, total};
}

int GuideRedPixels(const QImage& image) {
    const auto red = [](QColor c, int, int) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; };
    return CountPixels(image, image.rect(), red).first;
}

// The view's client point of a world point, through the camera the last frame used.
std::optional<QPoint> ClientPointOf(CFieldView& view, const Vector4& point) {
    const FieldCameraView snapshot = view.CameraSnapshot();
    const QSize size = view.SurfaceWindow()->size();
    const std::optional<ScreenPoint> client =
        ProjectToClient(snapshot.camera, size.width(), size.height(), {point.x, point.y, point.z});
    if (!client) {
        return std::nullopt;
    }
    return QPoint(static_cast<int>(client->x), static_cast<int>(client->y));
}

// The pick point, taken down to z = 0, projects within two pixels of the mouse.
bool PickUnder(CFieldView& view, const Vector4& pick, const QPoint& mouse) {
    const std::optional<QPoint> client = ClientPointOf(view, {pick.x, pick.y, 0.0f, 1.0f});
    return client && std::abs(client->x() - mouse.x()) <= 2 && std::abs(client->y() - mouse.y()) <= 2;
}

// The share of pixels in a square around centre that differ clearly between two images.
double ChangedShare(const QImage& a, const QImage& b, const QPoint& centre, int radius) {
    const QRect square(centre - QPoint(radius, radius), QSize(2 * radius + 1, 2 * radius + 1));
    const auto [changed, total] = CountPixels(a, square & b.rect(), [&b](QColor p, int x, int y) {
        const QColor q = b.pixelColor(x, y);
        return std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) + std::abs(p.blue() - q.blue()) >
               30;
    });
    return total == 0 ? 0.0 : static_cast<double>(changed) / total;
}

std::vector<std::string> FileLines(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        EXPECT_TRUE(line.ends_with('\r')) << "a grid map line ends with CR LF: " << line;
        lines.push_back(line.substr(0, line.size() - (line.ends_with('\r') ? 1 : 0)));
    }
    return lines;
}

// Every written file is loaded with the lines it has on disk and its copies
// are ready; with `shared`, the sources they are drawn as instances of too.
bool WrittenFilesLoaded(const CRegistryLists& lists,
                        const std::map<std::string, std::vector<std::string>>& written, bool shared) {
    bool ready = true;
    const auto entryReady = [&ready](const CModelEntry& e) {
        ready = ready && e.loaded.load() && e.ready.load();
    };
    if (shared) {
        lists.sharedModels.ForEach(entryReady);
    }
    std::set<std::string> loaded;
    lists.gridFiles.ForEach([&](const GridFileEntry& file) {
        const auto found = written.find(file.path.lexically_normal().generic_string());
        if (found == written.end()) {
            return;
        }
        loaded.insert(found->first);
        ready = ready && file.loaded.load() && file.lines == found->second;
        for (const auto& group : file.groups) {
            if (group) {
                group->ForEach(entryReady);
            }
        }
    });
    return ready && loaded.size() == written.size();
}

// Clicks folder, then folder/<name>, in the tree.
void ClickDefinition(CModelTreeWindow& tree, const QString& folder, const QString& name) {
    QTreeWidget* widget = tree.Tree();
    QTreeWidgetItem* item = tree.TopItem();
    for (const QString& step : {folder, name}) {
        widget->expandItem(item);
        QTreeWidgetItem* parent = std::exchange(item, nullptr);
        for (int i = 0; i < parent->childCount(); ++i) {
            item = parent->child(i)->text(0) == step ? parent->child(i) : item;
        }
        ASSERT_NE(item, nullptr) << step.toStdString();
        widget->scrollToItem(item);
        const QRect rect = widget->visualItemRect(item);
        ASSERT_TRUE(rect.isValid()) << step.toStdString();
        QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, rect.center());
    }
}

void ClickBuilding(CModelTreeWindow& tree, const QString& name) {
    ClickDefinition(tree, "buildings", name);
}

void Click(QWidget* button) {
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

// Holds the fixture of the journey: the house, its three level-0 parts, the
// demo folder with an empty grid file folder as the working directory. No
// test may raise a Vulkan validation error.
class Journey : public ::testing::Test {
protected:
    void SetUp() override {
        errorsBefore_ = CVulkanInstance::ValidationErrorCount();
        ASSERT_EQ(QGuiApplication::platformName(), "xcb")
            << "needs an X display (run it through test.sh or xvfb-run)";
        const std::filesystem::path root = test::SmallDemoRoot();
        ASSERT_NE(test::SmallDemoDefinition("buildings/house.mdf"), nullptr) << "the demo field has no house";
        test::EmptySmallDemoGridFolder();
        qunsetenv("QUORVANE_CHOOSE");
        inDemo_.emplace(root);
    }
    void TearDown() override { EXPECT_EQ(CVulkanInstance::ValidationErrorCount(), errorsBefore_); }

    int errorsBefore_ = 0;
    std::optional<ScopedWorkingDirectory> inDemo_;
};

TEST_F(Journey, ChoosePlaceDeleteWriteReloadMoveAndRestart) {
    QImage emptyView;
    std::map<std::string, std::vector<std::string>> writtenFiles; // path -> lines
    std::map<std::string, CModelTransform> written;               // unique name -> transform
    {
        RunningEditor editor;
        ASSERT_TRUE(editor.Started());
        CMainWindow& window = editor.Window();
        CFieldView& view = editor.View();
        std::string why;
        ASSERT_TRUE(test::WaitForReadyEditor(editor, why)) << why;
        CMainField& field = *window.Field();
        CRegistryLists& lists = *view.Lists();
        QWindow* surface = view.SurfaceWindow();
        const QSize size = surface->size();
        ASSERT_GT(size.width(), 600);
        ASSERT_GT(size.height(), 300);
        EXPECT_EQ(field.Mode(), EditMode::ModeNoModel);
        emptyView = test::GrabView(view);
        SaveStage(window, "0-empty");

        // 1. A click on the house in the tree: three level-0 parts under the cursor.
        ASSERT_NO_FATAL_FAILURE(ClickBuilding(*window.ModelTree(), "house.mdf"));
        ASSERT_TRUE(WaitFor(
            [&] { return field.Mode() == EditMode::ModePlace && field.CursorPartCount() == 3; }, 30000))
            << "the house was not taken for placing";
        EXPECT_TRUE(WaitFor([&] { return window.InfoWindow()->Shown().mode == EditMode::ModePlace; }, 20000));
        SaveStage(window, "1-chosen");
        // The title band, the tree's frame and the info window's face from the
        // widgets' own painting: a screen grab on a loaded machine may still show
        // a repaint in flight. No panel is left in the light stand-in colour.
        const QImage painted = window.grab().toImage();
        const MainLayout& m = editor.State().layout;
        const auto at = [&](int x, int y) { return painted.pixelColor(x, y).rgb(); };
        EXPECT_EQ(at(window.width() / 2, 5), QColor(100, 70, 70).rgb());
        EXPECT_EQ(at(m.modelTree.x - 1, m.modelTree.y + 50), QColor(220, 190, 190).rgb());
        EXPECT_EQ(at(m.infoWindow.x + m.infoWindow.width - 3, m.infoWindow.y + 3), QColor(100, 80, 80).rgb());
        const auto standIn = [](QColor c, int, int) { return c.rgb() == QColor(245, 235, 235).rgb(); };
        EXPECT_EQ(CountPixels(painted, painted.rect(), standIn, 2).first, 0);

        // 2. and 3. The cursor follows the mouse on the ground; three copies,
        // each placed with a left click and confirmed with another.
        const int row = size.height() * 2 / 3;
        const std::array<QPoint, 3> spots = {QPoint(size.width() / 2 - 260, row),
                                             QPoint(size.width() / 2, row),
                                             QPoint(size.width() / 2 + 260, row)};
        for (int copy = 0; copy < 3; ++copy) {
            const QPoint spot = spots[static_cast<size_t>(copy)];
            ASSERT_TRUE(test::MoveMouse(field, surface, spot));
            ASSERT_TRUE(WaitFor([&] { return PickUnder(view, field.Vectors().pickPoint, spot); }, 30000))
                << "the pick point did not come under the mouse";
            QTest::mouseClick(surface, Qt::LeftButton, {}, spot);
            ASSERT_TRUE(WaitFor([&] { return field.PlacedModelCount() == 3 * (copy + 1); }, 30000))
                << "copy " << copy << " was not placed";
            QTest::mouseClick(surface, Qt::LeftButton, {}, spot);
            ASSERT_TRUE(WaitFor([&] { return field.Mode() == EditMode::ModePlace; }, 30000));
        }
        const auto allPlacedReady = [&] {
            bool ready = true;
            field.ForEachPlacedModel([&ready](const CModelEntry& e) { ready = ready && e.ready.load(); });
            return ready;
        };
        EXPECT_TRUE(WaitFor(allPlacedReady, 30000)) << "a placed part never finished its uploads";
        SaveStage(window, "3-placed");
        // The README's picture, small enough to commit.
        const QImage small = GrabWindow(window).scaledToWidth(560, Qt::SmoothTransformation);
        EXPECT_TRUE(
            small.save(QString::fromStdString((ScreenshotFolder() / "journey-editor-small.png").string())));

        // 4. One wheel notch away from the user turns the list back a page.
        const std::vector<CPlacedModel> records = field.PlacementRecordSnapshot();
        ASSERT_EQ(records.size(), 9u);
        CModelListWindow& list = *window.PlacementList();
        const int rowsPerPage = list.height() / CModelListWindow::kRowHeight;
        ASSERT_GE(rowsPerPage, 4) << "the list window is too small to pick rows from";
        while (field.ListModel().Page() > 0) {
            const int page = field.ListModel().Page();
            QWheelEvent wheel(QPointF(list.width() / 2, 5), list.mapToGlobal(QPointF(list.width() / 2, 5)),
                              QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                              false);
            QCoreApplication::sendEvent(&list, &wheel);
            ASSERT_TRUE(WaitFor([&] { return field.ListModel().Page() == page - 1; }, 30000))
                << field.ListModel().Page();
        }

        // 5. The first row selected in the list and deleted with the button: its copy's three parts go.
        QTest::mouseClick(&list, Qt::LeftButton, {}, QPoint(list.width() / 2, 11));
        ASSERT_TRUE(WaitFor([&] { return field.SelectedName() == records[0].uniqueName; }, 30000));
        EXPECT_EQ(field.Mode(), EditMode::ModeAdjust);
        ASSERT_NO_FATAL_FAILURE(Click(window.findChild<CButtonDelete*>("CLASS_BUTTONDELETE")));
        ASSERT_TRUE(WaitFor(
            [&] { return field.PlacedModelCount() == 6 && field.PlacementRecordCount() == 6; }, 30000))
            << "the delete button did not remove the first copy";
        SaveStage(window, "5-deleted");

        // 6. Write: every remaining part has a CR LF line in a file of gridfile/lod0.
        std::multiset<std::string> kept;
        field.ForEachPlacedModel([&](const CModelEntry& e) {
            kept.insert(e.name);
            written[e.name] = e.transform;
        });
        auto* writeButton = window.findChild<CButtonWriteFile*>("CLASS_BUTTONWRITEFILE");
        ASSERT_NO_FATAL_FAILURE(Click(writeButton));
        // Written on the core's writing thread: the window does not wait for the disk.
        ASSERT_TRUE(WaitFor([&] { return field.UnwrittenPlacementCount() == 0; }, 30000));
        std::multiset<std::string> onDisk;
        for (const auto& item : std::filesystem::directory_iterator("gridfile/lod0")) {
            const std::string file = item.path().lexically_normal().generic_string();
            writtenFiles[file] = FileLines(file);
            for (const std::string& line : writtenFiles[file]) {
                onDisk.insert(std::string(FirstGridField(line)));
            }
        }
        EXPECT_EQ(onDisk, kept);
        SaveStage(window, "6-written");

        // 7. The written placements join their cells in memory, with the files' lines.
        ASSERT_TRUE(WaitFor(
            [&] { return field.PlacedModelCount() == 0 && field.PlacementRecordCount() == 0; }, 30000))
            << "the written placements were not cleaned up";
        ASSERT_TRUE(WaitFor([&] { return WrittenFilesLoaded(lists, writtenFiles, false); }, 30000))
            << "the written grid files did not come back";
        EXPECT_TRUE(test::WaitForFrames(view, 3));
        SaveStage(window, "7-reloaded");

        // 8. Out of placing, a click on a written copy selects the parts its click
        // placed; G, X, 5, Return typed into the view move them 5 along x, with
        // the red guide on the screen, and the next write rewrites their file.
        const auto [file, linesBefore] = *writtenFiles.begin();
        const Vector4 chosenAt = written[std::string(FirstGridField(linesBefore.front()))].position;
        QTest::mouseClick(surface, Qt::RightButton, {}, spots[0]);
        ASSERT_TRUE(WaitFor([&] { return field.Mode() == EditMode::ModeMove; }, 30000));
        const std::optional<QPoint> onCopy = ClientPointOf(view, chosenAt);
        ASSERT_TRUE(onCopy.has_value());
        ASSERT_TRUE(test::MoveMouse(field, surface, *onCopy));
        QTest::mouseClick(surface, Qt::LeftButton, {}, *onCopy);
        ASSERT_TRUE(WaitFor(
            [&] {
                return !field.PickPending() && field.Mode() == EditMode::ModeAdjust &&
                       field.SelectedGroup().size() == 3;
            },
            30000))
            << "the written house under " << onCopy->x() << ", " << onCopy->y() << " was not selected whole";
        for (const SelectedCopy& copy : field.SelectedGroup()) {
            ASSERT_TRUE(written.contains(copy.name)) << copy.name;
            EXPECT_EQ(written[copy.name].position, chosenAt) << copy.name << " is another copy's";
            written[copy.name].position.x += 5.0f; // where the move below takes it
        }
        const int redBefore = GuideRedPixels(test::GrabView(view));
        QTest::keyClick(surface, Qt::Key_G);
        QTest::keyClick(surface, Qt::Key_X);
        ASSERT_TRUE(WaitFor([&] { return field.Mode() == EditMode::ModePlacedMoveX; }, 30000))
            << ModeValue(field.Mode());
        EXPECT_TRUE(WaitFor([&] { return GuideRedPixels(test::GrabView(view)) > redBefore + 100; }, 30000))
            << "no axis guide while moving along x";
        SaveStage(window, "8-guides");
        QTest::keyClick(surface, Qt::Key_5);
        QTest::keyClick(surface, Qt::Key_Return);
        ASSERT_TRUE(
            WaitFor([&] { return field.Mode() == EditMode::ModeAdjust && field.UndoCount() == 1; }, 30000));
        ASSERT_NO_FATAL_FAILURE(Click(writeButton));
        // Rewritten in place; the bytes of a rewrite are WrittenEdits' to check.
        ASSERT_TRUE(WaitFor([&] { return FileLines(file) != linesBefore; }, 30000))
            << "the move was not written";
        EXPECT_EQ(FileLines(file).size(), linesBefore.size());
        writtenFiles[file] = FileLines(file);
        SaveStage(window, "8-moved");
        editor.Stop();
    }

    // 9. A fresh application object on the same folder draws them where they were placed.
    {
        RunningEditor editor;
        ASSERT_TRUE(editor.Started());
        CMainWindow& window = editor.Window();
        CFieldView& view = editor.View();
        ASSERT_TRUE(WaitFor([&] { return view.FrameRate() > 0.0 && view.StartupFinished(); }, 60000));
        ASSERT_TRUE(WaitFor(
            [&] { return view.Progress().Done() && WrittenFilesLoaded(*view.Lists(), writtenFiles, true); },
            60000))
            << "the placements did not come back after the restart";
        EXPECT_EQ(window.Field()->PlacedModelCount(), 0);
        // The same view as the empty one, and a few frames with the models drawn.
        ASSERT_TRUE(test::WaitForSettledField(view));
        ASSERT_TRUE(test::WaitForFrames(view, 3));
        const QImage restartedView = test::GrabView(view);
        std::set<std::pair<float, float>> copies;
        for (const auto& [name, transform] : written) {
            if (!copies.insert({transform.position.x, transform.position.y}).second) {
                continue; // the parts of one copy stand on one spot
            }
            const std::optional<QPoint> at = ClientPointOf(view, transform.position);
            ASSERT_TRUE(at.has_value()) << name;
            EXPECT_GT(ChangedShare(emptyView, restartedView, *at, 6), 0.5)
                << name << " is not drawn at " << at->x() << ", " << at->y();
        }
        EXPECT_EQ(copies.size(), 2u) << "two of the three copies were kept";
        SaveStage(window, "9-restarted");
    }
}

// P paints pines while the left button drags the brush over the ground, ]
// widens the brush and the panel shows it, and Ctrl+Z takes the stroke back.
TEST_F(Journey, PaintPinesWithTheBrushAndUndoTheStroke) {
    RunningEditor editor;
    ASSERT_TRUE(editor.Started());
    CMainWindow& window = editor.Window();
    CFieldView& view = editor.View();
    std::string why;
    ASSERT_TRUE(test::WaitForReadyEditor(editor, why)) << why;
    CMainField& field = *window.Field();
    QWindow* surface = view.SurfaceWindow();
    const QSize size = surface->size();

    ASSERT_NO_FATAL_FAILURE(ClickDefinition(*window.ModelTree(), "nature", "pine.mdf"));
    ASSERT_TRUE(WaitFor([&] { return field.Mode() == EditMode::ModePlace; }, 30000));
    const QPoint start(size.width() / 2 - 150, size.height() * 2 / 3);
    ASSERT_TRUE(test::MoveMouse(field, surface, start));
    QTest::keyClick(surface, Qt::Key_P);
    ASSERT_TRUE(WaitFor([&] { return window.InfoWindow()->Shown().mode == EditMode::ModePaint; }, 20000));
    const float radius = field.Brush().radius;
    QTest::keyClick(surface, Qt::Key_BracketRight);
    ASSERT_TRUE(WaitFor([&] { return field.Brush().radius > radius; }, 20000));
    EXPECT_TRUE(WaitFor([&] { return window.Brush().Fields()[0]->Value() == field.Brush().radius; }, 20000))
        << "the panel does not show the wider brush";

    QTest::mousePress(surface, Qt::LeftButton, {}, start);
    for (int step = 1; step <= 6; ++step) {
        const QPoint at = start + QPoint(50 * step, 0);
        ASSERT_TRUE(test::MoveMouse(field, surface, at));
        ASSERT_TRUE(WaitFor([&] { return PickUnder(view, field.Vectors().pickPoint, at); }, 30000));
    }
    QTest::mouseRelease(surface, Qt::LeftButton, {}, start + QPoint(300, 0));
    ASSERT_TRUE(WaitFor([&] { return !field.Painting() && field.PlacedModelCount() > 20; }, 30000))
        << "the stroke painted " << field.PlacedModelCount() << " pines";
    const auto drawnInstanced = [&] {
        bool all = true;
        field.ForEachPlacedModel(
            [&all](const CModelEntry& e) { all = all && e.isInstance && e.ready.load(); });
        return all;
    };
    EXPECT_TRUE(WaitFor(drawnInstanced, 30000)) << "a painted pine does not draw its shared model";
    EXPECT_EQ(field.PlacementRecordCount(), field.PlacedModelCount());
    SaveStage(window, "paint-stroke");

    QTest::keyClick(surface, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(WaitFor([&] { return field.PlacedModelCount() == 0; }, 30000)) << "undo left the stroke";
    editor.Stop();
}

// Closing while the field streams in ends cleanly and leaves the files written before intact.
TEST_F(Journey, ClosingWhileTilesStreamEndsCleanly) {
    // A grid map file written earlier, in the cell the streaming reads first.
    const std::filesystem::path file = std::filesystem::path("gridfile") / "lod0" / "p0p0.gmf";
    std::filesystem::create_directories(file.parent_path());
    const std::string line =
        "p0p0_crate_000|crate|0|0|0|0|model/props/crate.mdl|model/props/crate.mdl|"
        "1.000000|2.000000|0.000000|1.000000|1.000000|1.000000|0.000000|0.000000|45.000000";
    std::ofstream(file, std::ios::binary) << line << "\r\n";
    {
        RunningEditor editor;
        ASSERT_TRUE(editor.Started());
        CFieldView& view = editor.View();
        ASSERT_TRUE(WaitFor(
            [&] {
                const StreamingProgress progress = view.Progress();
                return view.Field() != nullptr &&
                       (progress.tilesLoading > 0 || progress.gridModelsLoading > 0);
            },
            60000))
            << "the streaming never started";
        EXPECT_FALSE(view.Progress().Done()) << "the field streamed in before it could be closed";
        editor.Stop();
    }
    EXPECT_EQ(FileLines(file), std::vector<std::string>{line}) << "closing changed a grid map file";
}

// Closing while the model viewer builds a chosen definition ends cleanly too.
TEST_F(Journey, ClosingWhileTheViewerLoadsEndsCleanly) {
    RunningEditor editor;
    ASSERT_TRUE(editor.Started());
    CMainWindow& window = editor.Window();
    CFieldView& view = editor.View();
    ASSERT_TRUE(WaitFor([&] { return view.FrameRate() > 0.0 && view.StartupFinished(); }, 120000));
    CModelViewerWindow* viewer = window.ModelViewer();
    ASSERT_NE(viewer, nullptr) << "no model viewer on this platform";
    ASSERT_TRUE(WaitFor([&] { return viewer->FrameRate() > 0.0; }, 60000)) << "the viewer never drew";
    ASSERT_NO_FATAL_FAILURE(ClickBuilding(*window.ModelTree(), "windmill.mdf"));
    EXPECT_TRUE(viewer->Busy()) << "the click did not start a load";
    editor.Stop();
}

} // namespace
} // namespace quorvane
