#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

namespace quorvane {

// "<cell>_<base>_%03d" for the smallest counter whose name is neither among the
// names already written to the cell's grid map file nor taken otherwise.
template <typename Taken>
std::string FirstFreeName(std::string_view cell, std::string_view baseName,
                          const std::unordered_set<std::string>& written, Taken taken) {
    const std::string prefix = std::string(cell) + "_" + std::string(baseName) + "_";
    for (uint32_t counter = 0;; ++counter) {
        std::string digits = std::to_string(counter);
        if (digits.size() < 3) {
            digits.insert(0, 3 - digits.size(), '0');
        }
        std::string candidate = prefix + digits;
        if (!written.contains(candidate) && !taken(candidate)) {
            return candidate;
        }
    }
}

} // namespace quorvane
