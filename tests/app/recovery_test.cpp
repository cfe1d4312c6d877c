// Unwritten placements through the real windows: the question on closing
// with its three answers, and a run killed with SIGKILL whose placements the
// next start restores from the recovery journal. Needs an X display
// (xvfb-run): the field view renders through a Vulkan surface.
#include "app/field_view_world.h"
#include "editor/recovery_journal.h"
#include "tests/app/editor_session.h"
#include "tests/small_demo_field.h"
#include "ui/model_list_window.h"
#include "ui/notice_banner.h"

#include <QApplication>
#include <QProcess>
#include <algorithm>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::RunningEditor;
using test::ScopedWorkingDirectory;
using test::WaitFor;

// Every line of every grid map file under the folder.
std::string AllGridText(const std::filesystem::path& folder) {
    std::string text;
    for (const auto& item : std::filesystem::recursive_directory_iterator(folder)) {
        if (item.is_regular_file()) {
            std::ifstream in(item.path(), std::ios::binary);
            text.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    return text;
}

// The demo folder with an empty grid file folder and no journal; the crate
// is chosen at start-up.
class UnwrittenPlacements : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb")
            << "needs an X display (run it through test.sh or xvfb-run)";
        root_ = test::SmallDemoRoot();
        const auto* crate = test::SmallDemoDefinition("crate.mdf");
        ASSERT_NE(crate, nullptr) << "the demo field has no crate";
        crate_ = "./" + crate->path;
        parts_ = crate->parts;
        ASSERT_GT(parts_, 0);
        test::EmptySmallDemoGridFolder();
        std::filesystem::remove(root_ / CRecoveryJournal::kDefaultFileName);
        qunsetenv(CFieldViewWorld::kChooseVariable);
    }

    void TearDown() override { qunsetenv(CFieldViewWorld::kChooseVariable); }

    std::filesystem::path root_;
    std::string crate_;
    int parts_ = 0;
};

