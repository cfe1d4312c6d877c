#include "editor/grid_cell_store.h"

#include <string_view>
#include <utility>

namespace quorvane {
namespace {

// Tries before a file that keeps changing under the read is given up on.
constexpr int kReadTries = 3;

std::string_view WithoutCarriageReturn(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

std::vector<std::string> SplitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find('\n', start);
        if (end == bytes.npos) {
            // The last line may lack its end.
            lines.emplace_back(WithoutCarriageReturn(bytes.substr(start)));
            break;
        }
        lines.emplace_back(WithoutCarriageReturn(bytes.substr(start, end - start)));
        start = end + 1;
    }
    return lines;
}

// The bytes of the lines, or nullopt with a message when one would not read back as itself.
std::optional<std::string> JoinLines(const std::vector<std::string>& lines, const std::filesystem::path& path,
                                     std::string* message) {
    std::string bytes;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find_first_of("\r\n") != std::string::npos) {
            *message = "line " + std::to_string(i + 1) + " for " + path.string() +
                       " holds a CR or LF; nothing was written";
            return std::nullopt;
        }
        bytes += lines[i];
        bytes += "\r\n";
    }
    return bytes;
}

std::string HowItChanged(const FileStamp& expected, const FileStamp& now, const std::filesystem::path& path) {
    std::string what;
    if (!expected.exists) {
        what = path.string() + " was created on disk since the cell was read";
    } else if (!now.exists) {
        what = path.string() + " was deleted on disk since it was read";
    } else if (expected.size != now.size) {
        what = path.string() + " changed on disk since it was read (" + std::to_string(expected.size) +
               " bytes then, " + std::to_string(now.size) + " now)";
    } else {
        what = path.string() + " changed on disk since it was read (modified again)";
    }
    return what + "; nothing was written, read it again first";
}

CellWriteResult Failed(std::string message) {
    return {CellWriteOutcome::Failed, std::move(message), std::nullopt};
}

CellWriteResult WrittenWithStamp(IGridFileAccess& access, const std::filesystem::path& path) {
    CellWriteResult result{CellWriteOutcome::Written, {}, FileStamp{}};
    std::string why;
    if (!access.Stamp(path, &*result.stamp, &why)) {
        result.stamp.reset();
        result.message = "written, but " + why;
    }
    return result;
}

CellWriteResult Append(IGridFileAccess& access, const std::filesystem::path& path, const CellAppend& append) {
    std::string message;
    const std::optional<std::string> bytes = JoinLines(append.lines, path, &message);
    if (!bytes) {
        return Failed(message);
    }
    if (!bytes->empty() && !access.AppendDurable(path, *bytes, &message)) {
        return Failed(message);
    }
    return WrittenWithStamp(access, path);
}

CellWriteResult Rewrite(IGridFileAccess& access, const std::filesystem::path& path,
                        const CellRewrite& rewrite) {
    std::string message;
    const std::optional<std::string> bytes = JoinLines(rewrite.lines, path, &message);
    if (!bytes) {
        return Failed(message);
    }
    FileStamp now;
    if (!access.Stamp(path, &now, &message)) {
        return Failed(message);
    }
    if (now != rewrite.expected) {
        return {CellWriteOutcome::ChangedOnDisk, HowItChanged(rewrite.expected, now, path), std::nullopt};
    }
    if (!access.ReplaceDurable(path, *bytes, &message)) {
        return Failed(message);
    }
    return WrittenWithStamp(access, path);
}

} // namespace

CellRead ReadCell(IGridFileAccess& access, const std::filesystem::path& path) {
    CellRead cell;
    // Stamps on both sides of the read: equal ones say the bytes are the file the stamp describes.
    for (int attempt = 0; attempt < kReadTries; ++attempt) {
        FileStamp before;
        FileStamp after;
        if (!access.Stamp(path, &before, &cell.message)) {
            return cell;
        }
        FileBytesRead read = access.ReadAll(path);
        if (!access.Stamp(path, &after, &cell.message)) {
            return cell;
        }
        if (before != after) {
            continue;
        }
        if (read.status == FileReadStatus::Failed) {
            cell.message = read.message;
            return cell;
        }
        const bool missing = read.status == FileReadStatus::Missing;
        if (missing != !after.exists || (!missing && read.bytes.size() != after.size)) {
            continue;
        }
        cell.readable = true;
        cell.lines = SplitLines(read.bytes);
        cell.stamp = after;
        return cell;
    }
    cell.message = path.string() + " kept changing while it was read";
    return cell;
}

CellWriteResult WriteCell(IGridFileAccess& access, const CellWrite& write) {
    if (const auto* append = std::get_if<CellAppend>(&write.change)) {
        return Append(access, write.path, *append);
    }
    return Rewrite(access, write.path, std::get<CellRewrite>(write.change));
}

} // namespace quorvane
