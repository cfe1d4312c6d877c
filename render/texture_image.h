#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace quorvane {

// Tightly packed RGBA8 pixels, top row first.
struct RgbaImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;

    bool IsValid() const { return width > 0 && height > 0 && pixels.size() == size_t{width} * height * 4; }
};

// Decodes a PNG, JPEG, BMP, TGA ... file into RGBA. False (with a reason in
// error) when the file is missing, unreadable or not an image.
bool DecodeImageFile(const std::filesystem::path& path, RgbaImage& out, std::string& error);
bool DecodeImageMemory(const std::vector<uint8_t>& bytes, RgbaImage& out, std::string& error);

// Level 0 is the image itself; each next level halves both sides (at least 1)
// with a box filter, down to 1 x 1. A 1 x 1 image keeps its single level.
std::vector<RgbaImage> BuildMipChain(RgbaImage image);

// What a texture that cannot be read shows instead: magenta and black checks,
// plain to see in any view.
RgbaImage FallbackCheckerImage();

// The text shown for an unreadable texture image.
std::string MissingTextureMessage(const std::string& path);
inline constexpr const char* kMissingTextureCaption = "Error";

// Tells the user about unreadable texture images, once per path. Loader
// threads call Report; the poster hands (caption, text) to the UI thread
// (the application posts a message box there). Without a poster the text goes
// to stderr. Never ends the process: the texture gets the fallback instead.
class CTextureErrorReporter {
public:
    using Poster = std::function<void(const std::string& caption, const std::string& text)>;

    explicit CTextureErrorReporter(Poster poster = nullptr);
    // True when this call posted (the path was not reported before).
    bool Report(const std::string& path);
    void SetPoster(Poster poster);
    size_t ReportedCount() const;

private:
    mutable std::mutex mutex_;
    Poster poster_;
    std::set<std::string> reported_;
};

// The process-wide reporter the texture loaders use unless given another.
CTextureErrorReporter& DefaultTextureErrorReporter();

} // namespace quorvane
