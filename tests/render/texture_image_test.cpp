#include "render/png_writer.h"
#include "render/texture_image.h"
#include "render/texture_loader.h"
#include "tests/file_faults.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quorvane {
namespace {

RgbaImage Solid(uint32_t w, uint32_t h, std::array<uint8_t, 4> c) {
    RgbaImage image;
    image.width = w;
    image.height = h;
    image.pixels.resize(size_t{w} * h * 4);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        image.pixels[i] = c[i % 4];
    }
    return image;
}

TEST(TextureImage, PngRoundTripsThroughTheDecoder) {
    RgbaImage image = Solid(3, 2, {10, 20, 30, 255});
    image.pixels[4 * 5 + 0] = 200; // last pixel
    const auto path = std::filesystem::temp_directory_path() / "quorvane_texture_test.png";
    ASSERT_TRUE(WritePng(path, 3, 2, image.pixels));
    RgbaImage decoded;
    std::string error;
    ASSERT_TRUE(DecodeImageFile(path, decoded, error)) << error;
    EXPECT_EQ(std::pair(decoded.width, decoded.height), std::pair(3u, 2u));
    EXPECT_EQ(decoded.pixels, image.pixels);
    std::filesystem::remove(path);
    // Pixels that do not fill the size, or no size at all, write nothing.
    EXPECT_FALSE(WritePng(path, 3, 3, image.pixels));
    EXPECT_FALSE(WritePng(path, 0, 0, {}));

    EXPECT_FALSE(DecodeImageFile(path, decoded, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(DecodeImageMemory({'n', 'o', 't', ' ', 'p', 'n', 'g'}, decoded, error));
    EXPECT_FALSE(DecodeImageMemory({}, decoded, error));
    // A PNG cut short after its header is refused, not read past its end.
    std::vector<uint8_t> truncated = {0x89, 'P', 'N',  'G', '\r', '\n', 0x1a, '\n', 0,    0,
                                      0,    13,  'I',  'H', 'D',  'R',  0,    0,    0x10, 0,
                                      0,    0,   0x10, 0,   8,    6,    0,    0,    0};
    EXPECT_FALSE(DecodeImageMemory(truncated, decoded, error));
    // A header claiming 9000 x 9000 pixels is refused before anything is decoded.
    truncated[18] = truncated[22] = 0x23;
    truncated[19] = truncated[23] = 0x28;
    error.clear();
    EXPECT_FALSE(DecodeImageMemory(truncated, decoded, error));
    EXPECT_NE(error.find("size"), std::string::npos) << error;
}

// Pictures written byte by byte by tests/data/textures/make_images.py.
const std::filesystem::path kTextures = std::filesystem::path(__FILE__).parent_path() / "../data/textures";

TEST(TextureImage, TgaAndBmpDecodeTopRowFirst) {
    // RGBA bytes, top row first.
    const struct {
        const char* file;
        uint32_t width, height;
        std::vector<uint8_t> pixels;
    } cases[] = {
        // 32-bit uncompressed, stored bottom row first, alpha kept.
        {"rgba_3x2.tga", 3, 2, {255, 0,   0,   255, 0, 255, 0, 128, 0,   0,  255, 255,
                                255, 255, 255, 255, 0, 0,   0, 0,   128, 64, 32,  200}},
        // 24-bit run-length packets (3 red runs, 1 raw green, 4 blue runs), stored top row first.
        {"rle_4x2.tga", 4, 2, {255, 0, 0,   255, 255, 0, 0,   255, 255, 0, 0,   255, 0, 255, 0,   255,
                               0,   0, 255, 255, 0,   0, 255, 255, 0,   0, 255, 255, 0, 0,   255, 255}},
        // 24-bit BMP, bottom row first, rows padded to four bytes; opaque.
        {"rgb_3x2.bmp", 3, 2, {255, 0,   0,   255, 0, 255, 0, 255, 0,   0,  255, 255,
                               255, 255, 255, 255, 0, 0,   0, 255, 128, 64, 32,  255}},
    };
    for (const auto& expected : cases) {
        SCOPED_TRACE(expected.file);
        RgbaImage image;
        std::string error;
        ASSERT_TRUE(DecodeImageFile(kTextures / expected.file, image, error)) << error;
        EXPECT_EQ(std::pair(image.width, image.height), std::pair(expected.width, expected.height));
        EXPECT_EQ(image.pixels, expected.pixels);
    }
}

TEST(TextureImage, MipChainHalvesWithABoxFilterDownToOnePixel) {
    RgbaImage image = Solid(4, 2, {0, 0, 0, 255});
    // Left 2 x 2 block: 0, 100, 200, 100 in red -> 100; right block all 40.
    const uint8_t reds[8] = {0, 100, 40, 40, 200, 100, 40, 40};
    for (size_t i = 0; i < 8; ++i) {
        image.pixels[i * 4] = reds[i];
    }
    const auto levels = BuildMipChain(image);
    ASSERT_EQ(levels.size(), 3u);
    EXPECT_EQ(std::pair(levels[1].width, levels[1].height), std::pair(2u, 1u));
    EXPECT_EQ(levels[1].pixels, (std::vector<uint8_t>{100, 0, 0, 255, 40, 0, 0, 255}));
    EXPECT_EQ(std::pair(levels[2].width, levels[2].height), std::pair(1u, 1u));
    EXPECT_EQ(levels[2].pixels, (std::vector<uint8_t>{70, 0, 0, 255}));

    EXPECT_EQ(BuildMipChain(Solid(1, 1, {1, 2, 3, 4})).size(), 1u);
    const auto odd = BuildMipChain(Solid(5, 3, {9, 9, 9, 9}));
    ASSERT_EQ(odd.size(), 3u); // 5x3, 2x1, 1x1
    EXPECT_EQ(odd[1].width, 2u);
    EXPECT_EQ(odd[2].pixels[0], 9);
    EXPECT_EQ(BuildMipChain(Solid(1, 8, {0, 0, 0, 0})).size(), 4u);
    EXPECT_TRUE(BuildMipChain(RgbaImage{}).empty());
}

TEST(TextureImage, LoaderThreadsGiveTheCheckerAndOneMessageForAFolderOrUnreadableImageAndNoneForNoName) {
    ASSERT_TRUE(test::OpensButCannotBeRead(test::kUnreadableFile));
    // A folder is what a model's directory alone would name.
    const test::CScratchDirectory scratch("quorvane_texture_loader_faults");
    const std::string folder = scratch.Path().string() + "/";
    const std::filesystem::path unreadable = scratch.UnreadableNamed("leaf.png");
    std::vector<std::string> posted;
    std::mutex mutex;
    CTextureErrorReporter reporter([&](const std::string&, const std::string& text) {
        std::lock_guard lock(mutex);
        posted.push_back(text);
    });
    const RgbaImage checker = FallbackCheckerImage();
    // An image naming no file gives the checker, one level, without a message.
    bool unnamedFallback = false;
    const std::vector<RgbaImage> unnamed = LoadTextureLevels("", false, reporter, unnamedFallback);
    EXPECT_TRUE(unnamedFallback);
    ASSERT_EQ(unnamed.size(), 1u);
    EXPECT_EQ(unnamed[0].pixels, checker.pixels);
    std::vector<std::thread> loaders;
    for (int i = 0; i < 4; ++i) {
        loaders.emplace_back([&] {
            for (const std::filesystem::path& path : {std::filesystem::path(folder), unreadable}) {
                bool fallback = false;
                const std::vector<RgbaImage> levels = LoadTextureLevels(path, true, reporter, fallback);
                std::lock_guard lock(mutex);
                EXPECT_TRUE(fallback) << path;
                ASSERT_EQ(levels.size(), 7u) << path; // 64 x 64 down to 1 x 1
                EXPECT_EQ(levels[0].pixels, checker.pixels) << path;
            }
        });
    }
    for (auto& loader : loaders) {
        loader.join();
    }
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(reporter.ReportedCount(), 2u);
    std::sort(posted.begin(), posted.end());
    EXPECT_TRUE(posted[0].ends_with(folder)) << posted[0];
    EXPECT_TRUE(posted[1].ends_with(unreadable.string())) << posted[1];
}

} // namespace
} // namespace quorvane
