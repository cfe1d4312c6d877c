// Camera bookmarks: their file's lines, and the digits in the field.
#include "editor_fixture.h"

namespace quorvane::testing {
namespace {

TEST(CameraBookmarksText, KeepsEveryFloatAndSkipsWhatIsNotABookmark) {
    CCameraBookmarks kept;
    kept.Set(1, {{0.1f, -1e-7f, 3.0e5f, 1.0f}, -179.99f, 0.00001f, 1.1f});
    kept.Set(9, {{1.0f / 3.0f, 2.0f, -0.0f, 1.0f}, 45.0f, 89.9f, 3.0f});
    kept.Set(10, {}); // no such digit
    std::vector<std::string> problems;
    const CCameraBookmarks back = CCameraBookmarks::FromText(kept.Text(), &problems);
    EXPECT_TRUE(problems.empty());
    for (int digit = 1; digit <= CCameraBookmarks::kCount; ++digit) {
        EXPECT_EQ(back.Get(digit), kept.Get(digit)) << digit;
    }
    EXPECT_FALSE(back.Get(5).has_value());

    const std::string text = "3 1 2 3 10 20 1.5\r\n"
                             "\n"
                             "0 1 2 3 10 20 1.5\n"   // no digit 0
                             "4 1 2 3 10 20\n"       // a value short
                             "5 1 2 3 10 20 1.5 7\n" // one too many
                             "6 1 nan 3 10 20 1.5\n" // not a number
                             "7 1 2 3 10 20 0\n"     // no zoom
                             "8 1 2 3 10 20 1.5x\n"  // a word, not a number
                             "3 9 9 9 9 9 2\n";      // the later line wins
    problems.clear();
    const CCameraBookmarks read = CCameraBookmarks::FromText(text, &problems);
    EXPECT_EQ(problems.size(), 6u);
    EXPECT_EQ(problems.front(), "line 3: not a camera bookmark");
    ASSERT_TRUE(read.Get(3).has_value());
    EXPECT_EQ(read.Get(3)->zoom, 2.0f);
    for (int digit : {1, 2, 4, 5, 6, 7, 8, 9}) {
        EXPECT_FALSE(read.Get(digit).has_value()) << digit;
    }
}

using CameraBookmarksField = EditorFixture;

// Ctrl+digit asks to keep the camera, the digit alone to bring it back;
// inside a move the digit is a typed value. A stored bookmark is there for
// the next start.
TEST_F(CameraBookmarksField, DigitsAskForBookmarksOutsideAMoveAndTheyOutliveARestart) {
    field->OnKeyDown(vk::kControl);
    Press(vk::kDigit0 + 3);
    field->OnKeyUp(vk::kControl);
    field->ApplyPostedInput();
    std::optional<BookmarkRequest> request = field->TakeBookmarkRequest();
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->digit, 3);
    EXPECT_TRUE(request->store);
    EXPECT_FALSE(field->TakeBookmarkRequest().has_value()) << "taken once";

    Press(vk::kDigit0 + 3);
    request = field->TakeBookmarkRequest();
    ASSERT_TRUE(request.has_value());
    EXPECT_FALSE(request->store);

    Choose({"a.mdl"});
    Key('G');
    Press(vk::kDigit0 + 4);
    EXPECT_FALSE(field->TakeBookmarkRequest().has_value());
    EXPECT_EQ(field->TypedValueText(), "4");
    Press(vk::kEscape);

    const CameraBookmark kept{{12.5f, -3.0f, 4.0f, 1.0f}, 33.0f, 41.0f, 2.5f};
    field->StoreBookmark(3, kept);
    EXPECT_EQ(field->Bookmark(3), kept);
    field->WaitForBackgroundWork();
    field.reset();
    field = std::make_unique<CMainField>(loader, dir / "gridfile");
    field->WaitForBackgroundWork();
    EXPECT_EQ(field->Bookmark(3), kept);
    EXPECT_FALSE(field->Bookmark(4).has_value());
    EXPECT_TRUE(field->BookmarkMessage().empty());

    std::ofstream(dir / "gridfile" / CCameraBookmarks::kFileName, std::ios::app) << "9 not a bookmark\n";
    field = std::make_unique<CMainField>(loader, dir / "gridfile");
    field->WaitForBackgroundWork();
    EXPECT_EQ(field->Bookmark(3), kept) << "the good lines stay";
    EXPECT_NE(field->BookmarkMessage().find("line 2"), std::string::npos) << field->BookmarkMessage();
}

} // namespace
} // namespace quorvane::testing
