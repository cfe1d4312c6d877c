#include "editor/main_field.h"
#include "fake_model_loader.h"
#include "tests/file_faults.h"
#include "ui/definition_chooser.h"
#include "ui/edit_window.h"
#include "ui/model_directory.h"
#include "ui/model_tree_window.h"
#include "ui/scroll_bar.h"
#include "ui/scroll_math.h"

#include <QScrollBar>
#include <QTest>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <set>

namespace quorvane {
namespace {

const std::filesystem::path kDataRoot = QUORVANE_UI_TEST_DATA;

std::vector<std::string> ChildTexts(const QTreeWidgetItem& item) {
    std::vector<std::string> texts;
    for (int i = 0; i < item.childCount(); ++i) {
        texts.push_back(item.child(i)->text(0).toStdString());
    }
    return texts;
}

QTreeWidgetItem* Child(QTreeWidgetItem* item, const QString& text) {
    for (int i = 0; item != nullptr && i < item->childCount(); ++i) {
        if (item->child(i)->text(0) == text) {
            return item->child(i);
        }
    }
    return nullptr;
}

// What the folder lists shows in the tree and what a missing folder says:
// the window tests. The test folder holds names on both sides of the
// definition rule (a last extension "mdf", case and all).
struct TreeFixture : ::testing::Test {
    QWidget parent;
    CModelTreeWindow tree{&parent, UiScale{}, kDataRoot};
    std::vector<std::filesystem::path> chosen;
    std::vector<QString> errors;
    std::vector<CEditWindow*> fields;

    void SetUp() override {
        tree.setGeometry(0, 0, 260, 275);
        for (int i = 0; i < 6; ++i) {
            fields.push_back(new CEditWindow(&parent, UiScale{})); // owned by parent
            fields.back()->SetValue(2.5f);
        }
        tree.SetRandomFields(fields);
        tree.SetDefinitionHandler([this](const std::filesystem::path& path) { chosen.push_back(path); });
        tree.SetErrorHandler([this](const QString& message) { errors.push_back(message); });
        tree.ListModelFolder();
    }
};

TEST_F(TreeFixture, StartsOneLevelDeepInFileSystemOrderAndAClickListsThreeLevelsMore) {
    QTreeWidgetItem* top = tree.TopItem();
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->text(0), "model");
    EXPECT_EQ(tree.Tree()->topLevelItemCount(), 1);
    EXPECT_TRUE(CModelTreeWindow::IsListed(*top));
    // Folders and definitions, in the order the file system hands them out.
    const std::set<std::string> shown{"crate.v2.mdf", "mdf",   ".hidden.mdf",
                                      "broken.mdf",   "rocks", "box.mdf.d"};
    std::vector<std::string> expected;
    for (const auto& entry : std::filesystem::directory_iterator(kDataRoot / "model")) {
        if (const std::string name = entry.path().filename(); shown.contains(name)) {
            expected.push_back(name);
        }
    }
    ASSERT_EQ(expected.size(), shown.size());
    EXPECT_EQ(ChildTexts(*top), expected);
    EXPECT_EQ(CModelTreeWindow::KindOf(*Child(top, "box.mdf.d")), CModelTreeWindow::kDirectory);
    EXPECT_EQ(CModelTreeWindow::KindOf(*Child(top, "mdf")), CModelTreeWindow::kDefinition);
    QTreeWidgetItem* rocks = Child(top, "rocks");
    ASSERT_NE(rocks, nullptr);
    EXPECT_EQ(CModelTreeWindow::KindOf(*rocks), CModelTreeWindow::kDirectory);
    EXPECT_EQ(rocks->childCount(), 0); // read lazily
    EXPECT_EQ(rocks->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_EQ(CModelTreeWindow::PathOf(*rocks), std::filesystem::path("model/rocks"));
    EXPECT_TRUE(errors.empty());

    // Clicking a folder lists it and three levels below.
    tree.Click(rocks);
    EXPECT_EQ(ChildTexts(*rocks).size(), 2u); // stone.mdf and deep1, in either order
    QTreeWidgetItem* deep3 = Child(Child(Child(rocks, "deep1"), "deep2"), "deep3");
    QTreeWidgetItem* deep4 = Child(deep3, "deep4");
    ASSERT_NE(deep4, nullptr);
    EXPECT_TRUE(CModelTreeWindow::IsListed(*deep3));
    EXPECT_EQ(deep4->childCount(), 0);

    // Clicking again lists nothing twice.
    tree.Click(rocks);
    EXPECT_EQ(rocks->childCount(), 2);
    EXPECT_EQ(deep3->childCount(), 1);
    EXPECT_TRUE(chosen.empty());
    // Expanding lists too.
    deep4->setExpanded(true);
    EXPECT_EQ(ChildTexts(*deep4), std::vector<std::string>{"far.mdf"});
}

TEST_F(TreeFixture, ClickingADefinitionInTheViewChoosesItAndResetsTheRandomFields) {
    QTreeWidgetItem* crate = Child(tree.TopItem(), "crate.v2.mdf");
    ASSERT_NE(crate, nullptr);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    const QRect box = tree.Tree()->visualItemRect(crate);
    QTest::mouseClick(tree.Tree()->viewport(), Qt::LeftButton, Qt::NoModifier, box.center());
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0], std::filesystem::path("model/crate.v2.mdf"));
    EXPECT_EQ(tree.Tree()->currentItem(), crate);
    for (const CEditWindow* field : fields) {
        EXPECT_FLOAT_EQ(field->Value(), 0.0f);
    }
}

