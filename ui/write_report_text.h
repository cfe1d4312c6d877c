#pragma once

#include "editor/grid_writer.h"

#include <QString>

namespace quorvane {

struct WriteReportText {
    bool failed = false;
    QString message;
};

// What the user is told after "配置リストをファイルに書き出し": how many
// placements went into the grid map files, and which ones did not and why.
WriteReportText DescribeWriteReport(const GridWriteReport& report);

} // namespace quorvane
