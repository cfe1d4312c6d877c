#include "editor/main_field.h"
#include "ui/fixed_number.h"
#include "ui/info_text.h"
#include "ui/info_window.h"
#include "ui/write_report_text.h"

#include <QImage>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

QString U(const char* text) {
    return QString::fromUtf8(text);
}

TEST(InfoTextTest, HelpLinesAndHeaderColoursPerMode) {
    EXPECT_EQ(InfoHelpLines(EditMode::ModeNoModel),
              (QStringList{U("<移動モード>"), U("モデルを選択してください")}));
    // A rotation has no free confirm; a scale has.
    const QString confirm = U("[左クリック/Enter]: 決定");
    EXPECT_FALSE(InfoHelpLines(EditMode::ModeCursorRotate).contains(confirm));
    EXPECT_TRUE(InfoHelpLines(EditMode::ModeCursorScaleY).contains(confirm));
    // The longest block, a free move or scale, keeps to eight lines above the value panel.
    EXPECT_EQ(InfoHelpLines(EditMode::ModeCursorMove).size(), 8);
    // The selection's modes read like the cursor's.
    for (uint32_t mode = 4; mode < 16; ++mode) {
        EXPECT_EQ(InfoHelpLines(static_cast<EditMode>(mode)), InfoHelpLines(static_cast<EditMode>(mode + 12)))
            << mode;
    }

    // Header colours: one mode of each kind, moving, placing with the cursor, adjusting a placement.
    EXPECT_EQ(InfoHeaderColour(EditMode::ModeMove), QColor(250, 220, 220));
    EXPECT_EQ(InfoHeaderColour(EditMode::ModeCursorRotateZ), QColor(255, 100, 150));
    EXPECT_EQ(InfoHeaderColour(EditMode::ModePlacedRotateZ), QColor(255, 200, 0));
}

TEST(InfoTextTest, CursorOrSelectionValuesWithThreeDecimalsAndAWindowRepaintingThem) {
    EXPECT_EQ(FormatInfoVector({1.5f, 0.0f, 0.0f, 0.0f}), "(1.500, 0.000, 0.000)");
    EXPECT_EQ(FormatInfoVector({-2.25f, 0.0f, 10.125f, 0.0f}), "(-2.250, 0.000, 10.125)");
    // Other texts read through the edit fields: NumericTextTest.
    EXPECT_DOUBLE_EQ(LeadingNumber(""), 0.0);

    EditVectors vectors;
    vectors.pickPoint = {10.0f, 5.0f, 1.0f, 1.0f};
    vectors.cursorOffset = {2.0f, 1.0f, 0.5f, 0.0f};
    vectors.cursorScale = {2.0f, 2.0f, 2.0f, 1.0f};
    vectors.cursorRotation = {0.0f, 90.0f, 0.0f, 0.0f};
    vectors.selPosition = {-1.0f, -2.0f, -3.0f, 0.0f};
    vectors.selScale = {0.5f, 0.5f, 0.5f, 1.0f};
    vectors.selRotation = {45.0f, 0.0f, 0.0f, 0.0f};

    const InfoValues cursor = InfoValuesOf(EditMode::ModeCursorMoveX, vectors, "m1p0");
    EXPECT_EQ(FormatInfoVector(cursor.position), "(8.000, 4.000, 0.500)");
    EXPECT_EQ(cursor.scale, vectors.cursorScale);
    EXPECT_EQ(cursor.rotation, vectors.cursorRotation);
    EXPECT_EQ(cursor.cellName, "m1p0");

    for (EditMode mode : {EditMode::ModeAdjust, EditMode::ModePlacedMove, EditMode::ModePlacedRotateZ}) {
        const InfoValues selection = InfoValuesOf(mode, vectors, "p0p0");
        EXPECT_EQ(selection.position, vectors.selPosition);
        EXPECT_EQ(selection.scale, vectors.selScale);
        EXPECT_EQ(selection.rotation, vectors.selRotation);
    }

    // The window repaints when the values change.
    InfoValues values;
    QWidget parent;
    CInfoWindow window(&parent, UiScale{}, [&values]() -> std::optional<InfoValues> { return values; });
    window.setGeometry(0, 0, 260, 308);
    window.Refresh();
    EXPECT_EQ(window.Shown().mode, EditMode::ModeNoModel);
    values.mode = EditMode::ModeCursorRotate;
    values.cellName = "m1p0";
    window.Refresh();
    EXPECT_EQ(window.Shown().mode, EditMode::ModeCursorRotate);
    EXPECT_EQ(window.Shown().cellName, "m1p0");

    // Background, and the value panel near the bottom (h = 6 + 36 x 0.3 = 16).
    const QImage image = window.grab().toImage();
    const QColor background = image.pixelColor(3, 3);
    EXPECT_EQ(image.pixelColor(240, 308 - 9 * 16 - 2), background);
    EXPECT_NE(image.pixelColor(240, 308 - 9 * 16 + 2), background);
}

TEST(WriteReportTextTest, SaysWhatWasWrittenWhatNotAndThatTheHistoryWent) {
    GridWriteReport report;
    EXPECT_FALSE(DescribeWriteReport(report).failed);
    EXPECT_EQ(DescribeWriteReport(report).message, U("書き出す配置がありません。"));
    report.writtenNames = {"crate_1", "crate_2"};
    EXPECT_TRUE(DescribeWriteReport(report).message.contains("2"));
    report.failures.push_back({"rock_3", "gridfile/lod0/p0p0.gmf", "Permission denied"});
    const WriteReportText failed = DescribeWriteReport(report);
    EXPECT_TRUE(failed.failed);
    EXPECT_TRUE(failed.message.contains("rock_3"));
    EXPECT_TRUE(failed.message.contains("Permission denied"));
    EXPECT_TRUE(failed.message.contains("gridfile/lod0/p0p0.gmf"));
    report.refused = true;
    EXPECT_TRUE(DescribeWriteReport(report).failed);
    EXPECT_TRUE(DescribeWriteReport(report).message.contains(U("もう一度")));

    // A write that ended the undo history says so, last.
    const QString note = U("元に戻す履歴は消去されました。");
    report = GridWriteReport{};
    report.writtenNames = {"crate_1", "crate_2", "crate_3"};
    EXPECT_FALSE(DescribeWriteReport(report).message.contains(note)) << "a write that kept the history";
    report.historyCleared = true;
    const WriteReportText cleared = DescribeWriteReport(report);
    EXPECT_FALSE(cleared.failed);
    EXPECT_TRUE(cleared.message.contains(U("3 件の配置をグリッドマップファイルに書き出しました。")))
        << cleared.message.toStdString();
    EXPECT_TRUE(cleared.message.endsWith(note)) << cleared.message.toStdString();
}

} // namespace
} // namespace quorvane
