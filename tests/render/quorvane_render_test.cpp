#include "render/texture_image.h"
#include "render/vulkan_instance.h"
#include "render_options.h"
#include "tests/model_file_copies.h"
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

// Renders the document 64 pixels square from the yaw, as the tool writes it
// (what the tool said goes to told), and counts the pixels that are not the
// cleared 0.8 grey background, those in the magenta of a texture that could
// not be read, and those not opaque.
struct CPictureCounts {
    size_t model = 0;
    size_t magenta = 0;
    size_t translucent = 0;
};

CPictureCounts RenderAndCount(const std::filesystem::path& document, float angle, std::string& told) {
    const auto out =
        std::filesystem::temp_directory_path() / ("quorvane_render_" + document.stem().string() + ".png");
    RenderOptions options;
    options.input = document.string();
    options.out = out.string();
    options.size = 64;
    options.angle = angle;
    told.clear();
    EXPECT_TRUE(RenderThumbnail(options, told)) << told;
    RgbaImage image;
    std::string error;
    EXPECT_TRUE(DecodeImageFile(out, image, error)) << document << ": " << error;
    EXPECT_EQ(image.width, 64u);
    EXPECT_EQ(image.height, 64u);
    std::filesystem::remove(out);
    CPictureCounts counts;
    for (size_t i = 0; i + 3 < image.pixels.size(); i += 4) {
        const uint8_t r = image.pixels[i];
        const uint8_t g = image.pixels[i + 1];
        const uint8_t b = image.pixels[i + 2];
        counts.model += (r != 204 || g != 204 || b != 204) ? 1 : 0;
        // Shading darkens the checks, so judge the hue: red and blue well above green.
        counts.magenta += (r > g + 60 && b > g + 60) ? 1 : 0;
        counts.translucent += image.pixels[i + 3] != 255 ? 1 : 0;
    }
    return counts;
}

// Documents from many exporters, each drawn from the viewer's starting view:
// none may come out empty or lose its textures.
TEST(RenderThumbnail, EverySharedColladaDocumentShowsItsModel) {
    const int errorsBefore = CVulkanInstance::ValidationErrorCount();
    size_t documents = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QUORVANE_COLLADA_DOCUMENTS)) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".dae" && extension != ".DAE") {
            continue;
        }
        ++documents;
        SCOPED_TRACE(entry.path().filename().string());
        const std::string name = entry.path().filename().string();
        if (name == "ConcavePolygon.dae") {
            // One flat face in a plane the default yaw looks along: seen
            // edge-on it covers no pixel (so the background is the clear
            // colour everywhere); a quarter turn shows all of it.
            std::string told;
            EXPECT_EQ(RenderAndCount(entry.path(), -90.0f, told).model, 0u);
            EXPECT_NE(told.find("nothing of the model is in view from yaw -90"), std::string::npos) << told;
            EXPECT_GT(RenderAndCount(entry.path(), 0.0f, told).model, 200u);
            EXPECT_EQ(told.find("nothing of the model"), std::string::npos) << told;
            continue;
        }
        std::string told;
        const CPictureCounts counts = RenderAndCount(entry.path(), -90.0f, told);
        EXPECT_GT(counts.model, 100u);
        EXPECT_EQ(counts.translucent, 0u);
        EXPECT_EQ(told.find("nothing of the model"), std::string::npos) << told;
        // These two name image files their exporters' suites did not ship.
        const bool imageMissing = name == "float_array_NaN.dae" || name == "kwxport_test_vcolors.dae";
        EXPECT_EQ(counts.magenta > 0, imageMissing) << counts.magenta << " magenta pixels";
    }
    EXPECT_GE(documents, 14u);
    EXPECT_EQ(CVulkanInstance::ValidationErrorCount(), errorsBefore);
}

// The tool opens model files as the field does: a document without a model
// extension is known by its root element. Every name the field reads is
// walked in ModelRegistryTest.ColladaDocumentsLoadUnderEveryNameWithTheIdOfTheirStem.
// An input that gives no picture is named and no file is written.
TEST(RenderThumbnail, DocumentsAreKnownByContentAndInputsGivingNoPictureAreNamed) {
    const test::CModelFileCopies copies("quorvane_render_names");
    std::string told;
    EXPECT_GT(RenderAndCount(copies.Copy(test::kCubeDocument, "rock"), -90.0f, told).model, 100u);
    const std::string notes = copies.Copy(test::kNotAModel, "notes.txt").string();
    for (const auto& [input, said] :
         {std::pair<std::string, std::string>{"no/such/model.mdl", "no/such/model.mdl"},
          {notes, notes + " " + test::kNeitherFormat}}) {
        RenderOptions options;
        options.input = input;
        options.out = (std::filesystem::temp_directory_path() / "quorvane_render_none.png").string();
        EXPECT_FALSE(RenderThumbnail(options, told));
        EXPECT_NE(told.find(said), std::string::npos) << told;
        EXPECT_FALSE(std::filesystem::exists(options.out));
    }
}

} // namespace
} // namespace quorvane
