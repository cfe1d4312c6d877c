#include "modelfile/model_format.h"

#include "modeldata/ascii_case.h"

namespace quorvane {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kXmlSpace = " \t\r\n";
constexpr std::string_view kColladaRoot = "<COLLADA";

// Drops the text up to and including the first end; false when none comes.
bool SkipPast(std::string_view& text, std::string_view end) {
    const size_t at = text.find(end);
    if (at == std::string_view::npos) {
        return false;
    }
    text.remove_prefix(at + end.size());
    return true;
}

// The text from its first element on; empty when it holds none.
std::string_view FromFirstElement(std::string_view text) {
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    for (;;) {
        const size_t start = text.find_first_not_of(kXmlSpace);
        if (start == std::string_view::npos) {
            return {};
        }
        text.remove_prefix(start);
        if (text.starts_with("<?")) {
            if (!SkipPast(text, "?>")) {
                return {};
            }
        } else if (text.starts_with("<!--")) {
            text.remove_prefix(4);
            if (!SkipPast(text, "-->")) {
                return {};
            }
        } else {
            return text;
        }
    }
}

bool StartsWithColladaRoot(std::string_view text) {
    const std::string_view element = FromFirstElement(text);
    if (!element.starts_with(kColladaRoot) || element.size() == kColladaRoot.size()) {
        return false; // a document cut off after the name cannot tell "<COLLADA" from "<COLLADAX"
    }
    const char next = element[kColladaRoot.size()];
    return kXmlSpace.find(next) != std::string_view::npos || next == '>' || next == '/';
}

std::string_view ExtensionOf(std::string_view path) {
    const size_t separator = path.find_last_of("/\\");
    const std::string_view name = separator == std::string_view::npos ? path : path.substr(separator + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) {
        return {};
    }
    return name.substr(dot);
}

} // namespace

ModelFormat ModelFormatOf(std::string_view path, std::string_view content) {
    if (StartsWithColladaRoot(content)) {
        return ModelFormat::Collada;
    }
    const std::string_view extension = ExtensionOf(path);
    if (EqualsNoCase(extension, ".dae")) {
        return ModelFormat::Collada;
    }
    if (EqualsNoCase(extension, ".mdl")) {
        return ModelFormat::TextModel;
    }
    return ModelFormat::None;
}

} // namespace quorvane
