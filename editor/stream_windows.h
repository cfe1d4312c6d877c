#pragma once

#include "editor/cell_name.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// The terrain is 26 x 26 tiles over about -2000..2000 in x and y; grid map
// files cover 50-unit cells. Each set keeps a wider window than it loads, so
// that a model at the edge is not loaded and dropped over and over.
struct StreamLayout {
    int32_t columns = 26;
    int32_t rows = 26;
    int32_t tileLoadRadius = 3;
    int32_t tileKeepRadius = 4;
    int32_t gridLoadRadius = 10;
    int32_t gridKeepRadius = 15;
};

// A tile: i counts rows downwards from +y, j counts columns from -x; both from 1.
struct TileIndex {
    int32_t i = 0;
    int32_t j = 0;

    friend bool operator==(const TileIndex&, const TileIndex&) = default;
};

// The tiles within radius of a centre tile that exist on the grid.
struct TileWindow {
    TileIndex centre;
    int32_t radius = 0;
    int32_t rows = 0;
    int32_t columns = 0;

    bool Contains(TileIndex tile) const;
    std::vector<TileIndex> Tiles() const; // j outer, i inner
};

TileWindow TileLoadWindow(float x, float y, const StreamLayout& layout = {});
TileWindow TileKeepWindow(float x, float y, const StreamLayout& layout = {});

// "Field<i>-<j>" and "./model/main_field/field/Field<i>-<j>.mdl".
std::string TileName(TileIndex tile);
std::string TilePath(std::string_view tileName);

// The streaming's centre cell: the truncated quotient, lowered by one only when
// that quotient is negative (so -50 < x < 0 gives 0, unlike the pick cell).
int32_t StreamCellIndex(float coordinate);
CellIndex StreamCentreCell(float x, float y);

// Cells firstX..lastX by firstY..lastY, inclusive.
struct CellWindow {
    int32_t firstX = 0;
    int32_t lastX = -1;
    int32_t firstY = 0;
    int32_t lastY = -1;

    bool Contains(CellIndex cell) const;
    std::vector<CellIndex> Cells() const; // x outer, y inner
};

// Both windows reach one cell further in +x and in -y than the other way.
CellWindow GridLoadWindow(float x, float y, const StreamLayout& layout = {});
CellWindow GridKeepWindow(float x, float y, const StreamLayout& layout = {});

// root/lod0/<cell name>.gmf: the LOD 0 grid map file of a cell.
std::filesystem::path GridFilePath(const std::filesystem::path& root, CellIndex cell);

} // namespace quorvane
