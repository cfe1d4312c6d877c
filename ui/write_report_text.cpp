#include "ui/write_report_text.h"

#include <algorithm>

namespace quorvane {
namespace {
constexpr size_t kListedFailures = 5;
} // namespace

namespace {
// Undo cannot step back over a write: the user should know it went.
QString WithHistoryNote(QString text, const GridWriteReport& report) {
    if (report.historyCleared) {
        text += QString::fromUtf8(" 元に戻す履歴は消去されました。");
    }
    return text;
}
} // namespace

WriteReportText DescribeWriteReport(const GridWriteReport& report) {
    if (report.refused) {
        return {true, QString::fromUtf8("前回の書き出しの後始末がまだ終わっていません。"
                                        "少し待ってから、もう一度書き出してください。")};
    }
    const auto written = static_cast<qsizetype>(report.writtenNames.size() + report.changedNames.size());
    if (report.failures.empty()) {
        if (written == 0) {
            return {false, QString::fromUtf8("書き出す配置がありません。")};
        }
        return {false,
                WithHistoryNote(
                    QString::fromUtf8("%1 件の配置をグリッドマップファイルに書き出しました。").arg(written),
                    report)};
    }
    QString text = QString::fromUtf8("%1 件の配置を書き出せませんでした（配置リストに残しています）。")
                       .arg(static_cast<qsizetype>(report.failures.size()));
    if (written > 0) {
        text += QString::fromUtf8(" %1 件は書き出しました。").arg(written);
    }
    const size_t listed = std::min(report.failures.size(), kListedFailures);
    for (size_t i = 0; i < listed; ++i) {
        const GridWriteFailure& failure = report.failures[i];
        text += "\n" + QString::fromStdString(failure.uniqueName) + ": " +
                QString::fromStdString(failure.message);
        if (!failure.path.empty()) {
            text += " (" + QString::fromStdString(failure.path.generic_string()) + ")";
        }
    }
    if (report.failures.size() > listed) {
        text +=
            QString::fromUtf8("\nほか %1 件").arg(static_cast<qsizetype>(report.failures.size() - listed));
    }
    return {true, WithHistoryNote(text, report)};
}

} // namespace quorvane
