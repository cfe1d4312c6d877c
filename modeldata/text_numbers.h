#pragma once

#include <cstdint>
#include <string_view>

namespace quorvane {

// Number reading with the C library's atoi/atof rules, independent of the
// process locale: leading blanks skipped, optional sign, conversion stops at
// the first character that does not fit, 0 when nothing converts.
// Integers saturate at the int32 range instead of overflowing.
int32_t ParseIntLikeAtoi(std::string_view text);
double ParseDoubleLikeAtof(std::string_view text);

// Trims leading and trailing blanks and tabs (and a CR at the end).
std::string_view TrimBlanks(std::string_view text);

} // namespace quorvane