// Typing filters every definition below ./model by name, any case, with its
// folder (hidden folders stay out); Enter takes the first, Escape clears.
TEST_F(TreeFixture, TheSearchBoxFindsDefinitionsInEveryFolder) {
    ASSERT_TRUE(QTest::qWaitFor([this] { return tree.DefinitionsListed(); }, 10000));
    const auto shown = [this] {
        std::vector<std::string> rows;
        for (int i = 0; i < tree.Results()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem& row = *tree.Results()->topLevelItem(i);
            rows.push_back(row.text(0).toStdString() + " " + row.text(1).toStdString());
        }
        return rows;
    };
    QLineEdit& search = *tree.SearchBox();
    QTest::keyClicks(&search, "R");
    EXPECT_EQ(shown(), (std::vector<std::string>{"broken.mdf model", "crate.v2.mdf model",
                                                 "far.mdf model/rocks/deep1/deep2/deep3/deep4",
                                                 "inner.mdf model/box.mdf.d"}));
    EXPECT_FALSE(tree.Tree()->isVisibleTo(&parent));
    EXPECT_TRUE(tree.Results()->isVisibleTo(&parent));

    search.clear();
    QTest::keyClicks(&search, "sToNe");
    EXPECT_EQ(shown(), std::vector<std::string>{"stone.mdf model/rocks"});
    QTest::keyClick(&search, Qt::Key_Return);
    ASSERT_EQ(chosen, std::vector<std::filesystem::path>{"model/rocks/stone.mdf"});
    EXPECT_FLOAT_EQ(fields.front()->Value(), 0.0f) << "as a click in the tree";

    QTest::keyClicks(&search, "zz");
    EXPECT_TRUE(shown().empty());
    QTest::keyClick(&search, Qt::Key_Return);
    EXPECT_EQ(chosen.size(), 1u) << "no match, nothing taken";
    QTest::keyClick(&search, Qt::Key_Escape);
    EXPECT_TRUE(search.text().isEmpty());
    EXPECT_TRUE(tree.Tree()->isVisibleTo(&parent));
    EXPECT_FALSE(tree.Results()->isVisibleTo(&parent));
}

