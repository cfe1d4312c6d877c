#include "modeldata/number_line.h"
#include "modeldata/text_lines.h"

#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace quorvane {
namespace {

// What splitting the line into tokens and converting each one gives.
template <typename Convert> auto SplitThenConvert(std::string_view line, Convert convert) {
    std::vector<decltype(convert(line))> out;
    CTokens tokens(line, kValueDelimiters);
    std::string_view token;
    while (tokens.Next(token)) {
        out.push_back(convert(token));
    }
    return out;
}

// Lines from numbers, the characters that make conversion stop early, and bytes no number holds.
std::string RandomLine(std::mt19937& random) {
    using namespace std::string_view_literals;
    static constexpr std::string_view kPieces[] = {"0",    "7",           "12",
                                                   "-",    ".",           "5.25",
                                                   "e",    "E3",          "+",
                                                   "x",    "\t",          " ",
                                                   " ",    "99999999999", "123456789012345678901",
                                                   "inf",  "1e400",       "0.000000000000000000000001",
                                                   "\r",   "\v",          "\xff",
                                                   "\0"sv, "\n"};
    std::string line;
    const size_t pieces = random() % 12;
    for (size_t i = 0; i < pieces; ++i) {
        line += kPieces[random() % std::size(kPieces)];
    }
    return line;
}

TEST(NumberLineTest, OnePassGivesWhatSplittingAndConvertingGives) {
    std::mt19937 random(11);
    for (int i = 0; i < 100000; ++i) {
        const std::string line = RandomLine(random);
        std::vector<double> doubles;
        ForEachDoubleOnLine(line, SIZE_MAX, [&](double value) { doubles.push_back(value); });
        const std::vector<double> expectedDoubles = SplitThenConvert(line, ParseDoubleLikeAtof);
        ASSERT_EQ(doubles.size(), expectedDoubles.size()) << line;
        for (size_t k = 0; k < doubles.size(); ++k) {
            // Bitwise, so -0 and 0 differ.
            ASSERT_EQ(std::memcmp(&doubles[k], &expectedDoubles[k], sizeof(double)), 0) << line;
        }
        std::vector<int32_t> ints;
        ForEachIntOnLine(line, SIZE_MAX, [&](int32_t value) { ints.push_back(value); });
        ASSERT_EQ(ints, SplitThenConvert(line, ParseIntLikeAtoi)) << line;
    }
}

TEST(NumberLineTest, StopsAfterTheRequestedCount) {
    std::vector<double> values;
    EXPECT_EQ(ForEachDoubleOnLine("1 2 3 4", 2, [&](double value) { values.push_back(value); }), 2u);
    EXPECT_EQ(values, (std::vector<double>{1, 2}));
    EXPECT_EQ(ForEachIntOnLine("  ", 5, [](int32_t) {}), 0u);
}

} // namespace
} // namespace quorvane
