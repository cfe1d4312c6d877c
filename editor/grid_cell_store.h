#pragma once

#include "editor/grid_file_access.h"

#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace quorvane {

// A cell file as the editor read it.
struct CellRead {
    bool readable = false;
    std::vector<std::string> lines; // the stored bytes of each line, without its CR LF or LF
    FileStamp stamp;     // the file when read; a cell never written reads as no lines, not existing
    std::string message; // why it could not be read, naming the file
};

// Reads the cell's lines with the stamp a later rewrite must find.
CellRead ReadCell(IGridFileAccess& access, const std::filesystem::path& path);

// New lines after the ones in the file, which stay byte for byte; the file
// and its folders are made when missing.
struct CellAppend {
    std::vector<std::string> lines;
};

// Every line the cell is to hold, replacing the file only when it is still
// what expected says: the editor's lines came from that file.
struct CellRewrite {
    std::vector<std::string> lines;
    FileStamp expected;
};

struct CellWrite {
    std::filesystem::path path;
    std::variant<CellAppend, CellRewrite> change;
};

enum class CellWriteOutcome { Written, ChangedOnDisk, Failed };

struct CellWriteResult {
    CellWriteOutcome outcome = CellWriteOutcome::Failed;
    std::string message; // why not written, naming the file; or why a written file has no stamp
    // The file after the write, taken without reading it: the expected stamp of
    // the next rewrite. Only when Written, and then missing only if the file
    // could not be looked at afterwards (it must be read again first).
    std::optional<FileStamp> stamp;
};

// Writes each line with CR LF. A line holding CR or LF is refused and nothing
// is written. A rewrite replaces the file whole through a synced temporary
// file, so a crash leaves the old lines or the new ones; zero lines leave an
// empty file, since a cell file once written is expected to stay.
CellWriteResult WriteCell(IGridFileAccess& access, const CellWrite& write);

} // namespace quorvane
