#include "modeldata/text_lines.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quorvane {
namespace {

std::vector<std::string> AllLines(std::string_view text, size_t limit) {
    CTextLines lines(text);
    std::vector<std::string> out;
    std::string_view line;
    while (lines.Next(limit, line)) {
        out.emplace_back(line);
    }
    return out;
}

TEST(TextLinesTest, CrLfAndLfReadAlikeALastLineNeedsNoFeedAndAnOverLongLineIsCut) {
    EXPECT_EQ(AllLines("A\r\nB\n\nC", 1024), (std::vector<std::string>{"A", "B", "", "C"}));
    EXPECT_EQ(AllLines("A\r\n", 1024), (std::vector<std::string>{"A"}));
    EXPECT_TRUE(AllLines("", 1024).empty());
    EXPECT_EQ(AllLines("\xEF\xBB\xBFMODEL_ID\n", 1024), (std::vector<std::string>{"MODEL_ID"}));
    // A buffer of 5 holds 4 characters: a 4-character line leaves its feed as an empty line.
    EXPECT_EQ(AllLines("abc\nabcd\nabcdefghij\n", 5),
              (std::vector<std::string>{"abc", "abcd", "", "abcd", "efgh", "ij"}));
    // CR LF counts as one character.
    EXPECT_EQ(AllLines("abc\r\nx", 5), (std::vector<std::string>{"abc", "x"}));
}

TEST(TextLinesTest, TokensFollowTheDelimiterSetOfTheContextAndPerItemLimitsSaturate) {
    EXPECT_EQ(SplitKeyLine("<MODEL_ID>", kKeyDelimiters).key, "MODEL_ID");
    EXPECT_EQ(SplitKeyLine("[VERTEX_COUNT] 1200 tail", kKeyDelimiters).value, "1200");
    EXPECT_EQ(SplitKeyLine("[FLOAT_ARRAY_ID] a", kStreamKeyDelimiters).key, "[FLOAT_ARRAY_ID]");
    EXPECT_EQ(SplitKeyLine("\tBONE_ID\tb1", kBoneKeyDelimiters).value, "b1");
    EXPECT_EQ(SplitKeyLine("\tBONE_ID b1", kKeyDelimiters).key, "\tBONE_ID");
    EXPECT_TRUE(SplitKeyLine("   ", kKeyDelimiters).key.empty());

    EXPECT_EQ(line_limit::PerItem(3, 128), 384u);
    EXPECT_EQ(line_limit::PerItem(-3, 128), 0u);
    EXPECT_EQ(line_limit::PerItem(INT64_MAX, 128), line_limit::kUnlimited);
}

} // namespace
} // namespace quorvane