// Reading the listed folders again brings what was added and drops what
// went, keeping the open folders and the current row; a new search walks
// ./model again and finds a definition added since.
TEST(ModelTreeWindowTest, TheTreeFollowsItsFolderAndAMissingOneIsTold) {
    const test::CScratchDirectory root("quorvane_follow");
    std::filesystem::create_directories(root / "model" / "props");
    for (const char* name : {"props/crate.mdf", "props/barrel.mdf", "tree.mdf"}) {
        std::ofstream(root / "model" / name) << "\n";
    }
    QWidget parent;
    CModelTreeWindow tree(&parent, UiScale{}, root.Path());
    tree.ListModelFolder();
    QTreeWidgetItem* props = Child(tree.TopItem(), "props");
    tree.Click(props);
    props->setExpanded(true);
    tree.Tree()->setCurrentItem(Child(props, "crate.mdf"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return tree.DefinitionsListed(); }, 10000));
    QTest::keyClicks(tree.SearchBox(), "keg");
    EXPECT_EQ(tree.Results()->topLevelItemCount(), 0);
    QTest::keyClick(tree.SearchBox(), Qt::Key_Escape);

    std::filesystem::rename(root / "model" / "props" / "barrel.mdf", root / "model" / "props" / "keg.mdf");
    std::filesystem::remove(root / "model" / "tree.mdf");
    std::filesystem::create_directories(root / "model" / "rocks");
    tree.RefreshListedFolders();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !tree.Refreshing(); }, 10000));
    const std::vector<std::string> top = ChildTexts(*tree.TopItem());
    EXPECT_EQ(std::set<std::string>(top.begin(), top.end()), (std::set<std::string>{"props", "rocks"}));
    const std::vector<std::string> inProps = ChildTexts(*props);
    EXPECT_EQ(std::set<std::string>(inProps.begin(), inProps.end()),
              (std::set<std::string>{"crate.mdf", "keg.mdf"}));
    EXPECT_TRUE(props->isExpanded());
    EXPECT_EQ(tree.Tree()->currentItem(), Child(props, "crate.mdf"));
    QTest::keyClicks(tree.SearchBox(), "KEG");
    EXPECT_TRUE(QTest::qWaitFor([&] { return tree.Results()->topLevelItemCount() == 1; }, 10000));

    // A missing model folder is told and leaves the top item.
    QWidget host;
    CModelTreeWindow missing(&host, UiScale{}, kDataRoot / "model" / "rocks" / "deep1");
    std::vector<QString> told;
    missing.SetErrorHandler([&](const QString& message) { told.push_back(message); });
    missing.ListModelFolder();
    ASSERT_NE(missing.TopItem(), nullptr);
    EXPECT_EQ(missing.TopItem()->childCount(), 0);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(told[0].contains(QString::fromUtf8("読み込めませんでした")));
    EXPECT_TRUE(told[0].contains("model"));
}

TEST(ScrollMathTest, HitTestAnswersToAtLeastAThirtiethAndStepsAndDragsStopAtTheirLimits) {
    ScrollShown shown{.maximum = 100, .minimum = 0, .thumbLength = 3, .page = 1, .position = 50};
    // Thumb starts at 150 on a 300-pixel bar; it answers to 10 pixels.
    EXPECT_EQ(HitTestThumb(shown, 300, 149), ScrollHit::BeforeThumb);
    EXPECT_EQ(HitTestThumb(shown, 300, 150), ScrollHit::OnThumb);
    EXPECT_EQ(HitTestThumb(shown, 300, 160), ScrollHit::OnThumb);
    EXPECT_EQ(HitTestThumb(shown, 300, 161), ScrollHit::AfterThumb);
    shown.thumbLength = 60;
    EXPECT_EQ(HitTestThumb(shown, 300, 209), ScrollHit::OnThumb);
    EXPECT_EQ(HitTestThumb(shown, 300, 211), ScrollHit::AfterThumb);
    // An empty range: one full-length thumb.
    const ScrollShown empty{.maximum = 5, .minimum = 5, .thumbLength = 0, .page = 0, .position = 5};
    EXPECT_EQ(HitTestThumb(empty, 300, 0), ScrollHit::OnThumb);
    EXPECT_EQ(ThumbSpanOf(empty, 300).end, 300);

    const ScrollInfo info{.minimum = 0, .maximum = 100, .page = 20, .position = 0};
    float position = 0;
    for (const float expected : {10, 20, 30, 40, 50, 60, 70, 80, 80, 80}) {
        position = StepAfter(position, info);
        EXPECT_FLOAT_EQ(position, expected);
    }
    EXPECT_FLOAT_EQ(StepBefore(25, info), 15);
    EXPECT_FLOAT_EQ(StepBefore(5, info), 0);
    EXPECT_FLOAT_EQ(DragPosition(1000, 60, 300, info, true), 81);
    EXPECT_FLOAT_EQ(DragPosition(1000, 60, 300, info, false), 80);
    EXPECT_FLOAT_EQ(DragPosition(-50, 60, 300, info, true), 0);
    // (150 - 30) x 100 / 300
    EXPECT_FLOAT_EQ(DragPosition(150, 60, 300, info, true), 40);
    EXPECT_FLOAT_EQ(ShownFor(info, 300).thumbLength, 60);
}

