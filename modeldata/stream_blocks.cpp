#include "modeldata/stream_blocks.h"

#include "modeldata/model_types.h"
#include "modeldata/number_line.h"
#include "modeldata/text_numbers.h"

#include <algorithm>

namespace quorvane {

bool CountFitsText(int64_t numbers, size_t remainingBytes) {
    // Each number takes at least two bytes: a digit and a separator.
    return numbers >= 0 && static_cast<uint64_t>(numbers) <= (remainingBytes + kCountSlack) / 2;
}

size_t ReadNumberLine(std::string_view line, std::span<float> out) {
    float* next = out.data();
    return ForEachDoubleOnLine(line, out.size(), [&](double value) { *next++ = NarrowToFloat(value); });
}

Matrix4x4 ReadMatrixLine(std::string_view line) {
    Matrix4x4 matrix{};
    ReadNumberLine(line, matrix);
    return matrix;
}

Color4 ReadColourLine(std::string_view line) {
    Color4 colour{};
    ReadNumberLine(line, colour);
    return colour;
}

namespace {

// The value line of FLOAT_ARRAY: at most count * width numbers; vectors kept
// only for widths 2 to 4.
void ReadFloatArrayValues(std::string_view line, int64_t width, int64_t count, CFloatArray& array) {
    if (!CFloatArray::IsStoredWidth(width)) {
        array.SetVectors(1, {});
        return;
    }
    const auto wanted = static_cast<size_t>(width * count);
    std::vector<float> values(wanted, 0.0f);
    ReadNumberLine(line, values);
    array.SetVectors(static_cast<int32_t>(width), std::move(values));
}

} // namespace

bool ReadFloatArrayBlock(CTextLines& lines, int32_t minimumCount, CFloatArray& array) {
    int64_t width = -1;
    int64_t count = -1;
    std::string_view line;
    while (lines.Next(line)) {
        const CKeyLine keyLine = SplitKeyLine(line, kStreamKeyDelimiters);
        const std::string_view key = keyLine.key;
        if (key == "FLOAT_ARRAY_ID") {
            array.id = DecodeName(keyLine.value);
        } else if (key == "FLOAT_ARRAY_FLOAT_COUNT") {
            width = ParseIntLikeAtoi(keyLine.value);
        } else if (key == "FLOAT_ARRAY_COUNT") {
            count = ParseIntLikeAtoi(keyLine.value);
        } else if (key == "FLOAT_ARRAY") {
            // Otherwise the key is ignored and its value line reads as a key line.
            if (width >= minimumCount && count >= minimumCount &&
                CountFitsText(width * count, lines.Remaining())) {
                const size_t limit = std::max(line_limit::PerItem(width * count, 128), line_limit::kKey);
                std::string_view values;
                lines.Next(limit, values);
                ReadFloatArrayValues(values, width, count, array);
            }
        } else if (key == "FLOAT_ARRAY_END") {
            return true;
        }
    }
    return false;
}

namespace {

// Fills rows x per influence records from the number pairs of line; records
// past the eighth of a row are read but not kept.
void ReadWeightValues(std::string_view line, int64_t per, std::vector<CWeightRow>& rows) {
    const auto numbers = static_cast<size_t>(static_cast<int64_t>(rows.size()) * per * 2);
    size_t row = 0;
    int64_t record = 0;
    bool second = false;
    ForEachDoubleOnLine(line, numbers, [&](double value) {
        if (record < CWeightRow::kInfluences) {
            CBoneWeight& influence = rows[row].influences[static_cast<size_t>(record)];
            if (second) {
                influence.weight = NarrowToFloat(value);
            } else {
                influence.boneIndex = NarrowToFloat(value + 0.00001);
            }
        }
        if (second && ++record == per) {
            record = 0;
            ++row;
        }
        second = !second;
    });
}

} // namespace

bool ReadWeightsBlock(CTextLines& lines, int32_t& weightsSize, std::vector<CWeightRow>& rows) {
    int64_t rowCount = 0;
    std::string_view line;
    while (lines.Next(line)) {
        const CKeyLine keyLine = SplitKeyLine(line, kStreamKeyDelimiters);
        const std::string_view key = keyLine.key;
        if (key == "WEIGHTS_SIZE") {
            rowCount = std::max(ParseIntLikeAtoi(keyLine.value), 0);
            weightsSize = static_cast<int32_t>(rowCount);
        } else if (key == "APPLY_BONE_NUM") {
            const int64_t per = ParseIntLikeAtoi(keyLine.value);
            if (rowCount < 1 || per < 1) {
                continue;
            }
            if (!CountFitsText(rowCount * per * 2, lines.Remaining())) {
                // A row count the file cannot back: no table.
                weightsSize = 0;
                rows.clear();
                continue;
            }
            rows.assign(static_cast<size_t>(rowCount), CWeightRow{});
            std::string_view values;
            lines.Next(line_limit::PerItem(rowCount * per, 128), values);
            ReadWeightValues(values, per, rows);
        } else if (key == "WEIGHTS_END") {
            // A WEIGHTS_SIZE after the table must not promise rows it lacks.
            if (!rows.empty()) {
                weightsSize = static_cast<int32_t>(rows.size());
            }
            return true;
        }
    }
    return false;
}

} // namespace quorvane
