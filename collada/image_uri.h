#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace quorvane {

// Whether a file exists at a path; the import passes the file system, tests
// pass a table.
using FileExists = std::function<bool(const std::string& path)>;

// Turns an image reference as exporters write it (a plain path, a file: URI,
// percent-encoded, with backslashes, absolute on the machine that wrote it)
// into the file name a model keeps: relative to the document's directory
// (which ends in "/" or "\", or is empty) where it can be. An absolute path
// that exists here stays absolute; one that does not is taken to lie beside
// the document under its own name.
std::string ResolveImageUri(std::string_view uri, std::string_view documentDirectory,
                            const FileExists& exists);

// "%20" and the like become their bytes; an escape that is not two hex
// digits, or that stands for a zero byte, stays as written.
std::string DecodePercentEscapes(std::string_view text);

// "/x", "//server/x", "C:/x", "C:\x" (after the slash change "C:" too).
bool IsAbsoluteImagePath(std::string_view path);

} // namespace quorvane
