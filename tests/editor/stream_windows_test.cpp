// Which tiles and grid map files the streaming loads and keeps around a centre.
#include "editor/stream_windows.h"

#include <array>
#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

std::vector<TileIndex> Block(int32_t firstI, int32_t lastI, int32_t firstJ, int32_t lastJ) {
    std::vector<TileIndex> tiles;
    for (int32_t j = firstJ; j <= lastJ; ++j) {
        for (int32_t i = firstI; i <= lastI; ++i) {
            tiles.push_back({i, j});
        }
    }
    return tiles;
}

// A cell window's first and last x, then its first and last y.
std::array<int32_t, 4> Span(const CellWindow& window) {
    return {window.firstX, window.lastX, window.firstY, window.lastY};
}

TEST(TileWindows, CentreOfTheFieldLoadsField10_11ToField16_17) {
    const TileWindow load = TileLoadWindow(0.0f, 0.0f);
    EXPECT_EQ(load.centre, (TileIndex{13, 14}));    // 26 - 13 and 13 + 1
    EXPECT_EQ(load.Tiles(), Block(10, 16, 11, 17)); // j outer, i inner

    const TileWindow keep = TileKeepWindow(0.0f, 0.0f);
    EXPECT_EQ(keep.centre, (TileIndex{13, 14}));
    EXPECT_EQ(keep.Tiles(), Block(9, 17, 10, 18));
    EXPECT_TRUE(keep.Contains({9, 18}));
    EXPECT_FALSE(keep.Contains({8, 14}));
    EXPECT_FALSE(keep.Contains({13, 19}));
}

TEST(TileWindows, TheFieldsEdgesCutTheWindows) {
    // x = 2000: j0 = trunc(27 * 0.5 + 13) + 1 = 27, so only j 24..26 exist.
    const TileWindow east = TileLoadWindow(2000.0f, 0.0f);
    EXPECT_EQ(east.centre, (TileIndex{13, 27}));
    EXPECT_EQ(east.Tiles(), Block(10, 16, 24, 26));
    EXPECT_FALSE(east.Contains({13, 27}));
    // The keep window: trunc(13 + 13) + 1 = 27 as well, reaching j 23..26.
    EXPECT_EQ(TileKeepWindow(2000.0f, 0.0f).Tiles(), Block(9, 17, 23, 26));

    // y = 2000: i0 = 26 - trunc(13.5 + 13) = 0, rows 1..3.
    EXPECT_EQ(TileLoadWindow(0.0f, 2000.0f).Tiles(), Block(1, 3, 11, 17));
    // The north-east corner holds 3 x 3 tiles.
    EXPECT_EQ(TileLoadWindow(2000.0f, 2000.0f).Tiles(), Block(1, 3, 24, 26));
}

TEST(TileWindows, NegativeCoordinatesTruncateTowardsZero) {
    // x = y = -2000: trunc(-0.5) = 0, so j0 = 1 and i0 = 26.
    const TileWindow southWest = TileLoadWindow(-2000.0f, -2000.0f);
    EXPECT_EQ(southWest.centre, (TileIndex{26, 1}));
    EXPECT_EQ(southWest.Tiles(), Block(23, 26, 1, 4));
    // x = -1000: trunc(-6.75 + 13) + 1 = 7; keep: trunc(-6.5 + 13) + 1 = 7.
    EXPECT_EQ(TileLoadWindow(-1000.0f, 0.0f).centre, (TileIndex{13, 7}));
    EXPECT_EQ(TileKeepWindow(-1000.0f, 0.0f).centre, (TileIndex{13, 7}));
}

TEST(TileWindows, LoadAndKeepCentresDifferNearTheEdge) {
    // y = 1990: load i0 = 26 - trunc(13.5 * 0.995 + 13) = 26 - 26 = 0,
    // keep i1 = 26 - trunc(0.995 * 13 + 13) = 26 - 25 = 1.
    EXPECT_EQ(TileLoadWindow(0.0f, 1990.0f).centre.i, 0);
    EXPECT_EQ(TileKeepWindow(0.0f, 1990.0f).centre.i, 1);
    // x = 160: load j0 = trunc(1.08 + 13) + 1 = 15, keep j1 = trunc(1.04 + 13) + 1 = 15.
    EXPECT_EQ(TileLoadWindow(160.0f, 0.0f).centre.j, 15);
    EXPECT_EQ(TileKeepWindow(160.0f, 0.0f).centre.j, 15);
}

TEST(TileWindows, FarOutsideTheFieldNothingIsLoadedAndNothingBreaks) {
    EXPECT_TRUE(TileLoadWindow(5000.0f, 0.0f).Tiles().empty()); // j0 = 47
    EXPECT_TRUE(TileLoadWindow(-1.0e30f, 1.0e30f).Tiles().empty());
    EXPECT_TRUE(TileKeepWindow(std::numeric_limits<float>::max(), 0.0f).Tiles().empty());
    const float infinity = std::numeric_limits<float>::infinity();
    EXPECT_TRUE(TileLoadWindow(infinity, -infinity).Tiles().empty());
}

TEST(GridWindows, TheCentreCellIsLoweredOnlyForANegativeQuotient) {
    EXPECT_EQ(StreamCellIndex(0.0f), 0);
    EXPECT_EQ(StreamCellIndex(49.9f), 0);
    EXPECT_EQ(StreamCellIndex(50.0f), 1);
    EXPECT_EQ(StreamCellIndex(-10.0f), 0); // trunc(-0.2) = 0, not negative
    EXPECT_EQ(StreamCellIndex(-49.9f), 0);
    EXPECT_EQ(StreamCellIndex(-50.0f), -2); // trunc(-1) = -1, lowered
    EXPECT_EQ(StreamCellIndex(-75.0f), -2);
    EXPECT_EQ(StreamCellIndex(-100.0f), -3);
    EXPECT_EQ(StreamCentreCell(-10.0f, 120.0f), (CellIndex{0, 2}));
}

TEST(GridWindows, WindowsAreShiftedOneCellTowardsPlusXAndMinusY) {
    const CellWindow load = GridLoadWindow(0.0f, 0.0f);
    EXPECT_EQ(Span(load), (std::array{-9, 11, -11, 9}));
    const std::vector<CellIndex> cells = load.Cells();
    ASSERT_EQ(cells.size(), 21u * 21u);
    EXPECT_EQ(cells[0], (CellIndex{-9, -11}));
    EXPECT_EQ(cells[1], (CellIndex{-9, -10})); // x outer, y inner
    EXPECT_EQ(cells.back(), (CellIndex{11, 9}));

    const CellWindow keep = GridKeepWindow(0.0f, 0.0f);
    EXPECT_EQ(keep.Cells().size(), 31u * 31u);
    EXPECT_TRUE(keep.Contains({-14, -16}));
    EXPECT_TRUE(keep.Contains({16, 14}));
    EXPECT_FALSE(keep.Contains({-15, 0}));
    EXPECT_FALSE(keep.Contains({0, 15}));

    // Centre (-60, -60): cell (-2, -2); load x -11..9, y -13..7.
    EXPECT_EQ(Span(GridLoadWindow(-60.0f, -60.0f)), (std::array{-11, 9, -13, 7}));
}

} // namespace
} // namespace quorvane
