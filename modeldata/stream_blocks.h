#pragma once

#include "modeldata/geometry.h"
#include "modeldata/model_types.h"
#include "modeldata/text_lines.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace quorvane {

// Value lines may hold fewer numbers than their count announces (missing
// numbers read as 0), but a count of more numbers than the bytes left in the
// file (plus this slack) could hold is taken as corrupt, not allocated.
inline constexpr size_t kCountSlack = 4096;
bool CountFitsText(int64_t numbers, size_t remainingBytes);

// Converts the first out.size() numbers of a number line (atof rules); the
// rest of out is left as it is. Returns how many were read.
size_t ReadNumberLine(std::string_view line, std::span<float> out);
Matrix4x4 ReadMatrixLine(std::string_view line); // missing numbers are 0
Color4 ReadColourLine(std::string_view line);

// Reads the lines of a float array block after its begin key, up to and
// including FLOAT_ARRAY_END. FLOAT_ARRAY takes its value line only when the
// width and the count are at least minimumCount. False when the text ends first.
bool ReadFloatArrayBlock(CTextLines& lines, int32_t minimumCount, CFloatArray& array);

// Reads a weights block after its begin key, up to and including WEIGHTS_END.
// weightsSize is the declared row count (the table's when it has one); rows
// get eight influences each.
// False when the text ends first.
bool ReadWeightsBlock(CTextLines& lines, int32_t& weightsSize, std::vector<CWeightRow>& rows);

} // namespace quorvane
