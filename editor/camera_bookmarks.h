#pragma once

#include "editor/vector4.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// A field camera a designer keeps under a digit: where it looks, how it is
// turned and tilted, and how far it stands.
struct CameraBookmark {
    Vector4 target;
    float yaw = 0.0f;
    float pitch = 30.0f;
    float zoom = 1.0f;

    friend bool operator==(const CameraBookmark&, const CameraBookmark&) = default;
};

// A digit pressed outside a move, scale or turn: Ctrl keeps the camera under
// it, the digit alone brings the kept camera back.
struct BookmarkRequest {
    int digit = 0;
    bool store = false;
};

// Digits 1 to 9, each with its bookmark or none. Kept in "camera_bookmarks.txt"
// beside the grid files, one line a bookmark: "<digit> <x> <y> <z> <yaw>
// <pitch> <zoom>", UTF-8, CR LF or LF.
class CCameraBookmarks {
public:
    static constexpr int kCount = 9;
    static constexpr const char* kFileName = "camera_bookmarks.txt";

    void Set(int digit, const CameraBookmark& bookmark); // digit 1..9; others are ignored
    std::optional<CameraBookmark> Get(int digit) const;

    // The file's text; and the bookmarks of a text, with a message per line
    // it could not read (that line is left out, the rest are kept).
    std::string Text() const;
    static CCameraBookmarks FromText(std::string_view text, std::vector<std::string>* problems);

private:
    std::array<std::optional<CameraBookmark>, kCount> marks_{};
};

} // namespace quorvane
