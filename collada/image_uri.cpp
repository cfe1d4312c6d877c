#include "collada/image_uri.h"

#include <algorithm>
#include <cctype>

namespace quorvane {
namespace {

bool IsDriveLetter(std::string_view path) {
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) != 0 && path[1] == ':';
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

// "file:///C:/x" and "file:/C:/x" give "C:/x"; "file:///x" gives "/x";
// "file://server/x" gives "//server/x"; "file:x" gives "x". Other text is
// returned whole.
std::string_view WithoutFileScheme(std::string_view uri) {
    constexpr std::string_view kScheme = "file:";
    if (!StartsWithNoCase(uri, kScheme)) {
        return uri;
    }
    std::string_view rest = uri.substr(kScheme.size());
    if (rest.starts_with("//")) {
        const std::string_view afterAuthority = rest.substr(2);
        // An empty authority ("file:///path") or a drive written where the
        // host goes ("file://C:/path", a common slip).
        if (afterAuthority.starts_with('/') || IsDriveLetter(afterAuthority)) {
            rest = afterAuthority;
        }
    }
    if (rest.starts_with('/') && IsDriveLetter(rest.substr(1))) {
        rest.remove_prefix(1);
    }
    return rest;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string_view LastPart(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace

std::string DecodePercentEscapes(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const int high = text[i] == '%' && i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        // "%00" would cut the name short wherever it is used as a C string.
        if (low >= 0 && high * 16 + low != 0) {
            decoded.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        } else {
            decoded.push_back(text[i]);
        }
    }
    return decoded;
}

bool IsAbsoluteImagePath(std::string_view path) {
    return path.starts_with('/') || path.starts_with('\\') || IsDriveLetter(path);
}

std::string ResolveImageUri(std::string_view uri, std::string_view documentDirectory,
                            const FileExists& exists) {
    std::string path = DecodePercentEscapes(WithoutFileScheme(uri));
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || !IsAbsoluteImagePath(path)) {
        return path;
    }
    std::string directory(documentDirectory);
    std::replace(directory.begin(), directory.end(), '\\', '/');
    // Beside or below an absolutely named document: keep the model movable.
    if (IsAbsoluteImagePath(directory) && directory.ends_with('/') && path.size() > directory.size() &&
        path.starts_with(directory)) {
        return path.substr(directory.size());
    }
    if (exists && exists(path)) {
        return path;
    }
    return std::string(LastPart(path));
}

} // namespace quorvane
