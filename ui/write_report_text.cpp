#include "ui/write_report_text.h"

#include <algorithm>

namespace quorvane {
namespace {
constexpr size_t kListedFailures = 5;
} // namespace

WriteReportText DescribeWriteReport(const GridWriteReport& report) {
    if (report.refused) {
        return {true, QString::fromUtf8("前回の書き出しの後始末がまだ終わっていません。"
                                        "少し待ってから、もう一度書き出してください。")};
    }
    const auto written = static_cast<qsizetype>(report.writtenNames.size());
    if (report.failures.empty()) {
        if (written == 0) {
            return {false, QString::fromUtf8("書き出す配置がありません。")};
        }
        return {false,
                QString::fromUtf8("%1 件の配置をグリッドマップファイルに書き出しました。").arg(written)};
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
    return {true, text};
}

} // namespace quorvane
