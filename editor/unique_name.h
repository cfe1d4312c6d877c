#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

namespace quorvane {

// "<cell>_<base>_%03d" for the smallest counter from first on whose name is
// neither among the names already written to the cell's grid map file nor
// taken otherwise; first then follows the name found. A caller that only
// adds names may start where the last search ended.
template <typename Taken>
std::string FirstFreeName(std::string_view cell, std::string_view baseName,
                          const std::unordered_set<std::string>& written, Taken taken, uint32_t& first) {
    const std::string prefix = std::string(cell) + "_" + std::string(baseName) + "_";
    for (uint32_t counter = first;; ++counter) {
        std::string digits = std::to_string(counter);
        if (digits.size() < 3) {
            digits.insert(0, 3 - digits.size(), '0');
        }
        std::string candidate = prefix + digits;
        if (!written.contains(candidate) && !taken(candidate)) {
            first = counter + 1;
            return candidate;
        }
    }
}

template <typename Taken>
std::string FirstFreeName(std::string_view cell, std::string_view baseName,
                          const std::unordered_set<std::string>& written, Taken taken) {
    uint32_t first = 0;
    return FirstFreeName(cell, baseName, written, taken, first);
}

} // namespace quorvane
