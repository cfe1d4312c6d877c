// The placement journey through the real windows on a generated demo field:
// choose a definition in the tree, place three copies with edits in between,
// select from the list, adjust, delete, write, see the placements come back
// from their files, restart and see them drawn again. Needs an X display
// (xvfb-run): the field view renders through a Vulkan surface.
#include "app/application.h"
#include "app/field_view.h"
#include "app/main_window.h"
#include "editor/field_streaming.h"
#include "editor/main_field.h"
#include "editor/registry_lists.h"
#include "render/vulkan_instance.h"
#include "tests/app/editor_session.h"
#include "tests/app/settled_field.h"
#include "tests/qt_wait.h"
#include "tests/small_demo_field.h"
#include "ui/edit_window.h"
#include "ui/field_buttons.h"
#include "ui/model_list_window.h"
#include "ui/model_tree_window.h"
#include "ui/model_viewer_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <set>
#include <sstream>

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

QImage GrabView(CFieldView& view) {
    QWidget* container = view.Container();
    const QPoint origin = container->mapToGlobal(QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, origin.x(), origin.y(), container->width(), container->height())
        .toImage();
}

void SaveStage(CMainWindow& window, const std::string& stage) {
    const std::filesystem::path file = ScreenshotFolder() / ("journey-" + stage + ".png");
    EXPECT_TRUE(GrabWindow(window).save(QString::fromStdString(file.string()))) << file;
}

int GuideRedPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.red() > 200 && c.green() < 60 && c.blue() < 60 ? 1 : 0;
        }
    }
    return count;
}

// The view's client point of a world point, through the camera the last frame used.
std::optional<QPoint> ClientPointOf(CFieldView& view, const Vector4& point) {
    const FieldCameraView snapshot = view.CameraSnapshot();
    const std::optional<ScreenPoint> screen = ProjectToScreen(snapshot.camera, {point.x, point.y, point.z});
    if (!screen) {
        return std::nullopt;
    }
    const QSize size = view.SurfaceWindow()->size();
    return QPoint(static_cast<int>(screen->x * static_cast<float>(size.width()) / 1920.0f),
                  static_cast<int>(screen->y * static_cast<float>(size.height()) / 1080.0f));
}

std::string Describe(CFieldView& view, const Vector4& point) {
    const std::optional<QPoint> client = ClientPointOf(view, point);
    std::ostringstream text;
    text << "(" << point.x << ", " << point.y << ", " << point.z << ") at ";
    if (client) {
        text << client->x() << ", " << client->y();
    } else {
        text << "nowhere";
    }
    return text.str();
}

// The pick point lies on the terrain straight above the point of z = 0 under the mouse.
Vector4 OnGroundPlane(const Vector4& pick) {
    return {pick.x, pick.y, 0.0f, 1.0f};
}

bool ProjectsNear(CFieldView& view, const Vector4& point, const QPoint& expected, int tolerance) {
    const std::optional<QPoint> client = ClientPointOf(view, point);
    return client && std::abs(client->x() - expected.x()) <= tolerance &&
           std::abs(client->y() - expected.y()) <= tolerance;
}

// The share of pixels in a square around centre that differ clearly between two images.
double ChangedShare(const QImage& a, const QImage& b, const QPoint& centre, int radius) {
    int changed = 0;
    int total = 0;
    for (int y = centre.y() - radius; y <= centre.y() + radius; ++y) {
        for (int x = centre.x() - radius; x <= centre.x() + radius; ++x) {
            if (!a.valid(x, y) || !b.valid(x, y)) {
                continue;
            }
            const QColor p = a.pixelColor(x, y);
            const QColor q = b.pixelColor(x, y);
            const int difference =
                std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) + std::abs(p.blue() - q.blue());
            changed += difference > 30 ? 1 : 0;
            ++total;
        }
    }
    return total == 0 ? 0.0 : static_cast<double>(changed) / total;
}

struct EntryTransform {
    std::string name;
    uint32_t serial = 0;
    CModelTransform transform;
};

std::vector<EntryTransform> PlacedTransforms(const CMainField& field) {
    std::vector<EntryTransform> out;
    field.ForEachPlacedModel([&out](const CModelEntry& e) {
        out.push_back({e.name, e.placementSerial, e.transform});
    });
    return out;
}

std::vector<EntryTransform> GroupOf(const std::vector<EntryTransform>& all, uint32_t serial) {
    std::vector<EntryTransform> group;
    std::copy_if(all.begin(), all.end(), std::back_inserter(group),
                 [serial](const EntryTransform& e) { return e.serial == serial; });
    return group;
}

