#include "editor/stream_windows.h"

#include <cmath>

namespace quorvane {
namespace {

// Coordinates far outside the field still give a defined index; NaN counts as 0.
int32_t TruncToIndex(double value) {
    constexpr double kLimit = 1.0e6;
    if (std::isnan(value)) {
        return 0;
    }
    return static_cast<int32_t>(std::trunc(std::fmax(std::fmin(value, kLimit), -kLimit)));
}

TileWindow MakeTileWindow(TileIndex centre, int32_t radius, const StreamLayout& layout) {
    return {centre, radius, layout.rows, layout.columns};
}

CellWindow MakeCellWindow(float x, float y, int32_t radius) {
    const CellIndex centre = StreamCentreCell(x, y);
    return {centre.x - (radius - 1), centre.x + radius + 1, centre.y - (radius + 1), centre.y + radius - 1};
}

} // namespace

bool TileWindow::Contains(TileIndex tile) const {
    return tile.i >= 1 && tile.i <= rows && tile.j >= 1 && tile.j <= columns &&
           std::abs(tile.i - centre.i) <= radius && std::abs(tile.j - centre.j) <= radius;
}

std::vector<TileIndex> TileWindow::Tiles() const {
    std::vector<TileIndex> tiles;
    for (int32_t j = centre.j - radius; j <= centre.j + radius; ++j) {
        for (int32_t i = centre.i - radius; i <= centre.i + radius; ++i) {
            if (Contains({i, j})) {
                tiles.push_back({i, j});
            }
        }
    }
    return tiles;
}

TileWindow TileLoadWindow(float x, float y, const StreamLayout& layout) {
    const double rows = layout.rows;
    const double columns = layout.columns;
    const int32_t i = layout.rows - TruncToIndex((rows + 1) * 0.5 * (y / 2000.0) + rows * 0.5);
    const int32_t j = TruncToIndex((columns + 1) * 0.5 * (x / 2000.0) + columns * 0.5) + 1;
    return MakeTileWindow({i, j}, layout.tileLoadRadius, layout);
}

TileWindow TileKeepWindow(float x, float y, const StreamLayout& layout) {
    const double rows = layout.rows;
    const double columns = layout.columns;
    const int32_t i = layout.rows - TruncToIndex((y / 2000.0) * rows * 0.5 + rows * 0.5);
    const int32_t j = TruncToIndex((x / 2000.0) * columns * 0.5 + columns * 0.5) + 1;
    return MakeTileWindow({i, j}, layout.tileKeepRadius, layout);
}

std::string TileName(TileIndex tile) {
    return "Field" + std::to_string(tile.i) + "-" + std::to_string(tile.j);
}

std::string TilePath(std::string_view tileName) {
    return "./model/main_field/field/" + std::string(tileName) + ".mdl";
}

int32_t StreamCellIndex(float coordinate) {
    int32_t index = TruncToIndex(static_cast<double>(coordinate) / kCellSize);
    if (index < 0) {
        --index;
    }
    return index;
}

CellIndex StreamCentreCell(float x, float y) {
    return {StreamCellIndex(x), StreamCellIndex(y)};
}

bool CellWindow::Contains(CellIndex cell) const {
    return cell.x >= firstX && cell.x <= lastX && cell.y >= firstY && cell.y <= lastY;
}

std::vector<CellIndex> CellWindow::Cells() const {
    std::vector<CellIndex> cells;
    for (int32_t x = firstX; x <= lastX; ++x) {
        for (int32_t y = firstY; y <= lastY; ++y) {
            cells.push_back({x, y});
        }
    }
    return cells;
}

CellWindow GridLoadWindow(float x, float y, const StreamLayout& layout) {
    return MakeCellWindow(x, y, layout.gridLoadRadius);
}

CellWindow GridKeepWindow(float x, float y, const StreamLayout& layout) {
    return MakeCellWindow(x, y, layout.gridKeepRadius);
}

std::filesystem::path GridFilePath(const std::filesystem::path& root, CellIndex cell) {
    return root / "lod0" / (CellName(cell) + ".gmf");
}

} // namespace quorvane
