#include "platform/text_encoding.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(TextEncodingTest, Utf8PassesThroughCp932IsDecodedMalformedUtf8RejectedAndWideTextRoundTrips) {
    const std::string text = "model/木/テスト.mdl";
    EXPECT_TRUE(IsValidUtf8(text));
    EXPECT_EQ(DecodeTextLine(text), text);
    // "テスト" as written by Japanese Windows.
    const std::string sjis = "\x83\x65\x83\x58\x83\x67.mdl";
    EXPECT_FALSE(IsValidUtf8(sjis));
    EXPECT_EQ(DecodeTextLine(sjis), "テスト.mdl");

    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));         // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(IsValidUtf8("\xE3\x83"));         // truncated
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")); // past U+10FFFF
    // Bytes valid in neither encoding still give a usable line.
    const std::string decoded = DecodeTextLine("a\xFF"
                                               "b");
    EXPECT_TRUE(IsValidUtf8(decoded));
    EXPECT_EQ(decoded.front(), 'a');
    EXPECT_EQ(decoded.back(), 'b');

    const std::string wideText = "Field3-4 木 🌲";
    const std::wstring wide = Utf8ToWide(wideText);
    EXPECT_EQ(WideToUtf8(wide), wideText);
    EXPECT_EQ(Utf8ToWide("abc"), L"abc");
    EXPECT_EQ(StripCarriageReturn("LOD:1\r"), "LOD:1");
    EXPECT_EQ(StripCarriageReturn("LOD:1"), "LOD:1");
}

} // namespace
} // namespace quorvane
