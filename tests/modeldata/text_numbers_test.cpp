#include "modeldata/text_numbers.h"
#include "tests/comma_locale.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>

namespace quorvane {
namespace {

// Saturation, signs and junk after the digits: ColladaNumberListValues, whose
// entries read through ParseIntLikeAtoi too.
TEST(TextNumbersTest, IntegersAndFloatsReadLikeAtoiAndAtofWhateverTheLocale) {
    EXPECT_EQ(ParseIntLikeAtoi("  -17xyz"), -17);
    EXPECT_EQ(ParseIntLikeAtoi(""), 0);

    // A comma-decimal locale must not change how files read.
    const test::CCommaLocale locale(LC_ALL);
    ASSERT_TRUE(locale.InEffect());
    EXPECT_DOUBLE_EQ(ParseDoubleLikeAtof("1.25"), 1.25);
    EXPECT_DOUBLE_EQ(ParseDoubleLikeAtof(" -0.5e2tail"), -50.0);
    EXPECT_DOUBLE_EQ(ParseDoubleLikeAtof("+3"), 3.0);
    EXPECT_DOUBLE_EQ(ParseDoubleLikeAtof("x1"), 0.0);
    EXPECT_DOUBLE_EQ(ParseDoubleLikeAtof("+-1"), 0.0);
    EXPECT_TRUE(std::isinf(ParseDoubleLikeAtof("1e999")));
    EXPECT_EQ(ParseDoubleLikeAtof("1e-999"), 0.0);
    // A comma is not a decimal point in the files.
    EXPECT_DOUBLE_EQ(ParseDoubleLikeAtof("1,25"), 1.0);
}

TEST(TextNumbersTest, PlainDecimalsRoundExactlyLikeStrtodAndTrimmingKeepsInnerSpaces) {
    // The fast path for plain decimals must give the same bits as strtod,
    // including halfway cases and long mantissas that take the general path.
    std::mt19937_64 random(7);
    for (int i = 0; i < 200000; ++i) {
        const uint64_t digits = random() >> (random() % 64);
        const int point = static_cast<int>(random() % 21);
        const std::string all = std::to_string(digits);
        const size_t split =
            all.size() > static_cast<size_t>(point) ? all.size() - static_cast<size_t>(point) : 0;
        const std::string sign = random() % 2 == 0 ? "-" : "";
        const std::string text = sign + all.substr(0, split) + (split > 0 ? "." : "") + all.substr(split);
        const double expected = std::strtod(text.c_str(), nullptr);
        ASSERT_EQ(ParseDoubleLikeAtof(text), expected) << text;
        ASSERT_EQ(ParseDoubleLikeAtof(text + "x"), expected) << text;
    }
    EXPECT_EQ(ParseDoubleLikeAtof("2.5e1"), 25.0);
    EXPECT_EQ(ParseDoubleLikeAtof("."), 0.0);
    EXPECT_TRUE(std::signbit(ParseDoubleLikeAtof("-0.0")));
    EXPECT_EQ(ParseFloatLikeAtof("1e300"), std::numeric_limits<float>::infinity());
    EXPECT_EQ(ParseFloatLikeAtof("-1e300"), -std::numeric_limits<float>::infinity());

    EXPECT_EQ(TrimBlanks(" \t a/b c.mdl \t\r"), "a/b c.mdl");
    EXPECT_EQ(TrimBlanks("   "), "");
}

} // namespace
} // namespace quorvane
