// Unwritten placements through the real windows: the question on closing
// with its three answers, and a run killed with SIGKILL whose placements the
// next start restores from the recovery journal. Needs an X display
// (xvfb-run): the field view renders through a Vulkan surface.
#include "app/field_view_world.h"
#include "editor/recovery_journal.h"
#include "tests/app/editor_session.h"
#include "tests/app/placement_report.h"
#include "tests/small_demo_field.h"
#include "ui/model_list_window.h"
#include "ui/notice_banner.h"

#include <QApplication>
#include <QProcess>
#include <algorithm>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <set>

namespace quorvane {
namespace {

using test::RunningEditor;
using test::ScopedWorkingDirectory;
using test::WaitFor;

class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        qputenv(name, QByteArray::fromStdString(value));
    }
    ~ScopedVariable() { qunsetenv(name_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
};

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

std::vector<std::string> PlacedNames(const CMainField& field) {
    std::vector<std::string> names;
    for (const CPlacedModel& record : field.PlacementRecordSnapshot()) {
        names.push_back(record.uniqueName);
    }
    return names;
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

    // Starts the editor, placing one crate; the recovery question must not come.
    void StartWithOneCrate(RunningEditor& editor) {
        ASSERT_TRUE(editor.Started());
        editor.Window().SetRecoveryQuestion([this](size_t) {
            ++recoveryAsked_;
            return false;
        });
        std::string why;
        ASSERT_TRUE(test::WaitForReadyEditor(editor, why)) << why;
        ASSERT_TRUE(test::PlaceCopies(editor.View(), 1, parts_, why)) << why;
        CMainField& field = *editor.View().Field();
        ASSERT_TRUE(WaitFor([&] { return field.UnwrittenPlacementCount() == parts_; }, 30000))
            << field.UnwrittenPlacementCount();
    }

    std::filesystem::path root_;
    std::string crate_;
    int parts_ = 0;
    int recoveryAsked_ = 0;
};

TEST_F(UnwrittenPlacements, ClosingAsksAndBackStaysWhileDiscardClosesAndForgets) {
    ScopedWorkingDirectory inDemo(root_);
    ScopedVariable choose(CFieldViewWorld::kChooseVariable, crate_);
    RunningEditor editor;
    ASSERT_NO_FATAL_FAILURE(StartWithOneCrate(editor));
    CMainWindow& window = editor.Window();
    const CRecoveryJournal journal(root_ / CRecoveryJournal::kDefaultFileName);
    ASSERT_TRUE(
        WaitFor([&] { return journal.Read().Latest().size() == static_cast<size_t>(parts_); }, 30000));
    EXPECT_TRUE(
        window.PlacementList()->CaptionSuffix().endsWith(QString::fromUtf8("未書き出し %1").arg(parts_)))
        << window.PlacementList()->CaptionSuffix().toStdString();

    std::vector<int32_t> asked;
    CloseChoice answer = CloseChoice::Back;
    window.SetCloseQuestion([&](int32_t unwritten) {
        asked.push_back(unwritten);
        return answer;
    });

    // The window manager's close, answered "back": nothing changes.
    window.close();
    ASSERT_EQ(asked, std::vector<int32_t>{parts_});
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(editor.State().shuttingDown);
    EXPECT_EQ(editor.View().Field()->UnwrittenPlacementCount(), parts_);

    // The close button, answered "discard": the program ends, nothing is
    // written and the journal has nothing left for the next start.
    answer = CloseChoice::DiscardAndClose;
    QTest::mouseClick(window.findChild<QWidget*>("CLASS_BUTTONCLOSE"), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_TRUE(editor.State().shuttingDown);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(journal.Read().Latest().empty());
    EXPECT_EQ(AllGridText(root_ / "gridfile"), "");
    EXPECT_EQ(recoveryAsked_, 0);
}

TEST_F(UnwrittenPlacements, ClosingWithWriteAndCloseWritesThemFirst) {
    ScopedWorkingDirectory inDemo(root_);
    ScopedVariable choose(CFieldViewWorld::kChooseVariable, crate_);
    RunningEditor editor;
    ASSERT_NO_FATAL_FAILURE(StartWithOneCrate(editor));
    CMainWindow& window = editor.Window();
    const std::vector<std::string> names = PlacedNames(*editor.View().Field());
    ASSERT_EQ(names.size(), static_cast<size_t>(parts_));
    int asked = 0;
    window.SetCloseQuestion([&](int32_t) {
        ++asked;
        return CloseChoice::WriteAndClose;
    });
    window.close();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(editor.State().shuttingDown);
    const std::string written = AllGridText(root_ / "gridfile");
    for (const std::string& name : names) {
        EXPECT_NE(written.find(name + "|"), std::string::npos) << name << " is not in a grid map file";
    }
}

TEST_F(UnwrittenPlacements, AFailedWriteOnClosingKeepsTheWindowOpen) {
    ScopedWorkingDirectory inDemo(root_);
    ScopedVariable choose(CFieldViewWorld::kChooseVariable, crate_);
    RunningEditor editor;
    ASSERT_NO_FATAL_FAILURE(StartWithOneCrate(editor));
    CMainWindow& window = editor.Window();
    // No folder can be made where a file stands: the write fails.
    std::filesystem::remove_all(root_ / "gridfile");
    { std::ofstream blocker(root_ / "gridfile"); }
    std::vector<CloseChoice> answers = {CloseChoice::WriteAndClose, CloseChoice::DiscardAndClose};
    size_t asked = 0;
    window.SetCloseQuestion([&](int32_t) { return answers[std::min(asked++, answers.size() - 1)]; });
    window.close();
    EXPECT_EQ(asked, 1u);
    EXPECT_FALSE(editor.State().shuttingDown);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.Notices()->isVisible());
    EXPECT_EQ(window.Notices()->Kind(), NoticeKind::Error);
    EXPECT_EQ(editor.View().Field()->UnwrittenPlacementCount(), parts_);
    window.close();
    EXPECT_EQ(asked, 2u);
    EXPECT_TRUE(editor.State().shuttingDown);
    std::filesystem::remove(root_ / "gridfile");
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
        const CNoticeBanner& notices = *editor.Window().Notices();
        EXPECT_TRUE(
            WaitFor([&] { return notices.Message().contains(QString::fromUtf8("に書き込めません")); }, 30000))
            << notices.Message().toStdString();
        EXPECT_EQ(notices.Kind(), NoticeKind::Error);
    }
    std::filesystem::remove_all(blocker);
}

TEST_F(UnwrittenPlacements, DecliningTheRestoreEmptiesTheJournal) {
    ScopedWorkingDirectory inDemo(root_);
    CRecoveryJournal journal(root_ / CRecoveryJournal::kDefaultFileName);
    UnwrittenSet left(2);
    left[0].record.uniqueName = "crate_900";
    left[1].record.uniqueName = "crate_901";
    for (UnwrittenPlacement& p : left) {
        p.record.partPath = p.record.sourcePath = "./model/props/crate/crate.mdl";
    }
    std::string message;
    ASSERT_TRUE(journal.Append({left, {}}, &message)) << message;
    RunningEditor editor;
    ASSERT_TRUE(editor.Started());
    std::vector<size_t> asked;
    editor.Window().SetRecoveryQuestion([&asked](size_t recoverable) {
        asked.push_back(recoverable);
        return false;
    });
    ASSERT_TRUE(WaitFor([&] { return !asked.empty(); }, 180000)) << "the restore question never came";
    EXPECT_EQ(asked, std::vector<size_t>{2});
    // The journal writer's thread empties it, without the UI thread waiting for the disk.
    EXPECT_TRUE(WaitFor([&] { return journal.Read().Latest().empty(); }, 30000));
    EXPECT_EQ(editor.View().Field()->PlacementRecordCount(), 0);
    EXPECT_FALSE(editor.View().RestoreFinished());
}

TEST_F(UnwrittenPlacements, NothingUnwrittenClosesWithoutAsking) {
    ScopedWorkingDirectory inDemo(root_);
    RunningEditor editor;
    ASSERT_TRUE(editor.Started());
    std::string why;
    ASSERT_TRUE(test::WaitForReadyEditor(editor, why)) << why;
    int asked = 0;
    editor.Window().SetCloseQuestion([&](int32_t) {
        ++asked;
        return CloseChoice::Back;
    });
    editor.Window().close();
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(editor.State().shuttingDown);
}

// A child editor places five crates and is killed with SIGKILL once they are
// journaled; the next start here restores exactly what the child had placed.
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
    const std::vector<test::ReportedPlacement> placed = test::ReadPlacementReport(report);
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
    const std::vector<test::ReportedPlacement> restored = test::ReportPlacements(*view.Field());
    ASSERT_EQ(restored.size(), placed.size());
    std::map<std::string, const test::ReportedPlacement*> byName;
    for (const test::ReportedPlacement& p : restored) {
        byName[p.uniqueName] = &p;
    }
    for (const test::ReportedPlacement& want : placed) {
        const auto found = byName.find(want.uniqueName);
        ASSERT_NE(found, byName.end()) << want.uniqueName << " was not restored";
        const test::ReportedPlacement& got = *found->second;
        EXPECT_EQ(got.partPath, want.partPath) << want.uniqueName;
        EXPECT_EQ(got.sourcePath, want.sourcePath) << want.uniqueName;
        for (const auto& [a, b] : {std::pair{&got.transform.position, &want.transform.position},
                                   std::pair{&got.transform.scale, &want.transform.scale},
                                   std::pair{&got.transform.rotation, &want.transform.rotation}}) {
            EXPECT_EQ(a->x, b->x) << want.uniqueName;
            EXPECT_EQ(a->y, b->y) << want.uniqueName;
            EXPECT_EQ(a->z, b->z) << want.uniqueName;
        }
    }
    EXPECT_EQ(view.Field()->UnwrittenPlacementCount(), static_cast<int32_t>(placed.size()));
}

} // namespace
} // namespace quorvane
