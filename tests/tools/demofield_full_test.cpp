#include "demofield_fixture.h"
#include "modeldata/mdl_reader.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <stb_image.h>

namespace quorvane::demofield::testing {
namespace {

// Mean absolute difference between two pixel columns (or rows) of an RGB picture.
double LineDifference(const unsigned char* pixels, int size, bool columns, int a, int b) {
    double sum = 0;
    for (int k = 0; k < size; ++k) {
        for (int c = 0; c < 3; ++c) {
            const int pa = columns ? (k * size + a) : (a * size + k);
            const int pb = columns ? (k * size + b) : (b * size + k);
            sum += std::abs(pixels[pa * 3 + c] - pixels[pb * 3 + c]);
        }
    }
    return sum / (size * 3);
}

// The field the editor gets: full resolution, full-size pictures.
TEST(DemoFieldFull, FullResolutionFieldReadsBackAndItsTexturesTile) {
    COptions options;
    options.output = ScratchFolder("full");
    const CManifest manifest = GenerateDemoField(options);
    EXPECT_TRUE(IsUpToDate(options));
    EXPECT_LT(manifest.bytesWritten, 300'000'000);

    CModel tile;
    ASSERT_TRUE(ReadModelFile(tile, options.output / "model/main_field/field/Field13-14.mdl"));
    ASSERT_EQ(tile.geometries.size(), 1u);
    EXPECT_EQ(tile.geometries[0]->vertexCount, 33 * 33);

    for (int n = 1; n <= 9; ++n) {
        const auto path = options.output / ("pict/MainField/field00" + std::to_string(n) + ".jpg");
        SCOPED_TRACE(path.string());
        int w = 0, h = 0, channels = 0;
        unsigned char* pixels = stbi_load(path.string().c_str(), &w, &h, &channels, 3);
        ASSERT_NE(pixels, nullptr);
        ASSERT_EQ(w, 512);
        ASSERT_EQ(h, 512);
        // Across the wrap the picture changes no more than between neighbouring lines inside it.
        for (bool columns : {true, false}) {
            const double wrap = LineDifference(pixels, w, columns, w - 1, 0);
            const double inside = LineDifference(pixels, w, columns, w / 2 - 1, w / 2);
            EXPECT_LT(wrap, inside * 1.6 + 2.0) << (columns ? "columns" : "rows");
        }
        stbi_image_free(pixels);
    }
}

} // namespace
} // namespace quorvane::demofield::testing