bool SameXyz(const Vector4& a, const Vector4& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// A value read back from its six decimals is within their rounding of the value written.
bool AsWritten(const Vector4& read, const Vector4& written) {
    const auto near = [](float a, float b) { return std::fabs(a - b) <= 1e-6f + 1e-6f * std::fabs(b); };
    return near(read.x, written.x) && near(read.y, written.y) && near(read.z, written.z);
}

std::string Text(const Vector4& v) {
    char text[160];
    std::snprintf(text, sizeof text, "(%.9g, %.9g, %.9g)", static_cast<double>(v.x), static_cast<double>(v.y),
                  static_cast<double>(v.z));
    return text;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    for (std::string field; std::getline(in, field, '|');) {
        fields.push_back(field);
    }
    return fields;
}

// A transform number of a grid map line: six decimals.
bool SixDecimals(const std::string& text) {
    static const std::regex number(R"(-?[0-9]+\.[0-9]{6})");
    return std::regex_match(text, number);
}

// The line names the record and carries the transform, every number with six decimals.
bool LineHolds(const std::string& line, const CPlacedModel& record, const CModelTransform& t) {
    const std::vector<std::string> f = Fields(line);
    if (f.size() != 17 || f[0] != record.uniqueName || f[1] != record.modelId ||
        f[2] != std::to_string(record.copy) || f[3] != std::to_string(record.shader) ||
        f[4] != std::to_string(record.listNumber) || f[5] != std::to_string(record.animated) ||
        f[6] != record.partPath || f[7] != record.sourcePath ||
        !std::all_of(f.begin() + 8, f.end(), SixDecimals)) {
        return false;
    }
    const auto read = [&f](size_t at) {
        return Vector4{std::stof(f[at]), std::stof(f[at + 1]), std::stof(f[at + 2]), 1};
    };
    return AsWritten(read(8), t.position) && AsWritten(read(11), t.scale) && AsWritten(read(14), t.rotation);
}

// The lines after the picked copy moved 5 along x: its lines alone change, in
// place, in their x alone.
bool MovedAlongX(const std::vector<std::string>& before, const std::vector<std::string>& after,
                 const std::set<std::string>& picked) {
    if (after.size() != before.size()) {
        return false;
    }
    for (size_t i = 0; i < before.size(); ++i) {
        std::vector<std::string> was = Fields(before[i]);
        std::vector<std::string> now = Fields(after[i]);
        if (!picked.contains(was[0])) {
            if (after[i] != before[i]) {
                return false;
            }
            continue;
        }
        if (now.size() != 17 || !SixDecimals(now[8]) ||
            std::fabs(std::stof(now[8]) - std::stof(was[8]) - 5.0f) > 1e-4f) {
            return false;
        }
        now[8] = was[8];
        if (now != was) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> FileLines(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        EXPECT_TRUE(!line.empty() && line.back() == '\r') << "a grid map line ends with CR LF: " << line;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The grid files loaded now: path -> (lines, names with their transforms, every entry ready).
struct LoadedGridFile {
    std::vector<std::string> lines;
    std::map<std::string, CModelTransform> transforms;
    bool allReady = true;
};

std::map<std::string, LoadedGridFile> LoadedGridFiles(const CRegistryLists& lists) {
    std::map<std::string, LoadedGridFile> files;
    lists.gridFiles.ForEach([&files](const GridFileEntry& file) {
        LoadedGridFile& loaded = files[file.path.lexically_normal().generic_string()];
        loaded.lines = file.lines;
        loaded.allReady = file.loaded.load();
        for (const auto& group : file.groups) {
            if (!group) {
                continue;
            }
            group->ForEach([&loaded](const CModelEntry& entry) {
                loaded.transforms[entry.name] = entry.transform;
                loaded.allReady = loaded.allReady && entry.loaded.load() && entry.ready.load();
            });
        }
    });
    return files;
}

// The sources that the grid files' copies are drawn as instances of: a copy
// shows only once its source is uploaded, which may come frames after the copy.
bool SharedModelsReady(const CRegistryLists& lists) {
    bool ready = true;
    lists.sharedModels.ForEach(
        [&ready](const CModelEntry& entry) { ready = ready && entry.loaded.load() && entry.ready.load(); });
    return ready;
}

std::string NormalPath(const std::filesystem::path& path) {
    return path.lexically_normal().generic_string();
}

QTreeWidgetItem* ChildNamed(QTreeWidgetItem* parent, const QString& name) {
    for (int i = 0; parent != nullptr && i < parent->childCount(); ++i) {
        if (parent->child(i)->text(0) == name) {
            return parent->child(i);
        }
    }
    return nullptr;
}

void ClickItem(CModelTreeWindow& tree, QTreeWidgetItem* item) {
    QTreeWidget* widget = tree.Tree();
    for (QTreeWidgetItem* up = item->parent(); up != nullptr; up = up->parent()) {
        widget->expandItem(up);
    }
    widget->scrollToItem(item);
    const QRect rect = widget->visualItemRect(item);
    ASSERT_TRUE(rect.isValid()) << item->text(0).toStdString();
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, rect.center());
}

void TypeInto(CEditWindow& field, const char* text) {
    QTest::mouseClick(&field, Qt::LeftButton, {}, field.rect().center()); // clears to 0
    QTest::keyClicks(&field, text);
}

// Moves the mouse over the view and waits until the core has seen it.
void MoveMouse(CMainField& field, QWindow* surface, const QPoint& to) {
    QTest::mouseMove(surface, to);
    ASSERT_TRUE(WaitFor([&] { return field.Input().mouseClient == PixelPoint{to.x(), to.y()}; }, 30000));
}

// Holds the fixture of the journey: the house, its three level-0 parts, the
// demo folder with an empty grid file folder.
class Journey : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb")
            << "needs an X display (run it through test.sh or xvfb-run)";
        root_ = test::SmallDemoRoot();
        ASSERT_NE(test::SmallDemoDefinition("buildings/house.mdf"), nullptr) << "the demo field has no house";
        test::EmptySmallDemoGridFolder();
        qunsetenv("QUORVANE_CHOOSE");
    }

    std::filesystem::path root_;
};

TEST_F(Journey, ChoosePlaceAdjustDeleteWriteReloadAndRestart) {
    ScopedWorkingDirectory inDemo(root_);
    const int errorsBefore = CVulkanInstance::ValidationErrorCount();
    QImage emptyView;
    std::map<std::string, std::vector<std::string>> writtenFiles; // path -> lines
    std::map<std::string, CModelTransform> written;               // unique name -> transform
    {
        RunningEditor editor;
        ASSERT_TRUE(editor.Started());
        CMainWindow& window = editor.Window();
        CFieldView& view = editor.View();
        ASSERT_TRUE(WaitFor([&] { return view.FrameRate() > 0.0 && view.StartupFinished(); }, 120000))
            << "no frames or the start-up loads never ended: " << view.FrameRate() << " fps, start-up "
            << (view.StartupFinished() ? "finished" : "running");
        ASSERT_TRUE(test::WaitForSettledField(view)) << "the field never finished streaming in";
        CMainField& field = *window.Field();
        CRegistryLists& lists = *view.Lists();
        QWindow* surface = view.SurfaceWindow();
        const QSize size = surface->size();
        ASSERT_GT(size.width(), 600);
        ASSERT_GT(size.height(), 300);
        EXPECT_EQ(field.Mode(), EditMode::ModeNoModel);
        emptyView = GrabView(view);
        SaveStage(window, "0-empty");

        // 1. A click on the house in the tree: three level-0 parts under the cursor.
        CModelTreeWindow& tree = *window.ModelTree();
        QTreeWidgetItem* buildings = ChildNamed(tree.TopItem(), "buildings");
        ASSERT_NE(buildings, nullptr);
        ClickItem(tree, buildings);
        QTreeWidgetItem* house = ChildNamed(buildings, "house.mdf");
        ASSERT_NE(house, nullptr);
        ClickItem(tree, house);
        ASSERT_TRUE(WaitFor(
            [&] { return field.Mode() == EditMode::ModePlace && field.CursorPartCount() == 3; }, 30000))
            << "the house was not taken for placing";
        SaveStage(window, "1-chosen");

        // The six random ranges: scale x, y, z differ so that the draw shows which
        // field fed which axis; only the z rotation turns.
        const auto& ranges = window.RandomFields();
        TypeInto(*ranges[0], "0.1");
        TypeInto(*ranges[1], "0.2");
        TypeInto(*ranges[2], "0.3");
        TypeInto(*ranges[3], "0");
        TypeInto(*ranges[4], "0");
        TypeInto(*ranges[5], "1");
        EXPECT_FLOAT_EQ(ranges[0]->Value(), 0.1f);
        EXPECT_FLOAT_EQ(ranges[1]->Value(), 0.2f);
        EXPECT_FLOAT_EQ(ranges[2]->Value(), 0.3f);
        EXPECT_FLOAT_EQ(ranges[5]->Value(), 1.0f);

        // 2. The cursor follows the mouse on the ground.
        const int row = size.height() * 2 / 3;
        const std::array<QPoint, 3> spots = {QPoint(size.width() / 2 - 260, row),
                                             QPoint(size.width() / 2, row),
                                             QPoint(size.width() / 2 + 260, row)};
        ASSERT_NO_FATAL_FAILURE(MoveMouse(field, surface, spots[0]));
        ASSERT_TRUE(WaitFor(
            [&] { return ProjectsNear(view, OnGroundPlane(field.Vectors().pickPoint), spots[0], 2); }, 30000))
            << "the pick point did not come under the mouse: " << Describe(view, field.Vectors().pickPoint)
            << " for " << spots[0].x() << ", " << spots[0].y();
        SaveStage(window, "2-cursor");
        const int redBefore = GuideRedPixels(GrabView(view));

        // 3. G, X, a move along x, confirmed with a left click.
        const EditVectors beforeMove = field.Vectors();
        QTest::keyClick(surface, Qt::Key_G);
        QTest::keyClick(surface, Qt::Key_X);
        ASSERT_TRUE(WaitFor([&] { return field.Mode() == EditMode::ModeCursorMoveX; }, 30000))
            << ModeValue(field.Mode());
        ASSERT_NO_FATAL_FAILURE(MoveMouse(field, surface, spots[0] + QPoint(60, 0)));
        const EditVectors moved = field.Vectors();
        EXPECT_NE(moved.cursorOffset.x, beforeMove.cursorOffset.x);
        EXPECT_EQ(moved.cursorOffset.y, beforeMove.cursorOffset.y);
        EXPECT_EQ(moved.pickPoint, beforeMove.pickPoint) << "the pick holds still during a drag";
        EXPECT_TRUE(WaitFor([&] { return GuideRedPixels(GrabView(view)) > redBefore + 100; }, 30000))
            << "no axis guide while moving along x";
        SaveStage(window, "3-guides");
        QTest::mouseClick(surface, Qt::LeftButton, {}, spots[0] + QPoint(60, 0));
        ASSERT_TRUE(WaitFor([&] { return field.Mode() == EditMode::ModePlace; }, 30000));
        EXPECT_EQ(field.PlacedModelCount(), 0) << "confirming a move places nothing";

        // S, Z: moving the mouse up 20 pixels scales z by 0.1 a pixel.
        ASSERT_NO_FATAL_FAILURE(MoveMouse(field, surface, spots[0]));
        const float scaleZBefore = field.Vectors().cursorScale.z;
        QTest::keyClick(surface, Qt::Key_S);
        QTest::keyClick(surface, Qt::Key_Z);
        ASSERT_TRUE(WaitFor([&] { return field.Mode() == EditMode::ModeCursorScaleZ; }, 30000))
            << ModeValue(field.Mode());
        ASSERT_NO_FATAL_FAILURE(MoveMouse(field, surface, spots[0] + QPoint(0, -20)));
        EXPECT_NEAR(field.Vectors().cursorScale.z, scaleZBefore + 2.0f, 1e-4f);
        EXPECT_EQ(field.Vectors().cursorScale.x, 1.0f);
        QTest::mouseClick(surface, Qt::LeftButton, {}, spots[0] + QPoint(0, -20));
        ASSERT_TRUE(WaitFor([&] { return field.Mode() == EditMode::ModePlace; }, 30000));
        EXPECT_EQ(field.Vectors().baseScale, field.Vectors().cursorScale)
            << "a confirmed scale is the new base";

        // R, Z: moving the mouse down 30 pixels turns by -30 degrees.
        ASSERT_NO_FATAL_FAILURE(MoveMouse(field, surface, spots[0]));
        QTest::keyClick(surface, Qt::Key_R);
        QTest::keyClick(surface, Qt::Key_Z);
        ASSERT_TRUE(WaitFor([&] { return field.Mode() == EditMode::ModeCursorRotateZ; }, 30000))
            << ModeValue(field.Mode());
        ASSERT_NO_FATAL_FAILURE(MoveMouse(field, surface, spots[0] + QPoint(0, 30)));
        EXPECT_NEAR(field.Vectors().cursorRotation.z, -30.0f, 1e-4f);
        QTest::mouseClick(surface, Qt::LeftButton, {}, spots[0] + QPoint(0, 30));
        ASSERT_TRUE(WaitFor([&] { return field.Mode() == EditMode::ModePlace; }, 30000));

        // 4. Three copies, each placed with a left click and confirmed with another.
        std::vector<uint32_t> serials;
        for (int copy = 0; copy < 3; ++copy) {
            const QPoint spot = spots[static_cast<size_t>(copy)];
            ASSERT_NO_FATAL_FAILURE(MoveMouse(field, surface, spot));
            ASSERT_TRUE(
                WaitFor([&] { return ProjectsNear(view, OnGroundPlane(field.Vectors().pickPoint), spot, 2); },
                        30000));
            const EditVectors cursor = field.Vectors();
            QTest::mouseClick(surface, Qt::LeftButton, {}, spot);
            ASSERT_TRUE(WaitFor([&] { return field.PlacedModelCount() == 3 * (copy + 1); }, 30000))
                << "copy " << copy << " was not placed";
            EXPECT_EQ(field.Mode(), EditMode::ModeAdjust);
            EXPECT_EQ(field.PlacementRecordCount(), 3 * (copy + 1));
            EXPECT_EQ(field.ListModel().Selected(), 3 * (copy + 1))
                << "the list selects the last part placed";
            serials.push_back(field.PlacementSerial());

            // Every part of the copy stands where the cursor stood, as it was scaled and turned.
            const Vector4 where{cursor.pickPoint.x - cursor.cursorOffset.x,
                                cursor.pickPoint.y - cursor.cursorOffset.y,
                                cursor.pickPoint.z - cursor.cursorOffset.z, 1.0f};
            const auto group = GroupOf(PlacedTransforms(field), serials.back());
            ASSERT_EQ(group.size(), 3u);
            for (const EntryTransform& part : group) {
                EXPECT_TRUE(SameXyz(part.transform.position, where)) << part.name;
                EXPECT_TRUE(SameXyz(part.transform.scale, cursor.cursorScale)) << part.name;
                EXPECT_TRUE(SameXyz(part.transform.rotation, cursor.cursorRotation)) << part.name;
            }

            // The confirming click draws the next copy's scale and rotation from the six fields.
            QTest::mouseClick(surface, Qt::LeftButton, {}, spot);
            ASSERT_TRUE(WaitFor([&] { return field.Mode() == EditMode::ModePlace; }, 30000));
            const EditVectors next = field.Vectors();
            const float factorX = (next.cursorScale.x - next.baseScale.x) / 0.1f;
            const float factorY = (next.cursorScale.y - next.baseScale.y) / 0.2f;
            const float factorZ = (next.cursorScale.z - next.baseScale.z) / 0.3f;
            EXPECT_NEAR(factorX, factorY, 1e-3f) << "one factor scales every axis by its own range";
            EXPECT_NEAR(factorX, factorZ, 1e-3f);
            EXPECT_GE(factorX, -0.9f - 1e-3f);
            EXPECT_LE(factorX, 2.3767f + 1e-3f);
            EXPECT_GT(std::fabs(factorX), 1e-4f) << "the scale did not change";
            EXPECT_EQ(next.cursorRotation.x, next.baseRotation.x) << "x and y have no rotation range";
            EXPECT_EQ(next.cursorRotation.y, next.baseRotation.y);
            EXPECT_GE(next.cursorRotation.z, -180.0f);
            EXPECT_LE(next.cursorRotation.z, 180.0f);

            // An edit between the copies: the second one is moved freely with G.
            if (copy == 0) {
                const QPoint from = spots[1];
                ASSERT_NO_FATAL_FAILURE(MoveMouse(field, surface, from));
                const Vector4 offsetBefore = field.Vectors().cursorOffset;
                QTest::keyClick(surface, Qt::Key_G);
                ASSERT_NO_FATAL_FAILURE(MoveMouse(field, surface, from + QPoint(0, -25)));
                QTest::mouseClick(surface, Qt::LeftButton, {}, from + QPoint(0, -25));
                ASSERT_TRUE(WaitFor([&] { return field.Mode() == EditMode::ModePlace; }, 30000));
                EXPECT_NE(field.Vectors().cursorOffset.y, offsetBefore.y);
            }
        }
        ASSERT_EQ(serials.size(), 3u);
        const auto allPlacedReady = [&] {
            bool ready = true;
            field.ForEachPlacedModel([&ready](const CModelEntry& e) { ready = ready && e.ready.load(); });
            return ready;
        };
        EXPECT_TRUE(WaitFor(allPlacedReady, 30000)) << "a placed part never finished its uploads";
        SaveStage(window, "4-placed");
        // The README's picture: the whole window with the placed copies, scaled down.
        // Small enough to commit.
        const QImage small = GrabWindow(window).scaledToWidth(560, Qt::SmoothTransformation);
        EXPECT_TRUE(
            small.save(QString::fromStdString((ScreenshotFolder() / "journey-editor-small.png").string())));

        // 5. The list shows the nine parts, named after the cell, the model and a counter.
        const std::vector<CPlacedModel> records = field.PlacementRecordSnapshot();
        ASSERT_EQ(records.size(), 9u);
        std::set<std::string> names;
        for (const CPlacedModel& record : records) {
            names.insert(record.uniqueName);
            const std::string cellPrefix = std::string(CellOfUniqueName(record.uniqueName)) + "_";
            EXPECT_TRUE(IsCellName(CellOfUniqueName(record.uniqueName))) << record.uniqueName;
            EXPECT_EQ(record.uniqueName.substr(cellPrefix.size(), record.modelId.size()), record.modelId);
            EXPECT_EQ(record.definitionPath.filename(), "house.mdf");
        }
        EXPECT_EQ(names.size(), 9u) << "unique names repeat";
        CModelListWindow& list = *window.PlacementList();
        const int rowsShown = std::min(9, list.height() / CModelListWindow::kRowHeight);
        ASSERT_GE(rowsShown, 4) << "the list window is too small to pick rows from";

        // The list shows the page of the last placement; one wheel notch away from the user turns back a
        // page.
        const int rowsPerPage = list.height() / CModelListWindow::kRowHeight;
        EXPECT_EQ(field.ListModel().Page(), 8 / rowsPerPage);
        while (field.ListModel().Page() > 0) {
            const int page = field.ListModel().Page();
            QWheelEvent wheel(QPointF(list.width() / 2, 5), list.mapToGlobal(QPointF(list.width() / 2, 5)),
                              QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                              false);
            QCoreApplication::sendEvent(&list, &wheel);
            ASSERT_TRUE(WaitFor([&] { return field.ListModel().Page() == page - 1; }, 30000))
                << field.ListModel().Page();
        }

        // 6. Select the second copy's first part from the list and move its group along y.
        QTest::mouseClick(&list, Qt::LeftButton, {},
                          QPoint(list.width() / 2, 3 * CModelListWindow::kRowHeight + 11));
        ASSERT_TRUE(WaitFor([&] { return field.SelectedName() == records[3].uniqueName; }, 30000))
            << field.SelectedName() << " selected, row " << field.ListModel().Selected() << " of a list "
            << list.height() << " high";
        EXPECT_EQ(field.Mode(), EditMode::ModeAdjust);
        SaveStage(window, "5-selected");
        const auto othersBefore = GroupOf(PlacedTransforms(field), serials[2]);
        const Vector4 selectedBefore = field.Vectors().selPosition;
        ASSERT_NO_FATAL_FAILURE(MoveMouse(field, surface, spots[1]));
        QTest::keyClick(surface, Qt::Key_G);
        QTest::keyClick(surface, Qt::Key_Y);
        ASSERT_TRUE(WaitFor([&] { return field.Mode() == EditMode::ModePlacedMoveY; }, 30000))
            << ModeValue(field.Mode());
        ASSERT_NO_FATAL_FAILURE(MoveMouse(field, surface, spots[1] + QPoint(0, -40)));
        QTest::mouseClick(surface, Qt::LeftButton, {}, spots[1] + QPoint(0, -40));
        ASSERT_TRUE(WaitFor([&] { return field.Mode() == EditMode::ModeAdjust; }, 30000));
        const Vector4 selectedAfter = field.Vectors().selPosition;
        EXPECT_EQ(selectedAfter.x, selectedBefore.x);
        EXPECT_GT(selectedAfter.y, selectedBefore.y + 0.5f)
            << "moving the mouse up moves it away from the eye";
        for (const EntryTransform& part : GroupOf(PlacedTransforms(field), serials[1])) {
            EXPECT_TRUE(SameXyz(part.transform.position, selectedAfter)) << part.name << " left its group";
        }
        const auto othersAfter = GroupOf(PlacedTransforms(field), serials[2]);
        ASSERT_EQ(othersAfter.size(), othersBefore.size());
        for (size_t i = 0; i < othersAfter.size(); ++i) {
            EXPECT_EQ(othersAfter[i].transform.position, othersBefore[i].transform.position);
        }
        SaveStage(window, "6-adjusted");

        // 7. Select the first copy and delete it with the button: its three parts go.
        QTest::mouseClick(&list, Qt::LeftButton, {}, QPoint(list.width() / 2, 11));
        ASSERT_TRUE(WaitFor([&] { return field.SelectedName() == records[0].uniqueName; }, 30000));
        auto* deleteButton = window.findChild<CButtonDelete*>("CLASS_BUTTONDELETE");
        ASSERT_NE(deleteButton, nullptr);
        QTest::mouseClick(deleteButton, Qt::LeftButton, {}, deleteButton->rect().center());
        ASSERT_TRUE(WaitFor(
            [&] { return field.PlacedModelCount() == 6 && field.PlacementRecordCount() == 6; }, 30000))
            << "the delete button did not remove the first copy";
        EXPECT_TRUE(GroupOf(PlacedTransforms(field), serials[0]).empty());
        SaveStage(window, "7-deleted");

        // 8. Write: one line per remaining part in its cell's file, with the transforms as placed.
        const std::vector<CPlacedModel> kept = field.PlacementRecordSnapshot();
        ASSERT_EQ(kept.size(), 6u);
        std::map<std::string, CModelTransform> transforms;
        for (const EntryTransform& e : PlacedTransforms(field)) {
            transforms[e.name] = e.transform;
        }
        std::map<std::string, std::multiset<std::string>> namesByFile;
        std::map<std::string, const CPlacedModel*> keptByName;
        for (const CPlacedModel& record : kept) {
            ASSERT_TRUE(transforms.contains(record.uniqueName)) << record.uniqueName;
            const std::filesystem::path file = std::filesystem::path("gridfile") / "lod0" /
                                               (std::string(CellOfUniqueName(record.uniqueName)) + ".gmf");
            namesByFile[NormalPath(file)].insert(record.uniqueName);
            keptByName[record.uniqueName] = &record;
            written[record.uniqueName] = transforms[record.uniqueName];
        }
        auto* writeButton = window.findChild<CButtonWriteFile*>("CLASS_BUTTONWRITEFILE");
        ASSERT_NE(writeButton, nullptr);
        QTest::mouseClick(writeButton, Qt::LeftButton, {}, writeButton->rect().center());
        // Written on the core's writing thread: the window does not wait for the disk.
        ASSERT_TRUE(WaitFor([&] { return field.UnwrittenPlacementCount() == 0; }, 30000));
        for (const auto& [file, names] : namesByFile) {
            ASSERT_TRUE(std::filesystem::exists(file)) << file;
            const std::vector<std::string> onDisk = FileLines(file);
            std::multiset<std::string> onDiskNames;
            for (const std::string& line : onDisk) {
                const std::string name = Fields(line)[0];
                onDiskNames.insert(name);
                ASSERT_TRUE(keptByName.contains(name)) << line;
                EXPECT_TRUE(LineHolds(line, *keptByName[name], written[name])) << line;
            }
            EXPECT_EQ(onDiskNames, names) << file;
            writtenFiles[file] = onDisk;
        }
        SaveStage(window, "8-written");

        // 9. The written placements join their cells in memory, with the files' lines.
        ASSERT_TRUE(WaitFor(
            [&] { return field.PlacedModelCount() == 0 && field.PlacementRecordCount() == 0; }, 30000))
            << "the written placements were not cleaned up";
        const auto reloaded = [&] {
            const auto files = LoadedGridFiles(lists);
            for (const auto& [file, lines] : writtenFiles) {
                const auto found = files.find(file);
                if (found == files.end() || !found->second.allReady) {
                    return false;
                }
            }
            return true;
        };
        ASSERT_TRUE(WaitFor(reloaded, 30000)) << "the written grid files did not come back";
        for (const auto& [file, loaded] : LoadedGridFiles(lists)) {
            if (!writtenFiles.contains(file)) {
                continue;
            }
            EXPECT_EQ(loaded.lines, writtenFiles[file]) << file;
            for (const auto& [name, transform] : loaded.transforms) {
                ASSERT_TRUE(written.contains(name)) << name;
                EXPECT_TRUE(AsWritten(transform.position, written[name].position))
                    << name << " " << Text(transform.position) << " written as "
                    << Text(written[name].position);
                EXPECT_TRUE(AsWritten(transform.scale, written[name].scale))
                    << name << " " << Text(transform.scale) << " written as " << Text(written[name].scale);
                EXPECT_TRUE(AsWritten(transform.rotation, written[name].rotation))
                    << name << " " << Text(transform.rotation) << " written as "
                    << Text(written[name].rotation);
            }
        }
        EXPECT_TRUE(test::WaitForFrames(view, 3));
        SaveStage(window, "9-reloaded");

        // 10. Out of placing, a click on a written copy selects the parts its click placed;
        // typed, they move 5 along x.
        const auto [file, linesBefore] = *writtenFiles.begin();
        const std::string chosen(FirstGridField(linesBefore.front()));
        const Vector4 chosenAt = written[chosen].position;
        QTest::mouseClick(surface, Qt::RightButton, {}, spots[0]);
        ASSERT_TRUE(WaitFor([&] { return field.Mode() == EditMode::ModeMove; }, 30000));
        const std::optional<QPoint> onCopy = ClientPointOf(view, chosenAt);
        ASSERT_TRUE(onCopy.has_value());
        ASSERT_NO_FATAL_FAILURE(MoveMouse(field, surface, *onCopy));
        QTest::mouseClick(surface, Qt::LeftButton, {}, *onCopy);
        const auto houseSelected = [&] {
            return !field.PickPending() && field.Mode() == EditMode::ModeAdjust &&
                   field.SelectedGroup().size() == 3;
        };
        ASSERT_TRUE(WaitFor(houseSelected, 30000))
            << "the written house under " << Describe(view, chosenAt) << " was not selected whole";
        std::set<std::string> picked;
        for (const SelectedCopy& copy : field.SelectedGroup()) {
            ASSERT_TRUE(written.contains(copy.name)) << copy.name;
            EXPECT_TRUE(SameXyz(written[copy.name].position, chosenAt)) << copy.name << " is another copy's";
            picked.insert(copy.name);
        }
        for (const Qt::Key key : {Qt::Key_G, Qt::Key_X, Qt::Key_5, Qt::Key_Return}) {
            QTest::keyClick(surface, key);
        }
        ASSERT_TRUE(
            WaitFor([&] { return field.Mode() == EditMode::ModeAdjust && field.UndoCount() == 1; }, 30000));
        // Their lines alone change, where they stand in the file: x, as written, grows by 5.
        QTest::mouseClick(writeButton, Qt::LeftButton, {}, writeButton->rect().center());
        ASSERT_TRUE(WaitFor([&] { return MovedAlongX(linesBefore, FileLines(file), picked); }, 30000))
            << "the moved copy's lines were not rewritten in place: "
            << ::testing::PrintToString(FileLines(file)) << " against "
            << ::testing::PrintToString(linesBefore);
        const std::vector<std::string> linesMoved = FileLines(file);
        for (const std::string& line : linesMoved) {
            const std::vector<std::string> fields = Fields(line);
            if (picked.contains(fields[0])) {
                written[fields[0]].position.x = std::stof(fields[8]);
            }
        }
        writtenFiles[file] = linesMoved;
        SaveStage(window, "10-moved");

        // 11. Selected again where it stands now, Delete takes it out of the file.
        const std::optional<QPoint> onMoved = ClientPointOf(view, written[chosen].position);
        ASSERT_TRUE(onMoved.has_value());
        QTest::keyClick(surface, Qt::Key_Escape); // the selection goes, so the click below is seen to select
        ASSERT_TRUE(WaitFor([&] { return field.SelectedGroup().empty(); }, 30000));
        ASSERT_NO_FATAL_FAILURE(MoveMouse(field, surface, *onMoved));
        QTest::mouseClick(surface, Qt::LeftButton, {}, *onMoved);
        ASSERT_TRUE(WaitFor(houseSelected, 30000)) << "the moved house was not selected";
        QTest::keyClick(surface, Qt::Key_Delete);
        ASSERT_TRUE(WaitFor([&] { return field.WrittenEdits().size() == 3; }, 30000));
        std::vector<std::string> linesDeleted = linesMoved;
        std::erase_if(linesDeleted, [&](const std::string& line) {
            return picked.contains(std::string(FirstGridField(line)));
        });
        QTest::mouseClick(writeButton, Qt::LeftButton, {}, writeButton->rect().center());
        ASSERT_TRUE(WaitFor([&] { return FileLines(file) == linesDeleted; }, 30000))
            << "the deleted copy's lines are still in " << file;
        writtenFiles[file] = linesDeleted;
        for (const std::string& name : picked) {
            written.erase(name);
        }
        SaveStage(window, "11-deleted");
        editor.Stop();
    }

    // 12. A fresh application object on the same folder draws them where they were placed.
    {
        RunningEditor editor;
        ASSERT_TRUE(editor.Started());
        CMainWindow& window = editor.Window();
        CFieldView& view = editor.View();
        ASSERT_TRUE(WaitFor([&] { return view.FrameRate() > 0.0 && view.StartupFinished(); }, 60000));
        const auto reloaded = [&] {
            if (!view.Progress().Done() || !SharedModelsReady(*view.Lists())) {
                return false;
            }
            const auto files = LoadedGridFiles(*view.Lists());
            return std::all_of(writtenFiles.begin(), writtenFiles.end(), [&files](const auto& written) {
                const auto found = files.find(written.first);
                return found != files.end() && found->second.allReady &&
                       found->second.lines == written.second;
            });
        };
        ASSERT_TRUE(WaitFor(reloaded, 60000)) << "the placements did not come back after the restart";
        EXPECT_EQ(window.Field()->PlacedModelCount(), 0);
        // The same view as the empty one, and a few frames with the models drawn.
        ASSERT_TRUE(test::WaitForSettledField(view));
        ASSERT_TRUE(test::WaitForFrames(view, 3));
        const QImage restartedView = GrabView(view);
        int drawnCopies = 0;
        std::set<std::pair<float, float>> copies;
        for (const auto& [name, transform] : written) {
            if (!copies.insert({transform.position.x, transform.position.y}).second) {
                continue; // the parts of one copy stand on one spot
            }
            const std::optional<QPoint> at = ClientPointOf(view, transform.position);
            ASSERT_TRUE(at.has_value()) << name;
            const double share = ChangedShare(emptyView, restartedView, *at, 6);
            EXPECT_GT(share, 0.5) << name << " is not drawn at " << at->x() << ", " << at->y();
            drawnCopies += share > 0.5 ? 1 : 0;
        }
        EXPECT_EQ(copies.size(), 1u) << "one of the two copies was deleted";
        EXPECT_EQ(drawnCopies, 1);
        SaveStage(window, "12-restarted");
    }
    EXPECT_EQ(CVulkanInstance::ValidationErrorCount(), errorsBefore);
}

// Closing while the field streams in ends cleanly and leaves the files written before intact.
TEST_F(Journey, ClosingWhileTilesStreamEndsCleanly) {
    ScopedWorkingDirectory inDemo(root_);
    const int errorsBefore = CVulkanInstance::ValidationErrorCount();
    // A grid map file written earlier, in the cell the streaming reads first.
    const std::filesystem::path file = std::filesystem::path("gridfile") / "lod0" / "p0p0.gmf";
    std::filesystem::create_directories(file.parent_path());
    const std::string bytes = "p0p0_crate_000|crate|0|0|0|0|model/props/crate.mdl|model/props/crate.mdl|"
                              "1.000000|2.000000|0.000000|1.000000|1.000000|1.000000|0.000000|0.000000|"
                              "45.000000\r\n";
    {
        std::ofstream out(file, std::ios::binary);
        out << bytes;
    }
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
        QElapsedTimer closing;
        closing.start();
        editor.Stop();
        std::printf("closed while streaming in %lld ms\n", static_cast<long long>(closing.elapsed()));
    }
    EXPECT_EQ(FileBytes(file), bytes) << "closing changed a grid map file";
    EXPECT_EQ(CVulkanInstance::ValidationErrorCount(), errorsBefore);
}

