#pragma once

#include <string>
#include <string_view>

namespace quorvane {

bool IsValidUtf8(std::string_view bytes);

// Files are UTF-8; a line that is not valid UTF-8 is taken as CP932 (files
// written on Japanese Windows). Bytes that decode in neither become U+FFFD.
std::string DecodeTextLine(std::string_view bytes);

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

// Drops a trailing "\r" so CR LF files read like LF files.
inline std::string_view StripCarriageReturn(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

} // namespace quorvane
