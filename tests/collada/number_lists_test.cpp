// Edge cases of the list readers, with values worked out from the atof/atoi
// rules: a decimal becomes the nearest double, then that double the nearest
// float; integers stop at the first non-digit and saturate at the int32 range.
#include "collada/number_lists.h"
#include "modeldata/text_numbers.h"

#include <bit>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>

namespace quorvane {
namespace {

float OnlyFloat(std::string_view text) {
    const std::vector<float> values = ReadFloatList(text);
    EXPECT_EQ(values.size(), 1u) << text;
    return values.empty() ? std::numeric_limits<float>::quiet_NaN() : values[0];
}

// The one entry, which atoi's rules read alike on their own.
int32_t OnlyInt(std::string_view text) {
    const std::vector<int32_t> values = ReadIntList(text);
    EXPECT_EQ(values.size(), 1u) << text;
    EXPECT_EQ(ParseIntLikeAtoi(text), values.empty() ? -12345 : values[0]) << text;
    return values.empty() ? -12345 : values[0];
}

TEST(ColladaNumberListValues, DecimalsRoundToDoubleThenFloatIntegersStopAtANonDigitAndBothSaturate) {
    EXPECT_EQ(OnlyFloat("0.1"), static_cast<float>(0.1));
    EXPECT_EQ(OnlyFloat("-0.375"), -0.375f);
    EXPECT_EQ(OnlyFloat("16777217"), 16777216.0f); // 2^24 + 1 ties to the even neighbour
    EXPECT_EQ(OnlyFloat("9007199254740993"), 9007199254740992.0f);
    EXPECT_EQ(OnlyFloat("12345678901234567890"), static_cast<float>(12345678901234567890.0));
    EXPECT_EQ(OnlyFloat("0.000000000000000001"), static_cast<float>(1e-18));
    EXPECT_EQ(OnlyFloat("1234567.12345678"), static_cast<float>(1234567.12345678));
    EXPECT_EQ(OnlyFloat("1e5"), 100000.0f);
    EXPECT_EQ(OnlyFloat("5."), 5.0f);
    EXPECT_EQ(OnlyFloat(".5"), 0.5f);
    EXPECT_EQ(OnlyFloat("-.5"), -0.5f);
    EXPECT_EQ(OnlyFloat("+2.5"), 2.5f);
    const float negativeZero = OnlyFloat("-0");
    EXPECT_EQ(negativeZero, 0.0f);
    EXPECT_TRUE(std::signbit(negativeZero));

    EXPECT_EQ(OnlyFloat("1e39"), std::numeric_limits<float>::infinity());
    EXPECT_EQ(OnlyFloat("-1e39"), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(OnlyFloat("1e-50"), 0.0f);
    EXPECT_EQ(OnlyFloat("1.2.3"), static_cast<float>(1.2));
    EXPECT_EQ(OnlyFloat("4.5kg"), 4.5f);
    EXPECT_EQ(OnlyFloat("."), 0.0f);
    EXPECT_EQ(OnlyFloat("-"), 0.0f);
    EXPECT_EQ(OnlyFloat("--1"), 0.0f);
    EXPECT_TRUE(std::isnan(OnlyFloat("NaN")));

    EXPECT_EQ(OnlyInt("2147483647"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(OnlyInt("2147483648"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(OnlyInt("99999999999"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(OnlyInt("-2147483648"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(OnlyInt("-99999999999"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(OnlyInt("00000007"), 7);
    EXPECT_EQ(OnlyInt("12345678"), 12345678);
    EXPECT_EQ(OnlyInt("+7"), 7);
    EXPECT_EQ(OnlyInt("12.9"), 12);
    EXPECT_EQ(OnlyInt("3e2"), 3);
    EXPECT_EQ(OnlyInt("-"), 0);
    EXPECT_EQ(OnlyInt("x1"), 0);
}

TEST(ColladaNumberListSplitting, OnlyXmlWhiteSpaceSeparatesCountsLimitAndEveryEntryReadsAsItsOwnConversion) {
    EXPECT_EQ(ReadIntList("1\r2\n3\t4 5"), (std::vector<int32_t>{1, 2, 3, 4, 5}));
    // Form feed and vertical tab are no XML white space: "1\f2" is one entry,
    // which reads as far as its first digit run.
    EXPECT_EQ(ReadIntList("1\f2 3\v4"), (std::vector<int32_t>{1, 3}));
    EXPECT_EQ(ReadFloatList("\n\t 1.5 \r\n"), (std::vector<float>{1.5f}));
    EXPECT_TRUE(ReadFloatList("").empty());
    EXPECT_EQ(SplitNameList("a\nb  c"), (std::vector<std::string_view>{"a", "b", "c"}));
    // Counts limit, and the text ends where its view ends.
    EXPECT_EQ(ReadIntList("1 2 3", 2), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(ReadIntList("1 2 3", 7), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_TRUE(ReadIntList("1 2 3", 0).empty());
    EXPECT_EQ(ReadIntList("4", kNoCountLimit), (std::vector<int32_t>{4}));
    // A declared count far beyond the text takes only what is there.
    EXPECT_EQ(ReadFloatList("1 2", 2000000000), (std::vector<float>{1, 2}));
    // A view into a longer text: the digits after its end belong to no entry.
    const std::string text = "10 20 30456 7.25999";
    EXPECT_EQ(ReadIntList(std::string_view(text).substr(0, 8)), (std::vector<int32_t>{10, 20, 30}));
    EXPECT_EQ(ReadFloatList(std::string_view(text).substr(0, 16)),
              (std::vector<float>{10, 20, 30456, 7.25f}));

    // The readers' shortcuts for plain numbers must read every entry as atof/atoi read it alone.
    std::mt19937 random(7);
    const std::string_view pieces[] = {"-", "+", ".", "e", "E-", "x", "nan", "inf", "\xc3\xa9", "0"};
    const std::string_view blanks[] = {" ", "\n", "\t", "  \r\n\t"};
    std::uniform_int_distribution<int> length(0, 21);
    std::uniform_int_distribution<int> digit('0', '9');
    std::uniform_int_distribution<int> choice(0, 31);
    std::vector<std::string> tokens;
    std::string joined;
    for (int i = 0; i < 20000; ++i) {
        std::string token;
        for (int part = 0; part < 3; ++part) {
            const int pick = choice(random);
            if (pick < 10) {
                token += pieces[static_cast<size_t>(pick)];
            }
            for (int n = length(random) % (part == 0 ? 22 : 9); n > 0; --n) {
                token += static_cast<char>(digit(random));
            }
        }
        if (token.empty()) {
            token.push_back('5');
        }
        tokens.push_back(token);
        joined.append(blanks[static_cast<size_t>(choice(random) % 4)]);
        joined.append(token);
    }
    const std::vector<float> floats = ReadFloatList(joined);
    const std::vector<int32_t> ints = ReadIntList(joined);
    ASSERT_EQ(floats.size(), tokens.size());
    ASSERT_EQ(ints.size(), tokens.size());
    // Index lists go into the model as read: no room beyond their entries.
    EXPECT_EQ(ints.capacity(), ints.size());
    for (size_t i = 0; i < tokens.size(); ++i) {
        const float expected = ParseFloatLikeAtof(tokens[i]);
        if (std::isnan(expected)) {
            EXPECT_TRUE(std::isnan(floats[i])) << tokens[i];
        } else {
            EXPECT_EQ(std::bit_cast<uint32_t>(floats[i]), std::bit_cast<uint32_t>(expected)) << tokens[i];
        }
        EXPECT_EQ(ints[i], ParseIntLikeAtoi(tokens[i])) << tokens[i];
    }
}

} // namespace
} // namespace quorvane
