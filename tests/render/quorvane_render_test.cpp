#include "render/texture_image.h"
#include "render/vulkan_instance.h"
#include "render_options.h"
#include "thumbnail_renderer.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(RenderOptions, ReadsEveryOptionAndRefusesBadValues) {
    std::string error;
    const auto options = ParseRenderOptions({"tree.mdf", "--out", "a.png", "--size", "128", "--angle",
                                             "-45.5", "--frame", "30", "--ani", "w.ani"},
                                            error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->input, "tree.mdf");
    EXPECT_EQ(options->out, "a.png");
    EXPECT_EQ(options->size, 128u);
    EXPECT_FLOAT_EQ(options->angle, -45.5f);
    EXPECT_EQ(options->frame, 30);
    EXPECT_EQ(options->animations, std::vector<std::string>{"w.ani"});
    const auto defaults = ParseRenderOptions({"m.dae"}, error);
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->size, 260u);
    EXPECT_EQ(defaults->out, "render.png");

    for (const std::vector<std::string>& bad : {std::vector<std::string>{},
                                                {"m.mdl", "--size", "0"},
                                                {"m.mdl", "--size", "99999"},
                                                {"m.mdl", "--size"},
                                                {"m.mdl", "--frame", "-1"},
                                                {"m.mdl", "--angle", "nan"},
                                                {"m.mdl", "--angle", "3x"},
                                                {"m.mdl", "--bogus"},
                                                {"a.mdl", "b.mdl"}}) {
        error.clear();
        EXPECT_FALSE(ParseRenderOptions(bad, error)) << (bad.empty() ? "" : bad.back());
        EXPECT_FALSE(error.empty());
    }
}

TEST(RenderThumbnail, ResampleAveragesTheCoveredPixels) {
    // 4 x 2: left half 0, right half 200 in every channel.
    std::vector<uint8_t> image(4 * 2 * 4, 0);
    for (size_t i = 0; i < 8; ++i) {
        if (i % 4 >= 2) {
            std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(i * 4), 4, uint8_t{200});
        }
    }
    const auto two = ResampleBox(image, 4, 2, 2, 1);
    ASSERT_EQ(two.size(), 8u);
    EXPECT_EQ(two[0], 0);
    EXPECT_EQ(two[4], 200);
    const auto one = ResampleBox(image, 4, 2, 1, 1);
    EXPECT_EQ(one[0], 100);
    EXPECT_TRUE(ResampleBox(image, 3, 2, 1, 1).empty());
}

TEST(RenderThumbnail, ColladaCubeBecomesASquarePngWithTheModelInTheMiddle) {
    const std::filesystem::path cube = QUORVANE_COLLADA_DOCUMENTS "/cube_UTF8BOM.dae";
    ASSERT_TRUE(std::filesystem::exists(cube)) << "COLLADA document missing at " << cube;
    const auto out = std::filesystem::temp_directory_path() / "quorvane_render_cube.png";
    std::filesystem::remove(out);
    RenderOptions options;
    options.input = cube.string();
    options.out = out.string();
    options.size = 64;
    std::string message;
    const int errorsBefore = CVulkanInstance::ValidationErrorCount();
    ASSERT_TRUE(RenderThumbnail(options, message)) << message;
    EXPECT_EQ(CVulkanInstance::ValidationErrorCount(), errorsBefore);
    RgbaImage image;
    std::string error;
    ASSERT_TRUE(DecodeImageFile(out, image, error)) << error;
    EXPECT_EQ(image.width, 64u);
    EXPECT_EQ(image.height, 64u);
    // The corner shows the cleared background (0.8 grey); the centre the lit cube.
    EXPECT_EQ(image.pixels[0], 204);
    const size_t centre = (32 * 64 + 32) * 4;
    EXPECT_NE(image.pixels[centre], 204);
    EXPECT_EQ(image.pixels[centre + 3], 255);
    std::filesystem::remove(out);

    options.input = "no/such/model.mdl";
    message.clear();
    EXPECT_FALSE(RenderThumbnail(options, message));
    EXPECT_NE(message.find("no/such/model.mdl"), std::string::npos);
    options.input = "model.txt";
    message.clear();
    EXPECT_FALSE(RenderThumbnail(options, message));
}

} // namespace
} // namespace quorvane
