// The model tree's pictures: their cache and the tree showing them.
#include "tests/file_faults.h"
#include "ui/model_tree_window.h"
#include "ui/thumbnail_cache.h"

#include <QTest>
#include <fstream>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

constexpr uint32_t kSize = 4;

// A definition of one part in a folder of its own, and a renderer that
// paints every picture one colour, or cannot draw the paths in refused.
struct ThumbnailFixture : ::testing::Test {
    test::CScratchDirectory scratch{"quorvane_thumbnails"};
    std::filesystem::path root = scratch.Path();
    std::filesystem::path definition = root / "model" / "crate.mdf";
    std::filesystem::path part = root / "model" / "crate.mdl";
    std::set<std::filesystem::path> refused;

    void SetUp() override {
        std::filesystem::create_directories(root / "model");
        std::ofstream(definition) << "LOD:0\nPATH:" << part.generic_string() << "\n";
        std::ofstream(part) << "model\n";
    }

    CThumbnailCache::RenderFunction Painter() {
        return
            [this](const std::filesystem::path& path, uint32_t size) -> std::optional<std::vector<uint8_t>> {
                if (refused.contains(path)) {
                    return std::nullopt;
                }
                std::vector<uint8_t> rgba(size_t{size} * size * 4, 200);
                for (size_t alpha = 3; alpha < rgba.size(); alpha += 4) {
                    rgba[alpha] = 255;
                }
                return rgba;
            };
    }
};

// Drawn once and then read from the folder, across caches (starts); drawn
// again when a part file changes; a model that cannot be drawn is
// remembered and not tried again until it changes.
TEST_F(ThumbnailFixture, TheCacheDrawsOnlyWhatChanged) {
    const std::filesystem::path folder = root / "cache";
    CThumbnailCache first(folder, kSize, Painter());
    std::optional<CThumbnailCache::Picture> picture = first.Get(definition);
    ASSERT_TRUE(picture && picture->drawn);
    EXPECT_EQ(picture->rgba.size(), size_t{kSize} * kSize * 4);
    ASSERT_TRUE(std::filesystem::is_regular_file(picture->png));

    CThumbnailCache second(folder, kSize, Painter());
    picture = second.Get(definition);
    ASSERT_TRUE(picture && picture->drawn);
    EXPECT_EQ(second.Renders(), 0) << "a start after the first draws nothing unchanged";
    EXPECT_TRUE(std::filesystem::is_regular_file(picture->png));

    std::filesystem::last_write_time(part, std::filesystem::last_write_time(part) + std::chrono::seconds(5));
    refused.insert(definition);
    picture = second.Get(definition);
    ASSERT_TRUE(picture.has_value());
    EXPECT_FALSE(picture->drawn);
    EXPECT_EQ(second.Renders(), 1);
    second.Get(definition);
    EXPECT_EQ(second.Renders(), 1) << "an undrawable model is not tried again until it changes";

    EXPECT_FALSE(second.Get(root / "model" / "missing.mdf").has_value()) << "no definition, no picture";
}

// The tree asks for the pictures of the definitions it lists and shows them
// once started; one that cannot be drawn shows the plain mark.
TEST_F(ThumbnailFixture, TheTreeShowsEachDefinitionsPicture) {
    std::ofstream(root / "model" / "broken.mdf") << "LOD:0\nPATH:" << part.generic_string() << "\n";
    refused.insert(root / "model" / "broken.mdf");
    QWidget parent;
    CModelTreeWindow tree(&parent, UiScale{}, root);
    tree.ListModelFolder();
    tree.SetThumbnailCache(std::make_unique<CThumbnailCache>(root / "cache", kSize, Painter()));
    QTest::qWait(100);
    EXPECT_EQ(tree.ThumbnailOf("model/crate.mdf"), nullptr) << "nothing is drawn before the start";
    tree.StartThumbnails();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return tree.ThumbnailOf("model/crate.mdf") && tree.ThumbnailOf("model/broken.mdf"); }, 10000));
    const auto centre = [](const QIcon& icon) {
        const QImage image = icon.pixmap(24, 24).toImage();
        return image.pixelColor(image.width() / 2, image.height() / 2);
    };
    EXPECT_EQ(centre(*tree.ThumbnailOf("model/crate.mdf")), QColor(200, 200, 200));
    EXPECT_NE(centre(*tree.ThumbnailOf("model/broken.mdf")), QColor(200, 200, 200));
}

} // namespace
} // namespace quorvane
