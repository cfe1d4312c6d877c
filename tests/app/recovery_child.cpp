// The process the crash recovery test kills: runs the editor in a demo field
// folder, places copies with real mouse events, waits until the recovery
// journal holds them all, reports its placements and waits to be killed.
//   recovery_child <demo folder> <definition> <parts> <copies> <report file>
// Exits with 1 and says why on stderr when it cannot get that far.
#include "app/field_view_world.h"
#include "editor/recovery_journal.h"
#include "tests/app/editor_session.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

namespace quorvane::test {
namespace {

constexpr int kGiveUpMs = 600000; // the parent kills it long before

int Run(QApplication& app, char** argv) {
    const std::filesystem::path root = argv[1];
    const std::string definition = argv[2];
    const int parts = std::atoi(argv[3]);
    const int copies = std::atoi(argv[4]);
    const std::filesystem::path report = std::filesystem::absolute(argv[5]);
    ScopedWorkingDirectory inDemo(root);
    qputenv(CFieldViewWorld::kChooseVariable, QByteArray::fromStdString(definition));
    RunningEditor editor;
    if (!editor.Started()) {
        std::fprintf(stderr, "recovery_child: the editor did not start\n");
        return 1;
    }
    std::string why;
    if (!WaitForReadyEditor(editor, why) || !PlaceCopies(editor.View(), copies, parts, why)) {
        std::fprintf(stderr, "recovery_child: %s\n", why.c_str());
        return 1;
    }
    CMainField& field = *editor.View().Field();
    const int32_t expected = parts * copies;
    const CRecoveryJournal journal(root / CRecoveryJournal::kDefaultFileName);
    // The parent compares what the next start restores with this report.
    if (!WaitFor(
            [&] {
                return field.UnwrittenPlacementCount() == expected &&
                       journal.Read().Latest().size() == static_cast<size_t>(expected);
            },
            120000)) {
        std::fprintf(stderr, "recovery_child: %d unwritten, %zu journaled (journal error: %s)\n",
                     field.UnwrittenPlacementCount(), journal.Read().Latest().size(),
                     field.JournalError().c_str());
        return 1;
    }
    if (!WritePlacementReport(report, ReportPlacements(field))) {
        std::fprintf(stderr, "recovery_child: cannot write %s\n", report.c_str());
        return 1;
    }
    QTimer::singleShot(kGiveUpMs, &app, [] { QCoreApplication::exit(1); });
    return app.exec();
}

} // namespace
} // namespace quorvane::test

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: recovery_child <demo folder> <definition> <parts> <copies> <report>\n");
        return 2;
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    return quorvane::test::Run(app, argv);
}
