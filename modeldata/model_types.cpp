#include "modeldata/model_types.h"

#include "platform/text_encoding.h"

#include <algorithm>
#include <cstdint>

namespace quorvane {
namespace {

// Bytes of the UTF-8 sequence that starts with lead (1 for stray bytes).
size_t SequenceLength(uint8_t lead) {
    if (lead >= 0xF0) {
        return 4;
    }
    if (lead >= 0xE0) {
        return 3;
    }
    if (lead >= 0xC0) {
        return 2;
    }
    return 1;
}

} // namespace

std::string CutName(std::string_view utf8, size_t maxUnits) {
    if (utf8.size() <= maxUnits) {
        return std::string(utf8); // never more code units than bytes
    }
    size_t units = 0;
    size_t i = 0;
    while (i < utf8.size()) {
        const size_t length = std::min(SequenceLength(static_cast<uint8_t>(utf8[i])), utf8.size() - i);
        const size_t needed = length == 4 ? 2 : 1; // outside the BMP: a surrogate pair
        if (units + needed > maxUnits) {
            break;
        }
        units += needed;
        i += length;
    }
    return std::string(utf8.substr(0, i));
}

std::string DecodeName(std::string_view bytes, size_t maxUnits) {
    const bool ascii =
        std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<uint8_t>(c) < 0x80; });
    if (ascii) {
        return CutName(bytes, maxUnits);
    }
    return CutName(DecodeTextLine(bytes), maxUnits);
}

} // namespace quorvane
