#include "modeldata/text_numbers.h"

#include <clocale>
#include <cmath>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(TextNumbersTest, IntegersReadLikeAtoi) {
    EXPECT_EQ(ParseIntLikeAtoi("42"), 42);
    EXPECT_EQ(ParseIntLikeAtoi("  -17xyz"), -17);
    EXPECT_EQ(ParseIntLikeAtoi("+8"), 8);
    EXPECT_EQ(ParseIntLikeAtoi("3.9"), 3);
    EXPECT_EQ(ParseIntLikeAtoi("abc"), 0);
    EXPECT_EQ(ParseIntLikeAtoi(""), 0);
    EXPECT_EQ(ParseIntLikeAtoi("-"), 0);
    EXPECT_EQ(ParseIntLikeAtoi("99999999999999999999"), 2147483647);
    EXPECT_EQ(ParseIntLikeAtoi("-99999999999999999999"), -2147483647 - 1);
}

TEST(TextNumbersTest, FloatsReadLikeAtofWhateverTheLocale) {
    // A comma-decimal locale must not change how files read.
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    EXPECT_DOUBLE_EQ(ParseDoubleLikeAtof("1.25"), 1.25);
    EXPECT_DOUBLE_EQ(ParseDoubleLikeAtof(" -0.5e2tail"), -50.0);
    EXPECT_DOUBLE_EQ(ParseDoubleLikeAtof("+3"), 3.0);
    EXPECT_DOUBLE_EQ(ParseDoubleLikeAtof("x1"), 0.0);
    EXPECT_DOUBLE_EQ(ParseDoubleLikeAtof("+-1"), 0.0);
    EXPECT_TRUE(std::isinf(ParseDoubleLikeAtof("1e999")));
    EXPECT_EQ(ParseDoubleLikeAtof("1e-999"), 0.0);
    std::setlocale(LC_ALL, "C");
}

TEST(TextNumbersTest, TrimBlanksKeepsInnerSpaces) {
    EXPECT_EQ(TrimBlanks(" \t a/b c.mdl \t\r"), "a/b c.mdl");
    EXPECT_EQ(TrimBlanks("   "), "");
}

} // namespace
} // namespace quorvane
