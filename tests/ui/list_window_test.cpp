#include "ui/model_list_window.h"

#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// The list as the editing core keeps it: names, and the selection and page
// model the core shares with the window.
class CFakeListSource : public IPlacementListSource {
public:
    explicit CFakeListSource(int count) {
        for (int i = 1; i <= count; ++i) {
            names.push_back("crate_" + std::to_string(i));
        }
    }
    CPlacementListModel Model() const override { return model; }
    std::vector<std::string> Names() const override { return names; }
    std::vector<std::string> SelectedWritten() const override { return written; }
    void Pick(int32_t clientY) override {
        model.ClickAt(clientY, static_cast<int32_t>(names.size()));
        picks.push_back(clientY);
    }
    void Wheel(int32_t delta) override { model.Wheel(delta, static_cast<int32_t>(names.size())); }
    void SetHeight(int32_t height) override { model.SetHeight(height); }

    std::vector<std::string> names;
    std::vector<std::string> written;
    CPlacementListModel model;
    std::vector<int32_t> picks;
};

void Wheel(QWidget& widget, int delta) {
    QWheelEvent event(QPointF(10, 10), widget.mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&widget, &event);
}

struct ListFixture : ::testing::Test {
    CFakeListSource source{20};
    QWidget parent;
    CModelListWindow window{&parent, UiScale{}, source};
    int changes = 0;

    void SetUp() override {
        window.setGeometry(0, 0, 260, 200); // 9 rows of 22
        window.SetChangeHandler([this] { ++changes; });
    }
};

// Where pages stop and what a click below the rows picks is PlacementList's;
// here the window passes its wheel and clicks on and shows the page.
TEST_F(ListFixture, WheelTurnsPagesAndAClickSelectsByRowAndPage) {
    EXPECT_EQ(source.model.RowsPerPage(), 9);
    EXPECT_EQ(window.CaptionSuffix(), " [1/3]");
    Wheel(window, -120);
    Wheel(window, -120);
    Wheel(window, 120); // page 1: entries 10 to 18
    EXPECT_EQ(source.model.Page(), 1);
    EXPECT_EQ(window.CaptionSuffix(), " [2/3]");
    EXPECT_GT(changes, 0);
    QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, QPoint(100, 2 * 22 + 5));
    EXPECT_EQ(source.model.Selected(), 12);
    EXPECT_EQ(source.picks.size(), 1u);
}

TEST_F(ListFixture, OnlyTheSelectedRowIsHighlighted) {
    auto rowColour = [&](int rowIndex) {
        return window.grab().toImage().pixelColor(200, rowIndex * 22 + 12);
    };
    const QColor row = rowColour(0);
    EXPECT_EQ(rowColour(1), row);
    QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, QPoint(100, 22 + 5));
    EXPECT_EQ(source.model.Selected(), 2);
    EXPECT_NE(rowColour(1), row);
    EXPECT_EQ(rowColour(0), row);
    source.model.ClearSelection();
    EXPECT_EQ(rowColour(1), row);
    // Past the last entry of the last page there is no row at all.
    Wheel(window, -120);
    Wheel(window, -120);
    EXPECT_NE(rowColour(2), row);
}

// A click on an empty list selects nothing: PlacementList.
TEST_F(ListFixture, AnEmptyListHasOnePageThatTheWheelKeeps) {
    source.names.clear();
    window.Refresh();
    EXPECT_EQ(window.CaptionSuffix(), " [1/1]");
    Wheel(window, -120);
    EXPECT_EQ(source.model.Page(), 0);
}

// Written copies selected in the field follow the unwritten rows, on the
// pages the list counts, and a click on one picks nothing.
TEST_F(ListFixture, SelectedWrittenCopiesFollowTheListAndAreNotPicked) {
    source.names.resize(8);
    source.written = {"p0p0_HOUSE_000", "p0p0_TREE_000"};
    window.Refresh();
    EXPECT_EQ(window.CaptionSuffix(), " [1/2]") << "ten rows over pages of nine";
    QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, QPoint(100, 8 * 22 + 5)); // the house's row
    EXPECT_TRUE(source.picks.empty());
    QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, QPoint(100, 7 * 22 + 5));
    EXPECT_EQ(source.model.Selected(), 8);
}

} // namespace
} // namespace quorvane