TEST(ScrollBarTest, MovesItsTargetAndMirrorsIt) {
    QWidget parent;
    QScrollBar target(Qt::Vertical);
    target.setRange(0, 81); // the classic inclusive maximum 100 with a page of 20
    target.setPageStep(20);
    CScrollBar bar(&parent, CScrollBar::Orientation::Vertical);
    bar.setGeometry(0, 0, 16, 300);
    bar.SetTarget(&target);
    bar.Synchronise();
    EXPECT_EQ(bar.TargetInfo().maximum, 100);

    // Where steps stop is ScrollMathTest's; a click past the thumb steps once.
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(8, 299));
    bar.Synchronise();
    EXPECT_EQ(target.value(), 10);
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(8, 0));
    bar.Synchronise();
    EXPECT_EQ(target.value(), 0);

    // Drag the thumb down past the end: a vertical bar reaches 81.
    QTest::mousePress(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(8, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(8, 400), bar.mapToGlobal(QPointF(8, 400)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&bar, &move);
    QTest::mouseRelease(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(8, 400));
    EXPECT_EQ(target.value(), 81);

    target.setValue(40);
    bar.Synchronise();
    // The thumb lies at 120..180 and stands out from the track on both sides.
    const QImage image = bar.grab().toImage();
    EXPECT_EQ(image.pixelColor(8, 125), image.pixelColor(8, 175));
    EXPECT_NE(image.pixelColor(8, 125), image.pixelColor(8, 110));
    EXPECT_NE(image.pixelColor(8, 175), image.pixelColor(8, 190));
}

TEST(DefinitionChooserTest, ReadsTheDefinitionAndTellsWhatFailed) {
    testing::FakeModelLoader loader;
    const std::filesystem::path gridRoot =
        std::filesystem::temp_directory_path() / "quorvane_ui_chooser_grid";
    CMainField field(loader, gridRoot);
    auto handle = std::make_shared<CFieldHandle>(field);
    std::vector<QString> reports;
    std::mutex reportsMutex;
    CDefinitionChooser chooser([&](const QString& message) {
        std::lock_guard lock(reportsMutex);
        reports.push_back(message);
    });

    EXPECT_FALSE(chooser.Choose(nullptr, kDataRoot / "model" / "mdf"));
    ASSERT_TRUE(chooser.Choose(handle, kDataRoot / "model" / "broken.mdf"));
    chooser.Wait();
    EXPECT_EQ(loader.cursorLoads, std::vector<std::string>{"./model/missing_part.mdl"});
    ASSERT_TRUE(chooser.Choose(handle, kDataRoot / "model" / "no_such.mdf"));
    chooser.Wait();
    EXPECT_FALSE(chooser.Busy());
    EXPECT_EQ(loader.cursorLoads.size(), 1u); // nothing chosen from a file that is not there

    std::lock_guard lock(reportsMutex);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_TRUE(reports[0].contains(QString::fromUtf8("準備ができていない")));
    EXPECT_TRUE(reports[1].contains("missing_part.mdl"));
    EXPECT_TRUE(reports[2].contains("no_such.mdf"));
}

// The field view's surface may go while a choice loads: the core then waits
// for that load before it goes, and a later choice reaches nothing.
TEST(DefinitionChooserTest, AChoiceNeverReachesACoreThatHasGone) {
    testing::FakeModelLoader loader;
    auto field =
        std::make_unique<CMainField>(loader, std::filesystem::temp_directory_path() / "quorvane_ui_gone");
    auto handle = std::make_shared<CFieldHandle>(*field);
    std::promise<void> loading;
    std::promise<void> detaching;
    std::shared_future<void> detachStarted = detaching.get_future().share();
    loader.whileLoading = [&](const std::string&) {
        loading.set_value();
        // Detaching has begun on the other thread and must wait for this load.
        detachStarted.wait();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    };
    CDefinitionChooser chooser([](const QString&) {});
    ASSERT_TRUE(chooser.Choose(handle, kDataRoot / "model" / "broken.mdf"));
    loading.get_future().wait();
    detaching.set_value();
    handle->Detach();
    EXPECT_EQ(field->CursorPartCount(), 0u);
    EXPECT_TRUE(field->CursorPending()) << "the load in progress finished before the core could go";
    field.reset();
    loader.whileLoading = nullptr;
    chooser.Wait();

    ASSERT_TRUE(chooser.Choose(handle, kDataRoot / "model" / "broken.mdf"));
    chooser.Wait();
    EXPECT_EQ(loader.cursorLoads.size(), 1u) << "nothing was loaded for a core that has gone";
}

} // namespace
} // namespace quorvane