// A journal an earlier run left is offered, and declining it empties the
// journal. Closing then asks with the unwritten count: "back" stays, a write
// that fails stays with an error, and "write and close" from the close button
// writes them and ends the program. Discarding is answered in
// KilledRunIsRestoredAtTheNextStart.
TEST_F(UnwrittenPlacements, ADeclinedRestoreIsForgottenAndClosingAsksUntilTheWriteSucceeds) {
    ScopedWorkingDirectory inDemo(root_);
    CRecoveryJournal journal(root_ / CRecoveryJournal::kDefaultFileName);
    UnwrittenSet left(1);
    left[0].record.uniqueName = "crate_900";
    left[0].record.partPath = left[0].record.sourcePath = "./model/props/crate/crate.mdl";
    std::string message;
    ASSERT_TRUE(journal.Append({left, {}}, &message)) << message;
    qputenv(CFieldViewWorld::kChooseVariable, QByteArray::fromStdString(crate_));
    RunningEditor editor;
    ASSERT_TRUE(editor.Started());
    CMainWindow& window = editor.Window();
    std::vector<size_t> offered;
    window.SetRecoveryQuestion([&offered](size_t recoverable) {
        offered.push_back(recoverable);
        return false;
    });
    ASSERT_TRUE(WaitFor([&] { return !offered.empty(); }, 180000)) << "the restore question never came";
    EXPECT_EQ(offered, std::vector<size_t>{1});
    // The journal writer's thread empties it, without the UI thread waiting for the disk.
    EXPECT_TRUE(WaitFor([&] { return journal.Read().Latest().empty(); }, 30000));
    EXPECT_FALSE(editor.View().RestoreFinished());
    std::string why;
    ASSERT_TRUE(test::WaitForReadyEditor(editor, why)) << why;
    EXPECT_EQ(editor.View().Field()->PlacementRecordCount(), 0);
    ASSERT_TRUE(test::PlaceCopies(editor.View(), 1, parts_, why)) << why;
    ASSERT_TRUE(WaitFor([&] { return editor.View().Field()->UnwrittenPlacementCount() == parts_; }, 30000));
    EXPECT_TRUE(
        window.PlacementList()->CaptionSuffix().endsWith(QString::fromUtf8("未書き出し %1").arg(parts_)))
        << window.PlacementList()->CaptionSuffix().toStdString();
    const std::vector<std::string> placed = test::ReportPlacements(*editor.View().Field());
    ASSERT_EQ(placed.size(), static_cast<size_t>(parts_));
    std::vector<int32_t> asked;
    CloseChoice answer = CloseChoice::Back;
    window.SetCloseQuestion([&](int32_t unwritten) {
        asked.push_back(unwritten);
        return answer;
    });
    // No folder can be made where a file stands: the write fails.
    std::filesystem::remove_all(root_ / "gridfile");
    { std::ofstream blocker(root_ / "gridfile"); }
    for (const CloseChoice staying : {CloseChoice::Back, CloseChoice::WriteAndClose}) {
        answer = staying;
        window.close();
        EXPECT_TRUE(window.isVisible());
        EXPECT_FALSE(editor.State().shuttingDown);
        EXPECT_EQ(editor.View().Field()->UnwrittenPlacementCount(), parts_);
    }
    EXPECT_EQ(asked, (std::vector<int32_t>{parts_, parts_}));
    EXPECT_TRUE(window.Notices()->isVisible());
    EXPECT_EQ(window.Notices()->Kind(), NoticeKind::Error);

    std::filesystem::remove(root_ / "gridfile");
    answer = CloseChoice::WriteAndClose;
    QTest::mouseClick(window.findChild<QWidget*>("CLASS_BUTTONCLOSE"), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(asked.size(), 3u);
    EXPECT_TRUE(editor.State().shuttingDown);
    EXPECT_FALSE(window.isVisible());
    const std::string written = AllGridText(root_ / "gridfile");
    for (const std::string& line : placed) {
        const std::string name = line.substr(0, line.find('\t'));
        EXPECT_NE(written.find(name + "|"), std::string::npos) << name << " is not in a grid map file";
    }
}

// The journal's very first write, queued as the editor opens it, already
// has someone to tell when it fails.
TEST_F(UnwrittenPlacements, AJournalThatCannotBeWrittenIsToldFromItsFirstWrite) {
    ScopedWorkingDirectory inDemo(root_);
    // The journal is written through a fresh file beside it: a folder there fails every write.
    const std::filesystem::path blocker = root_ / (std::string(CRecoveryJournal::kDefaultFileName) + ".new");
    std::filesystem::create_directories(blocker / "kept");
    {
        RunningEditor editor;
        ASSERT_TRUE(editor.Started());
        editor.Window().SetRecoveryQuestion([](size_t) {
            ADD_FAILURE() << "a restore was offered with nothing to restore";
            return false;
        });
        const CNoticeBanner& notices = *editor.Window().Notices();
        EXPECT_TRUE(
            WaitFor([&] { return notices.Message().contains(QString::fromUtf8("に書き込めません")); }, 30000))
            << notices.Message().toStdString();
        EXPECT_EQ(notices.Kind(), NoticeKind::Error);
        // With nothing unwritten the window closes without asking.
        editor.Window().SetCloseQuestion([](int32_t) {
            ADD_FAILURE() << "asked with nothing unwritten";
            return CloseChoice::Back;
        });
        editor.Window().close();
        EXPECT_TRUE(editor.State().shuttingDown);
    }
    std::filesystem::remove_all(blocker);
}

// A child editor places five crates and is killed with SIGKILL once they are
// journaled; the next start here restores exactly what the child had placed,
// and discarding them on closing forgets them.
TEST_F(UnwrittenPlacements, KilledRunIsRestoredAtTheNextStart) {
    constexpr int kCopies = 5;
    const std::filesystem::path report = root_ / "killed_run_placements.txt";
    std::filesystem::remove(report);

    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QUORVANE_RECOVERY_CHILD,
                {QString::fromStdString(root_.string()), QString::fromStdString(crate_),
                 QString::number(parts_), QString::number(kCopies), QString::fromStdString(report.string())});
    ASSERT_TRUE(child.waitForStarted(30000)) << child.errorString().toStdString();
    const bool reported = WaitFor(
        [&] { return std::filesystem::exists(report) || child.state() == QProcess::NotRunning; }, 540000);
    const bool childEnded = child.state() == QProcess::NotRunning;
    if (!childEnded) {
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        child.waitForFinished(30000);
    }
    ASSERT_TRUE(reported && !childEnded)
        << "the child ended or never reported, exit code " << child.exitCode();
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    const std::vector<std::string> placed = test::ReadPlacementReport(report);
    ASSERT_EQ(placed.size(), static_cast<size_t>(kCopies * parts_));

    ScopedWorkingDirectory inDemo(root_);
    RunningEditor editor;
    ASSERT_TRUE(editor.Started());
    std::vector<size_t> asked;
    editor.Window().SetRecoveryQuestion([&asked](size_t recoverable) {
        asked.push_back(recoverable);
        return true;
    });
    CFieldView& view = editor.View();
    ASSERT_TRUE(WaitFor([&] { return view.RestoreFinished(); }, 300000)) << "the restore never ended";
    EXPECT_EQ(asked, std::vector<size_t>{placed.size()});
    EXPECT_EQ(test::ReportPlacements(*view.Field()), placed) << "names, parts, sources and transforms";

    // Discarded on closing, they are written nowhere and gone from the journal.
    editor.Window().SetCloseQuestion([](int32_t) { return CloseChoice::DiscardAndClose; });
    editor.Window().close();
    EXPECT_TRUE(editor.State().shuttingDown);
    EXPECT_EQ(AllGridText(root_ / "gridfile"), "");
    EXPECT_TRUE(CRecoveryJournal(root_ / CRecoveryJournal::kDefaultFileName).Read().Latest().empty());
}

} // namespace
} // namespace quorvane
