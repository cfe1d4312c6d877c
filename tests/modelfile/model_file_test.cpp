// Reading model files through the one dispatcher every caller uses.
#include "modelfile/model_file.h"
#include "tests/model_file_copies.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace quorvane {
namespace {

struct ReadCase {
    const char* name;
    std::filesystem::path source; // copied under name; empty: the file does not exist
    // The model ID a successful read gives, from the file's text or its name.
    std::optional<std::string> modelId;
    // What the message says after the path when the read fails.
    const char* failure = "";
};

TEST(ModelFile, ReadsEachFormatUnderAnyNameAndSaysWhyItRefuses) {
    const test::CModelFileCopies copies("quorvane_model_file_read");
    const std::filesystem::path files = test::kTestData / "model_files";
    const std::string neither = std::string(" ") + test::kNeitherFormat;
    const ReadCase cases[] = {
        {"rock.MDL", files / "rock.mdl", "rock"},
        {"rock.DAE", test::kCubeDocument, "rock"},
        {"cube.xml", test::kCubeDocument, "cube.xml"},
        {"commented_triangle", files / "commented_triangle", "commented_triangle"},
        {"notes.txt", test::kNotAModel, std::nullopt, neither.c_str()},
        {"cut_root.dae", files / "cut_root", std::nullopt, ": not well-formed XML"},
        {"cut_root", files / "cut_root", std::nullopt, neither.c_str()},
        {"missing.DAE", {}, std::nullopt, ": "},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path path =
            c.source.empty() ? copies.PathOf(c.name) : copies.Copy(c.source, c.name);
        CModel model;
        std::string error;
        const bool read = ReadAnyModelFile(model, path, error);
        if (c.modelId) {
            EXPECT_TRUE(read) << error;
            EXPECT_EQ(model.id, *c.modelId);
            // Each of these files holds one geometry.
            EXPECT_EQ(model.geometries.size(), 1u);
        } else {
            EXPECT_FALSE(read);
            EXPECT_EQ(error.rfind(path.string() + c.failure, 0), 0u) << error;
            EXPECT_TRUE(model.geometries.empty());
        }
    }
}

} // namespace
} // namespace quorvane