// Closing while the model viewer builds a chosen definition ends cleanly too.
TEST_F(Journey, ClosingWhileTheViewerLoadsEndsCleanly) {
    ScopedWorkingDirectory inDemo(root_);
    const int errorsBefore = CVulkanInstance::ValidationErrorCount();
    RunningEditor editor;
    ASSERT_TRUE(editor.Started());
    CMainWindow& window = editor.Window();
    CFieldView& view = editor.View();
    ASSERT_TRUE(WaitFor([&] { return view.FrameRate() > 0.0 && view.StartupFinished(); }, 120000));
    CModelViewerWindow* viewer = window.ModelViewer();
    ASSERT_NE(viewer, nullptr) << "no model viewer on this platform";
    ASSERT_TRUE(WaitFor([&] { return viewer->FrameRate() > 0.0; }, 60000)) << "the viewer never drew";
    CModelTreeWindow& tree = *window.ModelTree();
    QTreeWidgetItem* buildings = ChildNamed(tree.TopItem(), "buildings");
    ASSERT_NE(buildings, nullptr);
    ASSERT_NO_FATAL_FAILURE(ClickItem(tree, buildings));
    QTreeWidgetItem* windmill = ChildNamed(buildings, "windmill.mdf");
    ASSERT_NE(windmill, nullptr);
    ASSERT_NO_FATAL_FAILURE(ClickItem(tree, windmill));
    EXPECT_TRUE(viewer->Busy()) << "the click did not start a load";
    QElapsedTimer closing;
    closing.start();
    editor.Stop();
    std::printf("closed while the viewer loads in %lld ms\n", static_cast<long long>(closing.elapsed()));
    EXPECT_EQ(CVulkanInstance::ValidationErrorCount(), errorsBefore);
}

} // namespace
} // namespace quorvane
