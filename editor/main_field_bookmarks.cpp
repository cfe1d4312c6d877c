// Camera bookmarks: the digits' requests and the file beside the grid files.
#include "editor/main_field.h"
#include "modeldata/file_bytes.h"
#include "platform/durable_file.h"

#include <algorithm>

namespace quorvane {

void CMainField::ReadBookmarks() {
    const std::filesystem::path path = gridRoot_ / CCameraBookmarks::kFileName;
    std::error_code missing;
    if (!std::filesystem::exists(path, missing)) {
        return; // none kept yet
    }
    const CFileBytes bytes = ReadFileBytes(path);
    std::vector<std::string> problems;
    const CCameraBookmarks read =
        bytes ? CCameraBookmarks::FromText(bytes.Text(), &problems) : CCameraBookmarks{};
    std::lock_guard lock(mutex_);
    for (int digit = 1; digit <= CCameraBookmarks::kCount; ++digit) {
        const std::optional<CameraBookmark> mark = read.Get(digit);
        if (mark && std::ranges::find(storedDigits_, digit) == storedDigits_.end()) {
            bookmarks_.Set(digit, *mark);
        }
    }
    if (!bytes) {
        bookmarkMessage_ = bytes.error;
    } else if (!problems.empty()) {
        bookmarkMessage_ = path.generic_string() + ": " + problems.front();
    }
}

std::optional<BookmarkRequest> CMainField::TakeBookmarkRequest() {
    std::lock_guard lock(mutex_);
    return std::exchange(edit_.bookmark, std::nullopt);
}

void CMainField::StoreBookmark(int digit, const CameraBookmark& bookmark) {
    std::string text;
    {
        std::lock_guard lock(mutex_);
        bookmarks_.Set(digit, bookmark);
        storedDigits_.push_back(digit);
        text = bookmarks_.Text();
    }
    // Written in the order stored, after the start's read, never on the caller's thread.
    background_.Post([this, text = std::move(text)] {
        std::error_code ignored;
        std::filesystem::create_directories(gridRoot_, ignored);
        std::string message;
        if (!ReplaceDurably(gridRoot_ / CCameraBookmarks::kFileName, text, &message)) {
            std::lock_guard lock(mutex_);
            bookmarkMessage_ = message;
        }
    });
}

std::optional<CameraBookmark> CMainField::Bookmark(int digit) const {
    std::lock_guard lock(mutex_);
    return bookmarks_.Get(digit);
}

std::string CMainField::BookmarkMessage() const {
    std::lock_guard lock(mutex_);
    return bookmarkMessage_;
}

} // namespace quorvane
